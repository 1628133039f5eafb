// The sheet layout's arithmetic: copies in a block, poster tiles and their
// registration marks.
#include "platform/page/SheetLayout.h"

#include <gtest/gtest.h>

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
