#pragma once
// The printers the system offers: its CUPS queues, and the built-in PDF
// printer that stands in when there is none; and where a printer into a
// file asks for the file's path.
#include "platform/print/Printer.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

// The system's default queue, or the built-in PDF printer when the system has
// no printer (or its scheduler cannot be reached).
PrinterPtr MakeSystemPrinter();

// A printer on the named CUPS queue. Throws Failure when there is no such queue.
PrinterPtr MakeQueuePrinter(const QString& queueName);

// The built-in PDF printer: device name "PDF", 600 dpi, the locale's default
// paper, portrait. It writes to `outputPath`; when that is empty it asks the
// file path provider at print time (a save dialog in the window).
PrinterPtr MakePdfPrinter(const QString& outputPath = QString());

// The names of the system's print queues, the default first.
QStringList QueueNames();

// Asked for the file's path when a printer into a file (see FilePrinter)
// without a path prints, with the file's kind ("PDF"). An empty answer
// cancels the job (platform::Cancelled).
using FilePathProvider = std::function<QString(const QString& format)>;
void SetFilePathProvider(FilePathProvider provider);

// A provider that asks with a modal save dialog over `parent` (the shell
// installs it once its main window exists): "Save as <format>", files named
// *.<format in small letters>.
FilePathProvider SaveDialogFilePathProvider(QWidget* parent);

}  // namespace platform
