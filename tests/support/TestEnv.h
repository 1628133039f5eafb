#pragma once
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testenv {

// Before the QApplication: offscreen platform unless QT_QPA_PLATFORM is set,
// settings and XDG folders in a private temporary folder.
void PrepareProcess();
// After it: 96 dpi screen, messages recorded.
void AfterApplication();

// Messages shown through platform::ShowMessage since the last Clear.
QStringList& Messages();
void ClearMessages();

// The private folder of this test process (settings live below it).
QString ScratchDir();

}  // namespace testenv
