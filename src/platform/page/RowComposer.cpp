#include "platform/page/RowComposer.h"

#include <algorithm>

namespace platform {

void RowComposer::Rows(const QRect& cells, RowFill fill) {
    mMarks.push_back(Mark{cells, std::move(fill), QPoint(cells.width(), cells.height()), 1, 1, cells});
}

void RowComposer::Black(const QRect& cells) {
    mMarks.push_back(Mark{cells, {}, QPoint(cells.width(), cells.height()), 1, 1, cells});
}

void RowComposer::Lattice(const QRect& cells, QPoint step, int across, int down, const QRect& visible,
                          RowFill fill) {
    if (visible.isEmpty() || across <= 0 || down <= 0) return;
    mMarks.push_back(Mark{cells, std::move(fill), step, across, down, visible});
}

void RowComposer::Clear() {
    mMarks.clear();
    mByTop.clear();
    mNext = 0;
    mActive.clear();
}

void RowComposer::ComposeMark(const Mark& m, int row, QRgb* cells, std::vector<QRgb>& scratch) {
    const int left = m.visible.left(), right = m.visible.right();
    if (!m.fill) {
        std::fill(cells + left, cells + right + 1, kInk);
        return;
    }
    // The copy row this cell row crosses, if any (rows between copies are
    // left as they are).
    const int dy = row - m.cells.top();
    const int copyRow = dy / m.step.y(), r = dy % m.step.y();
    if (copyRow >= m.down || r >= m.cells.height()) return;
    const int width = m.cells.width();
    if (m.across == 1 && m.cells.left() == left && width == m.visible.width()) {
        m.fill(r, cells + left);
        return;
    }
    scratch.resize(size_t(width));
    m.fill(r, scratch.data());
    const int first = (left - m.cells.left()) / m.step.x();
    const int last = std::min(m.across - 1, (right - m.cells.left()) / m.step.x());
    for (int k = first; k <= last; ++k) {
        const int x0 = m.cells.left() + k * m.step.x();
        const int from = std::max(x0, left), to = std::min(x0 + width - 1, right);
        if (from <= to) std::copy(scratch.begin() + (from - x0), scratch.begin() + (to - x0 + 1), cells + from);
    }
}

void RowComposer::Advance(int row) {
    if (mByTop.size() != mMarks.size()) {
        mByTop.resize(mMarks.size());
        for (size_t i = 0; i < mByTop.size(); ++i) mByTop[i] = int(i);
        std::stable_sort(mByTop.begin(), mByTop.end(), [this](int a, int b) {
            return mMarks[size_t(a)].visible.top() < mMarks[size_t(b)].visible.top();
        });
    }
    // Marks starting together come in drawing order (the sort is stable),
    // so one merge keeps the whole list in that order.
    const size_t kept = mActive.size();
    for (; mNext < mByTop.size() && mMarks[size_t(mByTop[mNext])].visible.top() <= row; ++mNext) {
        const Mark& m = mMarks[size_t(mByTop[mNext])];
        mActive.push_back(Active{mByTop[mNext], m.visible.left(), m.visible.right(), m.visible.bottom(), !m.fill});
    }
    std::inplace_merge(mActive.begin(), mActive.begin() + std::ptrdiff_t(kept), mActive.end());
    std::erase_if(mActive, [row](const Active& a) { return a.bottom < row; });
}

bool RowComposer::Compose(int row, QRgb* cells, int cellCount) {
    Advance(row);
    if (mActive.empty()) return false;
    std::fill(cells, cells + cellCount, kPaper);
    for (const Active& a : mActive) {
        if (a.black) std::fill(cells + a.left, cells + a.right + 1, kInk);
        else ComposeMark(mMarks[size_t(a.mark)], row, cells, mScratch);
    }
    return true;
}

}  // namespace platform
