#include "support/TestEnv.h"

#include "platform/base/Failure.h"
#include "platform/base/Screen.h"

#include <QSettings>
#include <QStandardPaths>

namespace testenv {
namespace {
QTemporaryDir& Scratch() {
    static QTemporaryDir dir;
    return dir;
}
}  // namespace

QString ScratchDir() { return Scratch().path(); }

void PrepareProcess() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray root = ScratchDir().toLocal8Bit();
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, ScratchDir() + QStringLiteral("/config"));
}

void AfterApplication() {
    platform::SetScreenDpiForTesting(96.0);
    platform::SetMessageSink([](const QString& text) { Messages().append(text); });
}

QStringList& Messages() {
    static QStringList messages;
    return messages;
}

void ClearMessages() { Messages().clear(); }

}  // namespace testenv
