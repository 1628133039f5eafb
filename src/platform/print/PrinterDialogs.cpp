#include "platform/print/PrinterDialogs.h"

#include "platform/print/CupsPrinter.h"
#include "platform/print/FilePrinter.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>

namespace platform {
namespace {

bool ShowQueueDialog(CupsPrinter& printer, QWidget* parent, const QString& title) {
    QPrintDialog dialog(&printer.DialogPrinter(), parent);
    dialog.setWindowTitle(title);
    // Queues only: printing to a file is the file printers' business.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // Read again either way: the dialog may have changed Qt's printer.
    printer.TakeDialogChoice();
    return accepted;
}

bool ShowPageDialog(FilePrinter& printer, QWidget* parent, const QString& title) {
    QPrinter qtPrinter(QPrinter::HighResolution);
    // Qt's own page dialog wants a printer into a file; it only shows and
    // takes the paper and orientation.
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
    switch (printer.DialogKind()) {
        case PrinterDialogKind::Queue: return ShowQueueDialog(static_cast<CupsPrinter&>(printer), parent, title);
        case PrinterDialogKind::Page: return ShowPageDialog(static_cast<FilePrinter&>(printer), parent, title);
        case PrinterDialogKind::None: break;
    }
    return false;
}

QDialogButtonBox* LayOutPrinterForm(QDialog& dialog, const QString& queue, const QString& about, QLayout* form,
                                    QLabel** printer) {
    auto* name = new QLabel(QStringLiteral("Printer: %1").arg(queue), &dialog);
    name->setObjectName(QStringLiteral("lblPrinter"));
    name->setTextFormat(Qt::PlainText);
    auto* words = new QLabel(about, &dialog);
    words->setObjectName(QStringLiteral("lblAbout"));
    words->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(name);
    layout->addWidget(words);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (printer) *printer = name;
    return buttons;
}

ResolutionDialog::ResolutionDialog(const QString& queue, std::vector<ResolutionItem> items, QSize current,
                                   QWidget* parent, const QString& title)
    : QDialog(parent), mItems(std::move(items)) {
    setObjectName(QStringLiteral("frmResolution"));
    setWindowTitle(title);
    setModal(true);
    cboResolution = new QComboBox(this);
    cboResolution->setObjectName(QStringLiteral("cboResolution"));
    int selected = 0;
    for (size_t i = 0; i < mItems.size(); ++i) {
        cboResolution->addItem(mItems[i].text);
        if (mItems[i].dpi == current && !current.isEmpty()) selected = int(i);
    }
    cboResolution->setCurrentIndex(selected);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Resolution:"), cboResolution);
    LayOutPrinterForm(*this, queue,
                      QStringLiteral("The resolution sets how large a picture pixel prints: one dot of it "
                                     "across and down."),
                      form, &lblPrinter);
}

QSize ResolutionDialog::Value() const {
    const int i = cboResolution->currentIndex();
    return i >= 0 && size_t(i) < mItems.size() ? mItems[size_t(i)].dpi : QSize();
}

std::optional<QSize> ShowResolutionDialog(const Printer& printer, QWidget* parent, const QString& title) {
    ResolutionDialog dialog(printer.DeviceName(), ResolutionItems(printer.DefaultResolution(), printer.Resolutions()),
                            printer.ChosenResolution(), parent, title);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Value();
}

}  // namespace platform
