#include "inputs/DroppedFile.h"

#include <QMimeData>
#include <QUrl>

namespace inputs {

QString DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return QString();
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return QString();
    return urls.first().toLocalFile();
}

}  // namespace inputs
