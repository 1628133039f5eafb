#pragma once
// Decodes a CUPS raster or PWG raster file (every page) into images, with the
// header's figures, so tests compare printed dots with picture pixels directly.
#include <QImage>
#include <QString>
#include <QVector>

namespace testcups {

struct RasterPage {
    QImage image;            // RGB888 for RGB/sRGB pages, Grayscale8 for W/K (K inverted to white = 255; 1-bit as 0 and 255)
    int width = 0;           // cupsWidth, dots
    int height = 0;          // cupsHeight, dots
    int xdpi = 0;            // HWResolution
    int ydpi = 0;
    int colorSpace = 0;      // cups_cspace_t
    int bitsPerColor = 0;
    int orientation = 0;     // Orientation field of the header
    QString pageSizeName;    // cupsPageSizeName
    int pageSizePoints[2] = {0, 0};
    int marginsPoints[2] = {0, 0};
    int imagingBBox[4] = {0, 0, 0, 0};
    int colorOrder = 0;          // cups_order_t
    float cupsPageSize[2] = {0, 0};     // points, fractional
    float cupsImagingBBox[4] = {0, 0, 0, 0};  // left, bottom, right, top in points
};

// Every page of the file. Throws std::runtime_error on a file that is not
// CUPS or PWG raster, is cut short, or (when decoding pixels) uses a colour
// layout the reader does not know. With decodePixels false every layout is
// read, only the headers are kept and `image` stays null.
QVector<RasterPage> ReadRasterFile(const QString& path, bool decodePixels = true);

}  // namespace testcups
