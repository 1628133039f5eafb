#include "inputs/OpenCommand.h"

#include "platform/CommonDialog.h"
#include "platform/Failure.h"
#include "platform/Picture.h"
#include "preview/ucPageLayout.h"
#include "properties/ucProperties.h"

namespace inputs {
namespace {
const char* const kOpenFilter = "Image files|*.gif;*.jpg;*.jpeg;*.bmp|All files|*.*";
}

void OpenFromDialog(platform::CommonDialog& dlg, ucProperties& panel, ucPageLayout& preview) {
    dlg.DialogTitle = QStringLiteral("Open");
    dlg.CancelError = false;  // set on every use: Page Setup sets it to true
    dlg.Filter = QString::fromLatin1(kOpenFilter);
    dlg.ShowOpen();
    if (dlg.FileName.isEmpty()) return;
    const QString path = dlg.FileName;
    OpenPicture(panel, preview, path);
}

void OpenPicture(ucProperties& panel, ucPageLayout& preview, const QString& path) {
    // From here a failure ends the command at once, silently: a file that is
    // not a picture, or a picture the panel cannot take, changes nothing more.
    platform::LeaveSilently([&] {
        const platform::PicturePtr MyPicture = platform::LoadPicture(path);
        panel.SetImage(MyPicture);
        preview.SetPicture(MyPicture);
    });
}

}  // namespace inputs
