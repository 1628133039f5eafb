#pragma once
// Draws the print job's marks on one page so that every picture pixel lands
// on exactly one device dot. All drawing is done with whole-dot images on an
// unscaled painter, never with pens or smoothing, so no device can spread,
// blend or resample anything.
#include <QImage>
#include <QRect>

class QPainter;

namespace platform {

// The one rule that turns a fractional position in dots into a dot index.
// Used for picture edges and guide lines alike, so a guide given at the
// picture's first or last column lands on that very column. Throws
// Failure("Overflow") for values no page could hold (or not a number).
int SnapToDot(double dots);

class PagePainter {
public:
    // `painter` is active on a device whose origin is the printable area's
    // top-left and whose printable area is deviceWidth x deviceHeight dots.
    // With `quarterTurn` the caller's page is that area turned a quarter turn
    // (landscape on a portrait device): the caller's width is the device's
    // height, the caller's top edge lies along the device's left edge and the
    // caller's left edge along the device's bottom edge.
    PagePainter(QPainter& painter, int deviceWidth, int deviceHeight, bool quarterTurn);

    // The printable area as the caller sees it, in dots.
    int Width() const { return mQuarterTurn ? mDeviceHeight : mDeviceWidth; }
    int Height() const { return mQuarterTurn ? mDeviceWidth : mDeviceHeight; }

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

    QPainter& mPainter;
    int mDeviceWidth;
    int mDeviceHeight;
    bool mQuarterTurn;
};

}  // namespace platform
