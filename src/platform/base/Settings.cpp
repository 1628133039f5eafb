#include "platform/base/Settings.h"

#include "platform/base/AppInfo.h"
#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSet>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <sys/stat.h>

namespace platform {
namespace {
QString Path(const QString& section, const QString& key) { return section + QLatin1Char('/') + key; }

// Said once a run: a second replacement in the same run only meets the file
// this one wrote.
bool& ReplacementTold() {
    static bool told = false;
    return told;
}

const char kProbe[] = "ombrastele-settings-folder";

// The store's file, found without opening it: QSettings reads its file as
// it is made, and a FIFO there would block that for ever. A store of another
// application, that none has, names the folder (the one QSettings::setPath
// or XDG_CONFIG_HOME chose).
QString StoreFile(const QString& application) {
    const QString probe = QSettings(QSettings::IniFormat, QSettings::UserScope, QLatin1String(kProbe),
                                    QLatin1String(kProbe))
                              .fileName();
    const qsizetype folderEnd = probe.size() - 2 * qsizetype(sizeof kProbe - 1) - 5;  // "<probe>/<probe>.ini"
    return probe.left(folderEnd) + application + QLatin1Char('/') + application + QStringLiteral(".ini");
}

// Whether the store may be opened: absent, or a regular file. Anything else
// (a FIFO, a device, a folder) is left alone: for a read, said once a run,
// and the defaults are used; a write says so in its failure.
bool StoreUsable(const QString& file, bool reading) {
    struct stat s {};
    if (stat(QFile::encodeName(file).constData(), &s) != 0 || S_ISREG(s.st_mode)) return true;
    static bool told = false;
    if (reading && !told) {
        told = true;
        Warn(QStringLiteral("the settings file %1 is not a regular file; it is left alone and the defaults are used")
                 .arg(file));
    }
    return false;
}

QSettings OpenStore(const QString& application) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, application, application);
}

// A store Qt cannot parse in full is moved aside, and what it could read goes
// into a fresh one. Whether it parses is asked of a copy: QSettings keeps a
// file it has read once in a cache for the whole process and does not parse
// it again, nor say again that it could not. A UTF-8 byte order mark at the
// start is no damage (editors write one), so the copy goes without it. Keys
// without a name (a line "=") are dropped: written back, they would damage
// the new file. Returns where the damaged file now is; empty when the store
// was sound.
QString MoveDamagedAside(const QString& file, QSettings::SettingsMap* readable) {
    QFile original(file);
    if (!original.open(QIODevice::ReadOnly) || original.size() == 0) return {};
    QByteArray bytes = original.readAll();
    if (bytes.size() != original.size()) return {};
    original.close();
    if (bytes.startsWith("\xef\xbb\xbf")) bytes.remove(0, 3);
    QTemporaryFile copy;
    if (!copy.open() || copy.write(bytes) != bytes.size()) return {};
    copy.close();
    {
        const QSettings parsed(copy.fileName(), QSettings::IniFormat);
        // The file is read when first asked for a key: status() only after.
        const QStringList keys = parsed.allKeys();
        if (parsed.status() != QSettings::FormatError) return {};
        for (const QString& key : keys)
            if (!key.section(QLatin1Char('/'), -1).isEmpty()) readable->insert(key, parsed.value(key));
    }
    QString aside = file + QStringLiteral(".damaged");  // returned, so moved
    const QByteArray asideBytes = QFile::encodeName(aside);
    // A file left there by an earlier replacement goes; anything else in the
    // way is named, with the system's reason.
    struct stat s {};
    if (lstat(asideBytes.constData(), &s) == 0 && !S_ISDIR(s.st_mode)) std::remove(asideBytes.constData());
    if (std::rename(QFile::encodeName(file).constData(), asideBytes.constData()) != 0)
        Fail(QStringLiteral("Cannot keep the damaged settings file %1 as %2: %3")
                 .arg(file, aside, SystemReason(errno)));
    return aside;
}

// Reads the store through `read`; nothing when it cannot be opened.
void ReadStore(const QString& application, const std::function<void(QSettings&)>& read) {
    if (!StoreUsable(StoreFile(application), true)) return;
    QSettings store = OpenStore(application);
    read(store);
}

// Changes the store through `change` and writes it. Throws Failure when it
// cannot be written, and only then.
void WriteStore(const QString& application, const std::function<void(QSettings&)>& change) {
    const QString file = StoreFile(application);
    if (!StoreUsable(file, false)) Fail(QStringLiteral("Cannot write the settings file %1: it is not a regular file").arg(file));
    QSettings::SettingsMap readable;
    const QString aside = MoveDamagedAside(file, &readable);
    QSettings store = OpenStore(application);
    for (auto it = readable.cbegin(); it != readable.cend(); ++it) store.setValue(it.key(), it.value());
    change(store);
    store.sync();
    // Only a failed write: a FormatError here is Qt reading the file again
    // before writing it, and the value was written.
    if (store.status() == QSettings::AccessError)
        Fail(QStringLiteral("Cannot write the settings file %1").arg(store.fileName()));
    if (!aside.isEmpty() && !ReplacementTold()) {
        ReplacementTold() = true;
        Warn(QStringLiteral("the settings file %1 could not be read and has been replaced; the damaged one is "
                            "kept as %2")
                 .arg(store.fileName(), aside));
    }
}

