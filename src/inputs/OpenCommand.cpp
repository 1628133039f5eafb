#include "inputs/OpenCommand.h"

#include "platform/base/AppInfo.h"
#include "platform/desktop/CommonDialog.h"
#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/picture/Picture.h"
#include "platform/base/Progress.h"
#include "platform/desktop/ProgressDialog.h"
#include "platform/base/Settings.h"
#include "preview/ucPageLayout.h"
#include "properties/ucProperties.h"

#include <QDir>
#include <QFileInfo>

namespace inputs {
namespace {
const char* const kOpenFilter = "Image files|*.gif;*.jpg;*.jpeg;*.bmp;*.png;*.tif;*.tiff;*.webp|All files|*.*";
const char* const kSection = "Settings";
}

void OpenFromDialog(platform::CommonDialog& dlg, ucProperties& panel, ucPageLayout& preview) {
    dlg.DialogTitle = QStringLiteral("Open");
    dlg.CancelError = false;  // set on every use: Page Setup sets it to true
    dlg.Filter = QString::fromLatin1(kOpenFilter);
    dlg.InitDir = platform::GetSetting(AppTitle(), QString::fromLatin1(kSection), QString::fromLatin1(kLastFolderKey),
                                       QString());
    // Only a folder that is there: one removed since is simply forgotten,
    // anything else was not written by this program and is said.
    const platform::FileFacts folder = platform::StatFile(dlg.InitDir);
    if (!dlg.InitDir.isEmpty() && !(folder.exists && !folder.isFile)) {
        if (!QDir::isAbsolutePath(dlg.InitDir))
            platform::Warn(QStringLiteral("the stored folder of the last picture, \"%1\", is not a folder; it is "
                                          "not used")
                               .arg(platform::ShownFileName(dlg.InitDir.left(200))));
        dlg.InitDir.clear();
    }
    dlg.ShowOpen();
    if (dlg.FileName.isEmpty()) return;
    const QString path = dlg.FileName;
    OpenPicture(panel, preview, path);
}

bool OpenPicture(ucProperties& panel, ucPageLayout& preview, const QString& path) {
    // From here a failure ends the command at once, silently: a file that is
    // not a picture, or a picture the panel cannot take, changes nothing more.
    const bool opened = platform::LeaveSilently([&] {
        platform::PicturePtr MyPicture;
        {
            platform::DialogProgress progress(preview.window(), QStringLiteral("Opening"),
                                              QStringLiteral("Opening %1...").arg(platform::ShownFileName(path.section(QLatin1Char('/'), -1))));
            const platform::ProgressScope scope(&progress);
            MyPicture = platform::LoadPictureAside(path);
        }
        panel.SetImage(MyPicture);
        preview.SetPicture(MyPicture);
    });
    if (opened) {
        // Remembering is a convenience: a store that cannot be written costs
        // the next Open its folder and File > Recent Pictures its entry, no more.
        platform::ContinueOnFailure([&] {
            platform::SaveSetting(AppTitle(), QString::fromLatin1(kSection), QString::fromLatin1(kLastFolderKey),
                                  QFileInfo(path).absolutePath());
        });
        platform::ContinueOnFailure([&] { platform::RememberPicture(AppTitle(), path); });
    }
    return opened;
}

}  // namespace inputs
