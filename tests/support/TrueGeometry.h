#pragma once
// What CUPS's own filters make of a queue's PPD, computed without the
// program: the oracle the geometry tests compare the program with.
//
// How the raster Ghostscript writes for a raster queue lies on the paper
// (measured on the queues in tests/data/real with bars at known sub-dot
// offsets, Ghostscript 10.0 through cups-filters 1.28 gstoraster):
//  - a page is cupsWidth x cupsHeight dots and covers the imageable area
//    only, cupsWidth = floor((right - left) * xdpi / 72 + 0.5), likewise
//    cupsHeight from top - bottom at ydpi;
//  - its first dot's top-left corner is exactly at (left, paper height - top)
//    points from the paper's top-left corner, NOT on the paper's dot grid: with
//    left = 13 pt at 600 dpi the raster's column 0 starts at paper dot 108.33,
//    so the raster grid is shifted by frac(left * xdpi / 72) against the paper
//    grid (and likewise for rows);
//  - fills cover every dot they touch (any part of the dot).
#include <QRect>
#include <QString>
#include <QStringList>

namespace testcups {

struct TrueGeometry {
    bool ok = false;
    QString error;            // why ok is false, or what the PPD interpreter complained of
    bool interpreterFailed = false;  // cupsRasterInterpretPPD returned -1 (its header still used)
    // cupsRasterInterpretPPD left the 100 dpi default and gstoraster's rule
    // replaced it: *DefaultResolution "X" or "XxY" (cups-filters 1.28 reads
    // the y of "XxY" as X, so 600x1200dpi becomes 600 x 600), else 300 x 300.
    bool resolutionFromFallback = false;
    int xdpi = 0, ydpi = 0;   // HWResolution
    double paperWidth = 0, paperHeight = 0;  // cupsPageSize, points
    // cupsImagingBBox, points from the paper's bottom-left corner.
    double left = 0, bottom = 0, right = 0, top = 0;
    int width = 0, height = 0;  // cupsWidth x cupsHeight, dots
    QString pageSizeName;        // cupsPageSizeName
    int colorSpace = 0;          // cups_cspace_t
    int bitsPerColor = 0;
    int colorOrder = 0;          // cups_order_t

    // The printable area in whole paper dots from the paper's top-left:
    // first column = ceil(left * xdpi / 72 - 1e-9), one past the last column
    // = floor(right * xdpi / 72 + 1e-9); rows the same with (paper height -
    // top) and (paper height - bottom) at ydpi. The 1e-9 keeps an edge that
    // falls on a dot boundary up to double rounding on that boundary.
    QRect PrintableDots() const;
};

// Opens `ppdPath`, marks its defaults, then `options` ("name=value" each, as
// lp -o takes them), and interprets it as the raster filters do.
TrueGeometry ComputeTrueGeometry(const QString& ppdPath, const QStringList& options = {});

}  // namespace testcups
