#pragma once
// The platform's printer dialogs, kept apart from the printers themselves
// as Qt keeps QPrintDialog apart from QPrinter: a queue printer gets the
// print dialog (queue, paper, orientation, the queue's options), the PDF
// printer the page dialog (paper and orientation).
#include <QString>

class QWidget;

namespace platform {

class Printer;

// The dialog that fits `printer`, modal over `parent`, titled `title`. On OK
// the printer reflects the chosen device, paper and orientation and the
// result is true; false when the user cancelled, or when the printer is of
// a kind no dialog knows. Throws Failure when the choice cannot be read.
bool ShowPrinterDialog(Printer& printer, QWidget* parent, const QString& title);

}  // namespace platform
