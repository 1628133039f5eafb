#include "platform/page/SheetLayout.h"

#include "platform/base/Failure.h"
#include "platform/base/Numeric.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {
namespace {

// Tiles of `tile` dots, `step` apart, that together cover `extent` dots.
qint64 TilesAcross(qint64 extent, qint64 tile, qint64 step) {
    if (extent <= tile) return 1;
    return 1 + (extent - tile + step - 1) / step;
}

// The clear band LayOutPoster keeps: dropped when the tile left would be
// smaller than twice the band.
int KeptBand(QSize area, int band) {
    const qint64 b = std::max(band, 0);
    return qint64(area.width()) < 4 * b || qint64(area.height()) < 4 * b ? 0 : int(b);
}

QSize TileOf(QSize area, int band) {
    return QSize(std::max(area.width() - 2 * band, 1), std::max(area.height() - 2 * band, 1));
}

}  // namespace

QSize ScaledSize(int pixelsX, int pixelsY, int dotsPerPixel) {
    const qint64 w = qint64(pixelsX) * dotsPerPixel, h = qint64(pixelsY) * dotsPerPixel;
    if (w < 0 || h < 0 || w > kLargestSide || h > kLargestSide) return QSize();
    return QSize(int(w), int(h));
}

bool TooLargeAt(int pixelsX, int pixelsY, int dotsPerPixel) {
    return pixelsX > 0 && pixelsY > 0 && ScaledSize(pixelsX, pixelsY, dotsPerPixel).isEmpty();
}

QString TooLargeText(int dotsPerPixel) { return QStringLiteral("too large at %1 dots per pixel").arg(dotsPerPixel); }

qint64 CopyGrid::CopiesOn(qint64 page) const {
    const qint64 perPage = qint64(columns) * rows;
    return std::clamp(count - page * perPage, qint64(0), perPage);
}

CopyGrid LayOutCopies(QSize area, QSize picture, int copies, int gap) {
    CopyGrid g;
    const qint64 space = std::max(gap, 0);
    const qint64 w = std::max(picture.width(), 1), h = std::max(picture.height(), 1);
    // n copies and n - 1 gaps fit when n (w + gap) <= area + gap.
    const qint64 across = picture.width() <= area.width() ? std::max<qint64>((area.width() + space) / (w + space), 0) : 0;
    const qint64 down = picture.height() <= area.height() ? std::max<qint64>((area.height() + space) / (h + space), 0) : 0;
    g.fit = across * down;  // each below 2^32: no overflow
    g.count = copies == kCopiesFill ? std::max<qint64>(g.fit, 1) : std::max(copies, 1);
    if (g.fit == 0) {
        g.pages = g.count;
    } else {
        g.columns = int(std::min(g.count, across));
        g.rows = int(std::min((g.count + g.columns - 1) / g.columns, down));
        const qint64 perPage = qint64(g.columns) * g.rows;
        g.pages = (g.count + perPage - 1) / perPage;
    }
    g.stepX = IntChecked(picture.width() + space);
    g.stepY = IntChecked(picture.height() + space);
    const qint64 blockW = g.columns * qint64(g.stepX) - space, blockH = g.rows * qint64(g.stepY) - space;
    // Single precision as the one-copy page has always been placed, so one
    // copy lands exactly where it did before there were copies.
    g.left = (float(area.width()) - float(blockW)) / 2.0f;
    g.top = (float(area.height()) - float(blockH)) / 2.0f;
    return g;
}

int PosterBandDots(double dotsPerInch) {
    return int(std::lround(0.25 * std::clamp(dotsPerInch, 0.0, double(std::numeric_limits<int>::max()))));
}

bool NeedsPoster(const SheetOptions& options, QSize area, QSize picture) {
    return options.poster && (picture.width() > area.width() || picture.height() > area.height());
}

TileLattice::TileLattice(QSize picture, QSize tile, QPoint step, int columns, int rows)
    : mPicture(picture), mTile(tile), mStep(step), mColumns(columns), mRows(rows) {}

