#include "support/VirtualDisplay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QThread>

#include <unistd.h>

namespace testx {

VirtualDisplay::VirtualDisplay(int width, int height) {
    // Pick a display number whose lock file is free.
    int n = 90 + int(getpid() % 50);
    while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))) ++n;
    mDisplay = QStringLiteral(":%1").arg(n);
    mServer = std::make_unique<QProcess>();
    mServer->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mServer->start(QStringLiteral("Xvfb"),
                   {mDisplay, QStringLiteral("-screen"), QStringLiteral("0"),
                    QStringLiteral("%1x%2x24").arg(width).arg(height), QStringLiteral("-nolisten"),
                    QStringLiteral("tcp"), QStringLiteral("-dpi"), QStringLiteral("96")});
    if (!mServer->waitForStarted(5000)) return;
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
    for (int i = 0; i < 100 && !QFile::exists(socket); ++i) QThread::msleep(50);
    int code = -1;
    Run(QStringLiteral("xdpyinfo"), {}, &code);
    mRunning = QFile::exists(socket) && code == 0;
}

VirtualDisplay::~VirtualDisplay() {
    if (mServer && mServer->state() != QProcess::NotRunning) {
        mServer->terminate();
        if (!mServer->waitForFinished(3000)) mServer->kill();
        mServer->waitForFinished(1000);
    }
}

QString VirtualDisplay::Run(const QString& program, const QStringList& args, int* exitCode,
                            int timeoutMs) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), mDisplay);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        if (exitCode) *exitCode = -1;
        return QString();
    }
    if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

bool VirtualDisplay::Screenshot(const QString& path) const {
    QDir().mkpath(QFileInfo(path).absolutePath());
    int code = -1;
    Run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path}, &code);
    return code == 0 && QFile::exists(path);
}

}  // namespace testx
