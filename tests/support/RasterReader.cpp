#include "support/RasterReader.h"

#include <cups/raster.h>

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <cstring>
#include <vector>

namespace testcups {
namespace {

[[noreturn]] void Bad(const QString& path, const QString& why) {
    throw std::runtime_error(QStringLiteral("%1: %2").arg(path, why).toStdString());
}

struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) close(fd);
    }
};
struct RasterCloser {
    cups_raster_t* r;
    ~RasterCloser() {
        if (r) cupsRasterClose(r);
    }
};

}  // namespace

QVector<RasterPage> ReadRasterFile(const QString& path, bool decodePixels) {
    const QByteArray p = path.toLocal8Bit();
    FileCloser file{open(p.constData(), O_RDONLY)};
    if (file.fd < 0) Bad(path, QStringLiteral("cannot open"));
    RasterCloser raster{cupsRasterOpen(file.fd, CUPS_RASTER_READ)};
    if (!raster.r) Bad(path, QStringLiteral("not CUPS raster"));

    QVector<RasterPage> pages;
    cups_page_header2_t h;
    while (cupsRasterReadHeader2(raster.r, &h)) {
        RasterPage page;
        page.width = int(h.cupsWidth);
        page.height = int(h.cupsHeight);
        page.xdpi = int(h.HWResolution[0]);
        page.ydpi = int(h.HWResolution[1]);
        page.colorSpace = int(h.cupsColorSpace);
        page.bitsPerColor = int(h.cupsBitsPerColor);
        page.orientation = int(h.Orientation);
        page.pageSizeName = QString::fromLatin1(h.cupsPageSizeName);
        page.pageSizePoints[0] = int(h.PageSize[0]);
        page.pageSizePoints[1] = int(h.PageSize[1]);
        page.marginsPoints[0] = int(h.Margins[0]);
        page.marginsPoints[1] = int(h.Margins[1]);
        for (int i = 0; i < 4; ++i) page.imagingBBox[i] = int(h.ImagingBoundingBox[i]);
        page.colorOrder = int(h.cupsColorOrder);
        page.cupsPageSize[0] = h.cupsPageSize[0];
        page.cupsPageSize[1] = h.cupsPageSize[1];
        for (int i = 0; i < 4; ++i) page.cupsImagingBBox[i] = h.cupsImagingBBox[i];

        if (!decodePixels) {
            std::vector<unsigned char> line(h.cupsBytesPerLine);
            for (unsigned y = 0; y < h.cupsHeight; ++y)
                if (cupsRasterReadPixels(raster.r, line.data(), h.cupsBytesPerLine) != h.cupsBytesPerLine)
                    Bad(path, QStringLiteral("page %1 cut short at line %2").arg(pages.size() + 1).arg(y));
            pages.append(std::move(page));
            continue;
        }

        const bool rgb = h.cupsColorSpace == CUPS_CSPACE_RGB || h.cupsColorSpace == CUPS_CSPACE_SRGB ||
                         h.cupsColorSpace == CUPS_CSPACE_ADOBERGB;
        const bool gray = h.cupsColorSpace == CUPS_CSPACE_W || h.cupsColorSpace == CUPS_CSPACE_SW ||
                          h.cupsColorSpace == CUPS_CSPACE_K;
        // One-bit grey (label printers, lasers) is read as 0 and 255.
        const bool oneBit = gray && h.cupsBitsPerColor == 1 && h.cupsColorOrder == CUPS_ORDER_CHUNKED;
        if (!oneBit && (h.cupsBitsPerColor != 8 || h.cupsColorOrder != CUPS_ORDER_CHUNKED || !(rgb || gray)))
            Bad(path, QStringLiteral("unsupported raster layout: colour space %1, %2 bits, order %3")
                          .arg(h.cupsColorSpace)
                          .arg(h.cupsBitsPerColor)
                          .arg(h.cupsColorOrder));
        const int channels = rgb ? 3 : 1;
        if (h.cupsBytesPerLine < (oneBit ? (h.cupsWidth + 7) / 8 : h.cupsWidth * unsigned(channels)))
            Bad(path, QStringLiteral("line shorter than its width"));

        page.image = QImage(page.width, page.height, rgb ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
        std::vector<unsigned char> line(h.cupsBytesPerLine);
        for (unsigned y = 0; y < h.cupsHeight; ++y) {
            if (cupsRasterReadPixels(raster.r, line.data(), h.cupsBytesPerLine) != h.cupsBytesPerLine)
                Bad(path, QStringLiteral("page %1 cut short at line %2").arg(pages.size() + 1).arg(y));
            uchar* dst = page.image.scanLine(int(y));
            if (oneBit) {
                // A set bit is ink for K, light for W and sGray.
                const bool setIsBlack = h.cupsColorSpace == CUPS_CSPACE_K;
                for (unsigned x = 0; x < h.cupsWidth; ++x) {
                    const bool set = (line[x / 8] >> (7 - x % 8)) & 1;
                    dst[x] = set == setIsBlack ? 0 : 255;
                }
            } else if (h.cupsColorSpace == CUPS_CSPACE_K) {
                for (unsigned x = 0; x < h.cupsWidth; ++x) dst[x] = uchar(255 - line[x]);
            } else {
                memcpy(dst, line.data(), size_t(h.cupsWidth) * size_t(channels));
            }
        }
        pages.append(std::move(page));
    }
    return pages;
}

}  // namespace testcups
