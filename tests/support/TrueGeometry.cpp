#include "support/TrueGeometry.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <cups/raster.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

// The PPD API is deprecated but is exactly what the raster filters still use.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace testcups {

QRect TrueGeometry::PrintableDots() const {
    constexpr double kEps = 1e-9;
    const int x0 = int(std::ceil(left * xdpi / 72.0 - kEps));
    const int x1 = int(std::floor(right * xdpi / 72.0 + kEps));
    const int y0 = int(std::ceil((paperHeight - top) * ydpi / 72.0 - kEps));
    const int y1 = int(std::floor((paperHeight - bottom) * ydpi / 72.0 + kEps));
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

TrueGeometry ComputeTrueGeometry(const QString& ppdPath, const QStringList& options) {
    TrueGeometry g;
    const QByteArray path = ppdPath.toLocal8Bit();
    ppd_file_t* ppd = ppdOpenFile(path.constData());
    if (!ppd) {
        int line = 0;
        g.error = QStringLiteral("%1: %2 (line %3)")
                      .arg(ppdPath, QString::fromUtf8(ppdErrorString(ppdLastError(&line))))
                      .arg(line);
        return g;
    }
    ppdMarkDefaults(ppd);
    cups_option_t* opts = nullptr;
    int n = 0;
    for (const QString& o : options) {
        const int eq = o.indexOf(QLatin1Char('='));
        n = cupsAddOption(o.left(eq).toUtf8().constData(), o.mid(eq + 1).toUtf8().constData(), n, &opts);
    }
    cupsMarkOptions(ppd, n, opts);

    cups_page_header2_t h;
    memset(&h, 0, sizeof h);
    if (cupsRasterInterpretPPD(&h, ppd, n, opts, nullptr) < 0) {
        // The filters go on with the header as far as it got; so does the oracle.
        g.interpreterFailed = true;
        g.error = QString::fromUtf8(cupsRasterErrorString()).trimmed();
    }
    if (h.HWResolution[0] == 100 && h.HWResolution[1] == 100) {
        g.resolutionFromFallback = true;
        h.HWResolution[0] = h.HWResolution[1] = 300;
        if (ppd_attr_t* a = ppdFindAttr(ppd, "DefaultResolution", nullptr); a && a->value) {
            const int x = atoi(a->value);
            if (x > 0) h.HWResolution[0] = h.HWResolution[1] = unsigned(x);
        }
    }
    g.xdpi = int(h.HWResolution[0]);
    g.ydpi = int(h.HWResolution[1]);
    g.paperWidth = h.cupsPageSize[0];
    g.paperHeight = h.cupsPageSize[1];
    g.left = h.cupsImagingBBox[0];
    g.bottom = h.cupsImagingBBox[1];
    g.right = h.cupsImagingBBox[2];
    g.top = h.cupsImagingBBox[3];
    // cupsRasterInterpretPPD's own rounding, redone in case the resolution changed.
    g.width = int((g.right - g.left) * g.xdpi / 72.0 + 0.5);
    g.height = int((g.top - g.bottom) * g.ydpi / 72.0 + 0.5);
    g.pageSizeName = QString::fromLatin1(h.cupsPageSizeName);
    g.colorSpace = int(h.cupsColorSpace);
    g.bitsPerColor = int(h.cupsBitsPerColor);
    g.colorOrder = int(h.cupsColorOrder);
    g.ok = true;
    cupsFreeOptions(n, opts);
    ppdClose(ppd);
    return g;
}

}  // namespace testcups
