// The sheet layout's arithmetic, its command-line options, the nudge's text
// form, and documents of several pages from the PDF printer.
#include "platform/print/Nudge.h"
#include "platform/print/PdfPrinter.h"
#include "platform/page/SheetLayout.h"
#include "printing/PrintJob.h"
#include "shell/CommandLine.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace platform;

TEST(SheetLayout, CopiesFormACentredBlockAndSpillOntoFurtherSheets) {
    struct Case {
        QSize area, picture;
        int copies, gap;
        int fit, columns, rows, pages;
        float left, top;
    };
    const Case cases[] = {
        // One copy is placed exactly as the single picture always was.
        {{4700, 6525}, {101, 77}, 1, 0, 46 * 84, 1, 1, 1, 2299.5f, 3224.0f},
        // Fill: (100 + 2) / (30 + 2) = 3 across, (50 + 2) / (20 + 2) = 2 down.
        {{100, 50}, {30, 20}, kCopiesFill, 2, 6, 3, 2, 1, 3.0f, 4.0f},
        // Two copies where three fit across: one row of two, centred.
        {{100, 50}, {30, 20}, 2, 2, 6, 2, 1, 1, 19.0f, 15.0f},
        // Seven where six fit: a second sheet in the same places.
        {{100, 50}, {30, 20}, 7, 2, 6, 3, 2, 2, 3.0f, 4.0f},
        // Larger than the area: one per sheet, centred and cut off.
        {{100, 50}, {130, 20}, 3, 0, 0, 1, 1, 3, -15.0f, 15.0f},
        {{100, 50}, {130, 20}, kCopiesFill, 0, 0, 1, 1, 1, -15.0f, 15.0f},
    };
    for (const Case& c : cases) {
        const CopyGrid g = LayOutCopies(c.area, c.picture, c.copies, c.gap);
        SCOPED_TRACE(c.copies);
        EXPECT_EQ(g.fit, c.fit);
        EXPECT_EQ(g.columns, c.columns);
        EXPECT_EQ(g.rows, c.rows);
        EXPECT_EQ(g.pages, c.pages);
        EXPECT_EQ(g.left, c.left);
        EXPECT_EQ(g.top, c.top);
    }
    const CopyGrid seven = LayOutCopies({100, 50}, {30, 20}, 7, 2);
    EXPECT_EQ(seven.CopiesOn(0), 6);
    EXPECT_EQ(seven.CopiesOn(1), 1);
    EXPECT_EQ(ScaledSize(2048, 10, 16), QSize());  // 32768 dots: too wide
    EXPECT_EQ(ScaledSize(2047, 10, 16), QSize(32752, 160));
}

TEST(SheetLayout, PosterTilesCoverThePictureWithTheirOverlapAndMarksStayOutside) {
    struct Case {
        QSize area, picture;
        int overlap, band;
        int columns, rows, keptBand;
    };
    const Case cases[] = {
        {{4700, 6525}, {5200, 6600}, 64, 150, 2, 2, 150},
        {{4700, 6525}, {4400, 6225}, 0, 150, 1, 1, 150},    // exactly one tile
        {{100, 100}, {250, 90}, 10, 40, 3, 1, 0},            // no room for a band: whole area
        {{1000, 1000}, {3000, 900}, 5000, 100, 2201, 101, 100},  // overlap cut to tile - 1: step 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture.width());
        const PosterPlan p = LayOutPoster(c.area, c.picture, c.overlap, c.band);
        EXPECT_EQ(p.band, c.keptBand);
        EXPECT_EQ(p.columns, c.columns);
        EXPECT_EQ(p.rows, c.rows);
        ASSERT_EQ(int(p.tiles.size()), p.columns * p.rows);
        QRect covered;
        for (const QRect& t : p.tiles) {
            EXPECT_LE(t.width(), p.tile.width());
            EXPECT_LE(t.height(), p.tile.height());
            covered |= t;
        }
        EXPECT_EQ(covered, QRect(QPoint(0, 0), c.picture));
        if (p.columns > 1) EXPECT_EQ(p.tiles[0].right() - p.tiles[1].left() + 1, p.overlap);
    }
    const QRect tile(QPoint(150, 150), QSize(400, 300));
    for (const QRect& m : RegistrationMarks(tile.topLeft(), tile.size(), 3, 20)) {
        EXPECT_FALSE(m.intersects(tile));
        EXPECT_TRUE(m.width() == 1 || m.height() == 1);
        // On the tile's outermost rows or columns.
        EXPECT_TRUE(m.top() == tile.top() || m.top() == tile.bottom() || m.left() == tile.left() ||
                    m.left() == tile.right());
    }
}

