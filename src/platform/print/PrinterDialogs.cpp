#include "platform/print/PrinterDialogs.h"

#include "platform/print/CupsPrinter.h"
#include "platform/print/PdfPrinter.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace platform {
namespace {

bool ShowQueueDialog(CupsPrinter& printer, QWidget* parent, const QString& title) {
    QPrintDialog dialog(&printer.DialogPrinter(), parent);
    dialog.setWindowTitle(title);
    // Queues only: printing to a file is the PDF printer's business.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // Read again either way: the dialog may have changed Qt's printer.
    printer.TakeDialogChoice();
    return accepted;
}

bool ShowPdfPageDialog(PdfPrinter& printer, QWidget* parent, const QString& title) {
    QPrinter qtPrinter(QPrinter::HighResolution);
    qtPrinter.setOutputFormat(QPrinter::PdfFormat);
    qtPrinter.setPageLayout(printer.Layout());
    QPageSetupDialog dialog(&qtPrinter, parent);
    dialog.setWindowTitle(title);
    printer.KillDoc();
    if (dialog.exec() != QDialog::Accepted) return false;
    printer.SetLayout(qtPrinter.pageLayout().pageSize(), qtPrinter.pageLayout().orientation());
    return true;
}

}  // namespace

bool ShowPrinterDialog(Printer& printer, QWidget* parent, const QString& title) {
    if (auto* queue = dynamic_cast<CupsPrinter*>(&printer)) return ShowQueueDialog(*queue, parent, title);
    if (auto* pdf = dynamic_cast<PdfPrinter*>(&printer)) return ShowPdfPageDialog(*pdf, parent, title);
    return false;
}

}  // namespace platform
