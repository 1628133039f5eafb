// File > Page Setup...: the platform printer dialog on the current printer,
// then the printer handed to both controls, confirmed or cancelled.
#include "shell/frmMain.h"

#include "platform/Failure.h"
#include "preview/ucPageLayout.h"
#include "properties/ucProperties.h"

void frmMain::mnuFilePageSetup_Click() {
    using platform::ContinueOnFailure;
    // Every step runs whatever happened to the one before: a cancelled dialog
    // still refreshes both controls from the unchanged printer.
    platform::CommonDialog* dlg = nullptr;
    ContinueOnFailure([&] { dlg = &dlgCommonDialog(); });
    ContinueOnFailure([&] { dlg->DialogTitle = QStringLiteral("Page Setup"); });
    ContinueOnFailure([&] { dlg->CancelError = true; });
    ContinueOnFailure([&] { dlg->ShowPrinter(); });
    ContinueOnFailure([&] { dlg = nullptr; });
    ContinueOnFailure([&] { ApplyPrinter(); });
}

void frmMain::ApplyPrinter() {
    // Panel first, then preview; a failure of the first skips the second.
    const platform::PrinterPtr printer = platform::CurrentPrinter();
    ucProperties1->SetPrinter(printer);
    ucPageLayout1->SetPrinter(printer);
}
