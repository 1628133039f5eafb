#include "platform/CupsQueue.h"

#include "platform/Failure.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <unistd.h>

#include <cmath>
#include <map>

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

int PpdDefaultResolution(const QString& queue) {
    const char* file = cupsGetPPD2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData());
    if (!file) return 0;
    const QByteArray path(file);  // a temporary copy or link; ours to remove
    int dpi = 0;
    if (ppd_file_t* ppd = ppdOpenFile(path.constData())) {
        ppdMarkDefaults(ppd);
        if (const ppd_choice_t* c = ppdFindMarkedChoice(ppd, "Resolution"))
            dpi = ParseResolution(QString::fromLatin1(c->choice));
        if (dpi <= 0)
            if (const ppd_attr_t* a = ppdFindAttr(ppd, "DefaultResolution", nullptr))
                dpi = ParseResolution(QString::fromLatin1(a->value));
        ppdClose(ppd);
    }
    ::unlink(path.constData());
    return dpi;
}

int IppDefaultResolution(const QString& queue) {
    const Dest d(queue);
    if (!d.dest) return 0;
    cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, d.dest);
    if (!info) return 0;
    int dpi = 0;
    ipp_attribute_t* a = cupsFindDestDefault(CUPS_HTTP_DEFAULT, d.dest, info, "printer-resolution");
    if (a && ippGetValueTag(a) == IPP_TAG_RESOLUTION) {
        int y = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        const int x = ippGetResolution(a, 0, &y, &units);
        dpi = units == IPP_RES_PER_CM ? int(std::lround(x * 2.54)) : x;
    }
    cupsFreeDestInfo(info);
    return dpi;
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

void CheckQueueReady(const QString& queue) {
    const Dest d(queue);
    if (!d.dest) Fail(QStringLiteral("The printer %1 is not available.").arg(Quoted(queue)));
    if (d.Option("printer-state") == "5")
        Fail(QStringLiteral("The printer %1 is stopped.").arg(Quoted(queue)));
    if (d.Option("printer-is-accepting-jobs") == "false")
        Fail(QStringLiteral("The printer %1 does not accept jobs.").arg(Quoted(queue)));
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

int QueueResolution(const QString& queue, const QStringList& options) {
    for (int i = 0; i + 1 < options.size(); i += 2)
        if (options[i].compare(QLatin1String("Resolution"), Qt::CaseInsensitive) == 0)
            if (const int dpi = ParseResolution(options[i + 1]); dpi > 0) return dpi;
    if (const int dpi = PpdDefaultResolution(queue); dpi > 0) return dpi;
    return IppDefaultResolution(queue);
}

void SubmitJob(const QString& queue, const QString& path, const QString& title, const QString& media,
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

    int count = 0;
    cups_option_t* list = nullptr;
    for (const auto& [name, value] : options)
        count = cupsAddOption(name.constData(), value.constData(), count, &list);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), path.toUtf8().constData(),
                                   title.toUtf8().constData(), count, list);
    cupsFreeOptions(count, list);
    if (job <= 0)
        Fail(QStringLiteral("The printer %1 did not accept the job: %2")
                 .arg(Quoted(queue), QString::fromUtf8(cupsLastErrorString())));
}

}  // namespace platform
