// Bytes as the settings file, through the program's reading of it: the
// window placement and the last folder as text, each queue's nudge and
// resolution, the recent pictures (pruned as they are read), then a value
// stored (a damaged file moved aside) and read back. What is read must be
// within the ranges the program promises; what was stored must read back.
// Anything else (a crash, a sanitizer report, an exception) is a finding.
#include "platform/base/AppInfo.h"
#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/base/Settings.h"
#include "platform/print/Nudge.h"
#include "platform/print/ResolutionChoice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

void Require(bool holds) {
    if (!holds) abort();
}

QTemporaryDir* gFolder = nullptr;
long gRound = 0;

QString IniPath() { return gFolder->path() + QStringLiteral("/Ombrastele/Ombrastele.ini"); }

// The file's bytes, with a time of its own: QSettings reads a file again
// only when its size or time changed.
void WriteStore(const QByteArray& bytes) {
    QFile::remove(IniPath() + QStringLiteral(".damaged"));
    QFile file(IniPath());
    Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    Require(file.write(bytes) == bytes.size());
    file.close();
    const timespec times[2] = {{1000000 + ++gRound, 0}, {1000000 + gRound, 0}};
    utimensat(AT_FDCWD, QFile::encodeName(IniPath()).constData(), times, 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    gFolder = new QTemporaryDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, gFolder->path());
    QDir().mkpath(gFolder->path() + QStringLiteral("/Ombrastele"));
    platform::SetWarningSink([](const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteStore(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QString app = AppTitle();
    for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight", "LastFolder"})
        (void)platform::GetSetting(app, QStringLiteral("Settings"), QString::fromLatin1(key), QString());
    for (const char* queue : {"PDF", "pdf", "Office", "a4", "A4"}) {
        const QPoint nudge = platform::StoredNudge(QString::fromLatin1(queue));
        Require(std::abs(nudge.x()) <= platform::kMaxNudgeDots && std::abs(nudge.y()) <= platform::kMaxNudgeDots);
        const QSize dpi = platform::StoredResolution(QString::fromLatin1(queue));
        Require(dpi.isEmpty() || (dpi.width() <= platform::kMaxResolutionDpi && dpi.height() <= platform::kMaxResolutionDpi));
    }
    const QStringList recent = platform::StoredRecentPictures(app);
    Require(recent.size() <= platform::kMaxRecentPictures);
    QSet<QByteArray> distinct;
    for (const QString& name : recent) distinct.insert(platform::FileNameBytes(name));
    Require(distinct.size() == recent.size());

    bool stored = false;
    try {
        platform::SaveSetting(app, QStringLiteral("Settings"), QStringLiteral("MainLeft"), QStringLiteral("1234"));
        stored = true;
    } catch (const platform::Failure&) {
    }
    if (stored)
        Require(platform::GetSetting(app, QStringLiteral("Settings"), QStringLiteral("MainLeft"), QString()) ==
                QStringLiteral("1234"));
    return 0;
}
