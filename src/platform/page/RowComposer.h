#pragma once
// The marks of one page laid into rows of cells, one cell row at a time and
// top to bottom: what a writer that emits a page row by row (a raster) draws
// from. The marks keep their row fillers over the shared picture, so the
// page never holds a copy of it, only the row being composed.
#include "platform/page/PagePainter.h"

#include <QPoint>
#include <QRect>
#include <QRgb>
#include <vector>

namespace platform {

// The page writers' two colours: bare paper and full ink.
inline constexpr QRgb kPaper = 0xffffffffu;
inline constexpr QRgb kInk = 0xff000000u;

class RowComposer {
public:
    using RowFill = DotSink::RowFill;
    // Every mark is a lattice; a single one is one copy wide and high.
    struct Mark {
        QRect cells;    // the (first) copy, whole
        RowFill fill;   // empty: black
        QPoint step;    // from one copy to the next
        int across = 1;
        int down = 1;
        QRect visible;  // the cells marked
    };

    // Marks drawn later cover earlier ones.
    void Rows(const QRect& cells, RowFill fill);
    void Black(const QRect& cells);
    void Lattice(const QRect& cells, QPoint step, int across, int down, const QRect& visible, RowFill fill);

    // Composes cell row `row` into `cells` (the row's cells, cell 0 first):
    // paper, then every mark crossing it. False, and `cells` untouched, when
    // no mark crosses the row. Rows are asked for in increasing order.
    bool Compose(int row, QRgb* cells, int cellCount);
    // Forgets every mark, for the next page.
    void Clear();

private:
    // Lays mark `m`'s part on cell row `row` onto `cells`.
    static void ComposeMark(const Mark& m, int row, QRgb* cells, std::vector<QRgb>& scratch);
    // Brings in the marks starting by `row` and drops those ended before it.
    void Advance(int row);

    // What a row needs of each mark crossing it, packed: a page of guides
    // has thousands of them on every row.
    struct Active {
        int mark;
        int left, right, bottom;
        bool black;
        bool operator<(const Active& other) const { return mark < other.mark; }
    };
    std::vector<Mark> mMarks;
    std::vector<int> mByTop;  // the marks by their first row; empty until the first row is composed
    size_t mNext = 0;         // the next of mByTop to come in
    std::vector<Active> mActive;
    std::vector<QRgb> mScratch;
};

}  // namespace platform
