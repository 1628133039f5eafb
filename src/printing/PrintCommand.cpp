// File > Print and the toolbar's Print button.
#include "shell/frmMain.h"

#include "platform/Failure.h"
#include "preview/ucPageLayout.h"
#include "printing/PrintJob.h"
#include "properties/ucProperties.h"

void frmMain::mnuFilePrint_Click() {
    const platform::PicturePtr picture = ucPageLayout1->gPicture;
    if (!picture) {
        // Nothing has touched the printer yet.
        platform::ShowMessage(QString::fromLatin1(printing::kNoPictureMessage));
        return;
    }
    // A failed job is always reported, wherever it was started from: a job
    // that silently did not print would read as a success.
    platform::LeaveWithMessage(QString::fromLatin1(printing::kPrintFailedMessage), [&] {
        printing::RunPrintJob(*platform::CurrentPrinter(), *picture, ucProperties1->gPixelsX,
                              ucProperties1->gPixelsY, ucProperties1->HasCutGuides());
    });
}
