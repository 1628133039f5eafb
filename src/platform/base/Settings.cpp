#include "platform/base/Settings.h"

#include "platform/base/Failure.h"

#include <QSettings>

namespace platform {
namespace {
QString Path(const QString& section, const QString& key) { return section + QLatin1Char('/') + key; }
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

QString KeyOfName(const QString& name) { return QString::fromLatin1(name.toUtf8().toHex()); }

}  // namespace platform
