#include "platform/base/Settings.h"

#include "platform/base/AppInfo.h"
#include "platform/base/Failure.h"

#include <QFile>
#include <QSettings>

namespace platform {
namespace {
QString Path(const QString& section, const QString& key) { return section + QLatin1Char('/') + key; }

// Said once a run: a second replacement in the same run only meets the file
// this one wrote.
bool& ReplacementTold() {
    static bool told = false;
    return told;
}

// A store Qt could not parse in full is moved aside, and what it could read
// goes into a fresh one. QSettings keeps the first error of an object, so
// the read's FormatError would hide a failed write: the write gets an object
// of its own. Returns where the damaged file now is; empty when the store
// was sound.
QString MoveDamagedAside(const QString& application, QSettings::SettingsMap* readable) {
    QString file;
    {
        QSettings probe(QSettings::IniFormat, QSettings::UserScope, application, application);
        if (probe.status() != QSettings::FormatError) return {};
        for (const QString& key : probe.allKeys()) readable->insert(key, probe.value(key));
        file = probe.fileName();
    }
    const QString aside = file + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (!QFile::rename(file, aside)) Fail(QStringLiteral("Cannot write the settings file %1").arg(file));
    return aside;
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
    if (store.status() != QSettings::NoError)
        Fail(QStringLiteral("Cannot write the settings file %1").arg(store.fileName()));
    if (!aside.isEmpty() && !ReplacementTold()) {
        ReplacementTold() = true;
        Warn(QStringLiteral("the settings file %1 could not be read and has been replaced; the damaged one is "
                            "kept as %2")
                 .arg(store.fileName(), aside));
    }
}

}  // namespace platform
