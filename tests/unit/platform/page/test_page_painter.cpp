// The drawing rules that make a page pixel-exact, checked on an in-memory
// device, and where a page's cells lie on a printer's raster.
#include "platform/base/Failure.h"
#include "platform/page/PageGeometry.h"
#include "platform/page/PagePainter.h"
#include "platform/print/PdfPrinter.h"
#include "support/PixelCheck.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>

using namespace platform;
using testcups::Noise;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

QRgb OnWhite(QRgb p) {
    const int a = qAlpha(p);
    const auto m = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
    return qRgb(m(qRed(p)), m(qGreen(p)), m(qBlue(p)));
}

// A device of `w` x `h` dots (portrait), white, drawn on through PagePainter.
struct Device : DotSink {
    QImage dots;
    Device(int w, int h) : dots(w, h, QImage::Format_RGB32) { dots.fill(kWhite); }
    void Rows(const QRect& cells, RowFill fill, const QByteArray&) override {
        for (int r = 0; r < cells.height(); ++r)
            fill(r, reinterpret_cast<QRgb*>(dots.scanLine(cells.top() + r)) + cells.left());
    }
    void Black(const QRect& cells) override { QPainter(&dots).fillRect(cells, Qt::black); }
    template <class Marks>
    void Draw(bool quarterTurn, Marks&& draw) {
        PagePainter page(*this, dots.width(), dots.height(), quarterTurn);
        draw(page);
    }
    // Caller dot (x, y) as the device holds it.
    QRgb At(int x, int y, bool quarterTurn) const {
        return quarterTurn ? dots.pixel(y, dots.height() - 1 - x) : dots.pixel(x, y);
    }
};

}  // namespace

TEST(PagePainter, SnapsHalvesUpForEveryMark) {
    struct Case { double in; int out; };
    const Case cases[] = {{0.0, 0}, {0.49, 0}, {0.5, 1}, {1980.5, 1981}, {-0.5, 0}, {-0.51, -1}, {-100.0, -100}};
    for (const Case& c : cases) EXPECT_EQ(SnapToDot(c.in), c.out) << c.in;
    EXPECT_THROW(SnapToDot(std::nan("")), Failure);
    EXPECT_THROW(SnapToDot(1e12), Failure);
}

