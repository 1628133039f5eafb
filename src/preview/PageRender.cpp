#include "preview/PageRender.h"

#include "platform/base/Screen.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace preview {
namespace {

const QColor kSheetColour = Qt::white;
const QColor kLineColour = Qt::black;  // sheet border and guides: must show on white
const QColor kPageOutlineColour = Qt::red;  // a poster's pages: must show on any picture
constexpr int kMaxSamplesPerAxis = 4;
// What one resample may cost, to stay well inside a frame on one core: the
// source samples read, and the bytes of source rows pulled from memory (a
// large picture is far larger than any cache, so each sampled row costs its
// full span whatever the columns taken from it).
constexpr qint64 kSampleBudget = 6'000'000;
constexpr qint64 kRowBytesBudget = 24 << 20;

// A pixel coordinate brought into int range: anything more than a few
// pixels outside the control is drawn (and clipped) as if just outside it.
int ClampToInt(double v, int size) {
    return int(std::clamp(v, -4.0, double(size) + 4.0));
}

// Readers of one source pixel as premultiplied ARGB, one per source format,
// so the sampling loops are compiled without a format switch per pixel.
struct FetchDirect {  // RGB32 and ARGB32_Premultiplied
    QRgb operator()(const uchar* line, int x, int) const { return reinterpret_cast<const QRgb*>(line)[x]; }
};
struct FetchUnpremultiplied {  // ARGB32
    QRgb operator()(const uchar* line, int x, int) const {
        return qPremultiply(reinterpret_cast<const QRgb*>(line)[x]);
    }
};
struct FetchIndexed {  // Indexed8 (GIF): through the premultiplied palette
    const QRgb* table;
    QRgb operator()(const uchar* line, int x, int) const { return table[line[x]]; }
};
struct FetchAny {  // every other format, slowly
    const QImage* source;
    QRgb operator()(const uchar*, int x, int y) const { return qPremultiply(source->pixel(x, y)); }
};

// Source indices sampled for each destination pixel along one axis: `k`
// evenly spread samples inside the pixel's footprint on the source.
std::vector<int> SampleIndices(double first, int count, double shown, int sourceSize, int k) {
    const double step = sourceSize / shown;  // source pixels per shown pixel
    std::vector<int> idx(size_t(count) * k);
    for (int d = 0; d < count; ++d)
        for (int j = 0; j < k; ++j) {
            const double s = (first + d + (j + 0.5) / k) * step;
            idx[size_t(d) * k + j] = std::clamp(int(std::floor(s)), 0, sourceSize - 1);
        }
    return idx;
}

// Samples per axis: enough to cover a reduced pixel's footprint, at most
// kMaxSamplesPerAxis.
int SamplesPerAxis(double sourceSize, double shown) {
    return std::clamp(int(std::ceil(sourceSize / shown - 1e-9)), 1, kMaxSamplesPerAxis);
}

template <class Fetch>
void Resample(const QImage& source, QImage& out, const std::vector<int>& cols, int kx,
              const std::vector<int>& rows, int ky, Fetch fetch) {
    const int w = out.width();
    const int n = kx * ky;
    if (n == 1) {  // enlarging, or exactly one source pixel per shown pixel
        for (int y = 0; y < out.height(); ++y) {
            QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
            const int sy = rows[y];
            // Neighbouring rows often come from the same source row.
            if (y > 0 && rows[y - 1] == sy) {
                std::copy_n(reinterpret_cast<const QRgb*>(out.constScanLine(y - 1)), w, dst);
                continue;
            }
            const uchar* line = source.constScanLine(sy);
            for (int x = 0; x < w; ++x) dst[x] = fetch(line, cols[x], sy);
        }
        return;
    }
    // Box average of n samples. Red+blue and alpha+green are summed two
    // channels to a word: 16 samples of 255 stay below 65536. The division
    // by n is a multiplication by a 16.16 reciprocal, rounded.
    std::vector<quint32> rb(w), ag(w);
    const quint64 reciprocal = (quint64(1) << 32) / n + 1;
    const auto divide = [&](quint32 v) { return int((quint64(v) * reciprocal + (quint64(1) << 31)) >> 32); };
    for (int y = 0; y < out.height(); ++y) {
        std::fill(rb.begin(), rb.end(), 0u);
        std::fill(ag.begin(), ag.end(), 0u);
        for (int i = 0; i < ky; ++i) {
            const int sy = rows[size_t(y) * ky + i];
            const uchar* line = source.constScanLine(sy);
            const int* c = cols.data();
            for (int x = 0; x < w; ++x) {
                quint32 sumRB = 0, sumAG = 0;
                for (int j = 0; j < kx; ++j) {
                    const QRgb px = fetch(line, *c++, sy);
                    sumRB += px & 0x00ff00ffu;
                    sumAG += (px >> 8) & 0x00ff00ffu;
                }
                rb[x] += sumRB;
                ag[x] += sumAG;
            }
        }
        QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x)
            dst[x] = qRgba(divide(rb[x] >> 16), divide(ag[x] & 0xffffu), divide(rb[x] & 0xffffu),
                           divide(ag[x] >> 16));
    }
}

