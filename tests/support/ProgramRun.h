#pragma once
// Runs the real program as a script would: no display, its output captured.
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct ProgramRun {
    int status = -1;  // -2: crashed; -1: did not finish
    QString out;
    QString err;
};

// `extraEnv` is added to the environment (after DISPLAY, WAYLAND_DISPLAY
// and QT_QPA_PLATFORM were removed from it).
ProgramRun RunProgram(const QStringList& args, const QProcessEnvironment& extraEnv = {},
                      int timeoutMs = 300000);
// The same with another program in front, which starts the real one
// (a shell that passes a file name's very bytes).
ProgramRun RunThrough(const QString& program, const QStringList& args, const QProcessEnvironment& extraEnv = {},
                      int timeoutMs = 300000);
