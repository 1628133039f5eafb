#pragma once
// What a drag from the file manager carries, as far as opening goes.
#include <QString>

class QMimeData;

namespace inputs {

// The one local file a drag carries; empty when it carries none, or several
// (which of them the user meant cannot be told). The content decides later
// whether it is a picture, as with Open.
QString DroppedFile(const QMimeData* data);

}  // namespace inputs
