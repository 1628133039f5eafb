#pragma once
// The platform's printer dialogs, kept apart from the printers themselves
// as Qt keeps QPrintDialog apart from QPrinter: a queue printer gets the
// print dialog (queue, paper, orientation, the queue's options), a file
// printer the page dialog (paper and orientation): the kind each printer
// reports (Printer::DialogKind).
#include "platform/print/ResolutionChoice.h"

#include <QDialog>
#include <QString>
#include <optional>
#include <vector>

class QComboBox;
class QDialogButtonBox;
class QLayout;
class QLabel;
class QWidget;

namespace platform {

class Printer;

// The dialog that fits `printer`, modal over `parent`, titled `title`. On OK
// the printer reflects the chosen device, paper and orientation and the
// result is true; false when the user cancelled, or when the printer has no
// dialog. Throws Failure when the choice cannot be read.
bool ShowPrinterDialog(Printer& printer, QWidget* parent, const QString& title);

// The frame of the printer's small dialogs: "Printer: <queue>" (handed back
// through `printer` when asked for), a word on what the figures do, `form`,
// then OK and Cancel (handed back, for more buttons), top to bottom.
QDialogButtonBox* LayOutPrinterForm(QDialog& dialog, const QString& queue, const QString& about, QLayout* form,
                                    QLabel** printer);

// The printer's resolution, next to the print dialog (which knows only the
// queue's own options, named as its description names them): the queue's
// name and one line per ResolutionItem, `current` selected (the default's
// line when it is not among them).
class ResolutionDialog : public QDialog {
    Q_OBJECT
public:
    ResolutionDialog(const QString& queue, std::vector<ResolutionItem> items, QSize current, QWidget* parent,
                     const QString& title);
    // What the selected line sets: empty for the printer's default.
    QSize Value() const;

    QLabel* lblPrinter = nullptr;
    QComboBox* cboResolution = nullptr;

private:
    std::vector<ResolutionItem> mItems;
};

// The dialog on `printer`'s resolutions, modal over `parent`: what the user
// chose (empty for the default), or nothing when cancelled.
std::optional<QSize> ShowResolutionDialog(const Printer& printer, QWidget* parent, const QString& title);

}  // namespace platform
