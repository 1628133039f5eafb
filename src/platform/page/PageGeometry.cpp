#include "platform/page/PageGeometry.h"

#include "platform/base/Failure.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform {

// CUPS's own rounding of a raster's size, which is never negative.
int DotsOf(double points, int dpi) { return int(points * dpi / 72.0 + 0.5); }  // NOLINT(bugprone-incorrect-roundings)

double PointsFromHundredthsMm(int hundredths) { return hundredths * 72.0 / 2540.0; }

void SetImageableRaster(PageGeometry& page) {
    page.rasterLeft = page.left;
    page.rasterTop = std::floor(page.heightPoints + 0.5) - (page.heightPoints - page.top);
    page.rasterWidthDots = DotsOf(page.right - page.left, page.xdpi);
    page.rasterHeightDots = DotsOf(page.top - page.bottom, page.ydpi);
}

void SetSheetRaster(PageGeometry& page) {
    page.rasterLeft = 0;
    page.rasterTop = page.heightPoints;
    page.rasterWidthDots = DotsOf(page.widthPoints, page.xdpi);
    page.rasterHeightDots = DotsOf(page.heightPoints, page.ydpi);
}

namespace {

// The dots [first, last) of a raster of `count` dots (0: unbounded) with a
// pitch of `pitch` points, counted from `start`, whose centres lie between
// `near` and `far` (positions along the same axis): the dots the print
// system prints of a box that ends part way through a dot, as CUPS counts
// the raster's own width (rounded). A hair of tolerance absorbs the figures'
// float rounding.
std::pair<int, int> DotsInside(double start, double pitch, int count, double near, double far) {
    constexpr double kHair = 1e-3;  // dots
    const int first = std::max(0, int(std::ceil((near - start) / pitch - 0.5 - kHair)));
    int last = int(std::floor((far - start) / pitch + 0.5 + kHair));
    if (count > 0) last = std::min(last, count);
    return {first, std::max(first, last)};
}

}  // namespace

DotGrid GridOf(const PageGeometry& page) {
    if (page.xdpi <= 0 || page.ydpi <= 0)
        Fail(QStringLiteral("The resolution of the printer is not known."));
    DotGrid g;
    g.dpi = std::min(page.xdpi, page.ydpi);
    if (page.xdpi % g.dpi != 0 || page.ydpi % g.dpi != 0)
        Fail(QStringLiteral("The printer prints %1 x %2 dots per inch; a picture pixel cannot be a whole number "
                            "of dots in both directions. Choose a resolution with equal figures.")
                 .arg(page.xdpi)
                 .arg(page.ydpi));
    g.dotsAcross = page.xdpi / g.dpi;
    g.dotsDown = page.ydpi / g.dpi;
    const double pitchX = 72.0 / page.xdpi, pitchY = 72.0 / page.ydpi;
    // Across from the raster's left edge; down from its top edge.
    const auto [left, right] = DotsInside(page.rasterLeft, pitchX, page.rasterWidthDots, page.left, page.right);
    const auto [top, bottom] =
        DotsInside(-page.rasterTop, pitchY, page.rasterHeightDots, -page.top, -page.bottom);
    g.areaDots = QSize(right - left, bottom - top);
    g.cells = QSize(g.areaDots.width() / g.dotsAcross, g.areaDots.height() / g.dotsDown);
    g.firstDot = QPoint(left, top);
    g.cellLeft = page.rasterLeft + left * pitchX;
    g.cellTop = page.rasterTop - top * pitchY;
    if (g.cells.width() <= 0 || g.cells.height() <= 0)
        Fail(QStringLiteral("The printer has no printable area."));
    return g;
}

QRectF SheetInCells(const PageGeometry& page, const DotGrid& grid, bool quarterTurn) {
    // Points (y up from the paper's bottom edge) into cells (y down from the
    // cell grid's top-left corner); cells are square on paper.
    const double cellsPerPoint = grid.dpi / 72.0;
    const QRectF portrait(-grid.cellLeft * cellsPerPoint, (grid.cellTop - page.heightPoints) * cellsPerPoint,
                          page.widthPoints * cellsPerPoint, page.heightPoints * cellsPerPoint);
    if (!quarterTurn) return portrait;
    // Turned page x runs up the device from its area's bottom edge (H cells
    // down); turned page y is device x.
    const double H = grid.cells.height();
    return QRectF(H - portrait.bottom(), portrait.left(), portrait.height(), portrait.width());
}

}  // namespace platform
