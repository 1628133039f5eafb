#include "shell/AppBootstrap.h"

#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/base/PrintLog.h"
#include "platform/print/SystemPrinters.h"
#include "platform/base/AppInfo.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {
// The arguments with every byte kept (a file name need not be UTF-8; see
// FileNames.h). After the application object is made, argv holds what Qt
// left of it: its own options are taken out in place.
QStringList ArgumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << platform::FileNameFromBytes(QByteArray(argv[i]));
    return arguments;
}

// Headless runs promise one line on stderr for a failure; Qt's own chatter
// (a missing runtime folder, font fallbacks) would bury it. Critical and
// fatal messages still pass, and the print system's decisions.
void QuietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // The print system's decisions, when asked for (--verbose), pass too.
    const bool decision = context.category && std::strcmp(context.category, platform::kPrintLogCategory) == 0;
    if (decision) std::fprintf(stderr, "%s: ", context.category);
    if (type == QtCriticalMsg || type == QtFatalMsg || decision) {
        std::fputs(qPrintable(message), stderr);
        std::fputc('\n', stderr);
    }
}

void NameApplication() {
    QCoreApplication::setApplicationName(AppTitle());
    QCoreApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(AppMajor()).arg(AppMinor()).arg(AppRevision()));
}
}  // namespace

void InstallMessageBox() {
    platform::SetMessageSink([](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, AppTitle(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    });
    platform::SetQuestionSink([](const QString& text) {
        return QMessageBox::question(QApplication::activeWindow(), AppTitle(), text,
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    });
}

void StartWindow(const cli::Request& request) {
    Module1::Main();
    frmMain* form = Module1::gMainForm;
    // The built-in PDF printer asks where to write, over the main window.
    platform::SetFilePathProvider(platform::SaveDialogFilePathProvider(form));
    if (!request.picture.isEmpty()) form->OpenPicture(request.picture);
}

int RunApplication(int argc, char** argv) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (cli::AsksForHeadless(ArgumentsOf(argc, argv))) {
        // No window will show: Qt's offscreen platform needs no display, and
        // the fonts of the calibration page work on it. At most a GUI
        // application, without widgets: no headless mode may make one.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietQtMessages);
        // A print that draws no text needs no platform plugin and no fonts:
        // a core application starts in a fraction of the time.
        std::unique_ptr<QCoreApplication> app;
        if (cli::RunsWithoutGui(ArgumentsOf(argc, argv))) app = std::make_unique<QCoreApplication>(argc, argv);
        else app = std::make_unique<QGuiApplication>(argc, argv);
        NameApplication();
        // Failures that would show a message box in the window go to stderr.
        platform::SetMessageSink([&err](const QString& text) {
            err << "ombrastele: " << QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified()
                << '\n';
            err.flush();
        });
        const cli::Request request = cli::Parse(ArgumentsOf(argc, argv));
        if (request.verbose) platform::EnablePrintLog();
        return cli::RunHeadless(request, out, err);
    }

    QApplication app(argc, argv);
    NameApplication();
    // Parsed after Qt has taken its own options (-platform, -style...) out.
    const cli::Request request = cli::Parse(ArgumentsOf(argc, argv));
    if (request.verbose) platform::EnablePrintLog();
    if (request.mode != cli::Mode::Window) return cli::RunHeadless(request, out, err);
    InstallMessageBox();
    StartWindow(request);
    return app.exec();
}
