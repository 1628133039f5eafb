#include "platform/SystemPrinters.h"

#include "platform/RecordingPrinter.h"

namespace platform {

// Placeholder until the CUPS-backed printer lands.
PrinterPtr MakeSystemPrinter() { return std::make_shared<RecordingPrinter>(); }

}  // namespace platform
