#include "support/PixelCheck.h"

#include <QPainter>
#include <QTransform>
#include <cstring>
#include <random>

namespace testcups {
namespace {

QImage Rgb(const QImage& image) {
    return image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
}

QString Dot(const uchar* p) { return QStringLiteral("(%1,%2,%3)").arg(p[0]).arg(p[1]).arg(p[2]); }

}  // namespace

QImage MakeNoise(int width, int height, quint32 seed) {
    std::mt19937 rng(seed);
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width * 3; ++x) line[x] = uchar(rng() & 0xff);
    }
    return image;
}

QImage OnWhite(const QImage& picture) {
    QImage out(picture.size(), QImage::Format_RGB888);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, picture.convertToFormat(QImage::Format_ARGB32));
    p.end();
    return out;
}

QString CompareAt(const QImage& pageIn, const QImage& expectedIn, QPoint at) {
    const QImage page = Rgb(pageIn);
    const QImage expected = Rgb(expectedIn);
    qint64 differing = 0, compared = 0;
    QString first;
    int shown = 0;
    for (int y = 0; y < expected.height(); ++y) {
        const int py = at.y() + y;
        if (py < 0 || py >= page.height()) continue;
        const uchar* e = expected.constScanLine(y);
        const uchar* p = page.constScanLine(py);
        for (int x = 0; x < expected.width(); ++x) {
            const int px = at.x() + x;
            if (px < 0 || px >= page.width()) continue;
            ++compared;
            if (memcmp(e + 3 * x, p + 3 * px, 3) != 0) {
                ++differing;
                if (shown++ < 5)
                    first += QStringLiteral("  picture (%1,%2) %3 printed (%4,%5) %6\n")
                                 .arg(x).arg(y).arg(Dot(e + 3 * x)).arg(px).arg(py).arg(Dot(p + 3 * px));
            }
        }
    }
    if (compared == 0) return QStringLiteral("the picture lies wholly off the page");
    if (differing == 0) return QString();
    return QStringLiteral("%1 of %2 dots differ from the picture placed at (%3,%4):\n%5")
        .arg(differing).arg(compared).arg(at.x()).arg(at.y()).arg(first);
}

std::optional<QPoint> FindNear(const QImage& page, const QImage& expected, QPoint guess, int radius) {
    const QImage rgbPage = Rgb(page);
    const QImage rgbExpected = Rgb(expected);
    for (int r = 0; r <= radius; ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                if (std::max(std::abs(dx), std::abs(dy)) != r) continue;
                const QPoint at = guess + QPoint(dx, dy);
                if (CompareAt(rgbPage, rgbExpected, at).isEmpty()) return at;
            }
    return std::nullopt;
}

QString CheckOutside(const QImage& pageIn, const QRect& picture, bool guides) {
    const QImage page = Rgb(pageIn);
    qint64 wrong = 0;
    QString first;
    for (int y = 0; y < page.height(); ++y) {
        const uchar* line = page.constScanLine(y);
        const bool insideRows = y >= picture.top() && y <= picture.bottom();
        const bool guideRow = guides && (y == picture.top() || y == picture.bottom());
        for (int x = 0; x < page.width(); ++x) {
            if (insideRows && x >= picture.left() && x <= picture.right()) {
                x = picture.right();
                continue;
            }
            const bool black = guideRow || (guides && (x == picture.left() || x == picture.right()));
            const uchar* p = line + 3 * x;
            const bool ok = black ? (p[0] == 0 && p[1] == 0 && p[2] == 0) : (p[0] == 255 && p[1] == 255 && p[2] == 255);
            if (!ok) {
                if (wrong++ < 6)
                    first += QStringLiteral("  (%1,%2) is %3, expected %4\n")
                                 .arg(x).arg(y).arg(Dot(p)).arg(black ? QStringLiteral("black") : QStringLiteral("white"));
            }
        }
    }
    if (wrong == 0) return QString();
    return QStringLiteral("%1 dots outside the picture %2,%3 %4x%5 are wrong (guides %6):\n%7")
        .arg(wrong).arg(picture.left()).arg(picture.top()).arg(picture.width()).arg(picture.height())
        .arg(guides ? QStringLiteral("on") : QStringLiteral("off")).arg(first);
}

QRect InkBounds(const QImage& pageIn) {
    const QImage page = Rgb(pageIn);
    int left = page.width(), right = -1, top = page.height(), bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        const uchar* line = page.constScanLine(y);
        for (int x = 0; x < page.width(); ++x) {
            const uchar* p = line + 3 * x;
            if (p[0] != 255 || p[1] != 255 || p[2] != 255) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) return QRect();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage Noise(int w, int h, bool withAlpha) {
    QImage img(w, h, QImage::Format_ARGB32);
    std::mt19937 rng(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t r = rng();
            const int a = withAlpha ? int((x + y) % 3 == 0 ? 0 : (x + y) % 3 == 1 ? 255 : (r >> 24)) : 255;
            img.setPixel(x, y, qRgba(int(r & 255), int((r >> 8) & 255), int((r >> 16) & 255), a));
        }
    return img;
}

QImage QuarterTurn(const QImage& page, bool clockwise) {
    return Rgb(page).transformed(QTransform().rotate(clockwise ? 90 : -90));
}

QImage CopiesPage(QSize page, const QImage& copy, int columns, int rows, bool guides,
                  const std::function<QPoint(int column, int row)>& corner) {
    QImage expected(page, QImage::Format_RGB32);
    expected.fill(Qt::white);
    QPainter p(&expected);
    for (const bool pictures : {false, true})
        for (int r = 0; r < rows; ++r)
            for (int k = 0; k < columns; ++k) {
                const QPoint at = corner(k, r);
                if (pictures) {
                    p.drawImage(at, copy);
                } else if (guides) {
                    for (const int x : {at.x(), at.x() + copy.width() - 1}) p.fillRect(x, 0, 1, page.height(), Qt::black);
                    for (const int y : {at.y(), at.y() + copy.height() - 1}) p.fillRect(0, y, page.width(), 1, Qt::black);
                }
            }
    p.end();
    return expected;
}

}  // namespace testcups
