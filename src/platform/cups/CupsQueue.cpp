#include "platform/cups/CupsQueue.h"

#include "platform/cups/CupsUpload.h"
#include "platform/cups/QueueFormat.h"
#include "platform/cups/QueuePpd.h"
#include "platform/cups/QueueResolution.h"
#include "platform/cups/PrinterAnswer.h"
#include "platform/cups/SchedulerLink.h"
#include "platform/cups/SharedQueue.h"
#include "platform/base/Failure.h"
#include "platform/base/PrintLog.h"
#include "platform/page/RasterEncoding.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <cups/raster.h>


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

// The description's steps (QueuePpd.h, QueueResolution.h, QueueFormat.h).
using namespace ppd;

namespace {

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
    const QueueSnapshot look(queue);  // its saved options are marked more than once
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
    } else if (pwg || apple) {
        const bool colour =
            DriverlessColour(pick.header, ppd->color_device, ColourModeChosen(queue, options), answer);
        ForDriverlessRaster(page, ppd, apple, colour, answer, notes);
    } else {
        SetSheetRaster(page.geometry);
    }
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
    const QueueSnapshot look(queue);
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
