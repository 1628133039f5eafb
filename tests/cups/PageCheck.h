#pragma once
// Checking a printed page dot for dot against where the print job must put
// a picture: the cells of the printable area, the picture centred, guides
// out to the area's edges.
#include "platform/print/Printer.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>

namespace cupstest {

// How a page should come out: the grid of cells (fx x fy dots each) whose
// cell (0, 0) is dot `origin` of the raster, `cells` of them printable.
struct Grid {
    QPoint origin;
    QSize cells;
    int fx = 1, fy = 1;
};

// Black and white noise for one-bit and grey pages (any other colour would be
// halftoned by the renderer), RGB noise for colour pages.
QImage Picture(int w, int h, bool colour, quint32 seed);

// A black frame (so the picture's extent on a page is plain) round black and
// white noise (so every pixel's place is checked); with `greyRamp`, the
// right half a ramp of grey from black to white instead.
QImage FramedPicture(int w, int h, quint32 seed, bool greyRamp = false);

// The smallest rectangle holding every black dot of a page.
QRect InkBox(const QImage& page);

// Prints `picture` centred with the print job and checks the page against
// the grid: every dot, the centre within one dot of the area's, and (with
// guides) lines from one edge of the area to the other. `readPage` reads the
// page where the device kept it; null: the queue's capture filter's raster.
void PrintAndCheck(const QString& queue, platform::Printer& printer, const Grid& g, const QImage& picture,
                   bool guides, bool landscape, const std::function<QImage()>& readPage);

}  // namespace cupstest