// Fills and outlines a rectangle given by its pixel edges.
void DrawSheet(QPainter& p, double l, double t, double r, double b, QSize control) {
    if (!(r > l && b > t)) return;
    const int x0 = ClampToInt(l, control.width()), x1 = ClampToInt(r, control.width());
    const int y0 = ClampToInt(t, control.height()), y1 = ClampToInt(b, control.height());
    p.fillRect(QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)), kSheetColour);
    // The border lies on the rectangle's own outermost pixels.
    p.fillRect(QRect(x0, y0, x1 - x0, 1), kLineColour);
    p.fillRect(QRect(x0, y1 - 1, x1 - x0, 1), kLineColour);
    p.fillRect(QRect(x0, y0, 1, y1 - y0), kLineColour);
    p.fillRect(QRect(x1 - 1, y0, 1, y1 - y0), kLineColour);
}

// A solid one-pixel line; the end point is not drawn, so a line of zero
// length draws nothing.
void DrawLine(QPainter& p, const LineElement& line, const PixelGrid& g, QSize control) {
    if (!line.Visible) return;
    const double x1 = g.X(line.X1), x2 = g.X(line.X2), y1 = g.Y(line.Y1), y2 = g.Y(line.Y2);
    const int w = control.width(), h = control.height();
    if (y1 == y2) {
        const int a = ClampToInt(std::min(x1, x2), w), b = ClampToInt(std::max(x1, x2), w);
        p.fillRect(QRect(a, ClampToInt(y1, h), b - a, 1), kLineColour);
    } else if (x1 == x2) {
        const int a = ClampToInt(std::min(y1, y2), h), b = ClampToInt(std::max(y1, y2), h);
        p.fillRect(QRect(ClampToInt(x1, w), a, 1, b - a), kLineColour);
    } else {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(kLineColour, 0));
        p.drawLine(QLineF(x1 + 0.5, y1 + 0.5, x2 + 0.5, y2 + 0.5));
        p.restore();
    }
}

// The distinct pixels that `count` positions along an axis land on (in
// order: `pixelOf` never decreases), each with the first index landing
// there. A lattice of copies or pages costs the pixels it covers to draw,
// never its count.
template <class PixelOf>
std::vector<std::pair<int, int>> DistinctPixels(int count, int size, PixelOf pixelOf) {
    std::vector<std::pair<int, int>> pixels;
    for (int i = 0; i < count; ++i) {
        const int pixel = ClampToInt(pixelOf(i), size);
        if (pixels.empty() || pixels.back().first != pixel) pixels.emplace_back(pixel, i);
        if (pixel >= size + 4) break;  // all further ones clamp to the same
    }
    return pixels;
}

// The guides along the further copies' columns and rows, shown with the four.
void DrawCopyGuides(QPainter& p, const PageLayoutModel& m, const PixelGrid& g, QSize control) {
    const CopyLattice& c = m.copies;
    if (c.size() == 0 || !m.lineVertGuide1.Visible) return;
    const RectElement& s = m.shpPage;
    const auto nearX = [&](int i) { return c.X(i); };
    const auto farX = [&](int i) { return float(c.X(i) + c.width - c.insetX); };
    const auto nearY = [&](int i) { return c.Y(i); };
    const auto farY = [&](int i) { return float(c.Y(i) + c.height - c.insetY); };
    for (const auto& x : {std::function<float(int)>(nearX), std::function<float(int)>(farX)})
        for (const auto& [pixel, i] : DistinctPixels(c.Columns(), control.width(), [&](int i) { return g.X(x(i)); }))
            if (i > 0)  // the first copy's are the guide elements
                DrawLine(p, LineElement{x(i), s.Top, x(i), s.Top + s.Height, true}, g, control);
    for (const auto& y : {std::function<float(int)>(nearY), std::function<float(int)>(farY)})
        for (const auto& [pixel, i] : DistinctPixels(c.Rows(), control.height(), [&](int i) { return g.Y(y(i)); }))
            if (i > 0) DrawLine(p, LineElement{s.Left, y(i), s.Left + s.Width, y(i), true}, g, control);
}

