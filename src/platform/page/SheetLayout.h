#pragma once
// Where the picture goes on the sheets of one job: magnified by whole dots,
// repeated on the sheet, or cut into tiles across pages. Plain arithmetic in
// device dots (cells of the printer's grid), origin at the printable area's
// top-left; every size and step is a whole number of dots, so each copy and
// each tile lands on the grid exactly as the first one does.
#include <QRect>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace platform {

inline constexpr int kMaxDotsPerPixel = 16;
// Copies on the sheet: as many as fit.
inline constexpr int kCopiesFill = 0;
inline constexpr int kMaxCopies = 9999;
// Gaps and overlaps beyond this are refused: a gap wider than any sheet.
inline constexpr int kMaxSpacingDots = 99999;

// What the user chose. The defaults print one copy, one page, one dot per
// pixel: the picture centred in the printable area, cut off evenly there
// when it is larger.
struct SheetOptions {
    int dotsPerPixel = 1;  // each picture pixel an N x N block of dots
    int copies = 1;        // on each sheet; kCopiesFill: as many as fit
    int gapDots = 0;       // between neighbouring copies
    bool poster = false;   // a picture larger than the area goes across pages
    int overlapDots = 0;   // shared by neighbouring tiles of a poster
    bool operator==(const SheetOptions&) const = default;
};

// The most dots a picture may take across or down once magnified, and the
// most pixels it may have: the print job's and the panel's figures are 16-bit.
inline constexpr int kLargestSide = 32767;

// The picture's size in dots at `dotsPerPixel`, or an empty size when either
// side would pass kLargestSide dots (no page could take it).
QSize ScaledSize(int pixelsX, int pixelsY, int dotsPerPixel);
// The one rule for a picture too large once magnified...
bool TooLargeAt(int pixelsX, int pixelsY, int dotsPerPixel);
// ...and its one message: "too large at 16 dots per pixel".
QString TooLargeText(int dotsPerPixel);

// Copies of a picture of `picture` dots in a grid centred as a block in an
// area of `area` dots, `gap` dots apart.
// Counts are 64-bit: a one-dot picture fills an A3 sheet at 4800 dpi with
// 4.46e9 copies.
struct CopyGrid {
    qint64 fit = 0;        // copies one sheet holds (0: not even one whole)
    int columns = 1;       // of the block on each page
    int rows = 1;
    qint64 pages = 1;
    qint64 count = 1;      // copies in all
    float left = 0;        // the block's top-left, halves kept as the device
    float top = 0;         //   rounds them (see SnapToDot)
    int stepX = 0;         // from one copy's left edge to the next one's
    int stepY = 0;
    // Copies on `page` (0-based): the block fills row by row, so every page
    // puts its copies where the first page does.
    qint64 CopiesOn(qint64 page) const;
};
// `copies` is a count or kCopiesFill; counted, never placed one by one. A
// count larger than one sheet holds goes on as many sheets as it needs; a
// picture larger than the area is one copy per sheet, centred and cut off
// evenly.
CopyGrid LayOutCopies(QSize area, QSize picture, int copies, int gap);

// The tiles of a poster as a formula, not a list: tile (column, row) is the
// part of the picture from (column * step.x, row * step.y), a tile's size,
// cut to the picture. Indexed row by row; a tile costs nothing until it is
// asked for, so a plan of a billion tiles is as small as one of four.
class TileLattice {
public:
    TileLattice() = default;
    TileLattice(QSize picture, QSize tile, QPoint step, int columns, int rows);
    qint64 size() const { return qint64(mColumns) * mRows; }
    int Columns() const { return mColumns; }
    int Rows() const { return mRows; }
    QRect At(int column, int row) const;
    QRect operator[](qint64 index) const { return At(int(index % mColumns), int(index / mColumns)); }

    class Iterator {
    public:
        QRect operator*() const { return (*mLattice)[mIndex]; }
        Iterator& operator++() { ++mIndex; return *this; }
        bool operator==(const Iterator&) const = default;

    private:
        friend class TileLattice;
        Iterator(const TileLattice* lattice, qint64 index) : mLattice(lattice), mIndex(index) {}
        const TileLattice* mLattice;
        qint64 mIndex;
    };
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, size()); }

private:
    QSize mPicture, mTile;
    QPoint mStep;
    int mColumns = 0, mRows = 0;
};

// A picture larger than the area cut into tiles, one per page, each placed at
// `origin`: inside a band of `band` dots kept clear on every side for the
// registration marks and the page's label.
struct PosterPlan {
    int columns = 1;
    int rows = 1;
    int band = 0;               // 0: the area was too small to keep one
    QSize tile;                 // the most of the picture one page holds
    int overlap = 0;            // dots neighbouring tiles share
    TileLattice tiles;          // parts of the picture (its dots), row by row
    qint64 Pages() const { return tiles.size(); }
};
// The clear band a poster page would like around its tile at `dotsPerInch`:
// a quarter inch, room for the registration marks and a label a little taller
// than 2 mm.
int PosterBandDots(double dotsPerInch);
// Whether `options` asks for a poster and the picture needs one.
bool NeedsPoster(const SheetOptions& options, QSize area, QSize picture);
// `band` is what the caller would like kept clear; it is dropped when the
// tile left would be smaller than twice the band. The overlap is cut to one
// dot less than the tile.
PosterPlan LayOutPoster(QSize area, QSize picture, int overlap, int band);

// A job of more sheets than this is more likely a slip (a count typed a
// digit too long, a picture far larger than meant) than wanted: the command
// line asks for --yes, the window asks a question.
inline constexpr int kSheetsWithoutAsking = 100;

// What a layout makes of a picture of `pixels` (magnified as `options` say)
// on an area of `area` dots, before anything is drawn or laid out: counted by
// arithmetic, so a refused or huge layout costs nothing.
struct LayoutCheck {
    QString refusal;        // one sentence when the layout cannot be meant; empty otherwise
    qint64 sheets = 1;      // the sheets the job takes
    bool tooLarge = false;  // refused by TooLargeAt, with TooLargeText's words
    bool NeedsConfirming() const { return refusal.isEmpty() && sheets > kSheetsWithoutAsking; }
    // The refusal as a sentence of its own, for a message or the panel.
    QString RefusalSentence() const {
        return refusal.isEmpty() ? refusal : refusal.left(1).toUpper() + refusal.mid(1) + QLatin1Char('.');
    }
};
// `band` as LayOutPoster takes it. Refused: a picture too large once
// magnified; a poster whose overlap is not smaller than its tile, across or
// down (each tile would add a dot or less of picture, tens of thousands of
// pages for one picture); figures beyond what 64 bits count (kOverflowText).
LayoutCheck CheckLayout(const SheetOptions& options, QSize area, QSize pixels, int band);
// The refusal of a layout whose figures (the area's among them) pass what
// the program counts.
inline const char* const kOverflowText = "the layout's figures are too large to count";
LayoutCheck TooLargeToCount();
// Whether the picture is cut off at the printable area's edges: larger than
// the area, and not printed as a poster.
bool CutOff(const SheetOptions& options, QSize area, QSize picture);

// Short one-dot registration marks at the four corners of a tile of `tile`
// dots whose top-left lies at `origin`: two lines per corner, each on the
// tile's outermost row or column and pointing away from it, `offset` dots
// clear of the tile and `length` long. Each is a one-dot-wide rectangle.
std::vector<QRect> RegistrationMarks(QPoint origin, QSize tile, int offset, int length);

}  // namespace platform
