#pragma once
// Painting of the page preview's elements into any QPainter: the widget
// paints itself with it, and tests paint into a QImage. It only reads the
// model; all geometry comes from the layout.
#include "preview/PageLayoutModel.h"

#include <QColor>
#include <QImage>
#include <functional>
#include <QRect>
#include <QSize>

class QPainter;

namespace preview {

// Twips on the control -> pixel edges. Every edge is rounded on its own to
// the nearest pixel boundary, so elements that share an edge in twips share
// it in pixels, and a line one pixel inside an edge lands on the last pixel
// row or column before it. Results stay doubles: a picture far larger than
// the control has edges beyond any int.
struct PixelGrid {
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
    double X(double twips) const;
    double Y(double twips) const;
    static PixelGrid OfScreen();
};

// Resamples `source` as if stretched to shownWidth x shownHeight pixels and
// returns only the part of it at (partX, partY), relative to the shown
// top-left, of partSize pixels. The offsets are doubles because a picture
// enlarged far past the control can lie beyond int range. The cost and the memory follow the part on screen, never the source
// size or the shown size. Reductions average up to 4 x 4 samples per pixel;
// enlargements take the nearest source pixel so pixel art stays crisp.
QImage ResamplePicture(const QImage& source, double shownWidth, double shownHeight, double partX,
                       double partY, QSize partSize);

// The last resampled picture, kept between paints: a repaint with the same
// picture, shown size and visible part reuses it.
class ScaledPictureCache {
public:
    const QImage& Get(const QImage& source, double shownWidth, double shownHeight, double partX,
                      double partY, QSize partSize);
    void Clear();
    // A last step on every copy made from now on: what the device makes of
    // the picture (see Printer::ShowAsDevice). Drops the copy kept.
    void SetFinish(std::function<void(QImage&)> finish);
    // How many times the copy was rebuilt (tests and benchmarks watch it).
    int Rebuilds() const { return mRebuilds; }

private:
    QImage mScaled;
    std::function<void(QImage&)> mFinish;
    qint64 mSourceKey = 0;
    double mShownWidth = -1, mShownHeight = -1;
    double mPartX = 0, mPartY = 0;
    QSize mPartSize;
    int mRebuilds = 0;
};

// Paints, back to front: the background over the whole control, the sheet
// (white with a one-pixel border), the visible guide lines (solid, one pixel),
// and the picture stretched into its element's rectangle. Nothing is painted
// outside `control` (pixels, from the painter's origin). `picture` may be null.
void RenderPageLayout(QPainter& painter, const PageLayoutModel& model, QSize control,
                      const QColor& background, const QImage* picture, ScaledPictureCache& cache,
                      const PixelGrid& grid = PixelGrid::OfScreen());

}  // namespace preview
