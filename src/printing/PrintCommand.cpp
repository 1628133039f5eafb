#include "printing/PrintCommand.h"

#include "platform/base/Failure.h"
#include "preview/ucPageLayout.h"
#include "printing/PrintJob.h"
#include "printing/TestPage.h"
#include "properties/ucProperties.h"

namespace printing {
namespace {

// Runs `job` on the current printer: a failure is always reported in one
// message led by `failed`, wherever the job was started from, since a job
// that silently did not print would read as a success.
template <class Job>
PrintResult RunReported(const char* failed, Job&& job) {
    PrintResult result;
    result.ran = true;
    const bool printed = platform::LeaveWithMessage(QString::fromLatin1(failed), [&] {
        const platform::PrinterPtr printer = platform::CurrentPrinter();
        try {
            job(*printer);
        } catch (const platform::Cancelled&) {
            result.cancelled = true;
            throw;
        } catch (const std::exception& e) {
            result.failure = QString::fromUtf8(e.what()).trimmed();
            throw;
        }
        result.outcome = printer->LastOutcome();
    });
    if (!printed && !result.cancelled && result.failure.isEmpty()) result.failure = QString::fromLatin1(failed);
    return result;
}

}  // namespace

QString ManySheetsQuestion(int sheets) {
    return QStringLiteral("This job takes %1 sheets of paper. Print them all?").arg(sheets);
}

PrintResult PrintCalibrationPage(QPoint nudge) {
    return RunReported(kCalibrationFailedMessage, [nudge](platform::Printer& printer) {
        const QPoint own = printer.Nudge();
        printer.SetNudge(nudge);
        try {
            PrintTestPage(printer);
        } catch (...) {
            printer.SetNudge(own);
            throw;
        }
        printer.SetNudge(own);
    });
}

PrintResult PrintFromControls(const ucProperties& panel, const ucPageLayout& preview) {
    const platform::PicturePtr picture = preview.gPicture;
    if (!picture) {
        // Nothing has touched the printer yet.
        platform::ShowMessage(QString::fromLatin1(kNoPictureMessage));
        return PrintResult{};
    }
    return RunReported(kPrintFailedMessage, [&](platform::Printer& printer) {
        printer.SetDithering(panel.HasDither());
        const platform::LayoutCheck check = CheckJob(printer, panel.gPixelsX, panel.gPixelsY, panel.Sheet());
        if (check.NeedsConfirming() && !platform::AskYesNo(ManySheetsQuestion(check.sheets))) throw platform::Cancelled();
        RunPrintJob(printer, *picture, panel.gPixelsX, panel.gPixelsY, panel.HasCutGuides(), panel.Sheet());
    });
}

}  // namespace printing
