#include "platform/base/Settings.h"

#include "platform/base/AppInfo.h"
#include "platform/base/Failure.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

namespace platform {
namespace {
QString Path(const QString& section, const QString& key) { return section + QLatin1Char('/') + key; }

// Said once a run: a second replacement in the same run only meets the file
// this one wrote.
bool& ReplacementTold() {
    static bool told = false;
    return told;
}

// A store Qt cannot parse in full is moved aside, and what it could read goes
// into a fresh one. Whether it parses is asked of a copy: QSettings keeps a
// file it has read once in a cache for the whole process and does not parse
// it again, nor say again that it could not. Keys without a name (a line
// "=") are dropped: written back, they would damage the new file. Returns
// where the damaged file now is; empty when the store was sound.
QString MoveDamagedAside(const QString& application, QSettings::SettingsMap* readable) {
    const QString file = QSettings(QSettings::IniFormat, QSettings::UserScope, application, application).fileName();
    QFile original(file);
    if (!original.open(QIODevice::ReadOnly) || original.size() == 0) return {};
    QTemporaryFile copy;
    if (!copy.open() || copy.write(original.readAll()) != original.size()) return {};
    copy.close();
    original.close();
    {
        const QSettings parsed(copy.fileName(), QSettings::IniFormat);
        // The file is read when first asked for a key: status() only after.
        const QStringList keys = parsed.allKeys();
        if (parsed.status() != QSettings::FormatError) return {};
        for (const QString& key : keys)
            if (!key.section(QLatin1Char('/'), -1).isEmpty()) readable->insert(key, parsed.value(key));
    }
    QString aside = file + QStringLiteral(".damaged");  // returned, so moved
    QFile::remove(aside);
    if (!QFile::rename(file, aside)) Fail(QStringLiteral("Cannot write the settings file %1").arg(file));
    return aside;
}

const char* const kRecentSection = "Recent";
QString RecentKey(int i) { return QStringLiteral("Picture%1").arg(i + 1); }

// Every stored entry, in order, missing files included.
QStringList StoredRecent(const QString& application) {
    QStringList list;
    for (int i = 0; i < kMaxRecentPictures; ++i) {
        const QString path = GetSetting(application, QString::fromLatin1(kRecentSection), RecentKey(i), QString());
        if (!path.isEmpty()) list << path;
    }
    return list;
}

QStringList Existing(const QStringList& list) {
    QStringList out;
    for (const QString& path : list)
        if (QFileInfo(path).isFile()) out << path;
    return out;
}
}  // namespace

QString SettingsFileName() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, AppTitle(), AppTitle()).fileName();
}

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, application, application);
    const QVariant v = store.value(Path(section, key));
    if (!v.isValid()) return defaultValue;
    // Written by hand without quotes, "1,2" reads as a list of two; the
    // store holds text, so the text it was.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value) {
    QSettings::SettingsMap readable;
    const QString aside = MoveDamagedAside(application, &readable);
    QSettings store(QSettings::IniFormat, QSettings::UserScope, application, application);
    for (auto it = readable.cbegin(); it != readable.cend(); ++it) store.setValue(it.key(), it.value());
    store.setValue(Path(section, key), value);
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

QString KeyOfName(const QString& name) { return QString::fromLatin1(name.toUtf8().toHex()); }

QStringList WithRecent(const QStringList& list, const QString& path, int max) {
    const QString first = QFileInfo(path).absoluteFilePath();
    QStringList out{first};
    for (const QString& entry : list)
        if (!entry.isEmpty() && QFileInfo(entry).absoluteFilePath() != first && out.size() < max) out << entry;
    return out.mid(0, max);
}

QStringList RecentPictures(const QString& application) { return Existing(StoredRecent(application)); }

void RememberPicture(const QString& application, const QString& path) {
    const QStringList list = WithRecent(Existing(StoredRecent(application)), path);
    for (int i = 0; i < kMaxRecentPictures; ++i)
        SaveSetting(application, QString::fromLatin1(kRecentSection), RecentKey(i), list.value(i));
}

}  // namespace platform
