#pragma once
// A page as the print system lays it out, and the grid of whole device dots
// the program draws on. Plain values and arithmetic: the printers fill a
// PageGeometry from their source (a queue's PPD or IPP attributes, or the
// built-in PDF printer's paper) and everything after works from the grid.
#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

namespace platform {

// Where a page's figures came from, as --info and --list-printers tell it.
inline constexpr char kSourcePpd[] = "PPD";
inline constexpr char kSourceIpp[] = "IPP";
// A driverless queue whose printer answered for itself: its own margins.
inline constexpr char kSourcePrinter[] = "IPP printer";
inline constexpr char kSourceBuiltIn[] = "built-in";

// One page as the device takes it (portrait, the way it is fed). Points are
// 1/72 inch, fractions kept: A4 is 595.2756 x 841.8898.
struct PageGeometry {
    QString media;            // what the job asks for: a PPD PageSize choice or a PWG media name
    double widthPoints = 0;   // the paper
    double heightPoints = 0;
    // The imageable box in PostScript coordinates: origin at the paper's
    // bottom-left corner, y upwards, as PPDs and raster headers give it.
    double left = 0, bottom = 0, right = 0, top = 0;
    // The grid of dots the page is rendered on: its top-left corner in the
    // same coordinates, and its size in dots (0: as far as the paper goes).
    // A driver that takes CUPS raster gets the imageable box alone, which
    // Ghostscript lays out from a page height it keeps in whole points: the
    // raster's top sits at round(height) - (height - top), a dot above the
    // box on a 841.8 point sheet at 360 dpi. A printer that takes PWG raster
    // or PDF gets the whole sheet.
    double rasterLeft = 0;
    double rasterTop = 0;
    int rasterWidthDots = 0;
    int rasterHeightDots = 0;
    int xdpi = 0;             // device dots per inch across
    int ydpi = 0;             // and down
    QString source;           // kSourcePpd, kSourceIpp, kSourcePrinter or kSourceBuiltIn
    // Options (name, value pairs) a job must carry for the device to print
    // this very geometry, such as the resolution chosen.
    QStringList jobOptions;
    bool operator==(const PageGeometry&) const = default;
};

// The square grid one picture pixel per cell is drawn on: a cell is
// dotsAcross x dotsDown device dots (2 x 1 at 120 x 60 dpi), square on paper.
struct DotGrid {
    int dpi = 0;               // cells per inch: the coarser resolution
    int dotsAcross = 1;
    int dotsDown = 1;
    // The printable area: the dots of the raster whose centres lie inside the
    // imageable box (outside it the print system clips), in device dots.
    QSize areaDots;
    QSize cells;               // the printable area in whole cells
    QPoint firstDot;           // the raster dot where cell (0, 0) begins
    // The top-left corner of cell (0, 0), in points from the paper's
    // bottom-left corner: on a dot edge of the raster, so no renderer has to
    // round the place of any mark.
    double cellLeft = 0;
    double cellTop = 0;
};

// The grid of a geometry. Throws Failure when the resolution is missing or
// its two figures are not whole multiples of each other, or when the area
// holds no whole cell.
DotGrid GridOf(const PageGeometry& page);

// The sheet in cells of `grid`, y down, origin at the top-left corner of
// cell (0, 0): the printable area's own coordinates, so the left and top are
// usually a little negative. Fractions kept (the sheet's edges seldom fall on
// a dot edge). With `quarterTurn`, in the turned page's coordinates (see
// PagePainter: the caller's top edge along the device's left edge).
QRectF SheetInCells(const PageGeometry& page, const DotGrid& grid, bool quarterTurn);

// Dots CUPS gives a length of `points` at `dpi`: its own rule for the raster
// width and height (rounded half up).
int DotsOf(double points, int dpi);

// The raster as a driver that takes CUPS raster gets it: the imageable box,
// laid out as cups-filters and Ghostscript do (see rasterTop).
void SetImageableRaster(PageGeometry& page);
// The raster of the whole sheet (PWG raster, PDF rendered by the printer).
void SetSheetRaster(PageGeometry& page);

// Points of a length given in hundredths of a millimetre (IPP's unit).
double PointsFromHundredthsMm(int hundredths);

}  // namespace platform
