// The raster the program hands a driver itself, read back with libcups:
// the marks on whole cells of dots, and what a one-bit device gets of grey.
#include "platform/page/PagePainter.h"
#include "platform/page/RasterPage.h"
#include "support/RasterReader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

using namespace platform;

namespace {

// A 3 x 5 inch PWG page at `dpi` of the given PWG raster type.
RasterSetup PwgSetup(const char* type, int xdpi, int ydpi) {
    RasterSetup s;
    EXPECT_TRUE(cupsRasterInitPWGHeader(&s.header, pwgMediaForPWG("na_index-3x5_3x5in"), type, xdpi, ydpi,
                                        "one-sided", nullptr));
    s.pwg = true;
    const int dpi = std::min(xdpi, ydpi);
    s.dotsAcross = xdpi / dpi;
    s.dotsDown = ydpi / dpi;
    s.firstDot = QPoint(3, 2);
    s.cells = QSize(int(s.header.cupsWidth - 6) / s.dotsAcross, int(s.header.cupsHeight - 4) / s.dotsDown);
    return s;
}

QImage Filled(int w, int h, QRgb colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

testcups::RasterPage Written(RasterPage& page) {
    const QVector<testcups::RasterPage> pages = testcups::ReadRasterFile(page.Finish());
    EXPECT_EQ(pages.size(), 1);
    return pages.value(0);
}

}  // namespace

TEST(RasterPage, MarksLandOnWholeCellsOfDots) {
    // 100 x 200 dpi: every cell is 1 x 2 dots; the picture's pixels and the
    // guide are blocks of dots, and nothing falls outside the cells.
    RasterSetup setup = PwgSetup("srgb_8", 100, 200);
    RasterPage page(setup);
    QImage picture(3, 2, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                            qRgb(10, 20, 30), qRgb(200, 100, 50), qRgb(0, 0, 0)};
    for (int i = 0; i < 6; ++i) picture.setPixel(i % 3, i / 3, colours[i]);
    page.Painter().Box(0, 10, 1000, 10, 1);  // a guide across the page on cell row 10
    page.Painter().Picture(picture, 4, 5, 3, 2);
    const testcups::RasterPage out = Written(page);
    ASSERT_EQ(out.image.size(), QSize(int(setup.header.cupsWidth), int(setup.header.cupsHeight)));
    const QImage dots = out.image.convertToFormat(QImage::Format_RGB32);
    int wrong = 0;
    for (int y = 0; y < dots.height(); ++y)
        for (int x = 0; x < dots.width(); ++x) {
            const int cx = x - setup.firstDot.x(), cy = (y - setup.firstDot.y()) >= 0 ? (y - setup.firstDot.y()) / 2 : -1;
            const bool inCells = cx >= 0 && cx < setup.cells.width() && y >= setup.firstDot.y() &&
                                 cy < setup.cells.height();
            QRgb want = qRgb(255, 255, 255);
            if (inCells && cy == 10) want = qRgb(0, 0, 0);
            if (inCells && cx >= 4 && cx < 7 && cy >= 5 && cy < 7) want = colours[(cy - 5) * 3 + cx - 4];
            if ((dots.pixel(x, y) & 0xffffff) != (want & 0xffffff)) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
}

TEST(RasterPage, OneBitDevicesThresholdOrDitherGrey) {
    struct Case {
        QRgb colour;
        OneBitMode mode;
        double inkFrom, inkTo;  // share of the picture's dots inked
    };
    const Case cases[] = {
        {qRgb(0, 0, 0), OneBitMode::Threshold, 1, 1},
        {qRgb(255, 255, 255), OneBitMode::Ordered, 0, 0},
        {qRgb(0, 0, 0), OneBitMode::Ordered, 1, 1},
        {qRgb(128, 128, 128), OneBitMode::Threshold, 0, 0},  // just lighter than mid-grey
        {qRgb(127, 127, 127), OneBitMode::Threshold, 1, 1},
        {qRgb(128, 128, 128), OneBitMode::Ordered, 0.45, 0.55},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.colour << (c.mode == OneBitMode::Ordered ? " ordered" : ""));
        RasterSetup setup = PwgSetup("black_1", 100, 100);
        setup.oneBit = c.mode;
        RasterPage page(setup);
        page.Painter().Picture(Filled(64, 64, c.colour), 0, 0, 64, 64);
        const testcups::RasterPage out = Written(page);
        int ink = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) ink += qGray(out.image.pixel(setup.firstDot.x() + x, setup.firstDot.y() + y)) == 0;
        EXPECT_GE(ink / 4096.0, c.inkFrom);
        EXPECT_LE(ink / 4096.0, c.inkTo);
    }
}

