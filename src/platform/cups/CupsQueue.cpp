#include "platform/cups/CupsQueue.h"

#include "platform/cups/CupsUpload.h"
#include "platform/cups/PrinterAnswer.h"
#include "platform/cups/SchedulerLink.h"
#include "platform/cups/SharedQueue.h"
#include "platform/base/Failure.h"
#include "platform/base/PrintLog.h"
#include "platform/page/RasterEncoding.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <cups/raster.h>
#include <unistd.h>

#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

// The PPD interface is the only way to read a queue's default choices from
// its description; CUPS marks it deprecated but keeps it working.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace platform {
namespace {

struct Dest {
    cups_dest_t* dest = nullptr;
    explicit Dest(const QString& queue) : dest(NamedDest(queue)) {}
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
        const auto link = LinkIfRunning(Quoted(queue));
        if (!link) return;
        if (const char* file = cupsGetPPD2(link->get(), queue.toUtf8().constData())) {
            mPath = QByteArray(file);  // a temporary copy or link; ours to remove
            mPpd = ppdOpenFile(mPath.constData());
        } else {
            link->Check();
        }
    }
    // A description read from elsewhere (a print server's), kept in memory.
    explicit QueuePpd(const QByteArray& text) {
        QTemporaryFile file;
        if (file.open() && file.write(text) == text.size() && file.flush())
            mPpd = ppdOpenFile(QFile::encodeName(file.fileName()).constData());
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

// What a description's driver takes, from one scan of its *cupsFilter and
// *cupsFilter2 lines (their input format first).
struct DriverInput {
    // application/vnd.cups-raster: the filters render the imageable box
    // alone. Otherwise (PWG raster, PDF, PostScript) the whole sheet.
    bool cupsRaster = false;
    bool pwg = false;    // image/pwg-raster, as CUPS writes for driverless queues
    bool apple = false;  // image/urf: CUPS's driverless queue whenever the printer lists it
    // A *cupsFilter2 input besides image/urf and image/jpeg: cups-filters
    // would turn Apple raster into PDF at no cost and render it again.
    bool convertsApple = false;
    bool Driverless() const { return !cupsRaster && (pwg || apple); }
};

DriverInput ReadDriverInput(ppd_file_t* ppd) {
    DriverInput in;
    for (int i = 0; i < ppd->num_filters; ++i)
        in.cupsRaster |= QByteArray(ppd->filters[i]).trimmed().startsWith("application/vnd.cups-raster");
    for (ppd_attr_t* a = ppdFindAttr(ppd, "cupsFilter2", nullptr); a; a = ppdFindNextAttr(ppd, "cupsFilter2", nullptr)) {
        const QByteArray line = QByteArray(a->value).trimmed();
        in.cupsRaster |= line.startsWith("application/vnd.cups-raster");
        in.pwg |= line.startsWith("image/pwg-raster");
        in.apple |= line.startsWith("image/urf");
        const QByteArray source = line.split(' ').value(0);
        in.convertsApple |= source != "image/urf" && source != "image/jpeg";
    }
    return in;
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

// The PWG raster type nearest to what the description's colour model asks.
const char* PwgType(const cups_page_header2_t& h) {
    const bool colour = h.cupsColorSpace == CUPS_CSPACE_RGB || h.cupsColorSpace == CUPS_CSPACE_SRGB ||
                        h.cupsColorSpace == CUPS_CSPACE_ADOBERGB || h.cupsColorSpace == CUPS_CSPACE_CMYK ||
                        h.cupsColorSpace == CUPS_CSPACE_CMY;
    if (colour) return h.cupsBitsPerColor == 16 ? "srgb_16" : "srgb_8";
    if (h.cupsBitsPerColor == 1) return "black_1";
    return h.cupsBitsPerColor == 16 ? "sgray_16" : "sgray_8";
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

// Coarser first: fewer dots to the square inch (in 64 bits: a PPD's or a
// printer's figures may be anything).
bool FewerDots(QSize a, QSize b) { return qint64(a.width()) * a.height() < qint64(b.width()) * b.height(); }

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
    std::sort(list.begin(), list.end(), FewerDots);
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

struct PpdRead {
    std::optional<QueuePage> page;
    QList<QSize> resolutions;
};

// For a driverless queue (or one with no description) whose device is a
// queue of another CUPS: that server's description of its driver, when it
// gives one; `server` says what the server answered.
std::unique_ptr<QueuePpd> ServerPpd(const QString& queue, ppd_file_t* own, std::optional<ServerDriver>& server) {
    if (own && !ReadDriverInput(own).Driverless()) return nullptr;  // the same driver on both sides: exact already
    server = AskServerDriver(queue);
    if (!server || server->ppd.isEmpty()) return nullptr;
    auto ppd = std::make_unique<QueuePpd>(server->ppd);
    if (!ppd->get()) server->refusal = QStringLiteral("its description cannot be read");
    else if (ReadDriverInput(ppd->get()).Driverless()) server->refusal = QStringLiteral("its queue is driverless too");
    else return ppd;
    return nullptr;
}

// The printer's answer, with what of it is not used in `notes`.
std::optional<PrinterAnswer> AskPrinterNoting(const QString& queue, QStringList& notes) {
    const PrinterReply reply = AskPrinter(queue);
    if (!reply.failure.isEmpty()) notes << QStringLiteral("not used: %1").arg(reply.failure);
    if (reply.answer) notes << reply.answer->notes;
    return reply.answer;
}

// The resolution a page is made at, what the device offers and what the
// job must ask for it.
struct ResolutionPick {
    cups_page_header2_t header;
    QList<QSize> offered;
    QStringList jobOptions;
};

// A driverless printer's: one it takes in the format it is sent (its own
// answer, else the description's default); Apple raster has one figure for
// both axes.
ResolutionPick PickDriverlessResolution(ppd_file_t* ppd, const QString& queue, cups_page_header2_t header, bool apple,
                                        const std::optional<PrinterAnswer>& answer, QSize wanted) {
    ResolutionPick pick{header, {}, {}};
    QSize fallback = HeaderDpi(header);
    if (apple && fallback.width() != fallback.height()) {
        // CUPS defaults an Apple raster queue to the printer's lowest.
        const ppd_attr_t* a = ppdFindAttr(ppd, "DefaultResolution", nullptr);
        const int dpi = a && a->value ? std::atoi(a->value) : 0;
        fallback = QSize(dpi, dpi);
    }
    pick.offered = DriverlessResolutions(apple, answer, fallback);
    QSize use = wanted.isEmpty() ? fallback : wanted;
    if (!pick.offered.contains(use)) {
        if (!wanted.isEmpty()) FailResolution(queue, wanted, pick.offered);
        if (!pick.offered.isEmpty()) use = pick.offered.first();
    }
    qCDebug(lcPrint, "%s: %s, %s", qUtf8Printable(queue), qUtf8Printable(DpiText(use)),
            !wanted.isEmpty() ? "as asked"
            : use == fallback ? "the queue's default"
                              : "the first the printer lists (the queue's default is not among them)");
    pick.header.HWResolution[0] = unsigned(use.width());
    pick.header.HWResolution[1] = unsigned(use.height());
    if (!wanted.isEmpty()) pick.jobOptions << QStringLiteral("printer-resolution") << DpiText(use);
    return pick;
}

// A driver's: what its Resolution choices' code really sets. The one asked
// for, else the marked one, unless no picture pixel can be a whole block
// of its dots: then the square choice nearest to its finer figure.
ResolutionPick PickDriverResolution(ppd_file_t* ppd, const QString& queue, const QStringList& options,
                                    cups_page_header2_t header, QSize wanted) {
    ResolutionPick pick{header, {}, {}};
    const std::vector<PpdChoice> choices = ResolutionChoices(ppd);
    for (const PpdChoice& c : choices) pick.offered.append(HeaderDpi(c.header));  // in the PPD's order
    MarkQueueOptions(ppd, queue, options);  // listing moved the mark
    const auto x = int(header.HWResolution[0]), y = int(header.HWResolution[1]);
    const PpdChoice* use = nullptr;
    if (!wanted.isEmpty()) {
        const auto it = std::find_if(choices.begin(), choices.end(),
                                     [&](const PpdChoice& c) { return HeaderDpi(c.header) == wanted; });
        if (it == choices.end() && HeaderDpi(header) != wanted) FailResolution(queue, wanted, pick.offered);
        if (it != choices.end()) {
            ppdMarkOption(ppd, "Resolution", it->choice.toUtf8().constData());
            pick.header = Interpret(ppd);
            pick.jobOptions << QStringLiteral("Resolution") << it->choice;
        }
        return pick;
    }
    if (WholeRatio(x, y)) return pick;
    const int finer = std::max(x, y);
    for (const PpdChoice& c : choices) {
        if (c.header.HWResolution[0] != c.header.HWResolution[1]) continue;
        if (!use || std::abs(int(c.header.HWResolution[0]) - finer) < std::abs(int(use->header.HWResolution[0]) - finer))
            use = &c;
    }
    if (use) {
        pick.header = use->header;
        pick.jobOptions << QStringLiteral("Resolution") << use->choice;
    }
    return pick;
}

// The page the header describes, as the description's source.
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

// A driver that reads CUPS raster gets the imageable box: our own raster of
// it when we can write its layout, else Ghostscript's rendering of our PDF.
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

// A driverless printer gets the whole sheet in its own margins, as PWG or
// Apple raster of the paper it knows.
void ForDriverlessRaster(QueuePage& page, bool apple, bool colourDevice, const std::optional<PrinterAnswer>& answer,
                         QStringList& notes) {
    PageGeometry& g = page.geometry;
    TakePrinterMargins(g, answer, notes);
    pwg_media_t* media = pwgMediaForPPD(g.media.toUtf8().constData());
    if (!media)
        media = pwgMediaForSize(int(std::lround(g.widthPoints * 2540 / 72)), int(std::lround(g.heightPoints * 2540 / 72)));
    SetSheetRaster(g);
    // A raw job's options reach the printer as they are: its paper by
    // the name the printer knows (iso_a4_210x297mm, not A4).
    if (media && g.jobOptions.contains(QStringLiteral(CUPS_FORMAT_RAW))) g.media = QString::fromUtf8(media->pwg);
    const char* type = apple ? UrfType(page.header, colourDevice, answer) : PwgType(page.header);
    cups_page_header2_t raster{};
    if (media && cupsRasterInitPWGHeader(&raster, media, type, g.xdpi, g.ydpi, "one-sided", nullptr)) {
        page.format = apple ? PageFormat::AppleRaster : PageFormat::PwgRaster;
        page.header = raster;
        g.rasterWidthDots = int(raster.cupsWidth);
        g.rasterHeightDots = int(raster.cupsHeight);
    }
}

// Through the queue here unchanged, as the server's driver takes it: sent
// raw, the server sniffs the page's format; every choice the page was made
// with goes along. A server that said no is named with its reason.
void NameServer(PageGeometry& g, ppd_file_t* served, const std::optional<ServerDriver>& server) {
    if (served) {
        g.source = SharedSource(*server);
        g.jobOptions = MarkedChoices(served) + g.jobOptions;
        g.jobOptions << QStringLiteral("document-format") << QStringLiteral(CUPS_FORMAT_RAW);
    } else if (server) {
        g.source = RefusedSource(g.source, *server);
    }
}

// The description to read (the queue's own, or its print server's), the
// driver's input, its resolution, then the page and the format it goes in.
PpdRead ReadPpd(const QString& queue, const QStringList& dialogOptions, QSize wanted) {
    PpdRead out;
    const QueuePpd own(queue);
    std::optional<ServerDriver> server;
    const std::unique_ptr<QueuePpd> served = ServerPpd(queue, own.get(), server);
    ppd_file_t* ppd = served ? served->get() : own.get();
    if (!ppd) return out;
    // The dialog names papers as the queue here does.
    const QStringList options = served ? ServerPaperOptions(dialogOptions, own.get(), ppd) : dialogOptions;
    MarkQueueOptions(ppd, queue, options);
    if (!ppdPageSize(ppd, nullptr)) return out;

    const DriverInput input = ReadDriverInput(ppd);
    const bool pwg = !input.cupsRaster && input.pwg;
    const bool apple = !input.cupsRaster && !pwg && input.apple;
    qCDebug(lcPrint, "%s: the queue's filter takes %s", qUtf8Printable(queue),
            input.cupsRaster ? "CUPS raster (a driver)" : pwg ? "PWG raster (driverless)"
            : apple          ? "Apple raster (driverless)"
                             : "PDF (the print system renders it)");
    std::optional<PrinterAnswer> answer;
    QStringList notes;
    // A print server found silent a moment ago is not asked again.
    if ((pwg || apple) && (!server || server->answered)) answer = AskPrinterNoting(queue, notes);
    const ResolutionPick pick = pwg || apple ? PickDriverlessResolution(ppd, queue, Interpret(ppd), apple, answer, wanted)
                                             : PickDriverResolution(ppd, queue, options, Interpret(ppd), wanted);
    out.resolutions = pick.offered;
    if (!pwg && !apple)
        qCDebug(lcPrint, "%s: %s, %s", qUtf8Printable(queue), qUtf8Printable(DpiText(HeaderDpi(pick.header))),
                !wanted.isEmpty()           ? "as asked"
                : pick.jobOptions.isEmpty() ? "the description's default"
                                            : "the square choice nearest the default, whose dots are no whole ratio");
    std::sort(out.resolutions.begin(), out.resolutions.end(), FewerDots);

    QueuePage page;
    page.header = pick.header;
    page.geometry = GeometryOf(pick.header, ppd);
    page.geometry.jobOptions = pick.jobOptions;
    // Sent raw, Apple raster reaches the printer as the program wrote it,
    // as application/octet-stream, which every driverless printer takes
    // and sniffs.
    if (apple && input.convertsApple)
        page.geometry.jobOptions << QStringLiteral("document-format") << QStringLiteral(CUPS_FORMAT_RAW);
    if (input.cupsRaster) {
        ForDriverRaster(page);
        if (page.format == PageFormat::Pdf)
            qCDebug(lcPrint, "%s: sent as PDF: %s", qUtf8Printable(queue), qUtf8Printable(UnsupportedLayout(page.header)));
    } else if (pwg || apple) ForDriverlessRaster(page, apple, ppd->color_device, answer, notes);
    else SetSheetRaster(page.geometry);
    page.oneBitDevice = pick.header.cupsBitsPerColor == 1 && !ppd->color_device;
    NameServer(page.geometry, served ? ppd : nullptr, server);
    page.notes = notes;
    out.page = page;
    return out;
}

}  // namespace

QStringList SchedulerQueueNames() {
    // No scheduler: no queues, at once. One that takes the question and
    // gives no answer in time is a failure.
    const auto link = LinkIfRunning(QStringLiteral("the printers"));
    if (!link) return {};
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(link->get(), &dests);
    if (count == 0) link->Check();
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

QString Quoted(const QString& queue) { return QStringLiteral("\"%1\"").arg(queue); }

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

std::optional<PageGeometry> PpdGeometry(const QString& queue, const QStringList& options) {
    const PpdRead read = ReadPpd(queue, options, {});
    return read.page ? std::optional<PageGeometry>(read.page->geometry) : std::nullopt;
}

std::optional<PageGeometry> IppGeometry(const QString& queue, const QStringList& options) {
    const Dest d(queue);
    if (!d.dest) return std::nullopt;
    const auto link = LinkIfRunning(Quoted(queue));
    if (!link) return std::nullopt;
    http_t* const http = link->get();
    cups_dinfo_t* info = cupsCopyDestInfo(http, d.dest);
    if (!info) link->Check();
    if (!info) return std::nullopt;
    std::optional<PageGeometry> result;
    cups_size_t size{};
    QString media;
    for (int i = 0; i + 1 < options.size(); i += 2)
        if (options[i] == QLatin1String("media") || options[i] == QLatin1String("PageSize")) media = options[i + 1];
    const bool found =
        media.isEmpty()
            ? cupsGetDestMediaDefault(http, d.dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0
            : cupsGetDestMediaByName(http, d.dest, info, media.toUtf8().constData(),
                                     CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0;
    int xdpi = 0, ydpi = 0;
    const auto take = [&](ipp_attribute_t* a) {
        if (!a || ippGetValueTag(a) != IPP_TAG_RESOLUTION || xdpi > 0) return;
        const QSize dpi = ResolutionDpi(a, 0);
        xdpi = dpi.width();
        ydpi = dpi.height();
    };
    take(cupsFindDestDefault(http, d.dest, info, "printer-resolution"));
    take(cupsFindDestSupported(http, d.dest, info, "pwg-raster-document-resolution-supported"));
    take(cupsFindDestSupported(http, d.dest, info, "printer-resolution"));
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
        qCDebug(lcPrint, "%s: no description; paper, margins and resolution from the queue's IPP attributes", qUtf8Printable(queue));
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
