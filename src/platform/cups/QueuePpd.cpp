#include "platform/cups/QueuePpd.h"

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

QString DpiText(QSize dpi) {
    return dpi.width() == dpi.height() ? QStringLiteral("%1dpi").arg(dpi.width())
                                       : QStringLiteral("%1x%2dpi").arg(dpi.width()).arg(dpi.height());
}

QSize HeaderDpi(const cups_page_header2_t& h) { return QSize(int(h.HWResolution[0]), int(h.HWResolution[1])); }

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

namespace {
bool NamesColourMode(const QString& option) {
    return option.compare(QLatin1String("ColorModel"), Qt::CaseInsensitive) == 0 ||
           option == QLatin1String("print-color-mode") || option == QLatin1String("output-mode");
}
}  // namespace

bool SavesColourMode(const QByteArray& lpoptions, const QString& queue) {
    for (const QByteArray& line : lpoptions.split('\n')) {
        // "Dest NAME options" or "Default NAME options"; NAME/INSTANCE is
        // another set of options, not the queue's.
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 3 || (words[0].toLower() != "dest" && words[0].toLower() != "default")) continue;
        if (QString::fromUtf8(words[1]).compare(queue, Qt::CaseInsensitive) != 0) continue;
        const QByteArray rest = line.simplified().mid(words[0].size() + words[1].size() + 2);
        cups_option_t* parsed = nullptr;
        const int count = cupsParseOptions(rest.constData(), 0, &parsed);
        bool names = false;
        for (int i = 0; i < count; ++i) names = names || NamesColourMode(QString::fromUtf8(parsed[i].name));
        cupsFreeOptions(count, parsed);
        if (names) return true;
    }
    return false;
}

bool ColourModeChosen(const QString& queue, const QStringList& options) {
    for (int i = 0; i + 1 < options.size(); i += 2)
        if (NamesColourMode(options[i])) return true;
    // Where libcups reads them: CUPS_SERVERROOT (else /etc/cups), then ~/.cups.
    const QByteArray root = qEnvironmentVariableIsEmpty("CUPS_SERVERROOT") ? QByteArray("/etc/cups")
                                                                            : qgetenv("CUPS_SERVERROOT");
    const QString files[] = {QString::fromLocal8Bit(root) + QStringLiteral("/lpoptions"),
                             QString::fromLocal8Bit(qgetenv("HOME")) + QStringLiteral("/.cups/lpoptions")};
    for (const QString& path : files) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly) && SavesColourMode(f.read(1 << 20), queue)) return true;
    }
    return false;
}

bool FewerDots(QSize a, QSize b) { return qint64(a.width()) * a.height() < qint64(b.width()) * b.height(); }

namespace {
QString ResolutionList(const QList<QSize>& list) {
    QStringList names;
    for (QSize r : list) names << DpiText(r);
    return names.join(QStringLiteral(", "));
}

}  // namespace

void FailResolution(const QString& queue, QSize wanted, const QList<QSize>& offered) {
    Fail(QStringLiteral("The printer %1 has no resolution of %2 (it has %3).")
             .arg(Quoted(queue), DpiText(wanted), offered.isEmpty() ? QStringLiteral("only its default")
                                                                     : ResolutionList(offered)));
}

}  // namespace platform::ppd
