#pragma once
// Builds the application object, installs the message box, runs Main and the
// event loop. Kept out of main.cpp so the tests can start the same way.
int RunApplication(int argc, char** argv);

// The message box every failure message goes through: OK only, no icon, the
// application's title as caption.
void InstallMessageBox();
