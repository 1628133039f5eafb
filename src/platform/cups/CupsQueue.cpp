#include "platform/cups/CupsQueue.h"

#include "platform/cups/CupsUpload.h"
#include "platform/cups/PrinterAnswer.h"
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

namespace {

// Whether the queue's description takes Apple raster (CUPS makes a
// driverless queue for it whenever the printer lists image/urf).
bool TakesAppleRaster(ppd_file_t* ppd) {
    for (ppd_attr_t* a = ppdFindAttr(ppd, "cupsFilter2", nullptr); a; a = ppdFindNextAttr(ppd, "cupsFilter2", nullptr))
        if (a->value && QByteArray(a->value).trimmed().startsWith("image/urf")) return true;
    return false;
}

// Whether the print system would turn Apple raster into another format on
// its way to the printer: cups-filters converts it to PDF at no cost, so a
// queue that also takes PDF or PostScript gets the page re-rendered.
bool ConvertsAppleRaster(ppd_file_t* ppd) {
    for (ppd_attr_t* a = ppdFindAttr(ppd, "cupsFilter2", nullptr); a; a = ppdFindNextAttr(ppd, "cupsFilter2", nullptr)) {
        const QByteArray source = QByteArray(a->value).trimmed().split(' ').value(0);
        if (source != "image/urf" && source != "image/jpeg") return true;
    }
    return false;
}

QString DpiText(QSize dpi) {
    return dpi.width() == dpi.height() ? QStringLiteral("%1dpi").arg(dpi.width())
                                       : QStringLiteral("%1x%2dpi").arg(dpi.width()).arg(dpi.height());
}

QSize HeaderDpi(const cups_page_header2_t& h) { return QSize(int(h.HWResolution[0]), int(h.HWResolution[1])); }

struct PpdChoice {
    QString choice;
    cups_page_header2_t header;
};

// Each Resolution choice of the PPD with the header its code makes, in the
// PPD's order, one per resolution really set; the mark is left on the last.
std::vector<PpdChoice> ResolutionChoices(ppd_file_t* ppd) {
    std::vector<PpdChoice> list;
    ppd_option_t* option = ppdFindOption(ppd, "Resolution");
    if (!option) return list;
    for (int i = 0; i < option->num_choices; ++i) {
        ppdMarkOption(ppd, "Resolution", option->choices[i].choice);
        const cups_page_header2_t h = Interpret(ppd);
        if (h.HWResolution[0] == 0 || h.HWResolution[1] == 0) continue;
        const bool seen = std::any_of(list.begin(), list.end(),
                                      [&](const PpdChoice& c) { return HeaderDpi(c.header) == HeaderDpi(h); });
        if (!seen) list.push_back({QString::fromUtf8(option->choices[i].choice), h});
    }
    return list;
}

// The PPD with the queue's saved defaults and `options` marked.
void MarkQueueOptions(ppd_file_t* ppd, const QString& queue, const QStringList& options) {
    ppdMarkDefaults(ppd);
    // The queue's saved defaults (lpoptions, the server's), then the
    // dialog's choices over them.
    const Dest d(queue);
    CupsOptions marked;
    if (d.dest)
        for (int i = 0; i < d.dest->num_options; ++i)
            marked.Add(QString::fromUtf8(d.dest->options[i].name), QString::fromUtf8(d.dest->options[i].value));
    marked.AddPairs(options);
    cupsMarkOptions(ppd, marked.count(), marked.list());
}

// The Apple raster colour type for the printer: colour when the queue's
// colour model is colour and the printer takes a colour type, else grey.
// Types are named as cupsRasterInitPWGHeader takes them.
const char* UrfType(const cups_page_header2_t& h, bool colourDevice, const std::optional<PrinterAnswer>& answer) {
    const QStringList types = answer ? answer->urfTypes : QStringList();
    const bool wantsColour = colourDevice && QByteArray(PwgType(h)).startsWith("srgb");
    if (wantsColour) {
        if (types.isEmpty() || types.contains(QLatin1String("SRGB24"))) return "srgb_8";
        if (types.contains(QLatin1String("DEVRGB24"))) return "rgb_8";
        if (types.contains(QLatin1String("ADOBERGB24"))) return "adobe-rgb_8";
    }
    return "sgray_8";  // W8: every Apple raster printer takes it
}

// The resolutions a driverless printer takes in the format it is sent;
// without its answer, the one the description defaults to.
QList<QSize> DriverlessResolutions(bool apple, const std::optional<PrinterAnswer>& answer, QSize fallback) {
    QList<QSize> list;
    if (answer) {
        if (apple)
            for (int dpi : answer->urfResolutions) list.append(QSize(dpi, dpi));
        else
            list = answer->pwgResolutions;
    }
    if (list.isEmpty() && fallback.width() > 0) list.append(fallback);
    std::sort(list.begin(), list.end(), [](QSize a, QSize b) { return a.width() * a.height() < b.width() * b.height(); });
    list.erase(std::unique(list.begin(), list.end()), list.end());
    return list;
}

QString ResolutionList(const QList<QSize>& list) {
    QStringList names;
    for (QSize r : list) names << DpiText(r);
    return names.join(QStringLiteral(", "));
}

[[noreturn]] void FailResolution(const QString& queue, QSize wanted, const QList<QSize>& offered) {
    Fail(QStringLiteral("The printer %1 has no resolution of %2 (it has %3).")
             .arg(Quoted(queue), DpiText(wanted), offered.isEmpty() ? QStringLiteral("only its default")
                                                                     : ResolutionList(offered)));
}

// The printer's own margins for the paper of `g` (a driverless queue's
// sheet), over the description's; the source says which were used.
void TakePrinterMargins(PageGeometry& g, const std::optional<PrinterAnswer>& answer) {
    if (!answer) return;
    const auto hundredths = [](double points) { return int(std::lround(points * 2540.0 / 72.0)); };
    const bool borderless = g.left <= 0 && g.bottom <= 0 && g.right >= g.widthPoints && g.top >= g.heightPoints;
    const auto m = MarginsFor(*answer, hundredths(g.widthPoints), hundredths(g.heightPoints), borderless);
    if (!m) return;
    g.left = PointsFromHundredthsMm(m->margins.left);
    g.bottom = PointsFromHundredthsMm(m->margins.bottom);
    g.right = g.widthPoints - PointsFromHundredthsMm(m->margins.right);
    g.top = g.heightPoints - PointsFromHundredthsMm(m->margins.top);
    g.source = QString::fromLatin1(kSourcePrinter);
}

struct PpdRead {
    std::optional<QueuePage> page;
    QList<QSize> resolutions;
};

PpdRead ReadPpd(const QString& queue, const QStringList& options, QSize wanted) {
    PpdRead out;
    const QueuePpd ppd(queue);
    if (!ppd.get()) return out;
    MarkQueueOptions(ppd.get(), queue, options);
    if (!ppdPageSize(ppd.get(), nullptr)) return out;
    std::optional<cups_page_header2_t> header = Interpret(ppd.get());

    const bool cupsRaster = TakesCupsRaster(ppd.get());
    const bool pwg = !cupsRaster && TakesPwgRaster(ppd.get());
    const bool apple = !cupsRaster && !pwg && TakesAppleRaster(ppd.get());
    QStringList jobOptions;
    std::optional<PrinterAnswer> answer;
    if (pwg || apple) {
        answer = AskPrinter(queue);
        QSize fallback = HeaderDpi(*header);
        if (apple && fallback.width() != fallback.height()) {
            // Apple raster has one resolution for both axes; CUPS defaults
            // the queue to the printer's lowest.
            const ppd_attr_t* a = ppdFindAttr(ppd.get(), "DefaultResolution", nullptr);
            const int dpi = a && a->value ? std::atoi(a->value) : 0;
            fallback = QSize(dpi, dpi);
        }
        out.resolutions = DriverlessResolutions(apple, answer, fallback);
        QSize use = wanted.isEmpty() ? fallback : wanted;
        if (!out.resolutions.contains(use)) {
            if (!wanted.isEmpty()) FailResolution(queue, wanted, out.resolutions);
            if (!out.resolutions.isEmpty()) use = out.resolutions.first();
        }
        header->HWResolution[0] = unsigned(use.width());
        header->HWResolution[1] = unsigned(use.height());
        if (!wanted.isEmpty()) jobOptions << QStringLiteral("printer-resolution") << DpiText(use);
        // Sent raw, the page reaches the printer as the program wrote it,
        // as application/octet-stream, which every driverless printer
        // takes and sniffs.
        if (apple && ConvertsAppleRaster(ppd.get()))
            jobOptions << QStringLiteral("document-format") << QStringLiteral(CUPS_FORMAT_RAW);
    } else {
        const std::vector<PpdChoice> choices = ResolutionChoices(ppd.get());
        for (const PpdChoice& c : choices) out.resolutions.append(HeaderDpi(c.header));
        MarkQueueOptions(ppd.get(), queue, options);  // listing moved the mark
        const auto x = int(header->HWResolution[0]), y = int(header->HWResolution[1]);
        if (!wanted.isEmpty()) {
            const auto it = std::find_if(choices.begin(), choices.end(),
                                         [&](const PpdChoice& c) { return HeaderDpi(c.header) == wanted; });
            if (it == choices.end()) {
                if (HeaderDpi(*header) != wanted) FailResolution(queue, wanted, out.resolutions);
            } else {
                ppdMarkOption(ppd.get(), "Resolution", it->choice.toUtf8().constData());
                header = Interpret(ppd.get());
                jobOptions << QStringLiteral("Resolution") << it->choice;
            }
        } else if (!WholeRatio(x, y)) {
            // No picture pixel is a whole block of dots: take the square
            // choice nearest to the finer figure, when the PPD has one.
            const int finer = std::max(x, y);
            const PpdChoice* best = nullptr;
            for (const PpdChoice& c : choices) {
                if (c.header.HWResolution[0] != c.header.HWResolution[1]) continue;
                if (!best || std::abs(int(c.header.HWResolution[0]) - finer) <
                                 std::abs(int(best->header.HWResolution[0]) - finer))
                    best = &c;
            }
            if (best) {
                header = best->header;
                jobOptions << QStringLiteral("Resolution") << best->choice;
            }
        }
        std::sort(out.resolutions.begin(), out.resolutions.end(),
                  [](QSize a, QSize b) { return a.width() * a.height() < b.width() * b.height(); });
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
    if (cupsRaster) {
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
    } else if (pwg || apple) {
        TakePrinterMargins(g, answer);
        cups_page_header2_t raster{};
        pwg_media_t* media = pwgMediaForPPD(g.media.toUtf8().constData());
        if (!media)
            media = pwgMediaForSize(int(std::lround(g.widthPoints * 2540 / 72)), int(std::lround(g.heightPoints * 2540 / 72)));
        SetSheetRaster(g);
        // A raw job's options reach the printer as they are: its paper by
        // the name the printer knows (iso_a4_210x297mm, not A4).
        if (media && jobOptions.contains(QStringLiteral(CUPS_FORMAT_RAW))) g.media = QString::fromUtf8(media->pwg);
        const char* type = apple ? UrfType(*header, ppd.get()->color_device, answer) : PwgType(*header);
        if (media && cupsRasterInitPWGHeader(&raster, media, type, g.xdpi, g.ydpi, "one-sided", nullptr)) {
            page.format = apple ? PageFormat::AppleRaster : PageFormat::PwgRaster;
            page.header = raster;
            g.rasterWidthDots = int(raster.cupsWidth);
            g.rasterHeightDots = int(raster.cupsHeight);
        }
    } else {
        SetSheetRaster(g);
    }
    page.oneBitDevice = header->cupsBitsPerColor == 1 && !ppd.get()->color_device;
    page.geometry = g;
    out.page = page;
    return out;
}

}  // namespace

std::optional<PageGeometry> PpdGeometry(const QString& queue, const QStringList& options) {
    const PpdRead read = ReadPpd(queue, options, {});
    return read.page ? std::optional<PageGeometry>(read.page->geometry) : std::nullopt;
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

QueuePage ReadQueuePage(const QString& queue, const QStringList& options, QSize resolution) {
    if (auto page = ReadPpd(queue, options, resolution).page) return *page;
    if (auto g = IppGeometry(queue, options)) {
        if (!resolution.isEmpty() && QSize(g->xdpi, g->ydpi) != resolution)
            FailResolution(queue, resolution, {QSize(g->xdpi, g->ydpi)});
        QueuePage page;
        page.geometry = *g;
        return page;
    }
    Fail(QStringLiteral("The paper and resolution of the printer %1 are not known.").arg(Quoted(queue)));
}

QList<QSize> QueueResolutions(const QString& queue, const QStringList& options) {
    return ReadPpd(queue, options, {}).resolutions;
}

std::map<QByteArray, QByteArray> SubmissionOptions(const QString& media, const QStringList& dialogOptions,
                                                   int copies) {
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
    return options;
}

int SubmitJob(const QString& queue, const QString& path, const QString& title, const QString& media,
              const QStringList& dialogOptions, int copies) {
    return UploadJob(queue, path, title, SubmissionOptions(media, dialogOptions, copies));
}

}  // namespace platform
