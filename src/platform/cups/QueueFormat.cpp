#include "platform/cups/QueueFormat.h"

#include "platform/cups/CupsQueue.h"
#include "platform/cups/PrinterAnswer.h"
#include "platform/base/Failure.h"
#include "platform/base/PrintLog.h"
#include "platform/page/RasterEncoding.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <cups/raster.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

// The PPD interface is the only way to read a queue's default choices from
// its description; CUPS marks it deprecated but keeps it working.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace platform::ppd {
namespace {

bool ColourSpace(const cups_page_header2_t& h) {
    return h.cupsColorSpace == CUPS_CSPACE_RGB || h.cupsColorSpace == CUPS_CSPACE_SRGB ||
           h.cupsColorSpace == CUPS_CSPACE_ADOBERGB || h.cupsColorSpace == CUPS_CSPACE_CMYK ||
           h.cupsColorSpace == CUPS_CSPACE_CMY;
}

// The PWG raster type nearest to what the description's colour model asks;
// sRGB when `colour` overrides a grey model and the printer takes it.
const char* PwgType(const cups_page_header2_t& h, bool colour, const std::optional<PrinterAnswer>& answer) {
    if (ColourSpace(h)) return h.cupsBitsPerColor == 16 ? "srgb_16" : "srgb_8";
    if (colour && (!answer || answer->pwgTypes.isEmpty() || answer->pwgTypes.contains(QLatin1String("srgb_8"))))
        return "srgb_8";
    if (h.cupsBitsPerColor == 1) return "black_1";
    return h.cupsBitsPerColor == 16 ? "sgray_16" : "sgray_8";
}

// The Apple raster colour type for the printer: colour when `colour` and
// the printer takes a colour type, else grey. Types are named as
// cupsRasterInitPWGHeader takes them.
const char* UrfType(bool colour, const std::optional<PrinterAnswer>& answer) {
    const QStringList types = answer ? answer->urfTypes : QStringList();
    if (colour) {
        if (types.isEmpty() || types.contains(QLatin1String("SRGB24"))) return "srgb_8";
        if (types.contains(QLatin1String("DEVRGB24"))) return "rgb_8";
        if (types.contains(QLatin1String("ADOBERGB24"))) return "adobe-rgb_8";
    }
    return "sgray_8";  // W8: every Apple raster printer takes it
}

// The printer's own margins for the paper of `g` (a driverless queue's
// sheet), over the description's; the source says which were used. Margins
// that leave no room on the paper are noted and left out.
void TakePrinterMargins(PageGeometry& g, const std::optional<PrinterAnswer>& answer, QStringList& notes) {
    if (!answer) return;
    const auto hundredths = [](double points) { return int(std::lround(points * 2540.0 / 72.0)); };
    const bool borderless = g.left <= 0 && g.bottom <= 0 && g.right >= g.widthPoints && g.top >= g.heightPoints;
    const int width = hundredths(g.widthPoints), length = hundredths(g.heightPoints);
    const auto m = MarginsFor(*answer, width, length, borderless);
    if (!m) return;
    const MediaMargins& e = m->margins;
    if (e.left < 0 || e.right < 0 || e.top < 0 || e.bottom < 0 || qint64(e.left) + e.right >= width ||
        qint64(e.top) + e.bottom >= length) {
        notes << QStringLiteral("its margins for the paper leave no room on it");
        return;
    }
    g.left = PointsFromHundredthsMm(e.left);
    g.bottom = PointsFromHundredthsMm(e.bottom);
    g.right = g.widthPoints - PointsFromHundredthsMm(e.right);
    g.top = g.heightPoints - PointsFromHundredthsMm(e.top);
    g.source = QString::fromLatin1(kSourcePrinter);
}

}  // namespace

