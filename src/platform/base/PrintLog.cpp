#include "platform/base/PrintLog.h"

namespace platform {

// Warnings and above by default: the decisions are debug messages.
Q_LOGGING_CATEGORY(lcPrint, kPrintLogCategory, QtWarningMsg)

void EnablePrintLog() {
    QLoggingCategory::setFilterRules(QStringLiteral("ombrastele.print.debug=true"));
}

}  // namespace platform
