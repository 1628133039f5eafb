#include "support/ProgramRun.h"

#include <QProcess>

ProgramRun RunProgram(const QStringList& args, const QProcessEnvironment& extraEnv, int timeoutMs) {
    return RunThrough(QStringLiteral(OMBRASTELE_BINARY), args, extraEnv, timeoutMs);
}

ProgramRun RunThrough(const QString& program, const QStringList& args, const QProcessEnvironment& extraEnv,
                      int timeoutMs) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
    for (const QString& key : extraEnv.keys()) env.insert(key, extraEnv.value(key));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    ProgramRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish");
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
