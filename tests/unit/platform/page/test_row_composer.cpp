// Marks laid into rows of cells: drawing order, lattices cut by their
// visible cells, and rows no mark crosses.
#include "platform/page/RowComposer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace platform;

namespace {

// The pixels of a mark `width` cells wide: each its column within the
// copy, shown as a digit.
RowComposer::RowFill Columns(int width) {
    return [width](int, QRgb* out) {
        for (int x = 0; x < width; ++x) out[x] = qRgb(0, 100, x);
    };
}

// Each cell row as text ('.' paper, '#' ink, a digit a column of a copy),
// "-" for a row no mark crosses.
std::vector<std::string> Composed(RowComposer& composer, int width, int height) {
    std::vector<std::string> rows;
    std::vector<QRgb> cells(size_t(width), qRgb(9, 9, 9));
    for (int row = 0; row < height; ++row) {
        if (!composer.Compose(row, cells.data(), width)) {
            rows.emplace_back("-");
            continue;
        }
        std::string text;
        for (const QRgb c : cells) text += c == kPaper ? '.' : c == kInk ? '#' : qGreen(c) == 100 ? char('0' + qBlue(c)) : '?';
        rows.push_back(text);
    }
    return rows;
}

TEST(RowComposer, LaterMarksCoverEarlierOnesAndLatticesKeepTheirGaps) {
    struct Case {
        const char* name;
        std::function<void(RowComposer&)> draw;
        std::vector<std::string> rows;
    };
    const std::vector<Case> cases = {
        {"rows", [](RowComposer& c) { c.Rows(QRect(1, 0, 3, 2), Columns(3)); }, {".012..", ".012..", "-"}},
        {"black over rows",
         [](RowComposer& c) {
             c.Rows(QRect(0, 1, 4, 1), Columns(4));
             c.Black(QRect(1, 1, 2, 1));
         },
         {"-", "0##3..", "-"}},
        {"rows over black",
         [](RowComposer& c) {
             c.Black(QRect(1, 1, 2, 1));
             c.Rows(QRect(0, 1, 4, 1), Columns(4));
         },
         {"-", "0123..", "-"}},
        {"lattice", [](RowComposer& c) { c.Lattice(QRect(0, 0, 2, 1), QPoint(3, 2), 2, 2, QRect(0, 0, 6, 4), Columns(2)); },
         {"01.01.", "......", "01.01.", "......"}},
        {"lattice cut", [](RowComposer& c) { c.Lattice(QRect(0, 0, 2, 1), QPoint(3, 2), 2, 2, QRect(1, 2, 3, 1), Columns(2)); },
         {"-", "-", ".1.0..", "-"}},
        {"empty lattice", [](RowComposer& c) { c.Lattice(QRect(0, 0, 2, 1), QPoint(3, 2), 0, 2, QRect(0, 0, 6, 4), Columns(2)); },
         {"-", "-"}},
    };
    for (const Case& c : cases) {
        RowComposer composer;
        c.draw(composer);
        EXPECT_EQ(Composed(composer, 6, int(c.rows.size())), c.rows) << c.name;
        // The next page starts bare.
        composer.Clear();
        EXPECT_EQ(Composed(composer, 6, 1), std::vector<std::string>{"-"}) << c.name;
    }
}

}  // namespace
