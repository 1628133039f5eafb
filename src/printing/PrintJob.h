#pragma once
// The print job: the picture centred in the printable area at one picture
// pixel per device dot, with cut guides when asked; or, as the sheet options
// say, magnified by whole dots, repeated on the sheet, or across pages.
#include "platform/picture/Picture.h"
#include "platform/print/Printer.h"
#include "platform/page/SheetLayout.h"

#include <cstdint>

namespace printing {

// Offsets of the picture's top-left corner from the printable area's, in
// dots. Halves are kept: the device decides how a .5 lands on its grid.
struct Placement {
    float ox = 0;
    float oy = 0;
};
Placement CentreInPrintableArea(float W, float H, int16_t w, int16_t h);

// What the sheet options make of a picture of w x h pixels on `printer`
// (its printable area and resolution): the sheets the job takes, or why it
// cannot be meant, a picture too large once magnified among them (`tooLarge`).
// Reads the area in dots, leaving the printer's unit at dots.
platform::LayoutCheck CheckJob(platform::Printer& printer, int16_t w, int16_t h,
                               const platform::SheetOptions& sheet);
// Whether such a job is cut off at the area's edges, and the sizes to say so:
// the picture and the area, in dots.
struct CutOffFacts {
    bool cutOff = false;
    QSize picture;
    QSize area;
};
CutOffFacts CheckCutOff(platform::Printer& printer, int16_t w, int16_t h, const platform::SheetOptions& sheet);

// Draws the job on `printer` and ends the document. With the default sheet
// options: w x h dots of picture (the panel's pixel size) centred in the
// printable area; with cutGuides, four lines through the picture's outermost
// rows and columns out to the edges of the printable area, under the
// picture. Otherwise each pixel is a dotsPerPixel square of dots; copies
// form a block centred in the area, with guides along every row and column
// of copies; a poster puts one tile per page with registration marks and a
// label. A layout CheckJob refuses fails with its refusal before anything is
// drawn. Leaves the printer's unit at dots. A failure cancels the document
// (nothing half-made reaches the printer) and is passed on.
void RunPrintJob(platform::Printer& printer, const platform::Picture& picture, int16_t w, int16_t h,
                 bool cutGuides, const platform::SheetOptions& sheet = {});

// The message shown when there is nothing to print.
inline const char* const kNoPictureMessage = "Please open a picture before printing.";
// The sentence that leads the message of a failed job.
inline const char* const kPrintFailedMessage = "The picture could not be printed.";

}  // namespace printing
