#include "platform/print/SystemPrinters.h"

#include "platform/base/FileNames.h"
#include "platform/print/CupsPrinter.h"
#include "platform/cups/CupsQueue.h"
#include "platform/base/Failure.h"
#include "platform/print/PdfPrinter.h"

#include <QFileDialog>
#include <QPointer>

namespace platform {
namespace {

FilePathProvider& Provider() {
    static FilePathProvider provider;
    return provider;
}

}  // namespace

QStringList QueueNames() {
    // With no scheduler this returns at once with nothing, so start-up never
    // waits on a missing CUPS.
    return SchedulerQueueNames();
}

PrinterPtr MakeQueuePrinter(const QString& queueName) { return std::make_shared<CupsPrinter>(queueName); }

PrinterPtr MakePdfPrinter(const QString& outputPath) {
    // The provider is looked up when the job asks, so one set later applies.
    return std::make_shared<PdfPrinter>(outputPath,
                                        [](const QString& format) { return Provider() ? Provider()(format) : QString(); });
}

PrinterPtr MakeSystemPrinter() {
    QStringList names;
    ContinueOnFailure([&] { names = QueueNames(); });  // a scheduler that gives no answer: print to PDF
    if (!names.isEmpty()) {
        try {
            return MakeQueuePrinter(names.first());
        } catch (const Failure&) {
            // The default queue went away or cannot be read: print to PDF.
        }
    }
    return MakePdfPrinter();
}

void SetFilePathProvider(FilePathProvider provider) { Provider() = std::move(provider); }

FilePathProvider SaveDialogFilePathProvider(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [owner](const QString& format) -> QString {
        const QString suffix = format.toLower();
        QFileDialog dialog(owner, QStringLiteral("Save as %1").arg(format), QString(),
                           QStringLiteral("%1 files (*.%2)").arg(format, suffix));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // Added before the overwrite question, so the question names the real file.
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        // A folder whose name is not UTF-8 comes back from Qt changed.
        return ExistingFileName(dialog.selectedFiles().first());
    };
}

}  // namespace platform
