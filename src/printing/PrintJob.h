#pragma once
// The print job: one page, the picture centred in the printable area at one
// picture pixel per device dot, with cut guides when asked.
#include "platform/Picture.h"
#include "platform/Printer.h"

#include <cstdint>

namespace printing {

// Offsets of the picture's top-left corner from the printable area's, in
// dots. Halves are kept: the device decides how a .5 lands on its grid.
struct Placement {
    float ox = 0;
    float oy = 0;
};
Placement CentreInPrintableArea(float W, float H, int16_t w, int16_t h);

// Draws the page on `printer` and ends the document: w x h dots of picture
// (the panel's pixel size) centred in the printable area; with cutGuides,
// four lines through the picture's outermost rows and columns out to the
// edges of the printable area, under the picture. Leaves the printer's unit
// at dots. A failure cancels the document (nothing half-made reaches the
// printer) and is passed on.
void RunPrintJob(platform::Printer& printer, const platform::Picture& picture, int16_t w, int16_t h,
                 bool cutGuides);

// The message shown when there is nothing to print.
inline const char* const kNoPictureMessage = "Please open a picture before printing.";
// The sentence that leads the message of a failed job.
inline const char* const kPrintFailedMessage = "The picture could not be printed.";

}  // namespace printing
