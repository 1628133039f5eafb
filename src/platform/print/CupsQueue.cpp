#include "platform/print/CupsQueue.h"

#include "platform/print/CupsUpload.h"
#include "platform/base/Failure.h"
#include "platform/page/RasterEncoding.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <cups/raster.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

// The PPD interface is the only way to read a queue's default choices from
// its description; CUPS marks it deprecated but keeps it working.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace platform {
namespace {

QString Quoted(const QString& queue) { return QStringLiteral("\"%1\"").arg(queue); }

struct Dest {
    cups_dest_t* dest = nullptr;
    explicit Dest(const QString& queue)
        : dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), nullptr)) {}
    ~Dest() { if (dest) cupsFreeDests(1, dest); }
    Dest(const Dest&) = delete;
    Dest& operator=(const Dest&) = delete;
    QByteArray Option(const char* name) const {
        return QByteArray(cupsGetOption(name, dest->num_options, dest->options));
    }
};

// A queue's PPD, opened, removed again when done.
class QueuePpd {
public:
    explicit QueuePpd(const QString& queue) {
        if (const char* file = cupsGetPPD2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData())) {
            mPath = QByteArray(file);  // a temporary copy or link; ours to remove
            mPpd = ppdOpenFile(mPath.constData());
        }
    }
    ~QueuePpd() {
        if (mPpd) ppdClose(mPpd);
        if (!mPath.isEmpty()) ::unlink(mPath.constData());
    }
    QueuePpd(const QueuePpd&) = delete;
    QueuePpd& operator=(const QueuePpd&) = delete;
    ppd_file_t* get() const { return mPpd; }

private:
    QByteArray mPath;
    ppd_file_t* mPpd = nullptr;
};

// Name, value pairs as libcups options; freed with the object.
class CupsOptions {
public:
    CupsOptions() = default;
    ~CupsOptions() { cupsFreeOptions(mCount, mList); }
    CupsOptions(const CupsOptions&) = delete;
    CupsOptions& operator=(const CupsOptions&) = delete;
    void Add(const QString& name, const QString& value) {
        mCount = cupsAddOption(name.toUtf8().constData(), value.toUtf8().constData(), mCount, &mList);
    }
    void AddPairs(const QStringList& pairs) {
        for (int i = 0; i + 1 < pairs.size(); i += 2) Add(pairs[i], pairs[i + 1]);
    }
    int count() const { return mCount; }
    cups_option_t* list() const { return mList; }

private:
    int mCount = 0;
    cups_option_t* mList = nullptr;
};

// The header the raster filters compute for what is marked now. Like them,
// it goes on with the header as far as the interpreter got when some code
// of the PPD is beyond it; and where no code set a resolution (the
// interpreter's 100 x 100 stands), it takes the leading figure of
// *DefaultResolution, else 300, as the filters do.
cups_page_header2_t Interpret(ppd_file_t* ppd) {
    cups_page_header2_t header{};
    cupsRasterInterpretPPD(&header, ppd, 0, nullptr, nullptr);
    if (header.HWResolution[0] == 100 && header.HWResolution[1] == 100) {
        unsigned dpi = 300;
        if (const ppd_attr_t* a = ppdFindAttr(ppd, "DefaultResolution", nullptr); a && a->value)
            if (const int x = std::atoi(a->value); x > 0) dpi = unsigned(x);
        header.HWResolution[0] = header.HWResolution[1] = dpi;
        // The raster's size follows the resolution, as the filters make it.
        header.cupsWidth = unsigned(DotsOf(header.cupsImagingBBox[2] - header.cupsImagingBBox[0], int(dpi)));
        header.cupsHeight = unsigned(DotsOf(header.cupsImagingBBox[3] - header.cupsImagingBBox[1], int(dpi)));
        if (header.cupsColorOrder == CUPS_ORDER_CHUNKED) {
            header.cupsBytesPerLine = (header.cupsWidth * header.cupsBitsPerPixel + 7) / 8;
        } else {
            // Banded (and planar): each colour's samples padded to a byte.
            const unsigned colours = std::max(1u, header.cupsNumColors);
            header.cupsBytesPerLine = colours * ((header.cupsWidth * header.cupsBitsPerColor + 7) / 8);
        }
    }
    return header;
}

