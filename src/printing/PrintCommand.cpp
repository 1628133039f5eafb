#include "printing/PrintCommand.h"

#include "platform/Failure.h"
#include "preview/ucPageLayout.h"
#include "printing/PrintJob.h"
#include "properties/ucProperties.h"

namespace printing {

void PrintFromControls(const ucProperties& panel, const ucPageLayout& preview) {
    const platform::PicturePtr picture = preview.gPicture;
    if (!picture) {
        // Nothing has touched the printer yet.
        platform::ShowMessage(QString::fromLatin1(kNoPictureMessage));
        return;
    }
    // A failed job is always reported, wherever it was started from: a job
    // that silently did not print would read as a success.
    platform::LeaveWithMessage(QString::fromLatin1(kPrintFailedMessage), [&] {
        const platform::PrinterPtr printer = platform::CurrentPrinter();
        printer->SetDithering(panel.HasDither());
        RunPrintJob(*printer, *picture, panel.gPixelsX, panel.gPixelsY, panel.HasCutGuides());
    });
}

}  // namespace printing
