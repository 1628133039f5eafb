// The preview painted into a QImage, and the resampled picture it shows.
#include "support/RecordingPrinter.h"
#include "preview/PageLayoutModel.h"
#include "preview/PageRender.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QRandomGenerator>
#include <functional>

using namespace preview;

namespace {

const QRgb kBackground = qRgb(0x80, 0x80, 0x80);
const QRgb kOutside = qRgb(0, 0xff, 0);  // never painted: beyond the control
const QRgb kRed = qRgb(0xff, 0, 0), kBlue = qRgb(0, 0, 0xff);
const QRgb kWhite = qRgb(0xff, 0xff, 0xff), kBlack = qRgb(0, 0, 0);

QImage Noise(int w, int h, QImage::Format format = QImage::Format_RGB32) {
    QImage img(w, h, format);
    QRandomGenerator rng(42);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, rng.generate() | 0xff000000u);
    return img;
}

// Renders the layout of a 200 x 160 pixel control (3,000 x 2,400 twips) on a
// letter page at 600 dpi, onto a larger canvas, guides shown.
QImage Render(float picX, float picY, const QImage& picture) {
    auto printer = std::make_shared<platform::RecordingPrinter>();
    printer->area = {8, 11, 4800, 6600};
    PageLayoutModel m;
    InitializeElements(m);
    LayoutInputs in{3000, 2400, printer.get(), true, picX, picY, 4800, 6600};
    LayOutPage(m, in);
    for (auto* l : {&m.lineHorizGuide1, &m.lineHorizGuide2, &m.lineVertGuide1, &m.lineVertGuide2})
        l->Visible = true;
    QImage canvas(260, 200, QImage::Format_RGB32);
    canvas.fill(kOutside);
    QPainter p(&canvas);
    ScaledPictureCache cache;
    RenderPageLayout(p, m, QSize(200, 160), QColor(kBackground), &picture, cache, PixelGrid{15, 15});
    return canvas;
}

}  // namespace

TEST(PreviewRender, PaintsEveryElementWhereTheLayoutPutsIt) {
    // Left half red, right half blue: the picture must not be mirrored or shifted.
    QImage halves(1200, 900, QImage::Format_RGB32);
    halves.fill(kRed);
    QPainter(&halves).fillRect(600, 0, 600, 900, QColor(kBlue));
    struct Case {
        const char* name;
        float picX, picY;
        std::function<QRgb(int, int)> expected;  // inside the control
    };
    const auto page = [](int x, int y) {
        // Sheet at pixels 8..112 x 8..151, border on its outer pixels; guides
        // on rows 70 and 89 and columns 47 and 72 across the sheet.
        if (x < 8 || x > 112 || y < 8 || y > 151) return kBackground;
        if (x == 8 || x == 112 || y == 8 || y == 151) return kBlack;
        if (y == 70 || y == 89 || x == 47 || x == 72) return kBlack;
        return kWhite;
    };
    const Case cases[] = {
        // The picture covers 47..72 x 70..89 and the guides where they cross it.
        {"worked", 1200, 900,
         [&](int x, int y) {
             if (x >= 47 && x <= 72 && y >= 70 && y <= 89) return x < 60 ? kRed : kBlue;
             return page(x, y);
         }},
        // Twenty times the printable area: centred on the sheet (not the
        // control), it hides the whole control and is clipped at its edges.
        {"overhanging", 96000, 132000, [&](int x, int) { return x < 60 ? kRed : kBlue; }},
    };
    for (const Case& c : cases) {
        const QImage img = Render(c.picX, c.picY, halves);
        int wrong = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb want = x < 200 && y < 160 ? c.expected(x, y) : kOutside;
                if (img.pixel(x, y) != want && wrong++ < 5)
                    ADD_FAILURE() << c.name << " at " << x << "," << y << ": " << std::hex << img.pixel(x, y)
                                  << " instead of " << want;
            }
        EXPECT_EQ(wrong, 0) << c.name;
    }
}

