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

// The Open command: the file-open dialog, then OpenPicture with the file
// chosen; nothing more when the user cancels.
void OpenFromDialog(platform::CommonDialog& dialog, ucProperties& panel, ucPageLayout& preview);

// Opens the picture file at `path` as Open does after its dialog: the panel,
// then the preview; a file that is not a picture changes nothing, silently.
// Used by Open, the command line and a drop on the window.
void OpenPicture(ucProperties& panel, ucPageLayout& preview, const QString& path);

}  // namespace inputs
