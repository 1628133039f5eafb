#pragma once
// Dot-for-dot comparison of a printed page with the picture that was printed.
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>

namespace testcups {

// Reproducible RGB noise (every channel random), opaque.
QImage MakeNoise(int width, int height, quint32 seed);

// The picture as a page shows it: composed over white, RGB888.
QImage OnWhite(const QImage& picture);

// Empty when `page` holds `expected` exactly with its top-left at `at` (parts
// off the page are not compared); otherwise how many dots differ and the
// first few of them.
QString CompareAt(const QImage& page, const QImage& expected, QPoint at);

// Where, within `radius` dots of `guess`, the page holds `expected` exactly.
std::optional<QPoint> FindNear(const QImage& page, const QImage& expected, QPoint guess, int radius);

// Empty when every dot outside `picture` is white, or, with `guides`, black on
// the picture's outermost columns and rows (x == left, x == right, y == top,
// y == bottom) and white elsewhere; otherwise a description.
QString CheckOutside(const QImage& page, const QRect& picture, bool guides);

// The bounding rectangle of the dots that are not white (empty when none).
QRect InkBounds(const QImage& page);

// The page as RGB888, rotated a quarter turn (clockwise when `clockwise`).
QImage QuarterTurn(const QImage& page, bool clockwise);

}  // namespace testcups
