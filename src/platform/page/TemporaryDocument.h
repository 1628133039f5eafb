#pragma once
// The folder of its own that a page writer's document is written into when
// it does not stream straight to its reader, and the words of the writers'
// failures. Removing the folder takes the file with it.
#include <QString>
#include <memory>

class QTemporaryDir;

namespace platform {

// What every page writer says when its document's bytes could not be written.
[[noreturn]] void FailWritingPage();

class TemporaryDocument {
public:
    TemporaryDocument();
    ~TemporaryDocument();
    TemporaryDocument(const TemporaryDocument&) = delete;
    TemporaryDocument& operator=(const TemporaryDocument&) = delete;

    // Makes a new folder and returns the path of `fileName` in it (not yet
    // made). Throws Failure when no folder can be made.
    QString Make(const QString& fileName);
    // The document's path; empty before Make and after Remove.
    const QString& Path() const { return mPath; }
    // Removes the folder and the document. Harmless when there is none.
    void Remove() noexcept;

private:
    std::unique_ptr<QTemporaryDir> mDir;
    QString mPath;
};

}  // namespace platform
