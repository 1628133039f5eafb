#include "printing/PrintCommand.h"

#include "platform/Failure.h"
#include "preview/ucPageLayout.h"
#include "printing/PrintJob.h"
#include "properties/ucProperties.h"

namespace printing {

PrintResult PrintFromControls(const ucProperties& panel, const ucPageLayout& preview) {
    PrintResult result;
    const platform::PicturePtr picture = preview.gPicture;
    if (!picture) {
        // Nothing has touched the printer yet.
        platform::ShowMessage(QString::fromLatin1(kNoPictureMessage));
        return result;
    }
    result.ran = true;
    // A failed job is always reported, wherever it was started from: a job
    // that silently did not print would read as a success.
    const bool printed = platform::LeaveWithMessage(QString::fromLatin1(kPrintFailedMessage), [&] {
        const platform::PrinterPtr printer = platform::CurrentPrinter();
        printer->SetDithering(panel.HasDither());
        try {
            RunPrintJob(*printer, *picture, panel.gPixelsX, panel.gPixelsY, panel.HasCutGuides(), panel.Sheet());
        } catch (const platform::Cancelled&) {
            result.cancelled = true;
            throw;
        } catch (const std::exception& e) {
            result.failure = QString::fromUtf8(e.what()).trimmed();
            throw;
        }
        result.outcome = printer->LastOutcome();
    });
    if (!printed && !result.cancelled && result.failure.isEmpty())
        result.failure = QString::fromLatin1(kPrintFailedMessage);
    return result;
}

}  // namespace printing