TEST(PreviewRender, PictureEnlargedFarBeyondTheControlCostsOnlyTheVisiblePart) {
    PageLayoutModel m;
    m.imgImage = {-7.5e9f, -7.5e9f, 1.5e10f, 1.5e10f, true};  // a billion pixels each way
    QImage img(200, 160, QImage::Format_RGB32);
    QPainter p(&img);
    ScaledPictureCache cache;
    const QImage picture = Noise(3, 3);
    for (int paint = 0; paint < 2; ++paint)
        RenderPageLayout(p, m, img.size(), Qt::gray, &picture, cache, PixelGrid{15, 15});
    // The control sees the middle of the centre pixel; a resample of the whole
    // shown size could not even be allocated.
    for (QPoint pt : {QPoint(0, 0), QPoint(199, 159)}) EXPECT_EQ(img.pixel(pt), picture.pixel(1, 1));
    EXPECT_EQ(cache.Rebuilds(), 1);  // the second paint reused the first one's copy
}

TEST(PreviewResample, ReducesSmoothlyAndEnlargesCrisply) {
    QImage checker(100, 100, QImage::Format_RGB32);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) checker.setPixel(x, y, (x + y) % 2 ? kWhite : kBlack);
    const QImage small = ResamplePicture(checker, 25, 25, 0, 0, QSize(25, 25));
    for (QPoint pt : {QPoint(0, 0), QPoint(12, 7), QPoint(24, 24)})
        EXPECT_NEAR(qGray(small.pixel(pt)), 128, 4) << pt.x() << "," << pt.y();

    const QImage two = Noise(2, 2);
    const QImage big = ResamplePicture(two, 8, 8, 0, 0, QSize(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(big.pixel(x, y), two.pixel(x / 4, y / 4)) << x << "," << y;
}

TEST(PreviewResample, PartMatchesTheSameRegionOfTheWholeAndFormatsAgree) {
    const QImage source = Noise(100, 60);
    struct Case { const char* name; int shownW, shownH; QRect part; };
    const Case cases[] = {
        {"reduced", 37, 23, QRect(10, 5, 15, 9)},
        {"enlarged", 300, 200, QRect(123, 77, 60, 41)},
        {"mixed", 300, 20, QRect(250, 0, 50, 20)},
    };
    for (const Case& c : cases) {
        const QImage whole = ResamplePicture(source, c.shownW, c.shownH, 0, 0, QSize(c.shownW, c.shownH));
        const QImage part = ResamplePicture(source, c.shownW, c.shownH, c.part.x(), c.part.y(), c.part.size());
        EXPECT_EQ(part, whole.copy(c.part)) << c.name;
    }
    // A palette picture (GIF) and a picture with alpha show as their 32-bit form.
    const QImage indexed = source.convertToFormat(QImage::Format_Indexed8);
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    const QImage want = ResamplePicture(indexed.convertToFormat(QImage::Format_RGB32), 37, 23, 0, 0, QSize(37, 23));
    EXPECT_EQ(ResamplePicture(indexed, 37, 23, 0, 0, QSize(37, 23)), want);
    EXPECT_EQ(ResamplePicture(argb, 37, 23, 0, 0, QSize(37, 23)).convertToFormat(QImage::Format_RGB32),
              ResamplePicture(source, 37, 23, 0, 0, QSize(37, 23)));
}

TEST(PreviewResample, CacheRebuildsOnlyWhenPictureOrShownSizeChanges) {
    const QImage a = Noise(50, 50), b = Noise(50, 50);
    ScaledPictureCache cache;
    cache.Get(a, 20, 20, 0, 0, QSize(20, 20));
    cache.Get(a, 20, 20, 0, 0, QSize(20, 20));
    EXPECT_EQ(cache.Rebuilds(), 1);
    cache.Get(a, 21, 20, 0, 0, QSize(20, 20));
    cache.Get(a, 21, 20, 1, 0, QSize(20, 20));
    cache.Get(b, 21, 20, 1, 0, QSize(20, 20));
    EXPECT_EQ(cache.Rebuilds(), 4);
}
