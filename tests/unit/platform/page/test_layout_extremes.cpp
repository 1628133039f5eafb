// Layouts at the extremes the options and printers allow: counted exactly
// past int, refused before anything is laid out, and handed on as lattices
// whose cost follows the page, never the count of tiles or copies.
#include "platform/page/PagePainter.h"
#include "platform/page/SheetLayout.h"

#include <gtest/gtest.h>

#include <limits>

using namespace platform;

namespace {
// A 36 x 36 pt label at 300 dpi, less its margins: 125 x 125 dots, no band.
const QSize kLabel(125, 125);
// A3 on a one-bit queue at 4800 dpi.
const QSize kA3At4800(56133, 79400);
constexpr int kIntMax = std::numeric_limits<int>::max();
}  // namespace

TEST(LayoutExtremes, CountsAreExactPastIntAndRefusalsComeBeforeAnyLayout) {
    const struct Case {
        SheetOptions options;
        QSize area, pixels;
        qint64 sheets;
        QString refusal;
    } cases[] = {
        // One dot a page each way: 8064 x 8064 tiles, then 32628 x 32628.
        {{4, 1, 0, true, 124}, kLabel, {2047, 2047}, qint64(8064) * 8064, {}},
        {{16, 1, 0, true, 124}, kLabel, {2047, 2047}, qint64(32628) * 32628, {}},
        {{16, 1, 0, true, 125}, kLabel, {2047, 2047}, 0,
         "an overlap of 125 dots is not smaller than the poster's tile of 125 x 125 dots"},
        // 4456960200 copies of one dot on one sheet; 9999 of a sheet each.
        {{1, kCopiesFill, 0, false, 0}, kA3At4800, {1, 1}, 1, {}},
        {{1, 9999, 0, false, 0}, kA3At4800, {32767, 1}, 1, {}},
        {{1, 9999, 0, false, 0}, {10, 10}, {11, 1}, 9999, {}},
        // The one size rule: 2047 x 16 fits, 2048 x 16 does not.
        {{16, 1, 0, false, 0}, kLabel, {2047, 1}, 1, {}},
        {{16, 1, 0, true, 0}, kLabel, {2048, 1}, 0, "too large at 16 dots per pixel"},
        // An area as large as int holds.
        {{1, kCopiesFill, 99999, false, 0}, {kIntMax, kIntMax}, {1, 1}, 1, {}},
        {{1, 1, 0, true, 0}, {kIntMax, kIntMax}, {32767, 32767}, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pixels.width() << " px at " << c.options.dotsPerPixel << " on "
                                        << c.area.width() << " x " << c.area.height());
        const LayoutCheck check = CheckLayout(c.options, c.area, c.pixels, 0);
        EXPECT_EQ(check.refusal, c.refusal);
        EXPECT_EQ(check.sheets, c.sheets);
        EXPECT_EQ(check.tooLarge, c.refusal.startsWith(QStringLiteral("too large")));
        EXPECT_EQ(check.NeedsConfirming(), c.sheets > kSheetsWithoutAsking);
    }
    const CopyGrid fill = LayOutCopies(kA3At4800, {1, 1}, kCopiesFill, 0);
    EXPECT_EQ(fill.fit, 4456960200);
    EXPECT_EQ(fill.CopiesOn(0), 4456960200);
    EXPECT_EQ(TooLargeToCount().RefusalSentence(), QStringLiteral("The layout's figures are too large to count."));
}

TEST(LayoutExtremes, ABillionTilesAreAFormulaOfTheirCorners) {
    const PosterPlan p = LayOutPoster(kLabel, {32752, 32752}, 124, 0);
    ASSERT_EQ(p.Pages(), qint64(32628) * 32628);
    EXPECT_EQ(p.tiles[0], QRect(0, 0, 125, 125));
    EXPECT_EQ(p.tiles[1], QRect(1, 0, 125, 125));
    EXPECT_EQ(p.tiles[p.Pages() - 1], QRect(32627, 32627, 125, 125));
    EXPECT_EQ(p.tiles.At(32627, 1), QRect(32627, 1, 125, 125));
}

namespace {
// Counts what reaches it; a lattice is one call, however many copies.
struct CountingSink : DotSink {
    qint64 marks = 0, copies = 0;
    QRect visible;
    void Rows(const QRect&, RowFill, const QByteArray&) override { ++marks, ++copies; }
    void Black(const QRect&) override {}
    void Lattice(const QRect&, QPoint, int across, int down, const QRect& shown, RowFill, const QByteArray&) override {
        ++marks;
        copies += qint64(across) * down;
        visible |= shown;
    }
};
}  // namespace

TEST(LayoutExtremes, BillionsOfCopiesReachTheSinkAsTwoLattices) {
    const QImage dot(1, 1, QImage::Format_RGB32);
    for (const bool turned : {false, true}) {
        SCOPED_TRACE(turned);
        CountingSink sink;
        PagePainter painter(sink, kA3At4800.width(), kA3At4800.height(), turned);
        const int columns = painter.Width();
        // Every dot of the sheet but the last row's last one.
        const qint64 count = qint64(columns) * painter.Height() - 1;
        painter.Copies(dot, 0, 0, 1, 1, CopyBlock{columns, count, 1, 1});
        EXPECT_EQ(sink.marks, 2);
        EXPECT_EQ(sink.copies, count);
        EXPECT_EQ(sink.visible, QRect(QPoint(0, 0), kA3At4800));
    }
}
