#pragma once
// The printers the system offers: its CUPS queues, and the built-in PDF
// printer that stands in when there is none.
#include "platform/Printer.h"

namespace platform {

// The system's default queue, or the built-in PDF printer when the system has
// no printer (or its scheduler cannot be reached).
PrinterPtr MakeSystemPrinter();

}  // namespace platform
