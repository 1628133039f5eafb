// The program's printer on queues made from real printer descriptions and on
// a driverless IPP Everywhere printer: its figures are the geometry the
// description itself defines (TrueGeometry), and a page printed through the
// print job lands dot for dot where that geometry puts it: every pixel
// exact, the picture centred, the guides out to the area's edges, and a
// picture the size of the area printed whole.
#include "CupsFixture.h"
#include "RealQueues.h"

#include "platform/print/CupsPrinter.h"
#include "platform/cups/CupsQueue.h"
#include "platform/base/Failure.h"
#include "platform/picture/Picture.h"
#include "platform/print/SystemPrinters.h"
#include "printing/PrintJob.h"
#include "support/IppEverywhere.h"
#include "support/PixelCheck.h"
#include "support/TrueGeometry.h"
#include "PageCheck.h"

#include <QFile>
#include <QStandardPaths>
#include <QPainter>
#include <cmath>
#include <random>

using namespace cupstest;

namespace {

// Where the printable dots of a CUPS raster are: the raster covers the
// imageable box, but Ghostscript lays it out from a page height it keeps in
// whole points, so on a sheet of fractional height its top sits
// round(height) - (height - top) up from the bottom edge (measured: a dot
// above the box on the 841.8 point A4 at 360 dpi), and the print system
// clips to the box itself. Printable are the raster's dots whose centres lie
// inside the box.
Grid ExpectedGrid(const testcups::TrueGeometry& t) {
    const int dpi = std::min(t.xdpi, t.ydpi);
    const double pitch = 72.0 / t.ydpi;
    const double rasterTop = std::floor(t.paperHeight + 0.5) - (t.paperHeight - t.top);
    const int first = std::max(0, int(std::ceil((rasterTop - t.top) / pitch - 0.5 - 1e-3)));
    const int last = std::min(t.height, int(std::floor((rasterTop - t.bottom) / pitch + 0.5 + 1e-3)));
    Grid g;
    g.fx = t.xdpi / dpi;
    g.fy = t.ydpi / dpi;
    g.origin = QPoint(0, first);
    g.cells = QSize(t.width / g.fx, (last - first) / g.fy);
    return g;
}

}  // namespace

TEST_F(CupsTest, RealQueuesPrintOnTheGeometryTheirDescriptionsDefine) {
    for (const RealQueue& row : RealQueues()) {
        const QString queue = QString::fromLatin1(row.queue);
        SCOPED_TRACE(row.queue);
        const testcups::TrueGeometry truth = testcups::ComputeTrueGeometry(
            QStringLiteral(OMBRASTELE_TEST_DATA_DIR "/") + QString::fromLatin1(row.ppd), row.options);
        ASSERT_TRUE(truth.ok) << truth.error.toStdString();
        // The oracle reads the description as a reader of it would.
        EXPECT_EQ(truth.xdpi, row.xdpi);
        EXPECT_EQ(truth.ydpi, row.ydpi);
        EXPECT_EQ(truth.pageSizeName.toStdString(), row.pageSize);
        ASSERT_NO_THROW(Cups().AddRasterQueue(queue, QString::fromLatin1(row.ppd)));
        // The options are the queue's own defaults, as an administrator sets them.
        for (const QString& option : row.options)
            ASSERT_EQ(Cups().RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-p"), queue, QStringLiteral("-o"), option}),
                      0);

        const int dpi = std::min(truth.xdpi, truth.ydpi);
        if (truth.xdpi % dpi || truth.ydpi % dpi) {
            // No picture pixel can be a whole block of dots, and the
            // description offers no square resolution: refused, clearly.
            try {
                platform::MakeQueuePrinter(queue);
                ADD_FAILURE() << "a printer was made at " << truth.xdpi << " x " << truth.ydpi << " dpi";
            } catch (const platform::Failure& f) {
                EXPECT_TRUE(f.message().contains(QStringLiteral("%1 x %2").arg(truth.xdpi).arg(truth.ydpi)))
                    << f.message().toStdString();
            }
            Cups().DeleteQueue(queue);
            continue;
        }

        // Both ways to the device: the raster the program writes itself (the
        // default for these queues, whose drivers read CUPS raster), and the
        // PDF that cups-filters and Ghostscript render.
        for (const bool viaPdf : {false, true}) {
            SCOPED_TRACE(viaPdf ? "PDF rendered by the print system" : "the program's own raster");
            platform::PrinterPtr printer;
            ASSERT_NO_THROW(printer = platform::MakeQueuePrinter(queue));
            auto* cups = dynamic_cast<platform::CupsPrinter*>(printer.get());
            ASSERT_TRUE(cups);
            if (viaPdf) cups->PreferPdf();
            const platform::Printer::DeviceFacts facts = printer->Facts();
            EXPECT_EQ(facts.pageFormat, viaPdf ? QStringLiteral("PDF") : QStringLiteral("CUPS raster"));
            EXPECT_EQ(facts.xdpi, truth.xdpi);
            EXPECT_EQ(facts.ydpi, truth.ydpi);
            // The program's raster is exactly the imageable box the header gives.
            const Grid grid = viaPdf ? ExpectedGrid(truth)
                                     : Grid{{0, 0}, {truth.width / (truth.xdpi / dpi), truth.height / (truth.ydpi / dpi)},
                                            truth.xdpi / dpi, truth.ydpi / dpi};
            EXPECT_EQ(facts.areaDots, QSize(grid.cells.width() * grid.fx, grid.cells.height() * grid.fy));
            EXPECT_EQ(facts.source, QStringLiteral("PPD"));
            EXPECT_EQ(printer->PrintQuality(), dpi);
            const platform::PrintableArea area = printer->Area();
            EXPECT_EQ(QSize(area.widthDots, area.heightDots), grid.cells);
            EXPECT_NEAR(area.widthInches, (truth.right - truth.left) / 72.0, 1e-6);

            const bool colour = truth.colorSpace == 1 || truth.colorSpace == 19;  // RGB, sRGB
            const QSize cells = grid.cells;
            // Odd sizes put the picture on half cells; guides to the edges.
            PrintAndCheck(queue, *printer, grid, Picture(cells.width() / 3 | 1, cells.height() / 5 | 1, colour, 1),
                          true, false, {});
            // A picture as large as the area fills it whole.
            PrintAndCheck(queue, *printer, grid, Picture(cells.width(), cells.height(), colour, 2), false, false, {});
            if (QString::fromLatin1(row.queue) == QLatin1String("RealHl1650")) {
                // Landscape turns the content, so the unequal margins turn with the page.
                cups->SetOrientation(platform::kLandscape);
                EXPECT_EQ(QSize(printer->Area().widthDots, printer->Area().heightDots), cells.transposed());
                PrintAndCheck(queue, *printer, grid, Picture(cells.height() / 4 | 1, cells.width() / 3, colour, 3),
                              true, true, {});
            }
        }
        Cups().DeleteQueue(queue);
    }
}

