#include "platform/desktop/CommonDialog.h"

#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/print/PrinterDialogs.h"
#include "platform/print/ResolutionChoice.h"

#include <QFileDialog>

namespace platform {
namespace {
const char* const kCancel = "Cancel was selected.";
}

QString CommonDialog::QtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            if (p.trimmed() == QLatin1String("*.*")) p = QStringLiteral("*");
        entries << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

void CommonDialog::ShowOpen() {
    FileName = ExistingFileName(RunOpenDialog(DialogTitle, QtFilter(Filter)));
    if (FileName.isEmpty() && CancelError) Fail(QString::fromLatin1(kCancel));
}

void CommonDialog::ShowPrinter() {
    const PrinterPtr printer = CurrentPrinter();
    if (!RunPrinterDialog(*printer, DialogTitle)) {
        if (CancelError) Fail(QString::fromLatin1(kCancel));
        return;
    }
    // The dialog may have moved to another queue: the choice kept for it
    // first, then the user's, when the device has a choice at all.
    ApplyStoredResolution(*printer);
    if (printer->Resolutions().size() < 2) return;
    const std::optional<QSize> chosen = RunResolutionDialog(*printer, DialogTitle);
    if (!chosen) return;  // the resolution stays; the paper chosen before stays too
    printer->SetResolution(*chosen);
    StoreResolution(printer->DeviceName(), *chosen);
}

QString CommonDialog::RunOpenDialog(const QString& title, const QString& qtFilter) {
    return QFileDialog::getOpenFileName(owner, title, InitDir, qtFilter);
}

bool CommonDialog::RunPrinterDialog(Printer& printer, const QString& title) {
    return ShowPrinterDialog(printer, owner, title);
}

std::optional<QSize> CommonDialog::RunResolutionDialog(const Printer& printer, const QString& title) {
    return ShowResolutionDialog(printer, owner, title);
}

}  // namespace platform