QRect TileLattice::At(int column, int row) const {
    // In 64 bits, then cut to the picture: every figure fits its int again.
    const qint64 left = qint64(column) * mStep.x(), top = qint64(row) * mStep.y();
    const qint64 right = std::min<qint64>(left + mTile.width(), mPicture.width());
    const qint64 bottom = std::min<qint64>(top + mTile.height(), mPicture.height());
    if (left >= right || top >= bottom) return QRect();
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

PosterPlan LayOutPoster(QSize area, QSize picture, int overlap, int band) {
    PosterPlan p;
    p.band = KeptBand(area, band);
    p.tile = TileOf(area, p.band);
    p.overlap = std::clamp(overlap, 0, std::min(p.tile.width(), p.tile.height()) - 1);
    const int stepX = p.tile.width() - p.overlap, stepY = p.tile.height() - p.overlap;
    // At most one a dot of the picture each way.
    p.columns = IntChecked(TilesAcross(picture.width(), p.tile.width(), stepX));
    p.rows = IntChecked(TilesAcross(picture.height(), p.tile.height(), stepY));
    p.tiles = TileLattice(picture, p.tile, QPoint(stepX, stepY), p.columns, p.rows);
    return p;
}

namespace {
LayoutCheck Refused(QString why) {
    LayoutCheck check;
    check.refusal = std::move(why);
    check.sheets = 0;
    return check;
}
}  // namespace

LayoutCheck CheckLayout(const SheetOptions& options, QSize area, QSize pixels, int band) {
    if (TooLargeAt(pixels.width(), pixels.height(), options.dotsPerPixel)) {
        LayoutCheck check = Refused(TooLargeText(options.dotsPerPixel));
        check.tooLarge = true;
        return check;
    }
    const QSize picture = ScaledSize(pixels.width(), pixels.height(), options.dotsPerPixel);
    LayoutCheck check;
    try {
        if (!NeedsPoster(options, area, picture)) {
            check.sheets = LayOutCopies(area, picture, options.copies, options.gapDots).pages;
            return check;
        }
        const QSize tile = TileOf(area, KeptBand(area, band));
        if (options.overlapDots >= std::min(tile.width(), tile.height()))
            return Refused(QStringLiteral("an overlap of %1 dots is not smaller than the poster's tile of "
                                          "%2 x %3 dots")
                               .arg(options.overlapDots)
                               .arg(tile.width())
                               .arg(tile.height()));
        // Counted, not laid out: the count is what may be too large.
        const qint64 overlap = std::max(options.overlapDots, 0);
        check.sheets = MulChecked(TilesAcross(picture.width(), tile.width(), tile.width() - overlap),
                                  TilesAcross(picture.height(), tile.height(), tile.height() - overlap));
    } catch (const Failure&) {
        return TooLargeToCount();
    }
    return check;
}

LayoutCheck TooLargeToCount() { return Refused(QString::fromLatin1(kOverflowText)); }

bool CutOff(const SheetOptions& options, QSize area, QSize picture) {
    return !NeedsPoster(options, area, picture) &&
           (picture.width() > area.width() || picture.height() > area.height());
}

std::vector<QRect> RegistrationMarks(QPoint origin, QSize tile, int offset, int length) {
    std::vector<QRect> marks;
    if (length <= 0 || tile.isEmpty()) return marks;
    const int left = origin.x(), top = origin.y();
    const int right = left + tile.width() - 1, bottom = top + tile.height() - 1;
    const int outLeft = left - offset - length, outRight = right + offset + 1;
    const int outTop = top - offset - length, outBottom = bottom + offset + 1;
    for (const int y : {top, bottom}) {
        marks.emplace_back(outLeft, y, length, 1);   // along the row, to the left
        marks.emplace_back(outRight, y, length, 1);  // and to the right
    }
    for (const int x : {left, right}) {
        marks.emplace_back(x, outTop, 1, length);     // along the column, upwards
        marks.emplace_back(x, outBottom, 1, length);  // and downwards
    }
    return marks;
}

}  // namespace platform
