#pragma once
// Type sizes on the calibration page, shared by its layout (which leaves
// room for the text) and its drawing (which sets it).
#include <algorithm>
#include <cmath>

namespace printing::testpage {

// Type sizes in points, turned into pixel sizes at `dpi`.
inline constexpr double kTextPoints = 10;
inline constexpr double kHeadingPoints = 14;
inline constexpr double kSmallPoints = 7;
inline constexpr double kRulerPoints = 6;
inline int PixelSize(double points, int dpi) { return std::max(6, int(std::lround(points * dpi / 72.0))); }

// Sizes of a fold scale's numbers (and caption) at `dpi`, in dots.
struct FoldText {
    int width, height, gap;
};
inline FoldText FoldTextAt(int dpi) {
    const int pixels = PixelSize(kRulerPoints, dpi);
    return {pixels * 3, pixels * 3 / 2, std::max(1, dpi / 100)};
}

}  // namespace printing::testpage
