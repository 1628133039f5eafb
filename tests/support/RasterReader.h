#pragma once
// Decodes a CUPS raster file (every page) into images, with the header's
// figures, so tests compare printed dots with picture pixels directly.
#include <QImage>
#include <QString>
#include <QVector>

namespace testcups {

struct RasterPage {
    QImage image;            // RGB888 for RGB/sRGB pages, Grayscale8 for W/K (K inverted to white = 255)
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
};

// Every page of the file. Throws std::runtime_error on a file that is not
// CUPS raster, is cut short, or uses a colour layout the reader does not know.
QVector<RasterPage> ReadRasterFile(const QString& path);

}  // namespace testcups