// A sheet of copies drawn as lattices (one mark each for the full rows and
// the short last row) must give the very dots of the same copies drawn one
// by one: steps with and without gaps, copies cut by the area's edges and by
// a clip, turned pages, stretched pictures, several dots per cell, and
// one-bit ordered dots (whose lines depend on their row).
TEST(RasterPage, CopiesAsLatticesGiveTheDotsOfCopiesOneByOne) {
    struct Case {
        const char* type;
        int xdpi, ydpi;
        OneBitMode mode;
        bool turn;
        QSize picture;
        double x, y, w, h;  // the first copy, caller dots
        CopyBlock block;
        QRect clip;         // caller dots; null for none
    };
    const Case cases[] = {
        {"srgb_8", 100, 100, OneBitMode::Threshold, false, {3, 2}, 2, 3, 3, 2, {10, 57, 3, 2}, {}},     // no gaps, short row
        {"srgb_8", 100, 100, OneBitMode::Threshold, false, {3, 2}, 1.5, 0.5, 6, 4, {9, 40, 8, 7}, {}},  // stretched, gaps, halves
        {"srgb_8", 100, 100, OneBitMode::Threshold, false, {4, 3}, -5, -2, 4, 3, {90, 900, 5, 4}, {}},  // cut by every edge
        {"srgb_8", 100, 100, OneBitMode::Threshold, true, {4, 3}, 3, 1, 4, 3, {13, 60, 6, 5}, {}},      // turned, short row
        {"srgb_8", 100, 100, OneBitMode::Threshold, true, {3, 5}, 2, 2, 3, 5, {20, 200, 4, 7}, {7, 5, 40, 31}},  // turned, clipped
        {"sgray_8", 100, 200, OneBitMode::Threshold, false, {2, 2}, 0, 0, 2, 2, {30, 95, 3, 2}, {}},    // two dots down a cell
        {"black_1", 200, 100, OneBitMode::Ordered, false, {5, 3}, 4, 4, 5, 3, {11, 64, 7, 4}, {3, 3, 50, 30}},  // dithered
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << index++);
        QImage picture(c.picture, QImage::Format_ARGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgba(40 * x + 7 * y, 255 - 30 * y, 90 + 20 * x, (x + y) % 3 ? 255 : 120));
        QImage pages[2];
        for (const int oneByOne : {0, 1 << 20}) {
            RasterSetup setup = PwgSetup(c.type, c.xdpi, c.ydpi);
            setup.quarterTurn = c.turn;
            setup.oneBit = c.mode;
            RasterPage page(setup);
            PagePainter& painter = page.Painter();
            painter.SetOneByOne(oneByOne);
            painter.Box(-100, 4, 1000, 9, 1);  // under the copies: what shows between them
            painter.SetClip(c.clip);
            painter.Copies(picture, c.x, c.y, c.w, c.h, c.block);
            pages[oneByOne == 0 ? 0 : 1] = Written(page).image;
        }
        ASSERT_FALSE(pages[0].isNull());
        EXPECT_EQ(pages[0], pages[1]);
        int marked = 0;
        const QImage grey = pages[0].convertToFormat(QImage::Format_Grayscale8);
        for (int y = 0; y < grey.height(); ++y)
            for (int x = 0; x < grey.width(); ++x) marked += qGray(grey.pixel(x, y)) < 250;
        EXPECT_GT(marked, c.block.count) << "the copies were drawn";
    }
}
