// A one-bit label printer whose driver renders PDF with Ghostscript
// (foomatic-rip, then the driver's own filter, stood in for by a capture):
// the program's PDF carries the picture already cut to black and white at
// the device's dots, so what reaches the driver has no screen: every black
// pixel is one black dot, and grey is cut or dithered exactly as on the
// program's own raster.
#include "CupsFixture.h"
#include "PageCheck.h"

#include "platform/page/RasterEncoding.h"
#include "platform/picture/Picture.h"
#include "platform/print/SystemPrinters.h"
#include "printing/PrintJob.h"

#include <QFileInfo>
#include <QProcess>
#include <cmath>

using namespace cupstest;

TEST_F(CupsTest, OneBitDeviceThroughGhostscriptPrintsEveryDotAsCut) {
    const QString driver = QStringLiteral("/usr/lib/cups/driver/ptouch");
    if (!QFileInfo::exists(driver) || !QFileInfo::exists(QStringLiteral("/usr/lib/cups/filter/foomatic-rip")))
        GTEST_SKIP() << "the ptouch driver or foomatic-rip is not installed";
    // The description as the driver package makes it.
    const QString queue = QStringLiteral("PtouchQl800");
    const QString ppd = Cups().Folder() + QStringLiteral("/etc/ql800.ppd");
    QProcess make;
    make.setStandardOutputFile(ppd);
    make.start(driver, {QStringLiteral("cat"), QStringLiteral("ptouch:0/ppd/ptouch-driver/Brother-QL-800-ptouch-ql.ppd")});
    ASSERT_TRUE(make.waitForFinished(30000) && make.exitCode() == 0);
    QString out;
    ASSERT_EQ(Cups().RunTool(QStringLiteral("lpadmin"),
                             {QStringLiteral("-p"), queue, QStringLiteral("-E"), QStringLiteral("-v"),
                              QStringLiteral("file://") + Cups().OutputPath(queue), QStringLiteral("-P"), ppd},
                             &out),
              0)
        << out.toStdString();
    platform::PrinterPtr printer;
    ASSERT_NO_THROW(printer = platform::MakeQueuePrinter(queue));
    ASSERT_EQ(printer->Facts().pageFormat, QStringLiteral("PDF"));
    const int dpi = printer->Facts().xdpi;
    const QImage picture = FramedPicture(96, 64, 11, true);
    const platform::Picture shared(picture);

    for (const bool dither : {false, true}) {
        SCOPED_TRACE(dither ? "ordered dither" : "threshold");
        printer->SetDithering(dither);
        const Printed printed = PrintAndRead(queue, [&] {
            printing::RunPrintJob(*printer, shared, int16_t(picture.width()), int16_t(picture.height()), false);
        });
        ASSERT_TRUE(printed.error.isEmpty()) << printed.error.toStdString();
        ASSERT_EQ(printed.pages.size(), 1);
        const testcups::RasterPage& page = printed.pages[0];
        EXPECT_EQ(page.xdpi, dpi);
        // One dot a pixel: the frame is the picture's size.
        QRect box = InkBox(page.image);
        ASSERT_EQ(box.size(), picture.size());
        // Every dot as the program's own encoder cuts it at its place on the
        // sheet (this driver's raster is the imageable box): nothing
        // screened, nothing moved.
        const QPoint sheet(int(std::lround(page.cupsImagingBBox[0] * page.xdpi / 72.0)),
                           int(std::lround((page.cupsPageSize[1] - page.cupsImagingBBox[3]) * page.ydpi / 72.0)));
        box.translate(sheet);
        const cups_page_header2_t oneBit = platform::OneBitHeader(unsigned(box.right() + 1));
        std::vector<QRgb> line(oneBit.cupsWidth, 0xffffffffu);
        std::vector<unsigned char> bits(oneBit.cupsBytesPerLine);
        int wrong = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) line[size_t(box.left() + x)] = picture.pixel(x, y);
            platform::EncodeLine(oneBit, line.data(), unsigned(box.top() + y),
                                 dither ? platform::OneBitMode::Ordered : platform::OneBitMode::Threshold, bits.data());
            for (int x = 0; x < picture.width(); ++x) {
                const int dx = box.left() + x;
                const bool ink = (bits[size_t(dx / 8)] >> (7 - dx % 8)) & 1;
                wrong += ink != (qGray(page.image.pixel(dx - sheet.x(), box.top() + y - sheet.y())) < 128);
            }
        }
        EXPECT_EQ(wrong, 0);
    }
    Cups().DeleteQueue(queue);
}