// Whether the queue's driver reads CUPS raster (a *cupsFilter or
// *cupsFilter2 line whose input is application/vnd.cups-raster): the
// filters then render the imageable box alone. Otherwise (PWG raster, PDF,
// PostScript) the whole sheet is rendered.
bool TakesCupsRaster(ppd_file_t* ppd) {
    for (int i = 0; i < ppd->num_filters; ++i)
        if (QByteArray(ppd->filters[i]).trimmed().startsWith("application/vnd.cups-raster")) return true;
    for (ppd_attr_t* a = ppdFindAttr(ppd, "cupsFilter2", nullptr); a; a = ppdFindNextAttr(ppd, "cupsFilter2", nullptr))
        if (a->value && QByteArray(a->value).trimmed().startsWith("application/vnd.cups-raster")) return true;
    return false;
}

bool WholeRatio(int x, int y) { return x > 0 && y > 0 && (x % std::min(x, y)) == 0 && (y % std::min(x, y)) == 0; }

// Options that would let a filter scale, place several pages on a sheet or
// turn the page; the job sets its own values for them.
bool IsPlacementOption(const QString& name) {
    static const QStringList names{
        QStringLiteral("scaling"), QStringLiteral("natural-scaling"), QStringLiteral("ppi"),
        QStringLiteral("fitplot"), QStringLiteral("fit-to-page"), QStringLiteral("print-scaling"),
        QStringLiteral("number-up"), QStringLiteral("landscape"), QStringLiteral("orientation-requested"),
        QStringLiteral("position"), QStringLiteral("page-ranges"), QStringLiteral("media")};
    return names.contains(name, Qt::CaseInsensitive);
}

}  // namespace

QStringList SchedulerQueueNames() {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        if (dests[i].instance) continue;  // an instance is a set of options, not a queue
        const QString name = QString::fromUtf8(dests[i].name);
        if (dests[i].is_default) names.prepend(name);
        else names.append(name);
    }
    cupsFreeDests(count, dests);
    return names;
}

bool QueueExists(const QString& queue) { return !queue.isEmpty() && Dest(queue).dest != nullptr; }

bool CheckQueueReady(const QString& queue) {
    const Dest d(queue);
    if (!d.dest) Fail(QStringLiteral("The printer %1 is not available.").arg(Quoted(queue)));
    if (d.Option("printer-is-accepting-jobs") == "false")
        Fail(QStringLiteral("The printer %1 does not accept jobs.").arg(Quoted(queue)));
    return d.Option("printer-state") == "5";
}

int ParseResolution(const QString& text) {
    const QString t = text.trimmed().toLower();
    const bool perCm = t.endsWith(QLatin1String("dpcm"));
    if (!perCm && !t.endsWith(QLatin1String("dpi"))) return 0;
    QString figures = t.left(t.size() - (perCm ? 4 : 3));
    figures = figures.section(QLatin1Char('x'), 0, 0);  // horizontal dots
    bool ok = false;
    const int value = figures.toInt(&ok);
    if (!ok || value <= 0) return 0;
    const int dpi = perCm ? int(std::lround(value * 2.54)) : value;
    return dpi <= 32767 ? dpi : 0;
}

namespace {

// Whether the queue's description takes PWG raster (a *cupsFilter2 line
// whose input is image/pwg-raster, as CUPS writes for driverless queues).
bool TakesPwgRaster(ppd_file_t* ppd) {
    for (ppd_attr_t* a = ppdFindAttr(ppd, "cupsFilter2", nullptr); a; a = ppdFindNextAttr(ppd, "cupsFilter2", nullptr))
        if (a->value && QByteArray(a->value).trimmed().startsWith("image/pwg-raster")) return true;
    return false;
}

// The PWG raster type nearest to what the description's colour model asks.
const char* PwgType(const cups_page_header2_t& h) {
    const bool colour = h.cupsColorSpace == CUPS_CSPACE_RGB || h.cupsColorSpace == CUPS_CSPACE_SRGB ||
                        h.cupsColorSpace == CUPS_CSPACE_ADOBERGB || h.cupsColorSpace == CUPS_CSPACE_CMYK ||
                        h.cupsColorSpace == CUPS_CSPACE_CMY;
    if (colour) return h.cupsBitsPerColor == 16 ? "srgb_16" : "srgb_8";
    if (h.cupsBitsPerColor == 1) return "black_1";
    return h.cupsBitsPerColor == 16 ? "sgray_16" : "sgray_8";
}

}  // namespace

