#pragma once
// Dot-for-dot comparison of a printed page with the picture that was printed.
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

namespace testcups {

// Reproducible RGB noise (every channel random), opaque.
QImage MakeNoise(int width, int height, quint32 seed);
// Reproducible ARGB noise; `withAlpha`: along each diagonal one pixel in
// three transparent, one opaque, one of random alpha.
QImage Noise(int w, int h, bool withAlpha);

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

// The page a block of `columns` x `rows` copies of `copy` must make: white,
// with (when `guides`) lines across the whole page on every copy's
// outermost columns and rows, then every copy over them, copy (k, r) with
// its top-left dot at `corner(k, r)`.
QImage CopiesPage(QSize page, const QImage& copy, int columns, int rows, bool guides,
                  const std::function<QPoint(int column, int row)>& corner);

}  // namespace testcups
