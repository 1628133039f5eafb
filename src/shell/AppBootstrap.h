#pragma once
// Builds the application object, installs the message box, runs Main and the
// event loop; or, for the command line's headless modes, runs the request
// without a window. Kept out of main.cpp so the tests can start the same way.
#include "shell/CommandLine.h"

int RunApplication(int argc, char** argv);

// The message box every failure message goes through: OK only, no icon, the
// application's title as caption; and the yes-or-no question asked before a
// job of many sheets (No by default).
void InstallMessageBox();

// The window's start: Main, drops enabled, and the picture the command line
// names opened exactly as File > Open... would. Needs a QApplication.
void StartWindow(const cli::Request& request);
