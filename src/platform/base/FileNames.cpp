#include "platform/base/FileNames.h"

#include "platform/base/Settings.h"

#include <QMap>
#include <QStringList>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + a byte from 0x80 to 0xFF

bool IsEscape(QChar c) { return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF; }

// The length of the valid UTF-8 sequence at `i` (overlong forms, encoded
// surrogates and code points past U+10FFFF are not valid), or 0.
int SequenceAt(const QByteArray& b, qsizetype i) {
    const auto at = [&](qsizetype k) { return uchar(b[i + k]); };
    const uchar c = at(0);
    int length = 0;
    if (c >= 0xC2 && c <= 0xDF) length = 2;
    else if (c >= 0xE0 && c <= 0xEF) length = 3;
    else if (c >= 0xF0 && c <= 0xF4) length = 4;
    if (length == 0 || i + length > b.size()) return 0;
    for (int k = 1; k < length; ++k)
        if ((at(k) & 0xC0) != 0x80) return 0;
    if ((c == 0xE0 && at(1) < 0xA0) || (c == 0xED && at(1) >= 0xA0) || (c == 0xF0 && at(1) < 0x90) ||
        (c == 0xF4 && at(1) >= 0x90))
        return 0;
    return length;
}

QMap<QString, QString>& KeptFiles() {
    static QMap<QString, QString> kept;  // what -> name
    return kept;
}

}  // namespace

QString FileNameFromBytes(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar c = uchar(bytes[i]);
        if (c < 0x80) {
            name += QChar(c);
            ++i;
        } else if (const int n = SequenceAt(bytes, i)) {
            name += QString::fromUtf8(bytes.constData() + i, n);
            i += n;
        } else {
            name += QChar(char16_t(kEscapeBase + c));
            ++i;
        }
    }
    return name;
}

QByteArray FileNameBytes(const QString& name) {
    QByteArray bytes;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        // A lone low surrogate in the escape range (not the second half of a
        // pair) stands for its byte.
        const bool escape = i < name.size() && IsEscape(name[i]) && (i == 0 || !name[i - 1].isHighSurrogate());
        if (i < name.size() && !escape) continue;
        bytes += QStringView(name).mid(runStart, i - runStart).toUtf8();
        if (escape) bytes += char(name[i].unicode() - kEscapeBase);
        runStart = i + 1;
    }
    return bytes;
}

QString ShownFileName(const QString& name) {
    const QByteArray bytes = FileNameBytes(name);
    QString shown;
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar c = uchar(bytes[i]);
        const int n = c < 0x80 ? 1 : SequenceAt(bytes, i);
        if (n == 0 || c < 0x20 || c == 0x7F) {
            shown += QString::asprintf("\\x%02X", unsigned(c));
            ++i;
        } else {
            shown += QString::fromUtf8(bytes.constData() + i, n);
            i += n;
        }
    }
    return shown;
}

QString ShortenedName(const QString& name, int maxChars) {
    QString shown = ShownFileName(name);  // returned whole when short: moved
    if (shown.size() <= maxChars) return shown;
    const QString dots = QStringLiteral("...");
    const qsizetype tail = (maxChars - dots.size()) / 2;
    qsizetype head = maxChars - dots.size() - tail;
    // Never half of a surrogate pair.
    if (head > 0 && shown[head - 1].isHighSurrogate()) --head;
    qsizetype tailStart = shown.size() - tail;
    if (shown[tailStart].isLowSurrogate()) ++tailStart;
    return shown.left(head) + dots + shown.mid(tailStart);
}

FileFacts StatFile(const QString& name) {
    FileFacts facts;
    const QByteArray bytes = FileNameBytes(name);
    struct stat link {};
    if (lstat(bytes.constData(), &link) == 0) facts.isSymLink = S_ISLNK(link.st_mode);
    struct stat target {};
    if (stat(bytes.constData(), &target) != 0) {
        facts.error = errno;
        return facts;
    }
    facts.exists = true;
    facts.isFile = S_ISREG(target.st_mode);
    facts.readable = access(bytes.constData(), R_OK) == 0;
    if (!facts.readable) facts.error = errno;
    facts.device = quint64(target.st_dev);
    facts.inode = quint64(target.st_ino);
    return facts;
}

QString SystemReason(int error) { return QString::fromLocal8Bit(strerror(error)); }

bool SameFile(const QString& a, const QString& b) {
    const FileFacts x = StatFile(a), y = StatFile(b);
    return x.exists && y.exists && x.device == y.device && x.inode == y.inode;
}

bool OpenFile(QFile& file, const QString& name, QIODevice::OpenMode mode, QString* error) {
    const bool writing = mode & QIODevice::WriteOnly;
    const int flags = (writing ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY) | O_CLOEXEC;
    const int fd = ::open(FileNameBytes(name).constData(), flags, 0666);
    if (fd < 0) {
        if (error) *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    if (!file.open(fd, writing ? QIODevice::WriteOnly : QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (error) *error = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
}

bool RemoveFile(const QString& name) { return ::unlink(FileNameBytes(name).constData()) == 0; }

QString ExistingFileName(const QString& dialogName) {
    if (dialogName.isEmpty() || StatFile(dialogName).exists || !dialogName.contains(QChar::ReplacementCharacter))
        return dialogName;
    const QStringList parts = dialogName.split(QLatin1Char('/'));
    QString resolved;  // the parts so far
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString prefix = i == 0 ? QString() : resolved + QLatin1Char('/');
        QString part = parts[i];
        if (part.contains(QChar::ReplacementCharacter) && !StatFile(prefix + part).exists) {
            const QString folder = i == 0 ? QStringLiteral(".") : resolved.isEmpty() ? QStringLiteral("/") : resolved;
            if (DIR* dir = opendir(FileNameBytes(folder).constData())) {
                QString match;
                int matches = 0;
                while (const dirent* entry = readdir(dir)) {
                    const QByteArray bytes(entry->d_name);
                    if (QFile::decodeName(bytes) == part) {
                        match = FileNameFromBytes(bytes);
                        ++matches;
                    }
                }
                closedir(dir);
                if (matches == 1) part = match;
            }
        }
        resolved = prefix + part;
    }
    return resolved;
}

void KeepFromOverwriting(const QString& name, const QString& what) { KeptFiles()[what] = name; }

QString ReadByTheProgram(const QString& destination) {
    for (auto it = KeptFiles().cbegin(); it != KeptFiles().cend(); ++it)
        if (SameFile(it.value(), destination)) return it.key();
    if (SameFile(SettingsFileName(), destination)) return QStringLiteral("the settings file");
    return {};
}

}  // namespace platform
