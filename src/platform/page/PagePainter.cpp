#include "platform/page/PagePainter.h"

#include "platform/base/Failure.h"
#include "platform/base/Numeric.h"
#include "platform/picture/PictureRows.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>
#include <memory>
#include <cmath>
#include <vector>

namespace platform {
namespace {

// Far beyond any page (a 3 m sheet at 9600 dpi is ~1.1e6 dots), far inside int.
constexpr double kMaxDots = 1e9;

// Nearest-neighbour source index for each of `count` destination dots when
// `source` pixels are stretched over `dest` dots and the first visible dot is
// `first` dots into the destination. Equal sizes give the identity.
std::vector<int> NearestMap(int source, int dest, int first, int count) {
    std::vector<int> map(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        // Centre of destination dot d is d + 0.5; its source pixel is
        // floor((d + 0.5) * source / dest), in integers.
        const qint64 d = qint64(first) + i;
        map[size_t(i)] = int(((2 * d + 1) * source) / (2 * qint64(dest)));
    }
    return map;
}

// A straight (not premultiplied) pixel laid onto white paper, opaque.
QRgb OntoWhite(QRgb p) {
    const int a = qAlpha(p);
    if (a == 255) return p;
    const auto mix = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
    return qRgb(mix(qRed(p)), mix(qGreen(p)), mix(qBlue(p)));
}

// The part inside `bounds` of the box at (left, top) of width x height,
// figures that may pass int.
QRect Within(const QRect& bounds, qint64 left, qint64 top, qint64 width, qint64 height) {
    if (bounds.isEmpty()) return QRect();
    const qint64 l = std::max<qint64>(left, bounds.left()), t = std::max<qint64>(top, bounds.top());
    const qint64 r = std::min<qint64>(left + width, qint64(bounds.right()) + 1);
    const qint64 b = std::min<qint64>(top + height, qint64(bounds.bottom()) + 1);
    if (l >= r || t >= b) return QRect();
    return QRect(int(l), int(t), int(r - l), int(b - t));
}

}  // namespace

void DotSink::Lattice(const QRect& cells, QPoint step, int across, int down, const QRect& visible, RowFill fill,
                      const QByteArray& identity) {
    for (int j = 0; j < down; ++j)
        for (int i = 0; i < across; ++i) {
            const QRect copy = cells.translated(i * step.x(), j * step.y());
            const QRect shown = copy & visible;
            if (shown.isEmpty()) continue;
            const QPoint skip = shown.topLeft() - copy.topLeft();
            QByteArray part = identity;
            QDataStream stream(&part, QIODevice::WriteOnly | QIODevice::Append);
            stream << skip << shown.size();
            Rows(shown,
                 [fill, skip, width = copy.width(), count = shown.width()](int r, QRgb* out) {
                     std::vector<QRgb> row(static_cast<size_t>(width));
                     fill(skip.y() + r, row.data());
                     std::copy(row.begin() + skip.x(), row.begin() + skip.x() + count, out);
                 },
                 part);
        }
}

int SnapToDot(double dots) {
    if (!(std::fabs(dots) <= kMaxDots)) Fail(QString::fromLatin1(kOverflow));
    return int(std::floor(dots + 0.5));
}

PagePainter::PagePainter(DotSink& sink, int deviceWidth, int deviceHeight, bool quarterTurn)
    : mSink(sink), mDeviceWidth(deviceWidth), mDeviceHeight(deviceHeight), mQuarterTurn(quarterTurn) {}

QRect PagePainter::ToDevice(const QRect& r) const {
    if (!mQuarterTurn) return r;
    // Caller dot (x, y) sits on device dot (y, deviceHeight - 1 - x).
    return QRect(QPoint(r.top(), mDeviceHeight - 1 - r.right()),
                 QPoint(r.bottom(), mDeviceHeight - 1 - r.left()));
}

QRect PagePainter::Visible() const {
    const QRect area(0, 0, Width(), Height());
    return mClip.isNull() ? area : (area & mClip);
}

void PagePainter::FillBlack(const QRect& callerDots) {
    const QRect visible = callerDots & Visible();
    if (visible.isEmpty()) return;
    mSink.Black(ToDevice(visible));
}

void PagePainter::Box(double x1, double y1, double x2, double y2, int width) {
    const int ax = SnapToDot(x1), bx = SnapToDot(x2), ay = SnapToDot(y1), by = SnapToDot(y2);
    const int left = std::min(ax, bx), right = std::max(ax, bx);
    const int top = std::min(ay, by), bottom = std::max(ay, by);
    width = std::max(width, 1);
    // A band `width` dots wide centred on its line; one dot wide lies on it.
    const int back = (width - 1) / 2;
    const int spanW = right - left + width, spanH = bottom - top + width;
    FillBlack(QRect(left - back, top - back, width, spanH));   // left side
    FillBlack(QRect(right - back, top - back, width, spanH));  // right side
    FillBlack(QRect(left - back, top - back, spanW, width));   // top side
    FillBlack(QRect(left - back, bottom - back, spanW, width));  // bottom side
}

namespace {

// The rows of the part `shown` of `image` stretched over `dest` (caller
// dots), as the device has them: turned a quarter when `quarterTurn` (device
// rows run up the caller's page). The filler shares the picture and its maps:
// a sink may read rows until the page is finished.
DotSink::RowFill RowsOf(const QImage& image, const QRect& dest, const QRect& shown, bool quarterTurn) {
    // 32-bit RGB is read as it is (its pixels are ARGB32's with the alpha
    // byte forced to opaque below): a converted copy would add the whole
    // decoded picture again to the job's peak memory. Other formats are
    // converted to straight ARGB32 first.
    const bool opaque32 = image.format() == QImage::Format_RGB32;
    const QImage source = opaque32 || image.format() == QImage::Format_ARGB32
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32);
    const auto columns = std::make_shared<const std::vector<int>>(
        NearestMap(source.width(), dest.width(), shown.left() - dest.left(), shown.width()));
    const auto rows = std::make_shared<const std::vector<int>>(
        NearestMap(source.height(), dest.height(), shown.top() - dest.top(), shown.height()));
    // Nearest pixel of `in` laid onto white paper, opaque.
    const auto dot = [opaque32](const QRgb* in, int x) {
        return opaque32 ? (in[x] | 0xff000000u) : OntoWhite(in[x]);
    };
    if (!quarterTurn) {
        const int width = shown.width();
        if (source.width() == dest.width()) {
            // One pixel per dot: the row's pixels in order, no map to read.
            const int first = shown.left() - dest.left();
            return [source, rows, opaque32, width, first](int r, QRgb* out) {
                const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine((*rows)[size_t(r)])) + first;
                if (opaque32)
                    for (int c = 0; c < width; ++c) out[c] = in[c] | 0xff000000u;
                else
                    for (int c = 0; c < width; ++c) out[c] = OntoWhite(in[c]);
            };
        }
        return [source, columns, rows, dot, width](int r, QRgb* out) {
            const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine((*rows)[size_t(r)]));
            for (int c = 0; c < width; ++c) out[c] = dot(in, (*columns)[size_t(c)]);
        };
    }
    // Device row r is caller column shown.right() - r; device column c is
    // caller row shown.top() + c.
    return [source, columns, rows, dot, width = shown.height(), last = shown.width() - 1](int r, QRgb* out) {
        const int sx = (*columns)[size_t(last - r)];
        for (int c = 0; c < width; ++c)
            out[c] = dot(reinterpret_cast<const QRgb*>(source.constScanLine((*rows)[size_t(c)])), sx);
    };
}

