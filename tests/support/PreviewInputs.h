#pragma once
// What the preview lays out for a picture of `pixels` with `sheet` on the
// recording printer's area at `dpi`, in a control of cw x ch twips. Tests,
// benchmarks and the fuzzer share it.
#include "preview/PageLayoutModel.h"
#include "support/RecordingPrinter.h"

#include <QSizeF>

namespace testcups {

inline preview::LayoutInputs PreviewInputs(platform::RecordingPrinter& printer, float cw, float ch, QSizeF pixels,
                                           int dpi, const platform::SheetOptions& sheet) {
    preview::LayoutInputs in;
    in.cw = cw;
    in.ch = ch;
    in.printer = &printer;
    in.hasPicture = true;
    in.imagePixelsX = float(pixels.width());
    in.imagePixelsY = float(pixels.height());
    in.printerPixelsX = float(printer.area.widthDots);
    in.printerPixelsY = float(printer.area.heightDots);
    in.printerDotsPerInch = dpi;
    in.sheet = sheet;
    return in;
}

// Laid out on freshly initialised elements.
inline preview::PageLayoutModel LaidOut(const preview::LayoutInputs& in) {
    preview::PageLayoutModel m;
    preview::InitializeElements(m);
    preview::LayOutPage(m, in);
    return m;
}

}  // namespace testcups
