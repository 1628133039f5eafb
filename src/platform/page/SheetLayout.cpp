#include "platform/page/SheetLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {
namespace {
constexpr int kLargestSide = 32767;

// Tiles of `tile` dots, `step` apart, that together cover `extent` dots.
int TilesAcross(int extent, int tile, int step) {
    if (extent <= tile) return 1;
    return 1 + (extent - tile + step - 1) / step;
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

int CopyGrid::CopiesOn(int page) const {
    const int perPage = columns * rows;
    return std::clamp(count - page * perPage, 0, perPage);
}

CopyGrid LayOutCopies(QSize area, QSize picture, int copies, int gap) {
    CopyGrid g;
    gap = std::max(gap, 0);
    const int w = std::max(picture.width(), 1), h = std::max(picture.height(), 1);
    // n copies and n - 1 gaps fit when n (w + gap) <= area + gap.
    const int across = picture.width() <= area.width() ? (area.width() + gap) / (w + gap) : 0;
    const int down = picture.height() <= area.height() ? (area.height() + gap) / (h + gap) : 0;
    g.fit = across * down;
    g.count = copies == kCopiesFill ? std::max(g.fit, 1) : std::max(copies, 1);
    if (g.fit == 0) {
        g.pages = g.count;
    } else {
        g.columns = std::min(g.count, across);
        g.rows = std::min((g.count + g.columns - 1) / g.columns, down);
        const int perPage = g.columns * g.rows;
        g.pages = (g.count + perPage - 1) / perPage;
    }
    g.stepX = picture.width() + gap;
    g.stepY = picture.height() + gap;
    const int blockW = g.columns * g.stepX - gap, blockH = g.rows * g.stepY - gap;
    // Single precision as the one-copy page has always been placed, so one
    // copy lands exactly where it did before there were copies.
    g.left = (float(area.width()) - float(blockW)) / 2.0f;
    g.top = (float(area.height()) - float(blockH)) / 2.0f;
    return g;
}

int PosterBandDots(double dotsPerInch) { return int(std::lround(0.25 * std::max(dotsPerInch, 0.0))); }

bool NeedsPoster(const SheetOptions& options, QSize area, QSize picture) {
    return options.poster && (picture.width() > area.width() || picture.height() > area.height());
}

PosterPlan LayOutPoster(QSize area, QSize picture, int overlap, int band) {
    PosterPlan p;
    p.band = std::max(band, 0);
    if (area.width() - 2 * p.band < 2 * p.band || area.height() - 2 * p.band < 2 * p.band) p.band = 0;
    p.tile = QSize(std::max(area.width() - 2 * p.band, 1), std::max(area.height() - 2 * p.band, 1));
    p.overlap = std::clamp(overlap, 0, std::min(p.tile.width(), p.tile.height()) - 1);
    const int stepX = p.tile.width() - p.overlap, stepY = p.tile.height() - p.overlap;
    p.columns = TilesAcross(picture.width(), p.tile.width(), stepX);
    p.rows = TilesAcross(picture.height(), p.tile.height(), stepY);
    for (int r = 0; r < p.rows; ++r)
        for (int c = 0; c < p.columns; ++c) {
            const QRect whole(c * stepX, r * stepY, p.tile.width(), p.tile.height());
            p.tiles.push_back(whole & QRect(QPoint(0, 0), picture));
        }
    return p;
}

LayoutCheck CheckLayout(const SheetOptions& options, QSize area, QSize picture, int band) {
    LayoutCheck check;
    if (NeedsPoster(options, area, picture)) {
        // Only the tile's size is wanted here: a plan of one tile.
        const QSize tile = LayOutPoster(area, QSize(1, 1), 0, band).tile;
        if (options.overlapDots >= std::min(tile.width(), tile.height())) {
            check.refusal = QStringLiteral("an overlap of %1 dots is not smaller than the poster's tile of "
                                           "%2 x %3 dots")
                                .arg(options.overlapDots)
                                .arg(tile.width())
                                .arg(tile.height());
            check.sheets = 0;
            return check;
        }
        // Counted, not laid out: the count is what may be too large.
        const qint64 across = TilesAcross(picture.width(), tile.width(), tile.width() - options.overlapDots);
        const qint64 down = TilesAcross(picture.height(), tile.height(), tile.height() - options.overlapDots);
        check.sheets = int(std::min<qint64>(across * down, std::numeric_limits<int>::max()));
        return check;
    }
    check.sheets = LayOutCopies(area, picture, options.copies, options.gapDots).pages;
    return check;
}

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
