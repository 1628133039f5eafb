// Magnification, copies on the sheet, posters and the nudge, printed through
// the private scheduler and compared dot for dot with pages built here from
// the picture alone.
#include "CupsFixture.h"
#include "RealQueues.h"

#include "platform/print/CupsPrinter.h"
#include "platform/picture/Picture.h"
#include "platform/print/SystemPrinters.h"
#include "printing/PrintJob.h"
#include "support/PixelCheck.h"

#include <QPainter>

using namespace cupstest;

namespace {

// Prints `picture` (its own size in pixels) with `sheet` and returns what the
// queue printed, one job.
Printed PrintSheet(const QString& queue, platform::Printer& printer, const QImage& picture,
                   const platform::SheetOptions& sheet, bool guides) {
    const platform::Picture pic(picture);
    Printed printed = PrintAndRead(queue, [&] {
        printing::RunPrintJob(printer, pic, int16_t(picture.width()), int16_t(picture.height()), guides, sheet);
    });
    EXPECT_TRUE(printed.error.isEmpty()) << printed.error.toStdString();
    EXPECT_EQ(printed.newJobs.size(), 1);
    return printed;
}

}  // namespace

TEST_F(CupsTest, EachPixelPrintsAsAThreeByThreeBlockAt600Dpi) {
    const QueueSpec& q = A4Queue();
    const platform::PrinterPtr printer = platform::MakeQueuePrinter(q.name);
    const QImage picture = testcups::MakeNoise(41, 29, 7);
    platform::SheetOptions sheet;
    sheet.dotsPerPixel = 3;
    const Printed printed = PrintSheet(q.name, *printer, picture, sheet, true);
    // The same page as the picture enlarged beforehand, centred with its guides.
    ExpectPrintedExactly(printed, q, platform::kPortrait, picture.scaled(123, 87), true);
}

TEST_F(CupsTest, FillPutsEveryCopyThatFitsExactlyInACentredBlock) {
    struct Case {
        const char* queue;
        const char* ppd;  // empty: the fixture's A4 queue
        QSize picture;
        int scale, gap;
        bool guides;
        int across, down;  // worked out by hand from the area
        bool viaPdf;       // rendered by the print system from one shared image
    };
    const Case cases[] = {
        // 4700 x 6525 dots: (4700 + 7) / (194 + 7) = 23 across, (6525 + 7) / (122 + 7) = 50 down.
        {"OmbraA4", "", {97, 61}, 2, 7, true, 23, 50, false},
        // DYMO label 665 x 1112 dots at 300 dpi: 11 across, 27 down.
        {"RealDymo", "real/dymo-lw450.ppd", {60, 40}, 1, 0, false, 11, 27, false},
        {"RealDymo", "real/dymo-lw450.ppd", {60, 40}, 1, 0, true, 11, 27, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.queue) + (c.viaPdf ? " via PDF" : ""));
        const QString queue = QString::fromLatin1(c.queue);
        if (*c.ppd) ASSERT_NO_THROW(Cups().AddRasterQueue(queue, QString::fromLatin1(c.ppd)));
        const platform::PrinterPtr printer = platform::MakeQueuePrinter(queue);
        if (c.viaPdf) dynamic_cast<platform::CupsPrinter&>(*printer).PreferPdf();
        const QImage picture = testcups::MakeNoise(c.picture.width(), c.picture.height(), 11);
        platform::SheetOptions sheet;
        sheet.dotsPerPixel = c.scale;
        sheet.copies = platform::kCopiesFill;
        sheet.gapDots = c.gap;
        const Printed printed = PrintSheet(queue, *printer, picture, sheet, c.guides);
        ASSERT_EQ(printed.pages.size(), 1);
        const QImage page = printed.pages[0].image;

        const QImage copy = picture.scaled(picture.size() * c.scale);
        const int stepX = copy.width() + c.gap, stepY = copy.height() + c.gap;
        const QPoint at = ExpectedTopLeft(page.width(), page.height(), c.across * stepX - c.gap,
                                          c.down * stepY - c.gap);
        // The whole page as it must be: the guides, then every copy over them.
        const QImage expected = testcups::CopiesPage(page.size(), copy, c.across, c.down, c.guides,
                                                     [&](int k, int r) { return at + QPoint(k * stepX, r * stepY); });
        EXPECT_EQ(testcups::CompareAt(page, expected, {}).toStdString(), "");
        if (*c.ppd) Cups().DeleteQueue(queue);
    }
}

