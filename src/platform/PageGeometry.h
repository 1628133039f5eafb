#pragma once
// A page as the print system lays it out, and the grid of whole device dots
// the program draws on. Plain values and arithmetic: the printers fill a
// PageGeometry from their source (a queue's PPD or IPP attributes, or the
// built-in PDF printer's paper) and everything after works from the grid.
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

namespace platform {

// Where a page's figures came from, as --info and --list-printers tell it.
inline constexpr char kSourcePpd[] = "PPD";
inline constexpr char kSourceIpp[] = "IPP";
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
    int xdpi = 0;             // device dots per inch across
    int ydpi = 0;             // and down
    QString source;           // kSourcePpd, kSourceIpp or kSourceBuiltIn
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
    QSize areaDots;            // the printable area in device dots, as CUPS rasterises it
    QSize cells;               // the printable area in whole cells
    // The top-left corner of cell (0, 0) on the paper, in points from the
    // paper's top-left corner: the imageable box's own corner, so cell edges
    // fall on the device's dot edges and no renderer has to round them.
    double originX = 0;
    double originY = 0;
};

// The grid of a geometry. Throws Failure when the resolution is missing or
// its two figures are not whole multiples of each other, or when the area
// holds no whole cell.
DotGrid GridOf(const PageGeometry& page);

// Dots CUPS gives a length of `points` at `dpi`: its own rule for the raster
// width and height (rounded half up).
int DotsOf(double points, int dpi);

// Points of a length given in hundredths of a millimetre (IPP's unit).
double PointsFromHundredthsMm(int hundredths);

}  // namespace platform