std::optional<QueuePage> PpdPage(const QString& queue, const QStringList& options) {
    const QueuePpd ppd(queue);
    if (!ppd.get()) return std::nullopt;
    ppdMarkDefaults(ppd.get());
    {
        // The queue's saved defaults (lpoptions, the server's), then the
        // dialog's choices over them.
        const Dest d(queue);
        CupsOptions marked;
        if (d.dest)
            for (int i = 0; i < d.dest->num_options; ++i)
                marked.Add(QString::fromUtf8(d.dest->options[i].name), QString::fromUtf8(d.dest->options[i].value));
        marked.AddPairs(options);
        cupsMarkOptions(ppd.get(), marked.count(), marked.list());
    }
    if (!ppdPageSize(ppd.get(), nullptr)) return std::nullopt;
    std::optional<cups_page_header2_t> header = Interpret(ppd.get());

    QStringList jobOptions;
    const auto x = int(header->HWResolution[0]), y = int(header->HWResolution[1]);
    if (!WholeRatio(x, y)) {
        // No picture pixel is a whole block of dots: take the square choice
        // nearest to the finer figure, when the PPD has one.
        if (ppd_option_t* option = ppdFindOption(ppd.get(), "Resolution")) {
            const int wanted = std::max(x, y);
            std::optional<cups_page_header2_t> best;
            QString bestChoice;
            for (int i = 0; i < option->num_choices; ++i) {
                ppdMarkOption(ppd.get(), "Resolution", option->choices[i].choice);
                const cups_page_header2_t h = Interpret(ppd.get());
                if (h.HWResolution[0] != h.HWResolution[1] || h.HWResolution[0] == 0) continue;
                if (!best || std::abs(int(h.HWResolution[0]) - wanted) < std::abs(int(best->HWResolution[0]) - wanted)) {
                    best = h;
                    bestChoice = QString::fromUtf8(option->choices[i].choice);
                }
            }
            if (best) {
                header = best;
                jobOptions << QStringLiteral("Resolution") << bestChoice;
            }
        }
    }

    PageGeometry g;
    g.media = QString::fromUtf8(header->cupsPageSizeName);
    g.widthPoints = header->cupsPageSize[0];
    g.heightPoints = header->cupsPageSize[1];
    g.left = header->cupsImagingBBox[0];
    g.bottom = header->cupsImagingBBox[1];
    g.right = header->cupsImagingBBox[2];
    g.top = header->cupsImagingBBox[3];
    g.xdpi = int(header->HWResolution[0]);
    g.ydpi = int(header->HWResolution[1]);
    g.source = QString::fromLatin1(kSourcePpd);
    g.jobOptions = jobOptions;
    if (g.media.isEmpty())
        if (const ppd_size_t* size = ppdPageSize(ppd.get(), nullptr)) g.media = QString::fromUtf8(size->name);

    QueuePage page;
    page.header = *header;
    if (TakesCupsRaster(ppd.get())) {
        // The driver gets the imageable box: our own raster of it when we can
        // write its layout, else Ghostscript's rendering of our PDF.
        page.format = UnsupportedLayout(*header).isEmpty() ? PageFormat::CupsRaster : PageFormat::Pdf;
        SetImageableRaster(g);
        if (page.format == PageFormat::CupsRaster) {
            // Nothing lays our raster out again: row 0 is the box's top.
            g.rasterTop = g.top;
            g.rasterWidthDots = int(header->cupsWidth);
            g.rasterHeightDots = int(header->cupsHeight);
        }
    } else if (TakesPwgRaster(ppd.get())) {
        cups_page_header2_t pwg{};
        pwg_media_t* media = pwgMediaForPPD(g.media.toUtf8().constData());
        if (!media)
            media = pwgMediaForSize(int(std::lround(g.widthPoints * 2540 / 72)), int(std::lround(g.heightPoints * 2540 / 72)));
        SetSheetRaster(g);
        if (media && cupsRasterInitPWGHeader(&pwg, media, PwgType(*header), g.xdpi, g.ydpi, "one-sided", nullptr)) {
            page.format = PageFormat::PwgRaster;
            page.header = pwg;
            g.rasterWidthDots = int(pwg.cupsWidth);
            g.rasterHeightDots = int(pwg.cupsHeight);
        }
    } else {
        SetSheetRaster(g);
    }
    page.geometry = g;
    return page;
}

