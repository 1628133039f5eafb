#include "platform/page/TemporaryDocument.h"

#include "platform/base/Failure.h"

#include <QTemporaryDir>

namespace platform {

void FailWritingPage() { Fail(QStringLiteral("The page could not be written.")); }

TemporaryDocument::TemporaryDocument() = default;

TemporaryDocument::~TemporaryDocument() = default;

QString TemporaryDocument::Make(const QString& fileName) {
    Remove();
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid()) Fail(QStringLiteral("No temporary file could be made for the page."));
    mDir = std::move(dir);
    mPath = mDir->filePath(fileName);
    return mPath;
}

void TemporaryDocument::Remove() noexcept {
    mDir.reset();
    mPath.clear();
}

}  // namespace platform
