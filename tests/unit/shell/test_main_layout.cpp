#include "shell/MainLayout.h"

#include <gtest/gtest.h>

using shell::ArrangeControls;
using shell::MainControls;

TEST(MainLayout, ArrangesForTheWindowSize) {
    struct Case {
        const char* name;
        float width, height;
        float fraTop, fraHeight, panelHeight, pvLeft, pvTop, pvHeight, pvWidth;
    };
    const Case cases[] = {
        {"6000 x 4500", 6000, 4500, 420, 3390, 2990, 3855, 420, 3390, 2025},
        // Lower than 1110: the frame keeps its design height, the rest follows it.
        {"low", 6000, 1000, 420, 2600, 2200, 3855, 420, 2600, 2025},
        // Too narrow for the preview: its width stays at the design value.
        {"narrow", 3000, 4500, 420, 3390, 2990, 3855, 420, 3390, 1815},
    };
    for (const Case& c : cases) {
        MainControls m;
        ArrangeControls(m, c.width, c.height);
        EXPECT_FLOAT_EQ(m.fraProperties.Top, c.fraTop) << c.name;
        EXPECT_FLOAT_EQ(m.fraProperties.Height, c.fraHeight) << c.name;
        EXPECT_FLOAT_EQ(m.ucProperties1.Height, c.panelHeight) << c.name;
        EXPECT_FLOAT_EQ(m.ucPageLayout1.Left, c.pvLeft) << c.name;
        EXPECT_FLOAT_EQ(m.ucPageLayout1.Top, c.pvTop) << c.name;
        EXPECT_FLOAT_EQ(m.ucPageLayout1.Height, c.pvHeight) << c.name;
        EXPECT_FLOAT_EQ(m.ucPageLayout1.Width, c.pvWidth) << c.name;
        // Never moved at run time.
        EXPECT_FLOAT_EQ(m.fraProperties.Left, 0);
        EXPECT_FLOAT_EQ(m.fraProperties.Width, 3855);
        EXPECT_FLOAT_EQ(m.ucProperties1.Left, 120);
        EXPECT_FLOAT_EQ(m.ucProperties1.Width, 3615);
    }
}

TEST(MainLayout, FrameBetween1110And1510KeepsPanelButSizesPreview) {
    MainControls m;
    ArrangeControls(m, 6000, 1300);  // frame 190: the panel would be -210
    EXPECT_FLOAT_EQ(m.fraProperties.Height, 190);
    EXPECT_FLOAT_EQ(m.ucProperties1.Height, 2200);
    EXPECT_FLOAT_EQ(m.ucPageLayout1.Height, 190);
}

TEST(MainLayout, RestoreAfterMinimiseGivesTheSameLayout) {
    MainControls before;
    ArrangeControls(before, 6000, 4500);
    MainControls m = before;
    ArrangeControls(m, 2400, 540);  // minimised: tiny outer size
    ArrangeControls(m, 6000, 4500);
    EXPECT_FLOAT_EQ(m.ucPageLayout1.Width, before.ucPageLayout1.Width);
    EXPECT_FLOAT_EQ(m.ucPageLayout1.Height, before.ucPageLayout1.Height);
    EXPECT_FLOAT_EQ(m.ucProperties1.Height, before.ucProperties1.Height);
}

TEST(MainLayout, PanelWiderThanItsDesignWidensTheFrameAndNarrowsThePreview) {
    struct Case {
        const char* name;
        float needed;  // by the panel, for its height
        float panelWidth, frameWidth, pvLeft, pvWidth;
    };
    const Case cases[] = {
        {"narrower than the design", 3000, 3615, 3855, 3855, 2025},
        {"wider", 4000, 4000, 4240, 4240, 1640},
    };
    for (const Case& c : cases) {
        MainControls m;
        float askedFor = 0;
        ArrangeControls(m, 6000, 4500, [&](float panelHeight) {
            askedFor = panelHeight;
            return c.needed;
        });
        EXPECT_FLOAT_EQ(askedFor, 2990) << c.name;  // the height it gets
        EXPECT_FLOAT_EQ(m.ucProperties1.Width, c.panelWidth) << c.name;
        EXPECT_FLOAT_EQ(m.fraProperties.Width, c.frameWidth) << c.name;
        EXPECT_FLOAT_EQ(m.ucPageLayout1.Left, c.pvLeft) << c.name;
        EXPECT_FLOAT_EQ(m.ucPageLayout1.Width, c.pvWidth) << c.name;
    }
}