bool DriverlessColour(const cups_page_header2_t& h, bool colourDevice, bool modeChosen,
                      const std::optional<PrinterAnswer>& answer) {
    if (!colourDevice) return false;
    if (ColourSpace(h) || modeChosen || !answer) return ColourSpace(h);
    return answer->colourModeDefault == QLatin1String("auto") || answer->colourModeDefault == QLatin1String("color");
}

PageGeometry GeometryOf(const cups_page_header2_t& h, ppd_file_t* ppd) {
    PageGeometry g;
    g.media = QString::fromUtf8(h.cupsPageSizeName);
    g.widthPoints = h.cupsPageSize[0];
    g.heightPoints = h.cupsPageSize[1];
    g.left = h.cupsImagingBBox[0];
    g.bottom = h.cupsImagingBBox[1];
    g.right = h.cupsImagingBBox[2];
    g.top = h.cupsImagingBBox[3];
    g.xdpi = int(h.HWResolution[0]);
    g.ydpi = int(h.HWResolution[1]);
    g.source = QString::fromLatin1(kSourcePpd);
    if (g.media.isEmpty())
        if (const ppd_size_t* size = ppdPageSize(ppd, nullptr)) g.media = QString::fromUtf8(size->name);
    return g;
}

void ForDriverRaster(QueuePage& page) {
    PageGeometry& g = page.geometry;
    page.format = UnsupportedLayout(page.header).isEmpty() ? PageFormat::CupsRaster : PageFormat::Pdf;
    SetImageableRaster(g);
    if (page.format != PageFormat::CupsRaster) return;
    // Nothing lays our raster out again: row 0 is the box's top.
    g.rasterTop = g.top;
    g.rasterWidthDots = int(page.header.cupsWidth);
    g.rasterHeightDots = int(page.header.cupsHeight);
}

void ForDriverlessRaster(QueuePage& page, ppd_file_t* ppd, bool apple, bool colour,
                         const std::optional<PrinterAnswer>& answer, QStringList& notes) {
    PageGeometry& g = page.geometry;
    TakePrinterMargins(g, answer, notes);
    pwg_media_t* media = pwgMediaForPPD(g.media.toUtf8().constData());
    if (!media)
        media = pwgMediaForSize(int(std::lround(g.widthPoints * 2540 / 72)), int(std::lround(g.heightPoints * 2540 / 72)));
    SetSheetRaster(g);
    // A raw job's options reach the printer as they are: its paper by
    // the name the printer knows (iso_a4_210x297mm, not A4).
    if (media && g.jobOptions.contains(QStringLiteral(CUPS_FORMAT_RAW))) g.media = QString::fromUtf8(media->pwg);
    const char* type = apple ? UrfType(colour, answer) : PwgType(page.header, colour, answer);
    // Colour over a grey colour model: the job says so, or the queue's grey
    // default reaches the printer as print-color-mode monochrome. CUPS
    // 2.4.10's IPP backend follows the marked ColorModel, not the job's
    // print-color-mode; the everywhere description names its colour
    // models after the types.
    const QByteArray written(type);
    if (!ColourSpace(page.header) && !written.contains("gray") && !written.startsWith("black")) {
        g.jobOptions << QStringLiteral("print-color-mode") << QStringLiteral("color");
        const char* model = written == "rgb_8" ? "DeviceRGB" : written == "adobe-rgb_8" ? "AdobeRGB" : "RGB";
        if (ppd && ppdFindChoice(ppdFindOption(ppd, "ColorModel"), model))
            g.jobOptions << QStringLiteral("ColorModel") << QString::fromLatin1(model);
    }
    cups_page_header2_t raster{};
    if (media && cupsRasterInitPWGHeader(&raster, media, type, g.xdpi, g.ydpi, "one-sided", nullptr)) {
        page.format = apple ? PageFormat::AppleRaster : PageFormat::PwgRaster;
        page.header = raster;
        g.rasterWidthDots = int(raster.cupsWidth);
        g.rasterHeightDots = int(raster.cupsHeight);
    }
}

}  // namespace platform::ppd
