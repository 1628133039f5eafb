#include "platform/base/Settings.h"

#include "platform/base/Failure.h"

#include <QFileInfo>
#include <QSettings>

namespace platform {
namespace {
QString Path(const QString& section, const QString& key) { return section + QLatin1Char('/') + key; }

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

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, application, application);
    const QVariant v = store.value(Path(section, key));
    return v.isValid() ? v.toString() : defaultValue;
}

void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, application, application);
    store.setValue(Path(section, key), value);
    store.sync();
    if (store.status() != QSettings::NoError)
        Fail(QStringLiteral("Cannot write the settings file %1").arg(store.fileName()));
}

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
