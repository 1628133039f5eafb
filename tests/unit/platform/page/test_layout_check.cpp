// What a layout is refused for, how many sheets it takes, and when the
// picture is cut off: the arithmetic the command line and the window share.
#include "platform/page/SheetLayout.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(LayoutCheck, RefusesAnOverlapNotSmallerThanTheTileAndCountsSheets) {
    // A4 at 600 dpi with the quarter-inch band: tiles of 4661 x 6716 dots.
    const QSize a4(4961, 7016);
    const int band = 150;
    const struct Case {
        SheetOptions options;
        QSize picture;
        bool refused;
        int sheets;
    } cases[] = {
        {{1, 1, 0, true, 4961}, {32767, 200}, true, 0},  // as large as the area: steps of nothing
        {{1, 1, 0, true, 4661}, {32767, 200}, true, 0},  // as large as the tile across
        {{1, 1, 0, true, 5000}, {200, 32767}, true, 0},  // wider than the tile, the poster runs down
        {{1, 1, 0, true, 4660}, {32767, 200}, false, 1 + (32767 - 4661)},  // one dot a page, but meant
        {{1, 1, 0, true, 100}, {9000, 9000}, false, 2 * 2},
        {{1, 1, 0, true, 99999}, {4000, 4000}, false, 1},  // fits: no poster, the overlap means nothing
        {{1, 1, 0, false, 99999}, {9000, 200}, false, 1},  // no poster: cut off, one sheet
        {{1, kCopiesFill, 0, false, 0}, {1, 1}, false, 1},
        {{1, 101, 0, false, 0}, {4000, 4000}, false, 101},
        {{1, 9999, 0, false, 0}, {1, 1}, false, 1},        // all on one sheet
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture.width() << " x " << c.picture.height() << " overlap "
                                        << c.options.overlapDots << " copies " << c.options.copies);
        const LayoutCheck check = CheckLayout(c.options, a4, c.picture, band);
        EXPECT_EQ(!check.refusal.isEmpty(), c.refused) << check.refusal.toStdString();
        EXPECT_EQ(check.sheets, c.sheets);
        EXPECT_EQ(check.NeedsConfirming(), !c.refused && c.sheets > kSheetsWithoutAsking);
        if (c.refused) {
            EXPECT_EQ(check.refusal, QStringLiteral("an overlap of %1 dots is not smaller than the poster's tile of "
                                                    "4661 x 6716 dots")
                                         .arg(c.options.overlapDots));
            EXPECT_TRUE(check.RefusalSentence().startsWith(QStringLiteral("An overlap")));
            EXPECT_TRUE(check.RefusalSentence().endsWith(QLatin1Char('.')));
        }
    }
}

TEST(LayoutCheck, CutOffOnlyWhenLargerAndNotAPoster) {
    const QSize area(100, 200);
    const struct {
        QSize picture;
        bool poster, cut;
    } cases[] = {
        {{100, 200}, false, false}, {{101, 200}, false, true}, {{100, 201}, false, true},
        {{101, 200}, true, false},  {{50, 50}, true, false},
    };
    for (const auto& c : cases) {
        SheetOptions options;
        options.poster = c.poster;
        EXPECT_EQ(CutOff(options, area, c.picture), c.cut) << c.picture.width() << " x " << c.picture.height();
    }
}
