#include "platform/print/PrintOutcome.h"

namespace platform {

QString OutcomeText(const PrintOutcome& o) {
    if (o.Sent()) return QStringLiteral("Sent to %1 as job %2").arg(o.queue).arg(o.jobId);
    if (o.Saved()) return QStringLiteral("Saved %1").arg(o.savedPath);
    return QString();
}

QString PausedQueueText(const QString& queue) {
    return QStringLiteral("The printer %1 is paused; the job will print when it is resumed.").arg(queue);
}

QString NotPrintedText(const QString& reason) {
    QString line = reason;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line = line.simplified();
    return line.isEmpty() ? QStringLiteral("Not printed") : QStringLiteral("Not printed: ") + line;
}

}  // namespace platform