// The print job's own calls, at whole and half-dot offsets, portrait and
// turned: every picture pixel on one dot, transparency as paper, the four
// guides on the picture's outermost columns and rows and across the area.
TEST(PagePainter, PrintJobIsPixelExactWithGuidesOnTheEdges) {
    struct Case { int areaW, areaH; int w, h; bool turn; bool alpha; };
    const Case cases[] = {
        {60, 40, 11, 7, false, false},  // odd differences: offsets end in .5
        {61, 41, 11, 7, false, true},   // whole offsets, transparency
        {60, 40, 11, 7, true, true},    // landscape: turned on the device
        {31, 20, 31, 20, false, false}, // picture fills the area: guides on its border
        {20, 15, 25, 19, true, false},  // larger than the area: centred and cut
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.areaW << "x" << c.areaH << " pic " << c.w << "x" << c.h
                                        << " turn " << c.turn);
        // The device is portrait; a turned page is its landscape view.
        Device dev(c.turn ? c.areaH : c.areaW, c.turn ? c.areaW : c.areaH);
        const QImage img = Noise(c.w, c.h, c.alpha);
        const float W = float(c.areaW), H = float(c.areaH);
        const float ox = (W - float(c.w)) / 2, oy = (H - float(c.h)) / 2;
        dev.Draw(c.turn, [&](PagePainter& page) {
            EXPECT_EQ(page.Width(), c.areaW);
            page.Box(ox, -100, ox + c.w - 1, H + 100, 1);
            page.Box(-100, oy, W + 100, oy + c.h - 1, 1);
            page.Picture(img, ox, oy, c.w, c.h);
        });
        const int left = int(std::floor(ox + 0.5)), top = int(std::floor(oy + 0.5));
        int wrong = 0;
        for (int y = 0; y < c.areaH; ++y)
            for (int x = 0; x < c.areaW; ++x) {
                const bool inPicture = x >= left && x < left + c.w && y >= top && y < top + c.h;
                const bool onGuide = x == left || x == left + c.w - 1 || y == top || y == top + c.h - 1;
                const QRgb want = inPicture ? OnWhite(img.pixel(x - left, y - top)) : onGuide ? kBlack : kWhite;
                if (dev.At(x, y, c.turn) != want) ++wrong;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(PagePainter, StretchesNearestNeighbourWithoutBlending) {
    QImage img(2, 1, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(255, 0, 0));
    img.setPixel(1, 0, qRgb(0, 0, 255));
    Device dev(10, 3);
    dev.Draw(false, [&](PagePainter& page) { page.Picture(img, 1, 0, 6, 3); });
    for (int x = 0; x < 10; ++x) {
        const QRgb want = x < 1 || x >= 7 ? kWhite : x < 4 ? qRgb(255, 0, 0) : qRgb(0, 0, 255);
        for (int y = 0; y < 3; ++y) EXPECT_EQ(dev.At(x, y, false), want) << x << "," << y;
    }
}

TEST(PagePainter, WiderBoxesAndDegenerateMarks) {
    Device dev(9, 9);
    dev.Draw(false, [&](PagePainter& page) {
        page.Box(2, 2, 6, 6, 3);                  // bands centred on the lines
        page.Picture(Noise(3, 3, false), 0, 0, 0, 3);  // no width: nothing
    });
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool ring = x >= 1 && x <= 7 && y >= 1 && y <= 7 && !(x >= 4 && x <= 4 && y >= 4 && y <= 4);
            EXPECT_EQ(dev.At(x, y, false), ring ? kBlack : kWhite) << x << "," << y;
        }
}

// Where the cells of a page lie on the raster a printer gets, from the
// figures real descriptions give (see tests/data/real).
TEST(PageGeometry, CellsSitOnTheRastersDotsInsideTheImageableBox) {
    struct Case {
        const char* what;
        PageGeometry page;
        bool sheetRaster;
        QSize areaDots, cells;
        int dotsAcross, dotsDown;
        double cellLeft, cellTop;
        QRectF sheet;  // in cells from cell (0, 0): where a folded sheet creases
    };
    const auto page = [](double w, double h, double l, double b, double r, double t, int xdpi, int ydpi) {
        PageGeometry g;
        g.widthPoints = w, g.heightPoints = h, g.left = l, g.bottom = b, g.right = r, g.top = t;
        g.xdpi = xdpi, g.ydpi = ydpi;
        return g;
    };
    const double k = 600 / 72.0;
    const Case cases[] = {
        {"whole points", page(595, 842, 18, 36, 582, 819, 600, 600), false, {4700, 6525}, {4700, 6525}, 1, 1, 18, 819,
         {-18 * k, -23 * k, 595 * k, 842 * k}},
        // Ghostscript lays the raster out from an 842 point page: its first
        // row lies above the box, clipped, so the cells start one row down.
        {"A4 of 841.8 points", page(595.2, 841.8, 8.4, 8.4, 586.8, 833.4, 360, 360), false, {2892, 4124},
         {2892, 4124}, 1, 1, 8.4, 833.4, {-42, -42, 2976, 4209}},
        // 4741.67 dots across: the last raster column is two thirds inside.
        {"a box ending inside a dot", page(595, 842, 13, 13, 582, 829, 600, 600), false, {4742, 6800},
         {4742, 6800}, 1, 1, 13, 829, {-13 * k, -13 * k, 595 * k, 842 * k}},
        {"300 x 600 dpi label", page(166.56, 288, 4.08, 4.32, 163.68, 271.2, 300, 600), false, {665, 2224},
         {665, 1112}, 1, 2, 4.08, 271.2, {-17, -70, 694, 1200}},  // cells of 1 x 2 dots
        // The whole sheet at 600 dpi: the first dot whose centre is inside
        // the box is row 24 (the box starts 24.09 dots down).
        {"driverless letter", page(612, 792, 18, 33.108661, 594, 789.108661, 600, 600), true, {4800, 6300},
         {4800, 6300}, 1, 1, 18, 792 - 24 * 0.12, {-18 * k, -24, 612 * k, 792 * k}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PageGeometry g = c.page;
        if (c.sheetRaster) SetSheetRaster(g);
        else SetImageableRaster(g);
        const DotGrid grid = GridOf(g);
        EXPECT_EQ(grid.areaDots, c.areaDots);
        EXPECT_EQ(grid.cells, c.cells);
        EXPECT_EQ(grid.dotsAcross, c.dotsAcross);
        EXPECT_EQ(grid.dotsDown, c.dotsDown);
        EXPECT_EQ(grid.dpi, std::min(g.xdpi, g.ydpi));
        EXPECT_NEAR(grid.cellLeft, c.cellLeft, 1e-6);
        EXPECT_NEAR(grid.cellTop, c.cellTop, 1e-6);
        const QRectF sheet = SheetInCells(g, grid, false);
        EXPECT_LT((sheet.topLeft() - c.sheet.topLeft()).manhattanLength(), 1e-6);
        EXPECT_LT((sheet.bottomRight() - c.sheet.bottomRight()).manhattanLength(), 1e-6);
    }
    // Landscape, turned as drawn: the bottom margin (36 points) on the left,
    // the left margin (18) on top.
    PageGeometry a4 = cases[0].page;
    SetImageableRaster(a4);
    const QRectF turned = SheetInCells(a4, GridOf(a4), true);
    EXPECT_LT((turned.topLeft() - QPointF(-36 * k, -18 * k)).manhattanLength(), 1e-6);
    EXPECT_LT((turned.bottomRight() - QPointF(806 * k, 577 * k)).manhattanLength(), 1e-6);
    // The built-in PDF printer prints the whole sheet, landscape unturned.
    PdfPrinter pdf(QString(), {});
    pdf.SetLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape);
    EXPECT_EQ(pdf.Facts().sheet.toRect(), QRect(0, 0, 7016, 4961));
    // No picture pixel is a whole block of 120 x 72 dpi dots.
    PageGeometry dotMatrix = page(612, 792, 18, 18, 594, 774, 120, 72);
    SetImageableRaster(dotMatrix);
    EXPECT_THROW(GridOf(dotMatrix), Failure);
}