// The further copies, each the one resampled picture, once a pixel.
void DrawCopies(QPainter& p, const CopyLattice& c, const QImage& scaled, const PixelGrid& g, QSize control) {
    if (c.size() == 0) return;
    const auto xs = DistinctPixels(c.Columns(), control.width(), [&](int i) { return g.X(c.X(i)); });
    const auto ys = DistinctPixels(c.Rows(), control.height(), [&](int i) { return g.Y(c.Y(i)); });
    for (const auto& [y, row] : ys)
        for (const auto& [x, column] : xs) {
            if (column >= c.InRow(row)) break;  // the last row may be short
            if (row > 0 || column > 0) p.drawImage(QPoint(x, y), scaled);
        }
}

// A poster's pages outlined: every page's edges are lines through the whole
// poster, since the pages of a column (or a row) cover it end to end.
void DrawPageOutlines(QPainter& p, const PageOutlines& o, const PixelGrid& g, QSize control) {
    if (o.size() == 0) return;
    const int w = control.width(), h = control.height();
    const platform::TileLattice& t = o.tiles;
    const auto left = DistinctPixels(t.Columns(), w, [&](int i) { return g.X(o.X(t.At(i, 0).left())); });
    const auto right = DistinctPixels(t.Columns(), w, [&](int i) { return g.X(o.X(t.At(i, 0).right() + 1)) - 1; });
    const auto top = DistinctPixels(t.Rows(), h, [&](int i) { return g.Y(o.Y(t.At(0, i).top())); });
    const auto bottom = DistinctPixels(t.Rows(), h, [&](int i) { return g.Y(o.Y(t.At(0, i).bottom() + 1)) - 1; });
    p.setPen(QPen(kPageOutlineColour, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    const int x0 = left.front().first, x1 = right.back().first, y0 = top.front().first, y1 = bottom.back().first;
    for (const auto* edges : {&left, &right})
        for (const auto& edge : *edges) p.drawLine(QLine(edge.first, y0, edge.first, y1));
    for (const auto* edges : {&top, &bottom})
        for (const auto& edge : *edges) p.drawLine(QLine(x0, edge.first, x1, edge.first));
}

}  // namespace

double PixelGrid::X(double twips) const { return std::floor(twips / twipsPerPixelX + 0.5); }
double PixelGrid::Y(double twips) const { return std::floor(twips / twipsPerPixelY + 0.5); }
PixelGrid PixelGrid::OfScreen() { return {platform::TwipsPerPixelX(), platform::TwipsPerPixelY()}; }

QImage ResamplePicture(const QImage& source, double shownWidth, double shownHeight, double partX,
                       double partY, QSize partSize) {
    if (source.isNull() || partSize.isEmpty() || !(shownWidth > 0) || !(shownHeight > 0)) return {};
    QImage out(partSize, source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                  : QImage::Format_RGB32);
    if (out.isNull()) return {};
    const qint64 pixels = qint64(partSize.width()) * partSize.height();
    int kx = SamplesPerAxis(source.width(), shownWidth);
    int ky = SamplesPerAxis(source.height(), shownHeight);
    // A part so large that the samples would not fit in a frame takes fewer
    // (a big preview needs less filtering anyway): fewer rows first, as
    // every sampled row is a trip to memory, then fewer columns.
    const double rowSpan = std::min(double(source.width()), partSize.width() * source.width() / shownWidth);
    const double rowBytes = std::max(1.0, rowSpan * source.depth() / 8.0);
    while (ky > 1 && partSize.height() * ky * rowBytes > kRowBytesBudget) --ky;
    while (kx > 1 && pixels * kx * ky > kSampleBudget) --kx;
    const std::vector<int> cols = SampleIndices(partX, partSize.width(), shownWidth, source.width(), kx);
    const std::vector<int> rows = SampleIndices(partY, partSize.height(), shownHeight, source.height(), ky);
    switch (source.format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32_Premultiplied:
            Resample(source, out, cols, kx, rows, ky, FetchDirect{});
            break;
        case QImage::Format_ARGB32: Resample(source, out, cols, kx, rows, ky, FetchUnpremultiplied{}); break;
        case QImage::Format_Indexed8: {
            QRgb table[256];
            std::fill_n(table, 256, qRgb(0, 0, 0));
            const QList<QRgb> colours = source.colorTable();
            for (int i = 0; i < std::min<int>(int(colours.size()), 256); ++i) table[i] = qPremultiply(colours[i]);
            Resample(source, out, cols, kx, rows, ky, FetchIndexed{table});
            break;
        }
        default: Resample(source, out, cols, kx, rows, ky, FetchAny{&source}); break;
    }
    return out;
}

const QImage& ScaledPictureCache::Get(const QImage& source, double shownWidth, double shownHeight,
                                      double partX, double partY, QSize partSize) {
    if (source.cacheKey() != mSourceKey || shownWidth != mShownWidth || shownHeight != mShownHeight ||
        partX != mPartX || partY != mPartY || partSize != mPartSize) {
        // Let the old copy go before the new one is made: never two at once.
        mScaled = QImage();
        mScaled = ResamplePicture(source, shownWidth, shownHeight, partX, partY, partSize);
        if (mFinish) mFinish(mScaled);
        mSourceKey = source.cacheKey();
        mShownWidth = shownWidth;
        mShownHeight = shownHeight;
        mPartX = partX;
        mPartY = partY;
        mPartSize = partSize;
        ++mRebuilds;
    }
    return mScaled;
}

void ScaledPictureCache::SetFinish(std::function<void(QImage&)> finish) {
    mFinish = std::move(finish);
    Clear();
}

void ScaledPictureCache::Clear() {
    mScaled = QImage();
    mSourceKey = 0;
    mShownWidth = mShownHeight = -1;
    mPartSize = QSize();
}

void RenderPageLayout(QPainter& p, const PageLayoutModel& m, QSize control, const QColor& background,
                      const QImage* picture, ScaledPictureCache& cache, const PixelGrid& g) {
    if (control.isEmpty()) return;
    const QRect bounds(QPoint(0, 0), control);
    p.save();
    p.setClipRect(bounds, Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(bounds, background);

    const RectElement& s = m.shpPage;
    if (s.Visible)
        DrawSheet(p, g.X(s.Left), g.Y(s.Top), g.X(double(s.Left) + s.Width), g.Y(double(s.Top) + s.Height),
                  control);

    for (const LineElement* line : {&m.lineHorizGuide1, &m.lineHorizGuide2, &m.lineVertGuide1, &m.lineVertGuide2})
        DrawLine(p, *line, g, control);
    DrawCopyGuides(p, m, g, control);

    const RectElement& im = m.imgImage;
    if (im.Visible && picture && !picture->isNull()) {
        const double l = g.X(im.Left), t = g.Y(im.Top);
        const double r = g.X(double(im.Left) + im.Width), b = g.Y(double(im.Top) + im.Height);
        if (r > l && b > t) {
            // Only the part inside the control is resampled.
            const int x0 = ClampToInt(std::max(l, 0.0), control.width());
            const int x1 = ClampToInt(std::min(r, double(control.width())), control.width());
            const int y0 = ClampToInt(std::max(t, 0.0), control.height());
            const int y1 = ClampToInt(std::min(b, double(control.height())), control.height());
            if (x1 > x0 && y1 > y0) {
                const QImage& scaled = cache.Get(*picture, r - l, b - t, x0 - l, y0 - t, QSize(x1 - x0, y1 - y0));
                p.drawImage(QPoint(x0, y0), scaled);
                // Further copies are the same size on the same sheet: the
                // one resampled copy serves them all.
                DrawCopies(p, m.copies, scaled, g, control);
            }
        }
    }
    // A poster's pages, outlined over the picture.
    DrawPageOutlines(p, m.posterPages, g, control);
    p.restore();
}

}  // namespace preview
