#pragma once
// Draws the print job's marks on one page so that every picture pixel lands
// on exactly one cell of the device's dot grid. All drawing is done with
// whole-cell images and black rectangles, never with pens or smoothing, so
// no device can spread, blend or resample anything.
#include <QByteArray>
#include <QImage>
#include <QRect>
#include <functional>

namespace platform {

// Where a page's marks go, in cells of the device's grid (one picture pixel
// each), origin at the printable area's top-left, portrait as the device
// has it. Marks come in drawing order; a later one covers an earlier one.
class DotSink {
public:
    virtual ~DotSink() = default;
    // Writes the pixels of one row of a mark: `width` opaque 32-bit pixels
    // (0xffRRGGBB) of row `row` (0 is the mark's top row) into `out`. It
    // holds what it reads (the picture is shared, not copied), so a sink may
    // call it at any time until the page is finished, in any row order.
    using RowFill = std::function<void(int row, QRgb* out)>;
    // The cells of `cells` filled row by row by `fill`. Marks with the same
    // non-empty `identity` have the very same pixels (copies of a picture on
    // a sheet), so a sink may keep them once. Throws Failure.
    virtual void Rows(const QRect& cells, RowFill fill, const QByteArray& identity) = 0;
    // The cells of `cells` black. Throws Failure.
    virtual void Black(const QRect& cells) = 0;
};

// The one rule that turns a fractional position in dots into a dot index.
// Used for picture edges and guide lines alike, so a guide given at the
// picture's first or last column lands on that very column. Throws
// Failure("Overflow") for values no page could hold (or not a number).
int SnapToDot(double dots);

class PagePainter {
public:
    // `sink` receives the marks of a device whose printable area is
    // deviceWidth x deviceHeight cells.
    // With `quarterTurn` the caller's page is that area turned a quarter turn
    // (landscape on a portrait device): the caller's width is the device's
    // height, the caller's top edge lies along the device's left edge and the
    // caller's left edge along the device's bottom edge.
    PagePainter(DotSink& sink, int deviceWidth, int deviceHeight, bool quarterTurn);

    // The printable area as the caller sees it, in dots.
    int Width() const { return mQuarterTurn ? mDeviceHeight : mDeviceWidth; }
    int Height() const { return mQuarterTurn ? mDeviceWidth : mDeviceHeight; }

    // Marks that follow are also cut off outside `callerDots` (a null
    // rectangle: only at the printable area's edges).
    void SetClip(const QRect& callerDots) { mClip = callerDots; }

    // Black outline of the box between two corners (each corner's dot
    // included), `width` dots wide, clipped to the printable area.
    void Box(double x1, double y1, double x2, double y2, int width);
    // `image` sampled nearest-neighbour into w x h dots at (x, y), composited
    // onto white paper (transparency prints as paper), clipped.
    void Picture(const QImage& image, double x, double y, double w, double h);

private:
    // Fills whole caller dots [r) with black.
    void FillBlack(const QRect& callerDots);
    // Caller dot rectangle -> device dot rectangle.
    QRect ToDevice(const QRect& callerDots) const;
    // The caller dots marks may reach: the area, within the clip if any.
    QRect Visible() const;

    DotSink& mSink;
    int mDeviceWidth;
    int mDeviceHeight;
    bool mQuarterTurn;
    QRect mClip;
};

}  // namespace platform
