// File > Open...: choose a picture file, decode it, hand the one picture to
// the panel and then to the preview.
#include "shell/frmMain.h"

#include "platform/Failure.h"
#include "platform/Picture.h"
#include "preview/ucPageLayout.h"
#include "properties/ucProperties.h"

namespace {
const char* const kOpenFilter = "Image files|*.gif;*.jpg;*.jpeg;*.bmp|All files|*.*";
}

void frmMain::mnuFileOpen_Click() {
    platform::CommonDialog& dlg = dlgCommonDialog();
    dlg.DialogTitle = QStringLiteral("Open");
    dlg.CancelError = false;  // set on every use: Page Setup sets it to true
    dlg.Filter = QString::fromLatin1(kOpenFilter);
    dlg.ShowOpen();
    if (dlg.FileName.isEmpty()) return;
    const QString path = dlg.FileName;
    OpenPicture(path);
}

void frmMain::OpenPicture(const QString& path) {
    // From here a failure ends the command at once, silently: a file that is
    // not a picture, or a picture the panel cannot take, changes nothing more.
    platform::LeaveSilently([&] {
        const platform::PicturePtr MyPicture = platform::LoadPicture(path);
        ucProperties1->SetImage(MyPicture);
        ucPageLayout1->SetPicture(MyPicture);
    });
}
