#include "platform/desktop/CommonDialog.h"

#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/print/PrinterDialogs.h"

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
    const bool ok = RunPrinterDialog(*CurrentPrinter(), DialogTitle);
    if (!ok && CancelError) Fail(QString::fromLatin1(kCancel));
}

QString CommonDialog::RunOpenDialog(const QString& title, const QString& qtFilter) {
    return QFileDialog::getOpenFileName(owner, title, InitDir, qtFilter);
}

bool CommonDialog::RunPrinterDialog(Printer& printer, const QString& title) {
    return ShowPrinterDialog(printer, owner, title);
}

}  // namespace platform
