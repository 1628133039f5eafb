// Sheets of copies too many to place one by one: the raster gets them as
// lattices, a PDF as one image per row of copies (masked between copies when
// there is a gap). The raster printed through the private scheduler, the
// built-in PDF printer's file rendered by Ghostscript at 600 dpi, each
// compared dot for dot with the page built copy by copy, portrait and turned,
// with guides, and cut by the area's edges when a nudge moves the block.
#include "CupsFixture.h"

#include "platform/page/SheetLayout.h"
#include "platform/picture/Picture.h"
#include "platform/print/PagePrinter.h"
#include "platform/print/SystemPrinters.h"
#include "printing/PrintJob.h"
#include "support/PixelCheck.h"

#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>

using namespace cupstest;

namespace {

// The PDF's one page as Ghostscript renders it at 600 dpi, no smoothing.
QImage RenderPdf(const QString& pdf) {
    const QString png = pdf + QStringLiteral(".png");
    QProcess gs;
    gs.setProcessChannelMode(QProcess::MergedChannels);
    gs.start(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
                                    QStringLiteral("-dNOPAUSE"), QStringLiteral("-sDEVICE=png16m"),
                                    QStringLiteral("-r600"), QStringLiteral("-dGraphicsAlphaBits=1"),
                                    QStringLiteral("-sOutputFile=") + png, pdf});
    gs.waitForFinished(300000);
    EXPECT_EQ(gs.exitCode(), 0) << gs.readAll().toStdString();
    QImageReader reader(png);
    reader.setAllocationLimit(0);  // a whole A4 sheet at 600 dpi passes Qt's default
    return reader.read().convertToFormat(QImage::Format_RGB888);
}

}  // namespace

TEST_F(CupsTest, ManyCopiesPrintExactlyAsLatticesAndRowImages) {
    struct Case {
        QSize picture;
        int scale, gap;
        bool guides;
        int16_t orientation;
        bool viaPdf;
        QPoint nudge;
    };
    const Case cases[] = {
        {{61, 47}, 1, 3, true, platform::kPortrait, true, {}},         // masked row images
        {{61, 47}, 1, 5, false, platform::kLandscape, true, {}},       // masked, on a landscape sheet
        {{90, 50}, 1, 0, false, platform::kPortrait, true, {2, 3}},    // row images cut by the edges
        {{41, 29}, 2, 0, true, platform::kPortrait, false, {5, -4}},   // a raster lattice cut by the edges
        {{60, 40}, 1, 2, false, platform::kLandscape, false, {-3, 2}},
    };
    const QueueSpec& q = A4Queue();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture.width() << "x" << c.picture.height() << " gap " << c.gap
                                        << (c.orientation == platform::kLandscape ? " turned" : "")
                                        << (c.viaPdf ? " via PDF" : ""));
        const QImage picture = testcups::MakeNoise(c.picture.width(), c.picture.height(), 5);
        const platform::Picture pic(picture);
        platform::SheetOptions sheet;
        sheet.dotsPerPixel = c.scale;
        sheet.copies = platform::kCopiesFill;
        sheet.gapDots = c.gap;
        const bool turned = c.orientation == platform::kLandscape;
        QImage page;
        if (c.viaPdf) {
            if (QStandardPaths::findExecutable(QStringLiteral("gs")).isEmpty()) GTEST_SKIP() << "no ghostscript";
            QTemporaryDir dir;
            const QString pdf = dir.filePath(QStringLiteral("copies.pdf"));
            const auto printer = std::dynamic_pointer_cast<platform::PagePrinter>(platform::MakePdfPrinter(pdf));
            ASSERT_TRUE(printer);
            printer->SetOrientation(c.orientation);
            printer->SetNudge(c.nudge);
            printing::RunPrintJob(*printer, pic, int16_t(picture.width()), int16_t(picture.height()), c.guides,
                                  sheet);
            page = RenderPdf(pdf);
        } else {
            const platform::PrinterPtr printer = QueuePrinter(q, c.orientation);
            printer->SetNudge(c.nudge);
            const Printed printed = PrintAndRead(q.name, [&] {
                printing::RunPrintJob(*printer, pic, int16_t(picture.width()), int16_t(picture.height()), c.guides,
                                      sheet);
            });
            ASSERT_TRUE(printed.error.isEmpty()) << printed.error.toStdString();
            ASSERT_EQ(printed.pages.size(), 1);
            page = printed.pages[0].image;
        }
        ASSERT_FALSE(page.isNull());
        // The queue's landscape is the portrait raster turned; the PDF
        // printer's is a landscape sheet.
        const QImage view = turned && !c.viaPdf ? testcups::QuarterTurn(page, true) : page;

        // The same page copy by copy: the guides, then every copy over them.
        const QImage copy = picture.scaled(picture.size() * c.scale);
        const platform::CopyGrid g = platform::LayOutCopies(view.size(), copy.size(), platform::kCopiesFill, c.gap);
        ASSERT_GT(g.count, 1000) << "enough copies to be drawn as lattices";
        const auto snap = [](float v) { return int(std::floor(double(v) + 0.5)); };
        const QImage expected = testcups::CopiesPage(view.size(), copy, g.columns, g.rows, c.guides, [&](int k, int r) {
            return QPoint(snap(g.left + float(k * g.stepX)) + c.nudge.x(), snap(g.top + float(r * g.stepY)) + c.nudge.y());
        });
        EXPECT_EQ(testcups::CompareAt(view, expected, {}).toStdString(), "");
    }
}
