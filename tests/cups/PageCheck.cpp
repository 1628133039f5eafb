#include "PageCheck.h"

#include "CupsFixture.h"

#include "platform/picture/Picture.h"
#include "printing/PrintJob.h"
#include "support/PixelCheck.h"

#include <QPainter>
#include <cmath>
#include <random>

namespace cupstest {

QImage Picture(int w, int h, bool colour, quint32 seed) {
    if (colour) return testcups::MakeNoise(w, h, seed);
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, rng() & 1 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return img;
}

QImage FramedPicture(int w, int h, quint32 seed, bool greyRamp) {
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool frame = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            const int level = greyRamp && x >= w / 2 ? (x - w / 2) * 255 / (w - w / 2) : (rng() & 1) * 255;
            img.setPixel(x, y, frame ? qRgb(0, 0, 0) : qRgb(level, level, level));
        }
    return img;
}

QRect InkBox(const QImage& page) {
    const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
    int left = grey.width(), right = -1, top = grey.height(), bottom = -1;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            if (row[x] < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = y;
            }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

namespace {

// The whole raster as it must be: white, the guides along the picture's
// outermost cell rows and columns across the printable cells, the picture on
// top, every cell fx x fy dots.
QImage ExpectedPage(QSize raster, const Grid& g, const QImage& picture, QPoint at, bool guides) {
    QImage page(raster, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    const auto cellRect = [&](int x, int y, int w, int h) {
        return QRect(g.origin.x() + x * g.fx, g.origin.y() + y * g.fy, w * g.fx, h * g.fy);
    };
    if (guides) {
        const int W = g.cells.width(), H = g.cells.height(), w = picture.width(), h = picture.height();
        for (const QRect& r : {cellRect(at.x(), 0, 1, H), cellRect(at.x() + w - 1, 0, 1, H), cellRect(0, at.y(), W, 1),
                               cellRect(0, at.y() + h - 1, W, 1)})
            p.fillRect(r & cellRect(0, 0, W, H), Qt::black);
    }
    p.drawImage(cellRect(at.x(), at.y(), picture.width(), picture.height()),
                picture.scaled(picture.width() * g.fx, picture.height() * g.fy));
    return page;
}

// How many dots differ, and where the first one is.
QString Differences(const QImage& printed, const QImage& expected) {
    if (printed.size() != expected.size())
        return QStringLiteral("page %1 x %2 dots, expected %3 x %4")
            .arg(printed.width())
            .arg(printed.height())
            .arg(expected.width())
            .arg(expected.height());
    const QImage a = printed.convertToFormat(QImage::Format_RGB32);
    qint64 wrong = 0;
    QPoint first;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* pe = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if ((pa[x] & 0xffffff) != (pe[x] & 0xffffff) && wrong++ == 0) first = QPoint(x, y);
    }
    if (!wrong) return QString();
    return QStringLiteral("%1 dots differ, the first at (%2, %3)").arg(wrong).arg(first.x()).arg(first.y());
}

}  // namespace

void PrintAndCheck(const QString& queue, platform::Printer& printer, const Grid& g, const QImage& picture,
                   bool guides, bool landscape, const std::function<QImage()>& readPage) {
    const platform::Picture pic(picture);
    QImage printed;
    Printed result = PrintAndRead(queue, [&] {
        printing::RunPrintJob(printer, pic, int16_t(picture.width()), int16_t(picture.height()), guides);
    });
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    ASSERT_EQ(result.newJobs.size(), 1);
    EXPECT_EQ(result.newJobs[0].state, 9) << testcups::Scheduler::Instance().ErrorLog().toStdString();
    if (readPage) {
        printed = readPage();
    } else {
        ASSERT_EQ(result.pages.size(), 1);
        printed = result.pages[0].image;
    }
    ASSERT_FALSE(printed.isNull());
    if (landscape) printed = testcups::QuarterTurn(printed, true);
    Grid view = g;
    if (landscape) view.cells.transpose();
    const QPoint at =
        ExpectedTopLeft(view.cells.width(), view.cells.height(), picture.width(), picture.height());
    const QImage expected = ExpectedPage(printed.size(), view, picture, at, guides);
    const QString differences = Differences(printed, expected);
    EXPECT_EQ(differences.toStdString(), "");
    if (!differences.isEmpty() && qEnvironmentVariableIsSet("OMBRASTELE_KEEP_PAGES")) {
        printed.save(QStringLiteral("/tmp/%1-printed.png").arg(queue));
        expected.save(QStringLiteral("/tmp/%1-expected.png").arg(queue));
    }
    // The centre, in dots, against the printable area's.
    const double areaCentre = view.origin.x() + view.cells.width() * view.fx / 2.0;
    const double pictureCentre = view.origin.x() + (at.x() + picture.width() / 2.0) * view.fx;
    EXPECT_LE(std::fabs(areaCentre - pictureCentre), 1.0);
}

}  // namespace cupstest
