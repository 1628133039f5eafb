#include "printing/PrintJob.h"

namespace printing {

Placement CentreInPrintableArea(float W, float H, int16_t w, int16_t h) {
    // Single-precision throughout, the picture size converted first.
    return Placement{(W - float(w)) / 2.0f, (H - float(h)) / 2.0f};
}

void RunPrintJob(platform::Printer& printer, const platform::Picture& picture, int16_t w, int16_t h,
                 bool cutGuides) {
    try {
        printer.SetScaleMode(platform::kPixels);
        const float W = printer.ScaleWidth();
        const float H = printer.ScaleHeight();
        const Placement p = CentreInPrintableArea(W, H, w, h);
        if (cutGuides) {
            printer.SetDrawWidth(1);
            // Two box outlines whose far sides lie 100 dots outside the
            // printable area: what shows is two vertical lines on the first
            // and last picture columns and two horizontal lines on the first
            // and last picture rows, across the whole printable area.
            printer.LineBox(p.ox, -100.0f, p.ox + float(w) - 1.0f, H + 100.0f);
            printer.LineBox(-100.0f, p.oy, W + 100.0f, p.oy + float(h) - 1.0f);
        }
        // After the guides, so the picture covers them where they cross it.
        printer.PaintPicture(picture, p.ox, p.oy, float(w), float(h));
        printer.EndDoc();
    } catch (...) {
        printer.KillDoc();
        throw;
    }
}

}  // namespace printing
