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

// Whether a driverless printer is sent colour: as the queue's colour model
// (`h`) says, but a grey model nobody chose (`modeChosen`: the dialog or the
// user's saved options name a colour mode) gives way, on a colour device, to
// the printer's own default of "auto" or "color". CUPS 2.4.10 defaults the
// queue of a printer whose default is "auto" to the first colour type in
// its list, grey when W8 comes first (2.4.2 chose colour), yet "auto" prints
// a colour page in colour.
bool DriverlessColour(const cups_page_header2_t& h, bool colourDevice, bool modeChosen,
                      const std::optional<PrinterAnswer>& answer);

// A driverless printer gets the whole sheet in its own margins, as PWG or
// Apple raster of the paper it knows, in colour when `colour` (and the
// printer takes a colour type); a colour page over the description's grey
// colour model carries the job options that tell the printer colour.
void ForDriverlessRaster(QueuePage& page, ppd_file_t* ppd, bool apple, bool colour,
                         const std::optional<PrinterAnswer>& answer, QStringList& notes);

}  // namespace platform::ppd