QString TextOf(const QVariant& v) {
    // Written by hand without quotes, "1,2" reads as a list of two; the
    // store holds text, so the text it was.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

// CUPS compares queue names as ASCII without case ("A4" is "a4").
QByteArray QueueFolded(const QString& queue) { return queue.toUtf8().toLower(); }

// The keys of `section` that name `queue`, as CUPS compares names.
QStringList QueueKeys(QSettings& store, const QString& section, const QString& queue) {
    QStringList keys;
    store.beginGroup(section);
    const QByteArray folded = QueueFolded(queue);
    for (const QString& key : store.childKeys())
        if (QByteArray::fromHex(key.toLatin1()).toLower() == folded) keys << key;
    store.endGroup();
    return keys;
}

const char* const kRecentSection = "Recent";
QString RecentKey(int i) { return QStringLiteral("Picture%1").arg(i + 1); }

// A name as the store keeps it: text when its bytes are UTF-8, which reads
// back the same; its very bytes otherwise, which QSettings keeps exactly.
QVariant StoredName(const QString& name) {
    const QByteArray bytes = FileNameBytes(name);
    return FileNameFromBytes(bytes) == QString::fromUtf8(bytes) ? QVariant(name) : QVariant(bytes);
}
QString NameOf(const QVariant& v) {
    return v.typeId() == QMetaType::QByteArray ? FileNameFromBytes(v.toByteArray()) : TextOf(v);
}

QStringList Existing(const QStringList& list) {
    QStringList out;
    for (const QString& path : list)
        if (StatFile(path).isFile) out << path;
    return out;
}

void WriteRecent(QSettings& store, const QStringList& list) {
    store.remove(QString::fromLatin1(kRecentSection));
    for (int i = 0; i < list.size(); ++i)
        store.setValue(Path(QString::fromLatin1(kRecentSection), RecentKey(i)), StoredName(list[i]));
}
}  // namespace

QString SettingsFileName() { return StoreFile(AppTitle()); }

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue) {
    QString text = defaultValue;
    ReadStore(application, [&](QSettings& store) {
        const QVariant v = store.value(Path(section, key));
        if (v.isValid()) text = TextOf(v);
    });
    return text;
}

void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value) {
    WriteStore(application, [&](QSettings& store) { store.setValue(Path(section, key), value); });
}

void WarnStoredValue(const QString& what, const QString& text, const QString& expected, const QString& instead) {
    Warn(QStringLiteral("the stored %1, \"%2\", is not %3; %4").arg(what, text.left(40).simplified(), expected, instead));
}

QString KeyOfName(const QString& name) { return QString::fromLatin1(name.toUtf8().toHex()); }

QString GetQueueSetting(const QString& application, const QString& section, const QString& queue,
                        const QString& defaultValue) {
    QString text = defaultValue;
    ReadStore(application, [&](QSettings& store) {
        // The queue's own spelling first, then any other of the same name.
        QVariant v = store.value(Path(section, KeyOfName(queue)));
        if (!v.isValid())
            if (const QStringList keys = QueueKeys(store, section, queue); !keys.isEmpty())
                v = store.value(Path(section, keys.first()));
        if (v.isValid()) text = TextOf(v);
    });
    return text;
}

void SaveQueueSetting(const QString& application, const QString& section, const QString& queue,
                      const QString& value) {
    WriteStore(application, [&](QSettings& store) {
        // One entry a queue: another spelling of its name is replaced.
        for (const QString& key : QueueKeys(store, section, queue)) store.remove(Path(section, key));
        store.setValue(Path(section, KeyOfName(queue)), value);
    });
}

QStringList WithRecent(const QStringList& list, const QString& path, int max) {
    const QString first = QFileInfo(path).absoluteFilePath();
    QStringList out{first};
    QSet<QByteArray> seen{FileNameBytes(first)};
    for (const QString& entry : list) {
        if (out.size() >= max) break;
        const QByteArray bytes = FileNameBytes(QFileInfo(entry).absoluteFilePath());
        if (entry.isEmpty() || seen.contains(bytes)) continue;
        seen.insert(bytes);
        out << entry;
    }
    return out;
}

QStringList StoredRecentPictures(const QString& application) {
    QStringList list;
    bool untidy = false;
    ReadStore(application, [&](QSettings& store) {
        store.beginGroup(QString::fromLatin1(kRecentSection));
        QSet<QByteArray> seen;
        for (int i = 0; i < kMaxRecentPictures; ++i) {
            const QString name = NameOf(store.value(RecentKey(i)));
            if (name.isEmpty() || seen.contains(FileNameBytes(name))) continue;
            seen.insert(FileNameBytes(name));
            list << name;
        }
        // Anything more (duplicates, keys past the eighth, entries written by
        // hand) is pruned below, so the next read is as quick as it should be.
        untidy = store.childKeys() != [&] {
            QStringList keys;
            for (int i = 0; i < list.size(); ++i) keys << RecentKey(i);
            return keys;
        }();
        store.endGroup();
    });
    if (untidy) ContinueOnFailure([&] { WriteStore(application, [&](QSettings& store) { WriteRecent(store, list); }); });
    return list;
}

QStringList RecentPictures(const QString& application) { return Existing(StoredRecentPictures(application)); }

void RememberPicture(const QString& application, const QString& path) {
    const QStringList list = WithRecent(RecentPictures(application), path);
    WriteStore(application, [&](QSettings& store) { WriteRecent(store, list); });
}

}  // namespace platform
