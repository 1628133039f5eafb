#pragma once
// The resolution a queue's page is made at: for a driver, what its
// Resolution choices' code really sets; for a driverless printer, one it
// takes in the format it is sent. Used inside platform/cups only.
#include "platform/cups/PrinterAnswer.h"

#include <cups/ppd.h>
#include <cups/raster.h>

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace platform::ppd {

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
                                        const std::optional<PrinterAnswer>& answer, QSize wanted);

// A driver's: what its Resolution choices' code really sets. The one asked
// for, else the marked one, unless no picture pixel can be a whole block
// of its dots: then the square choice nearest to its finer figure.
ResolutionPick PickDriverResolution(ppd_file_t* ppd, const QString& queue, const QStringList& options,
                                    cups_page_header2_t header, QSize wanted);

}  // namespace platform::ppd