// The dots a picture at (x, y) stretched over w x h covers, snapped as every
// edge is; empty when it covers none.
QRect SnappedRect(double x, double y, double w, double h) {
    const int left = SnapToDot(x), top = SnapToDot(y);
    const int right = SnapToDot(x + w), bottom = SnapToDot(y + h);
    if (right <= left || bottom <= top) return QRect();
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

}  // namespace

void PagePainter::Picture(const QImage& image, double x, double y, double w, double h) {
    if (image.isNull()) return;
    const QRect dest = SnappedRect(x, y, w, h);
    const QRect visible = dest & Visible();
    if (visible.isEmpty()) return;
    // The same picture at the same size, the same part of it showing and
    // turned alike: the same pixels wherever the mark stands.
    QByteArray identity;
    QDataStream(&identity, QIODevice::WriteOnly)
        << image.cacheKey() << dest.size() << (visible.topLeft() - dest.topLeft()) << visible.size() << mQuarterTurn;
    mSink.Rows(ToDevice(visible), RowsOf(image, dest, visible, mQuarterTurn), identity);
}

void PagePainter::Streamed(const std::shared_ptr<PictureRows>& rows, double x, double y) {
    // Its rows come top to bottom: a quarter turn would need them across.
    if (mQuarterTurn) Fail(QStringLiteral("A picture read row by row cannot be turned"));
    const QSize size = rows->Size();
    const QRect dest = SnappedRect(x, y, size.width(), size.height());
    const QRect visible = dest & Visible();
    if (visible.isEmpty()) {
        rows->Finish();
        return;
    }
    const int first = visible.left() - dest.left(), top = visible.top() - dest.top();
    mSink.Rows(ToDevice(visible),
               [rows, first, top, width = visible.width(), last = visible.height() - 1](int r, QRgb* out) {
                   const QRgb* in = rows->Row(top + r) + first;
                   for (int c = 0; c < width; ++c) out[c] = OntoWhite(in[c]);
                   if (r == last) rows->Finish();
               },
               QByteArray());
}

