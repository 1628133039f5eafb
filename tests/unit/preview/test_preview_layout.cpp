// The preview's layout as plain arithmetic in twips (15 twips per pixel).
#include "platform/base/Failure.h"
#include "support/RecordingPrinter.h"
#include "preview/PageLayoutModel.h"

#include <gtest/gtest.h>

#include <functional>

using preview::LayoutInputs;
using preview::LayOutPage;
using preview::PageLayoutModel;

namespace {

// Letter-sized printable area at 600 dpi: 11,520 x 15,840 twips, 4,800 x 6,600 dots.
std::shared_ptr<platform::RecordingPrinter> LetterPrinter() {
    auto p = std::make_shared<platform::RecordingPrinter>();
    p->area = {8, 11, 4800, 6600};
    p->printQuality = 600;
    return p;
}

PageLayoutModel Initialized() {
    PageLayoutModel m;
    preview::InitializeElements(m);
    return m;
}

LayoutInputs Inputs(float cw, float ch, platform::Printer* printer, float picX = 1200, float picY = 900) {
    LayoutInputs in;
    in.cw = cw;
    in.ch = ch;
    in.printer = printer;
    in.hasPicture = picX > 0;
    in.imagePixelsX = picX;
    in.imagePixelsY = picY;
    in.printerPixelsX = 4800;
    in.printerPixelsY = 6600;
    return in;
}

// Every element, left to right: sheet, picture, the four guides.
std::vector<float> Flatten(const PageLayoutModel& m) {
    std::vector<float> v{m.shpPage.Left, m.shpPage.Top, m.shpPage.Width, m.shpPage.Height,
                         m.imgImage.Left, m.imgImage.Top, m.imgImage.Width, m.imgImage.Height,
                         float(m.imgImage.Visible)};
    for (const auto* l : {&m.lineHorizGuide1, &m.lineHorizGuide2, &m.lineVertGuide1, &m.lineVertGuide2})
        v.insert(v.end(), {l->X1, l->Y1, l->X2, l->Y2, float(l->Visible)});
    return v;
}

void ExpectElements(const PageLayoutModel& m, const std::vector<float>& want, const char* name) {
    const std::vector<float> got = Flatten(m);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 0.005) << name << " value " << i;
}

// The worked layout: control 3,000 x 2,400 twips, picture 1,200 x 900 pixels.
const std::vector<float> kWorked = {
    120, 120, 1570.909f, 2160,                  // sheet
    709.091f, 1052.727f, 392.727f, 294.545f, 1,  // picture, visible
    120, 1052.727f, 1690.909f, 1052.727f, 0,     // lineHorizGuide1
    120, 1332.273f, 1690.909f, 1332.273f, 0,     // lineHorizGuide2
    709.091f, 120, 709.091f, 2280, 0,            // lineVertGuide1
    1086.818f, 120, 1086.818f, 2280, 0,          // lineVertGuide2
};

}  // namespace

TEST(PageLayoutModel, WorkedLayoutAndItsVariants) {
    struct Case {
        const char* name;
        float cw, ch, picX, picY;
        std::vector<float> want;
    };
    const Case cases[] = {
        {"worked", 3000, 2400, 1200, 900, kWorked},
        // Much wider than needed: the height decides, the room lies to the right.
        {"wide", 30000, 2400, 1200, 900, kWorked},
        // Narrower than the margins but tall: rx < 0, the height alone decides
        // and the sheet runs past the right edge.
        {"narrow and tall", 200, 2400, 1200, 900, kWorked},
        // Much taller: the width decides (r = 11520 / 2760), room below.
        {"tall", 3000, 30000, 1200, 900,
         {120, 120, 2760, 3795, 1155, 1758.75f, 690, 517.5f, 1,
          120, 1758.75f, 2880, 1758.75f, 0, 120, 2261.25f, 2880, 2261.25f, 0,
          1155, 120, 1155, 3915, 0, 1830, 120, 1830, 3915, 0}},
        // Exactly twice the margin wide: rx is infinite, everything shrinks
        // to nothing at the margin corner.
        {"240 wide", 240, 2400, 1200, 900,
         {120, 120, 0, 0, 120, 120, 0, 0, 1, 120, 120, 120, 120, 0, 120, 105, 120, 105, 0,
          120, 120, 120, 120, 0, 105, 120, 105, 120, 0}},
        // Twice the printable area in dots: overhangs the sheet on every side,
        // the vertical guides outside it but still spanning its height.
        {"picture larger than the page", 3000, 2400, 9600, 13200,
         {120, 120, 1570.909f, 2160, -665.455f, -960, 3141.818f, 4320, 1,
          120, -960, 1690.909f, -960, 0, 120, 3345, 1690.909f, 3345, 0,
          -665.455f, 120, -665.455f, 2280, 0, 2461.364f, 120, 2461.364f, 2280, 0}},
    };
    for (const Case& c : cases) {
        auto printer = LetterPrinter();
        PageLayoutModel m = Initialized();
        LayOutPage(m, Inputs(c.cw, c.ch, printer.get(), c.picX, c.picY));
        ExpectElements(m, c.want, c.name);
        EXPECT_EQ(printer->ScaleMode(), platform::kTwips) << c.name;
    }
}

