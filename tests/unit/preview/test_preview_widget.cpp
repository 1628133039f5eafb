// The preview control: its state changes through the public methods and
// its own size, and what it paints.
#include "platform/base/Failure.h"
#include "support/RecordingPrinter.h"
#include "preview/ucPageLayout.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

std::shared_ptr<platform::RecordingPrinter> LetterPrinter() {
    auto p = std::make_shared<platform::RecordingPrinter>();
    p->area = {8, 11, 4800, 6600};
    p->printQuality = 600;
    return p;
}

platform::PicturePtr Solid(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::red);
    return std::make_shared<const platform::Picture>(img);
}

QImage Grab(ucPageLayout& w) {
    QImage img(w.size(), QImage::Format_RGB32);
    w.render(&img);
    return img;
}

// Sheet and picture rectangles as the widget holds them.
std::vector<float> Rects(const ucPageLayout& w) {
    const auto& s = w.Elements().shpPage;
    const auto& i = w.Elements().imgImage;
    return {s.Left, s.Top, s.Width, s.Height, i.Left, i.Top, i.Width, i.Height};
}

// To two decimals. The widget takes the picture's size from its HIMETRIC
// extent: 900 pixels are 23,812.5 HIMETRIC, stored as 23,813, which reads
// back as 900.019 pixels and moves the picture's height by 0.006 twips.
constexpr float kTwoDecimals = 0.01f;

void ExpectRects(const ucPageLayout& w, const std::vector<float>& want, const char* name) {
    const std::vector<float> got = Rects(w);
    for (size_t k = 0; k < want.size(); ++k) EXPECT_NEAR(got[k], want[k], kTwoDecimals) << name << " value " << k;
}

const std::vector<float> kInitial = {120, 120, 615, 615, 0, 0, 375, 375};
// 200 x 160 pixels = 3,000 x 2,400 twips; picture 1,200 x 900 pixels.
const std::vector<float> kWorked = {120, 120, 1570.909f, 2160, 709.091f, 1052.727f, 392.727f, 294.545f};

}  // namespace

TEST(PreviewWidget, LaysOutTheSameWhicheverInputArrivesFirst) {
    for (bool pictureFirst : {false, true}) {
        ucPageLayout w;
        w.resize(200, 160);
        auto printer = LetterPrinter();
        const auto picture = Solid(1200, 900);
        if (pictureFirst) {
            w.SetPicture(picture);
            ExpectRects(w, kInitial, "picture alone is stored, not placed");
            w.SetPrinter(printer);
        } else {
            w.SetPrinter(printer);
            EXPECT_FALSE(w.Elements().imgImage.Visible);
            w.SetPicture(picture);
        }
        EXPECT_EQ(w.gPicture, picture);
        ExpectRects(w, kWorked, pictureFirst ? "picture first" : "printer first");
        const auto& g = w.Elements();
        EXPECT_NEAR(g.lineHorizGuide2.Y1, 1332.273f, kTwoDecimals);
        EXPECT_NEAR(g.lineVertGuide2.X1, 1086.818f, kTwoDecimals);
        EXPECT_NEAR(g.lineVertGuide1.Y2, 2280, kTwoDecimals);
        EXPECT_EQ(printer->ScaleMode(), platform::kTwips);
    }
}

TEST(PreviewWidget, FollowsItsSizeAndANewPicture) {
    ucPageLayout w;
    w.resize(200, 160);
    w.show();
    w.SetPrinter(LetterPrinter());
    w.SetPicture(Solid(1200, 900));
    w.resize(200, 1600);  // taller: the width decides now
    EXPECT_NEAR(w.Elements().shpPage.Width, 2760, kTwoDecimals);
    w.resize(200, 160);
    ExpectRects(w, kWorked, "back");
    w.SetPicture(Solid(2400, 1800));  // twice the pixels: twice the size, still centred
    ExpectRects(w, {120, 120, 1570.909f, 2160, 512.727f, 905.455f, 785.455f, 589.091f}, "second picture");
    EXPECT_NEAR(w.Elements().lineVertGuide2.X1, 1283.182f, kTwoDecimals);
    w.resize(200, 0);
    ExpectRects(w, {120, 120, 1570.909f, 2160, 512.727f, 905.455f, 785.455f, 589.091f}, "zero height");
}

TEST(PreviewWidget, NoObjectChangesNothingAndPrinterFailurePassesOnAfterKeepingIt) {
    ucPageLayout w;
    w.resize(200, 160);
    const auto picture = Solid(1200, 900);
    w.SetPicture(picture);
    w.SetPicture(nullptr);
    w.SetPrinter(nullptr);
    EXPECT_EQ(w.gPicture, picture);
    ExpectRects(w, kInitial, "none");

    auto printer = LetterPrinter();
    bool broken = true;
    printer->failWhen = [&](const char* member) {
        if (broken && std::string(member) == "Area") platform::Fail(QStringLiteral("Printer went away"));
    };
    EXPECT_THROW(w.SetPrinter(printer), platform::Failure);
    ExpectRects(w, kInitial, "failed SetPrinter runs no layout");
    // The printer was kept: once it answers, a resize lays out on it (its dot
    // count never arrived, so the picture keeps its extent).
    broken = false;
    w.show();
    w.resize(200, 161);
    EXPECT_NEAR(w.Elements().shpPage.Height, 2175, kTwoDecimals);
    EXPECT_NEAR(w.Elements().imgImage.Width, 375, kTwoDecimals);
}

TEST(PreviewWidget, GuidesShowOnlyOncePlacedAndPaintNothingWhenHidden) {
    ucPageLayout w;
    w.resize(200, 160);
    w.SetCutGuidesVisible(true);
    w.SetPrinter(LetterPrinter());
    const QImage parked = Grab(w);
    w.SetCutGuidesVisible(false);
    EXPECT_EQ(Grab(w), parked);  // visible but parked at -100: nothing shows
    EXPECT_EQ(parked.pixel(150, 10), w.WorkspaceColour().rgb());
    EXPECT_EQ(parked.pixel(50, 50), qRgb(255, 255, 255));

    w.SetPicture(Solid(1200, 900));
    const QImage hidden = Grab(w);
    w.SetCutGuidesVisible(true);
    const QImage shown = Grab(w);
    EXPECT_EQ(hidden.pixel(20, 70), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(20, 70), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(50, 80), qRgb(255, 0, 0));
}