void PagePainter::Copies(const QImage& image, double x, double y, double w, double h, const CopyBlock& block) {
    const int columns = std::max(block.columns, 1);
    if (block.count <= mOneByOne) {
        for (int i = 0; i < int(block.count); ++i)
            Picture(image, x + double(i % columns) * block.stepX, y + double(i / columns) * block.stepY, w, h);
        return;
    }
    // Rows of copies on one sheet: never more than the sheet has dots down.
    const int fullRows = IntChecked(block.count / columns), rest = int(block.count % columns);
    Lattice(image, x, y, w, h, columns, fullRows, block.stepX, block.stepY);
    if (rest > 0) Lattice(image, x, y + double(fullRows) * block.stepY, w, h, rest, 1, block.stepX, block.stepY);
}

void PagePainter::Lattice(const QImage& image, double x, double y, double w, double h, int across, int down,
                          int stepX, int stepY) {
    if (image.isNull() || across <= 0 || down <= 0) return;
    // Whole-dot steps from a snapped first copy: every copy lands where
    // Picture would put it (SnapToDot(x + k) is SnapToDot(x) + k).
    const QRect dest = SnappedRect(x, y, w, h);
    if (dest.isEmpty()) return;
    stepX = std::max(stepX, dest.width());
    stepY = std::max(stepY, dest.height());
    // The block's extent in 64 bits, cut to what the page shows.
    const QRect visible = Within(Visible(), dest.left(), dest.top(), MulChecked(across - 1, stepX) + dest.width(),
                                 MulChecked(down - 1, stepY) + dest.height());
    if (visible.isEmpty()) return;
    QByteArray identity;
    QDataStream(&identity, QIODevice::WriteOnly) << image.cacheKey() << dest.size() << mQuarterTurn;
    const DotSink::RowFill fill = RowsOf(image, dest, dest, mQuarterTurn);
    if (!mQuarterTurn) {
        mSink.Lattice(dest, QPoint(stepX, stepY), across, down, visible, fill, identity);
    } else {
        // The caller's rows of copies are the device's columns, and its last
        // column of copies the device's top row.
        const QRect first = ToDevice(dest.translated(IntChecked(MulChecked(across - 1, stepX)), 0));
        mSink.Lattice(first, QPoint(stepY, stepX), down, across, ToDevice(visible), fill, identity);
    }
}

}  // namespace platform
