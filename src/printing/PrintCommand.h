#pragma once
// File > Print and the toolbar's Print button: the print job on the current
// printer with what the controls hold at that moment.
#include "platform/print/PrintOutcome.h"

#include <QPoint>
#include <QString>

class ucPageLayout;
class ucProperties;

namespace printing {

// What became of File > Print, for the status bar.
struct PrintResult {
    bool ran = false;                 // there was a picture, so a job was tried
    platform::PrintOutcome outcome;   // what the job made, when it succeeded
    QString failure;                  // why it failed; empty when it did not
    bool cancelled = false;           // the user stopped it
};

// The question asked before a job of more than platform::kSheetsWithoutAsking
// sheets; the job runs only on a yes.
QString ManySheetsQuestion(int sheets);

// Reads the picture from the preview, its size in pixels and the cut-guides
// option from the panel, and runs the print job. With no picture it says so
// and touches no printer; a failed job is reported in one message. A layout
// of many sheets is printed only when the user says yes to the question.
PrintResult PrintFromControls(const ucProperties& panel, const ucPageLayout& preview);

// The calibration page on the current printer, moved by `nudge` rather than
// the printer's own (which it keeps), so a correction can be tried before it
// is stored. A failed job is reported in one message.
PrintResult PrintCalibrationPage(QPoint nudge);

// The sentence that leads the message of a failed calibration page.
inline const char* const kCalibrationFailedMessage = "The calibration page could not be printed.";

}  // namespace printing
