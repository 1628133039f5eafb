#pragma once
// File names as the system gives them: bytes, which need not be UTF-8. The
// program holds a name as a QString in which each byte that is not part of
// valid UTF-8 stands as one lone low surrogate, U+DC80 to U+DCFF (a QString
// holds them, no decoded text contains them), so every name goes back to its
// very bytes. Qt's file classes encode a name as UTF-8 and would turn such a
// byte into U+FFFD; a file the user names is opened here, on its bytes.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace platform {

// The bytes of argv or of a folder entry as a name.
QString FileNameFromBytes(const QByteArray& bytes);
// The very bytes again: FileNameBytes(FileNameFromBytes(b)) == b for any b.
QByteArray FileNameBytes(const QString& name);
// The name for a message, on one line: valid text as it is, every byte that
// is not UTF-8 and every control character as \xNN.
QString ShownFileName(const QString& name);

// ShownFileName on at most `maxChars` characters: a longer one keeps its
// start and its end (where the extension is) around "...".
QString ShortenedName(const QString& name, int maxChars);

struct FileFacts {
    bool exists = false;
    bool isFile = false;     // a regular file (after links)
    bool isSymLink = false;  // the name itself is a link
    bool readable = false;
    quint64 device = 0;      // with the inode: which file it is
    quint64 inode = 0;
    int error = 0;           // errno when it does not exist, or is not readable
};
// The system's words for an errno value: "Too many levels of symbolic links".
QString SystemReason(int error);
FileFacts StatFile(const QString& name);
// Whether both names exist and are one file (links followed).
bool SameFile(const QString& a, const QString& b);

// Opens `file` on the name's bytes: ReadOnly, or WriteOnly to create (0666
// less the umask) or truncate it. False with the system's reason in `error`.
bool OpenFile(QFile& file, const QString& name, QIODevice::OpenMode mode, QString* error);
bool RemoveFile(const QString& name);

// A name a file dialog gave. Qt decodes a folder's entries as UTF-8, each
// byte that is not becoming U+FFFD, so a chosen file need not exist under
// the name given. Each part that does not exist is matched against its
// folder's real entries as Qt shows them; one match stands for that entry.
// The name is kept as given when it exists or nothing matches.
QString ExistingFileName(const QString& dialogName);

// Files the program reads while it works, kept from being written over by a
// job's output: the picture last opened (`what` says which, for a message).
void KeepFromOverwriting(const QString& name, const QString& what);
// What `destination` is when it is such a file, or the settings store: "the
// picture", "the settings file"; empty when writing it harms nothing.
QString ReadByTheProgram(const QString& destination);

}  // namespace platform
