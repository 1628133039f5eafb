#pragma once
// The resolution the user chose for a printer: dots per inch across and
// down, as the device takes the sheet. On most printers it sets the physical
// size of a picture pixel, so it is kept per print queue, as the nudge is;
// none kept (an empty size) leaves the queue at its own default.
#include <QList>
#include <QSize>
#include <QString>
#include <vector>

namespace platform {

class Printer;

// Figures beyond this are refused: finer than any printer prints, and far
// below where a page in dots would overflow.
inline constexpr int kMaxResolutionDpi = 9600;

// "600" (600 x 600), "300x600" or "300 x 600" (across, down), with "dpi"
// after it or not, any case, spaces around: into `dpi`. False for anything
// else, or a figure outside 1 to kMaxResolutionDpi.
bool ParseResolutionChoice(const QString& text, QSize* dpi);
// "300x600" for 300 x 600, the form ParseResolutionChoice reads; empty for
// an empty size.
QString FormatResolutionChoice(QSize dpi);

// What a resolution really sets, for people: "600 x 600 dpi".
QString ResolutionName(QSize dpi);

// One line of the resolution choice: its text and what it sets (empty for
// the printer's default).
struct ResolutionItem {
    QString text;
    QSize dpi;
    bool operator==(const ResolutionItem&) const = default;
};
// The lines offered: "Printer default (600 dpi)" first (the default named by
// its figures, both when they differ: "Printer default (300 x 600 dpi)"),
// then each of `choices` by ResolutionName, in their order.
std::vector<ResolutionItem> ResolutionItems(QSize defaultDpi, const QList<QSize>& choices);

// The resolution kept for `queue`: empty when none is, or when what is kept
// cannot be read or is out of range (said through Warn).
QSize StoredResolution(const QString& queue);
// Keeps it for `queue`; an empty size keeps "the default". Throws Failure
// when the store cannot be written.
void StoreResolution(const QString& queue, QSize dpi);

// Sets `printer` to the resolution kept for its queue, when it is not there
// already. A kept resolution the device no longer has (another printer now
// behind the queue) leaves it at what it is: the queue's default stays the
// default.
void ApplyStoredResolution(Printer& printer);

}  // namespace platform