std::optional<PageGeometry> PpdGeometry(const QString& queue, const QStringList& options) {
    if (auto page = PpdPage(queue, options)) return page->geometry;
    return std::nullopt;
}

std::optional<PageGeometry> IppGeometry(const QString& queue, const QStringList& options) {
    const Dest d(queue);
    if (!d.dest) return std::nullopt;
    cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, d.dest);
    if (!info) return std::nullopt;
    std::optional<PageGeometry> result;
    cups_size_t size{};
    QString media;
    for (int i = 0; i + 1 < options.size(); i += 2)
        if (options[i] == QLatin1String("media") || options[i] == QLatin1String("PageSize")) media = options[i + 1];
    const bool found =
        media.isEmpty()
            ? cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, d.dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0
            : cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, d.dest, info, media.toUtf8().constData(),
                                     CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0;
    int xdpi = 0, ydpi = 0;
    const auto take = [&](ipp_attribute_t* a) {
        if (!a || ippGetValueTag(a) != IPP_TAG_RESOLUTION || xdpi > 0) return;
        ipp_res_t units = IPP_RES_PER_INCH;
        int y = 0;
        const int x = ippGetResolution(a, 0, &y, &units);
        const double k = units == IPP_RES_PER_CM ? 2.54 : 1.0;
        xdpi = int(std::lround(x * k));
        ydpi = int(std::lround(y * k));
    };
    take(cupsFindDestDefault(CUPS_HTTP_DEFAULT, d.dest, info, "printer-resolution"));
    take(cupsFindDestSupported(CUPS_HTTP_DEFAULT, d.dest, info, "pwg-raster-document-resolution-supported"));
    take(cupsFindDestSupported(CUPS_HTTP_DEFAULT, d.dest, info, "printer-resolution"));
    if (found && xdpi > 0 && ydpi > 0 && size.width > 0 && size.length > 0) {
        PageGeometry g;
        g.media = QString::fromUtf8(size.media);
        g.widthPoints = PointsFromHundredthsMm(size.width);
        g.heightPoints = PointsFromHundredthsMm(size.length);
        g.left = PointsFromHundredthsMm(size.left);
        g.bottom = PointsFromHundredthsMm(size.bottom);
        g.right = g.widthPoints - PointsFromHundredthsMm(size.right);
        g.top = g.heightPoints - PointsFromHundredthsMm(size.top);
        g.xdpi = xdpi;
        g.ydpi = ydpi;
        g.source = QString::fromLatin1(kSourceIpp);
        SetSheetRaster(g);
        g.jobOptions << QStringLiteral("printer-resolution")
                     << (xdpi == ydpi ? QStringLiteral("%1dpi").arg(xdpi) : QStringLiteral("%1x%2dpi").arg(xdpi).arg(ydpi));
        result = g;
    }
    cupsFreeDestInfo(info);
    return result;
}

QueuePage ReadQueuePage(const QString& queue, const QStringList& options) {
    if (auto page = PpdPage(queue, options)) return *page;
    if (auto g = IppGeometry(queue, options)) {
        QueuePage page;
        page.geometry = *g;
        return page;
    }
    Fail(QStringLiteral("The paper and resolution of the printer %1 are not known.").arg(Quoted(queue)));
}

int SubmitJob(const QString& queue, const QString& path, const QString& title, const QString& media,
              const QStringList& dialogOptions, int copies) {
    std::map<QByteArray, QByteArray> options;
    for (int i = 0; i + 1 < dialogOptions.size(); i += 2)
        if (!IsPlacementOption(dialogOptions[i]))
            options[dialogOptions[i].toUtf8()] = dialogOptions[i + 1].toUtf8();
    // The page is already the paper's printable area at the device's dots:
    // nothing may fit, scale or re-place it.
    options["media"] = media.toUtf8();
    options["print-scaling"] = "none";
    options["fit-to-page"] = "false";
    options["number-up"] = "1";
    if (copies > 1) options["copies"] = QByteArray::number(copies);

    return UploadJob(queue, path, title, options);
}

}  // namespace platform
