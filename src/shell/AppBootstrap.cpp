#include "shell/AppBootstrap.h"

#include "platform/Failure.h"
#include "shell/AppInfo.h"
#include "shell/Module1.h"

#include <QApplication>
#include <QMessageBox>

void InstallMessageBox() {
    platform::SetMessageSink([](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, AppTitle(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    });
}

int RunApplication(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppTitle());
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(AppMajor()).arg(AppMinor()).arg(AppRevision()));
    InstallMessageBox();
    Module1::Main();
    return app.exec();
}