TEST(PageLayoutModel, StopsBeforeChangingAnything) {
    struct Case {
        const char* name;
        float cw, ch;
        bool printer;
        platform::PrintableArea area;
        bool reachesPrinter;  // leaves ScaleMode at twips
    };
    const Case cases[] = {
        {"zero width", 0, 2400, true, {8, 11, 4800, 6600}, false},
        {"zero height", 3000, 0, true, {8, 11, 4800, 6600}, false},
        {"no printer", 3000, 2400, false, {8, 11, 4800, 6600}, false},
        {"narrower and lower than the margins", 200, 200, true, {8, 11, 4800, 6600}, true},
        // 0 / 0 is NaN: never greater than anything, so r takes rx = NaN and stops.
        {"240 wide, zero-width area", 240, 2400, true, {0, 11, 0, 6600}, true},
    };
    for (const Case& c : cases) {
        auto printer = LetterPrinter();
        printer->area = c.area;
        printer->SetScaleMode(platform::kPixels);
        PageLayoutModel m = Initialized();
        LayOutPage(m, Inputs(c.cw, c.ch, c.printer ? printer.get() : nullptr));
        ExpectElements(m, Flatten(Initialized()), c.name);
        EXPECT_EQ(printer->ScaleMode(), c.reachesPrinter ? platform::kTwips : platform::kPixels) << c.name;
    }
}

TEST(PageLayoutModel, PrinterWithoutPictureSizesTheSheetOnly) {
    auto printer = LetterPrinter();
    PageLayoutModel m = Initialized();
    LayOutPage(m, Inputs(3000, 2400, printer.get(), 0, 0));
    std::vector<float> want = Flatten(Initialized());
    want[2] = 1570.909f;  // sheet width
    want[3] = 2160;       // sheet height
    want[8] = 0;          // picture hidden; the guides stay parked at -100
    ExpectElements(m, want, "no picture");
}

TEST(PageLayoutModel, FailingStepKeepsItsElementAndTheRestGoOn) {
    struct Case {
        const char* name;
        int failingAreaRead;      // which read of the printable area throws (0: none)
        float printerPixelsX;     // 0 dots: the picture's width cannot be formed
        std::vector<float> want;  // sheet and picture only
    };
    const Case cases[] = {
        // The third read is the sheet's width: it keeps 615, the picture follows 615.
        {"sheet width", 3, 4800, {120, 120, 615, 2160, 350.625f, 1052.727f, 153.75f, 294.545f}},
        // Both ratio reads fail: rx = ry = 0, so the layout stops at once.
        {"ratios", -1, 4800, {120, 120, 615, 615, 0, 0, 375, 375}},
        {"0-dot area", 0, 0, {120, 120, 1570.909f, 2160, 717.955f, 1052.727f, 375, 294.545f}},
    };
    for (const Case& c : cases) {
        auto printer = LetterPrinter();
        int reads = 0;
        printer->failWhen = [&](const char* member) {
            if (std::string(member) != "Area") return;
            ++reads;
            if (reads == c.failingAreaRead || (c.failingAreaRead < 0 && reads <= 2))
                platform::Fail(QStringLiteral("Printer went away"));
        };
        PageLayoutModel m = Initialized();
        LayoutInputs in = Inputs(3000, 2400, printer.get());
        in.printerPixelsX = c.printerPixelsX;
        LayOutPage(m, in);
        std::vector<float> got = Flatten(m);
        got.resize(8);
        for (size_t i = 0; i < 8; ++i) EXPECT_NEAR(got[i], c.want[i], 0.005) << c.name << " value " << i;
    }
}
