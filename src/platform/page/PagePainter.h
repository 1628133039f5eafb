#pragma once
// Draws the print job's marks on one page so that every picture pixel lands
// on exactly one cell of the device's dot grid. All drawing is done with
// whole-cell images and black rectangles, never with pens or smoothing, so
// no device can spread, blend or resample anything.
#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QtGlobal>
#include <functional>
#include <memory>

namespace platform {

class PictureRows;

// Where a page's marks go, in cells of the device's grid (one picture pixel
// each), origin at the printable area's top-left, portrait as the device
// has it. Marks come in drawing order; a later one covers an earlier one.
class DotSink {
public:
    virtual ~DotSink() = default;
    // Writes the pixels of one row of a mark: `width` opaque 32-bit pixels
    // (0xffRRGGBB) of row `row` (0 is the mark's top row) into `out`. It
    // holds what it reads (the picture is shared, not copied), so a sink may
    // call it at any time until the page is finished, in any row order;
    // except a picture read as the page is written (PagePainter::Streamed),
    // whose rows must be asked for once each, top to bottom, as the page
    // writers do.
    using RowFill = std::function<void(int row, QRgb* out)>;
    // The cells of `cells` filled row by row by `fill`. Marks with the same
    // non-empty `identity` have the very same pixels (copies of a picture on
    // a sheet), so a sink may keep them once. Throws Failure.
    virtual void Rows(const QRect& cells, RowFill fill, const QByteArray& identity) = 0;
    // The cells of `cells` black. Throws Failure.
    virtual void Black(const QRect& cells) = 0;
    // Copies of one mark on a lattice: the mark of `cells` (filled row by row
    // by `fill`, its whole extent, which may reach past the page) repeated
    // `across` times `step.x()` cells apart and `down` times `step.y()` apart
    // (steps at least the mark's size: copies never overlap). Only the cells
    // inside `visible` are marked; those between copies are left as they are.
    // A sink that keeps a mark for it pays for the sheet's cells, not for
    // one mark per copy. By default each copy's visible part is a Rows mark of its own.
    // Throws Failure.
    virtual void Lattice(const QRect& cells, QPoint step, int across, int down, const QRect& visible, RowFill fill,
                         const QByteArray& identity);
};

// A block of copies filled row by row: `columns` to a row, `count` in all
// (the last row may be short), each `stepX` x `stepY` dots from the next.
struct CopyBlock {
    int columns = 1;
    qint64 count = 1;  // a sheet of one-dot copies may hold billions
    int stepX = 0;
    int stepY = 0;
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
    // Copies of `image` as Picture draws each, the first at (x, y), the
    // others whole steps of `block` from it: the same dots as that many
    // calls of Picture. Up to OneByOne() copies are marks of their own; more
    // go to the sink as lattices, so their cost follows the page's dots.
    void Copies(const QImage& image, double x, double y, double w, double h, const CopyBlock& block);
    // A picture read row by row (see PictureRows.h), one pixel per dot, its
    // top-left at (x, y): the dots Picture draws for it at its own size. Its
    // last row shown finishes reading it (PictureRows::Finish), so a damaged
    // end fails the page before anything is delivered. Not on a turned page.
    void Streamed(const std::shared_ptr<PictureRows>& rows, double x, double y);
    int OneByOne() const { return mOneByOne; }
    // Tests set it to draw the same copies both ways.
    void SetOneByOne(int copies) { mOneByOne = copies; }

private:
    // Fills whole caller dots [r) with black.
    void FillBlack(const QRect& callerDots);
    // Caller dot rectangle -> device dot rectangle.
    QRect ToDevice(const QRect& callerDots) const;
    // The caller dots marks may reach: the area, within the clip if any.
    QRect Visible() const;
    // `down` rows of `across` copies as one lattice mark.
    void Lattice(const QImage& image, double x, double y, double w, double h, int across, int down, int stepX,
                 int stepY);

    DotSink& mSink;
    int mDeviceWidth;
    int mDeviceHeight;
    bool mQuarterTurn;
    QRect mClip;
    // A few copies as marks of their own keep a PDF's one placement per copy.
    int mOneByOne = 100;
};

}  // namespace platform
