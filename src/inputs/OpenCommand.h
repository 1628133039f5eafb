#pragma once
// File > Open...: choose a picture file, decode it, hand the one picture to
// the panel and then to the preview.
class QString;
class ucPageLayout;
class ucProperties;

namespace platform {
class CommonDialog;
}

namespace inputs {

// The Open command: the file-open dialog, started in the folder of the last
// picture opened, then OpenPicture with the file chosen; nothing more when
// the user cancels.
void OpenFromDialog(platform::CommonDialog& dialog, ucProperties& panel, ucPageLayout& preview);

// Opens the picture file at `path` as Open does after its dialog: the panel,
// then the preview; a file that is not a picture changes nothing, silently.
// A picture that takes long to read shows a progress dialog, whose Cancel
// changes nothing either. The folder of a picture opened is remembered for
// the next Open, the picture for File > Recent Pictures. Used by Open, the
// recent pictures, the command line and a drop on the window.
// Returns whether the picture was opened.
bool OpenPicture(ucProperties& panel, ucPageLayout& preview, const QString& path);

// The settings key (section "Settings") of the last picture's folder.
inline const char* const kLastFolderKey = "LastPictureFolder";

}  // namespace inputs