TEST_F(CupsTest, DriverlessQueuePrintsOnTheMediaItsPrinterAdvertises) {
    if (QStandardPaths::findExecutable(QStringLiteral("ippeveprinter")).isEmpty())
        GTEST_SKIP() << "ippeveprinter is not installed";
    testcups::IppEverywhere printerDevice;
    QString error;
    // PWG raster only, so the print system renders the page and the printer
    // keeps the very dots.
    ASSERT_TRUE(printerDevice.Start(QStringLiteral("Driverless"), &error, {QStringLiteral("image/pwg-raster")}))
        << error.toStdString();
    const QString queue = QStringLiteral("Driverless");

    // Both sources agree: the PPD CUPS made for the queue, and IPP itself
    // (letter, margins 635 / 1168 / 635 / 102 hundredths of a mm, 600 dpi).
    const auto ppd = platform::PpdGeometry(queue, {});
    const auto ipp = platform::IppGeometry(queue, {});
    ASSERT_TRUE(ppd.has_value());
    ASSERT_TRUE(ipp.has_value());
    EXPECT_EQ(ipp->media, QStringLiteral("na_letter_8.5x11in"));
    EXPECT_EQ(ipp->source, QStringLiteral("IPP"));
    for (const auto& [a, b] : {std::pair{ppd->widthPoints, ipp->widthPoints}, {ppd->heightPoints, ipp->heightPoints},
                               {ppd->left, ipp->left}, {ppd->bottom, ipp->bottom}, {ppd->right, ipp->right},
                               {ppd->top, ipp->top}})
        EXPECT_NEAR(a, b, 0.01);
    EXPECT_NEAR(ipp->left, 635 * 72.0 / 2540, 1e-9);
    EXPECT_NEAR(ipp->top, 792 - 102 * 72.0 / 2540, 1e-9);
    EXPECT_EQ(ipp->xdpi, 600);
    EXPECT_EQ(ppd->xdpi, 600);

    platform::PrinterPtr printer;
    ASSERT_NO_THROW(printer = platform::MakeQueuePrinter(queue));
    // The printer keeps the whole sheet; printable are its dots whose centres
    // lie inside the imageable box: columns 150 to 4949, rows 24 to 6323.
    const Grid grid{QPoint(150, 24), QSize(4800, 6300), 1, 1};
    EXPECT_EQ(QSize(printer->Area().widthDots, printer->Area().heightDots), grid.cells);
    // A driverless printer that takes PWG raster gets the program's own.
    EXPECT_EQ(printer->Facts().pageFormat, QStringLiteral("PWG raster"));
    const auto readKept = [&] {
        const QVector<testcups::RasterPage> pages = testcups::ReadRasterFile(printerDevice.LatestDocument());
        return pages.size() == 1 ? pages[0].image : QImage();
    };
    const QSize cells = grid.cells;
    PrintAndCheck(queue, *printer, grid, Picture(cells.width() / 3 | 1, cells.height() / 5 | 1, true, 4), true, false,
                  readKept);
    PrintAndCheck(queue, *printer, grid, Picture(cells.width(), cells.height(), true, 5), false, false, readKept);
}

TEST_F(CupsTest, PreviewShowsWhatAOneBitDevicePrints) {
    // The laser takes one-bit raster: the preview's picture turns
    // into black and white dots, cut at mid-grey or dithered.
    const QString queue = QStringLiteral("RealLaserPreview");
    ASSERT_NO_THROW(Cups().AddRasterQueue(queue, QStringLiteral("real/hp-laserjet-1320-ps.ppd")));
    platform::PrinterPtr printer;
    ASSERT_NO_THROW(printer = platform::MakeQueuePrinter(queue));
    QImage shown(64, 8, QImage::Format_RGB32);
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 8; ++y) shown.setPixel(x, y, qRgb(x * 4, x * 4, x * 4));  // dark to light
    for (const bool dither : {false, true}) {
        printer->SetDithering(dither);
        QImage device = shown;
        printer->ShowAsDevice(device);
        int black = 0, grey = 0;
        for (int x = 0; x < 64; ++x)
            for (int y = 0; y < 8; ++y) {
                const int g = qGray(device.pixel(x, y));
                grey += g != 0 && g != 255;
                black += g == 0;
                // Without dithering: black exactly where the picture is darker than mid-grey.
                if (!dither) EXPECT_EQ(g == 0, x * 4 < 128) << x;
            }
        EXPECT_EQ(grey, 0);
        EXPECT_NEAR(black, 256, 24) << "half the ramp is dark";
    }
    Cups().DeleteQueue(queue);
}
