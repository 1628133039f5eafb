#include "inputs/PageSetup.h"

#include "platform/desktop/CommonDialog.h"
#include "platform/base/Failure.h"
#include "platform/print/Nudge.h"
#include "platform/print/Printer.h"
#include "platform/print/ResolutionChoice.h"
#include "preview/ucPageLayout.h"
#include "properties/ucProperties.h"

namespace inputs {

void PageSetup(platform::CommonDialog& dialog, ucProperties& panel, ucPageLayout& preview) {
    using platform::ContinueOnFailure;
    platform::CommonDialog* dlg = nullptr;
    ContinueOnFailure([&] { dlg = &dialog; });
    ContinueOnFailure([&] { dlg->DialogTitle = QStringLiteral("Page Setup"); });
    ContinueOnFailure([&] { dlg->CancelError = true; });
    ContinueOnFailure([&] { dlg->ShowPrinter(); });
    ContinueOnFailure([&] { dlg = nullptr; });
    ContinueOnFailure([&] { ApplyPrinter(panel, preview); });
}

void ApplyPrinter(ucProperties& panel, ucPageLayout& preview) {
    const platform::PrinterPtr printer = platform::CurrentPrinter();
    // The resolution chosen for this queue, and the correction measured for
    // it, go wherever it prints.
    platform::ApplyStoredResolution(*printer);
    printer->SetNudge(platform::StoredNudge(printer->DeviceName()));
    panel.SetPrinter(printer);
    preview.SetPrinter(printer);
}

}  // namespace inputs
