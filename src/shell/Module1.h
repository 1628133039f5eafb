#pragma once
// The program's module: start-up and the routine that puts the string table's
// texts into a window.
class QWidget;
class frmMain;

namespace Module1 {

// The one main window; set once by Main.
extern frmMain* gMainForm;

// Creates the main window and shows it.
void Main();

// Replaces the string ids a window was designed with by the texts of the
// string table (platform::ApplyFormStrings). Never fails towards its caller.
void ApplyFormStrings(QWidget* form);

}  // namespace Module1
