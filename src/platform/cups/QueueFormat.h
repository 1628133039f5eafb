#pragma once
// The page a queue's description gives and the format it goes in: the
// imageable box as CUPS raster (or PDF) for a driver, the whole sheet in
// the printer's own margins as PWG or Apple raster for a driverless
// printer. Used inside platform/cups only.
#include "platform/cups/CupsQueue.h"
#include "platform/cups/PrinterAnswer.h"

#include <cups/ppd.h>
#include <cups/raster.h>

#include <QStringList>
#include <optional>

namespace platform::ppd {

// The page the header describes, as the description's source.
PageGeometry GeometryOf(const cups_page_header2_t& h, ppd_file_t* ppd);

// A driver that reads CUPS raster gets the imageable box: our own raster of
// it when we can write its layout, else Ghostscript's rendering of our PDF.
void ForDriverRaster(QueuePage& page);

// A driverless printer gets the whole sheet in its own margins, as PWG or
// Apple raster of the paper it knows.
void ForDriverlessRaster(QueuePage& page, bool apple, bool colourDevice, const std::optional<PrinterAnswer>& answer,
                         QStringList& notes);

}  // namespace platform::ppd