TEST_F(CupsTest, PosterTilesWithTheirOverlapRebuildThePicture) {
    // By the program's own raster, and by PDF pages rendered by the print system.
    for (const bool viaPdf : {false, true}) {
        SCOPED_TRACE(viaPdf ? "via PDF" : "raster");
        const QueueSpec& q = A4Queue();
        const platform::PrinterPtr printer = platform::MakeQueuePrinter(q.name);
        if (viaPdf) dynamic_cast<platform::CupsPrinter&>(*printer).PreferPdf();
        // 5200 x 6600 dots on a 4700 x 6525 area: tiles of 4400 x 6225 inside a
        // band of 150 dots (a quarter inch), 2 x 2 pages.
        const QImage picture = testcups::MakeNoise(2600, 3300, 5);
        platform::SheetOptions sheet;
        sheet.dotsPerPixel = 2;
        sheet.poster = true;
        sheet.overlapDots = 64;
        const Printed printed = PrintSheet(q.name, *printer, picture, sheet, false);
        ASSERT_EQ(printed.pages.size(), 4);
        const int band = 150, tileW = 4400, tileH = 6225, step[2] = {tileW - 64, tileH - 64};
        const QImage source = picture.convertToFormat(QImage::Format_RGB32);
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            const QImage page = printed.pages[i].image.convertToFormat(QImage::Format_RGB32);
            const int column = i % 2, row = i / 2;
            const QRect part = QRect(column * step[0], row * step[1], tileW, tileH) & QRect(0, 0, 5200, 6600);
            qint64 wrong = 0;
            for (int y = 0; y < part.height(); ++y)
                for (int x = 0; x < part.width(); ++x)
                    wrong += (page.pixel(band + x, band + y) & 0xffffff) !=
                             (source.pixel((part.left() + x) / 2, (part.top() + y) / 2) & 0xffffff);
            EXPECT_EQ(wrong, 0) << "tile " << row + 1 << "," << column + 1;
            // Nothing of the picture beyond the tile's right and bottom edges
            // (the registration marks stand only by the corners).
            for (int y = band + 8; y < band + part.height() - 8; ++y)
                if (band + part.width() < page.width())
                    wrong += page.pixel(band + part.width(), y) != qRgb(255, 255, 255);
            for (int x = band + 8; x < band + part.width() - 8; ++x)
                if (band + part.height() < page.height())
                    wrong += page.pixel(x, band + part.height()) != qRgb(255, 255, 255);
            EXPECT_EQ(wrong, 0) << "ink beside tile " << row + 1 << "," << column + 1;
            // The label and the marks are in the band.
            EXPECT_TRUE(testcups::InkBounds(page.copy(0, 0, page.width(), band)).isValid());
        }
    }
}

TEST_F(CupsTest, NudgeMovesEveryDotByExactlyItsOffset) {
    const QueueSpec& q = A4Queue();
    const platform::PrinterPtr printer = platform::MakeQueuePrinter(q.name);
    const QImage picture = testcups::MakeNoise(301, 203, 9);
    // Without guides: they run out past the area's edges, so a nudge would
    // bring more of them in rather than move what showed.
    const Printed plain = PrintSheet(q.name, *printer, picture, {}, false);
    printer->SetNudge(QPoint(5, -3));
    const Printed nudged = PrintSheet(q.name, *printer, picture, {}, false);
    ASSERT_EQ(plain.pages.size(), 1);
    ASSERT_EQ(nudged.pages.size(), 1);
    // Every dot now shows what the dot 5 left and 3 below it showed; paper
    // where nothing was moved in from beyond the area.
    const QImage& before = plain.pages[0].image;
    QImage expected(before.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    QPainter(&expected).drawImage(QPoint(5, -3), before);
    EXPECT_EQ(testcups::CompareAt(nudged.pages[0].image, expected, {}).toStdString(), "");
}