// What the options refuse is in test_cli's table of arguments that make no request.
TEST(SheetLayout, CommandLineOptionsAndTheNudgesForm) {
    const auto parse = [](QStringList args) {
        args.prepend(QStringLiteral("ombrastele"));
        return cli::Parse(args);
    };
    const cli::Request r = parse({"--print", "a.png", "--scale", "3", "--copies-on-sheet", "fill", "--gap", "12"});
    EXPECT_EQ(r.mode, cli::Mode::Print) << r.error.toStdString();
    EXPECT_EQ(r.sheet, (SheetOptions{3, kCopiesFill, 12, false, 0}));
    const cli::Request poster = parse({"--info", "a.png", "--poster", "--overlap", "40", "--nudge", "5,-3"});
    EXPECT_EQ(poster.sheet, (SheetOptions{1, 1, 0, true, 40}));
    EXPECT_TRUE(poster.setNudge);
    EXPECT_EQ(poster.nudge, QPoint(5, -3));
    EXPECT_EQ(parse({"--nudge", "0,0", "--printer", "Q"}).mode, cli::Mode::Nudge);

    QPoint n;
    EXPECT_TRUE(ParseNudge(QStringLiteral(" -12 , +7 "), &n));
    EXPECT_EQ(n, QPoint(-12, 7));
    EXPECT_EQ(FormatNudge(n), QStringLiteral("-12,7"));
    EXPECT_FALSE(ParseNudge(QStringLiteral("1.5,2"), &n));
}

TEST(SheetLayout, CopiesBeyondOneSheetMakeOneDocumentOfSeveralPages) {
    const QString path = testenv::ScratchDir() + QStringLiteral("/copies.pdf");
    PdfPrinter printer(path, {});
    QImage image(3000, 2000, QImage::Format_RGB32);
    image.fill(Qt::red);
    SheetOptions sheet;
    sheet.copies = 5;  // three fit on an A4 or Letter sheet at 600 dpi, one above another
    printing::RunPrintJob(printer, Picture(image), 3000, 2000, false, sheet);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    EXPECT_TRUE(pdf.contains("/Count 2 "));
    EXPECT_EQ(pdf.count("/Type /Page "), 2);
    // Each copy places the one image stored for them all.
    EXPECT_EQ(pdf.count("/Subtype /Image /Width 3000"), 1);
    EXPECT_EQ(pdf.count(" cm /Im1 Do Q"), 5);
}

// Every dot of the sheet a copy of a one-pixel picture: the PDF stores one
// image of a row of copies (masked between copies when there is a gap) and
// places it once a row, never once a copy.
TEST(SheetLayout, ASheetOfTinyCopiesIsOneImagePerRowOfCopies) {
    for (const int gap : {0, 2}) {
        SCOPED_TRACE(gap);
        const QString path = testenv::ScratchDir() + QStringLiteral("/tiny-copies.pdf");
        PdfPrinter printer(path, {});
        QImage image(1, 1, QImage::Format_RGB32);
        image.fill(qRgb(30, 90, 200));
        SheetOptions sheet;
        sheet.copies = kCopiesFill;
        sheet.gapDots = gap;
        printing::RunPrintJob(printer, Picture(image), 1, 1, false, sheet);
        const PrintableArea area = printer.Area();
        const CopyGrid g = LayOutCopies(QSize(area.widthDots, area.heightDots), QSize(1, 1), kCopiesFill, gap);
        ASSERT_GT(g.count, 1000000);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_LT(f.size(), 2 << 20);
        const QByteArray pdf = f.readAll();
        EXPECT_EQ(pdf.count("/Subtype /Image /Width " + QByteArray::number(g.columns * g.stepX - gap) + " /Height 1 /ColorSpace"), 1);
        EXPECT_EQ(pdf.count("/ImageMask true"), gap > 0 ? 1 : 0);
        EXPECT_EQ(pdf.count(" cm /Im1 Do Q"), g.rows);
    }
}
