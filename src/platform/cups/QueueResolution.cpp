#include "platform/cups/QueueResolution.h"

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
namespace {

bool WholeRatio(int x, int y) { return x > 0 && y > 0 && (x % std::min(x, y)) == 0 && (y % std::min(x, y)) == 0; }

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

}  // namespace

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

}  // namespace platform::ppd
