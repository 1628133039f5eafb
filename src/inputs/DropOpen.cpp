// A file dropped from the file manager onto the main window opens as if it
// had been chosen in File > Open...
#include "shell/frmMain.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {
// The one local file a drag carries; empty when it carries none, or several
// (which of them the user meant cannot be told).
QString DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return QString();
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return QString();
    return urls.first().toLocalFile();
}
}  // namespace

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    // The content decides whether it is a picture, as with Open: any single
    // file is welcome, and one that does not decode changes nothing.
    if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    OpenPicture(path);
}
