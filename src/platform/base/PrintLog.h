#pragma once
// The print system's decisions, as the logging category "ombrastele.print":
// the format a queue is sent, its resolution and margins and where each came
// from, and the route a finished page takes (the queue and job, or the file).
// Off by default; on with QT_LOGGING_RULES="ombrastele.print.debug=true" or
// the command line's --verbose. Messages go to stderr.
#include <QLoggingCategory>

namespace platform {

Q_DECLARE_LOGGING_CATEGORY(lcPrint)

// The category's name, for message handlers that let it through.
inline constexpr char kPrintLogCategory[] = "ombrastele.print";

// Turns the category's debug messages on (--verbose). QT_LOGGING_RULES still
// has the last word.
void EnablePrintLog();

}  // namespace platform
