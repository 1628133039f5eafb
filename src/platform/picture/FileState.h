#pragma once
// Which file, its size and when it was last written: another state after
// decoding means another picture than the one decoded may be on disk.
#include <QFile>
#include <QString>
#include <sys/stat.h>

namespace platform {

struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec written{};
    bool operator!=(const FileState& o) const {
        return device != o.device || inode != o.inode || size != o.size || written.tv_sec != o.written.tv_sec ||
               written.tv_nsec != o.written.tv_nsec;
    }
};

inline FileState StateOf(const QFile& file) {
    struct stat s {};
    if (fstat(file.handle(), &s) != 0) return {};
    return FileState{s.st_dev, s.st_ino, s.st_size, s.st_mtim};
}

// Why a picture whose file changed under the decoder is refused.
inline QString ChangedWhileReadText() { return QStringLiteral("it changed while it was read"); }

}  // namespace platform
