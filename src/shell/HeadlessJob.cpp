#include "shell/HeadlessJob.h"

#include "shell/CommandLine.h"

namespace cli {

int WaitGraceSeconds(const std::optional<QByteArray>& value, QTextStream& err) {
    if (!value) return kWaitGraceSeconds;
    bool ok = false;
    const qint64 seconds = value->trimmed().toLongLong(&ok);
    if (ok && seconds >= 0 && seconds <= kMaxWaitGraceSeconds) return int(seconds);
    err << "ombrastele: OMBRASTELE_WAIT_GRACE=" << QString::fromLocal8Bit(value->left(40))
        << " is not whole seconds from 0 to " << kMaxWaitGraceSeconds << "; " << kWaitGraceSeconds
        << " s is used\n";
    return kWaitGraceSeconds;
}

int FinishHeadlessJob(const platform::PrintOutcome& outcome, bool wait, int timeoutSeconds, QTextStream& err,
                      const std::function<platform::JobStatus(const QString&, int)>& query) {
    if (outcome.queuePaused) err << "ombrastele: " << platform::PausedQueueText(outcome.queue) << '\n';
    err.flush();
    if (!wait || !outcome.Sent()) return kExitOk;
    const std::optional<QByteArray> grace = qEnvironmentVariableIsSet("OMBRASTELE_WAIT_GRACE")
                                                ? std::optional(qgetenv("OMBRASTELE_WAIT_GRACE"))
                                                : std::nullopt;
    const platform::WaitResult result =
        platform::FollowJob(outcome.queue, outcome.jobId, qint64(timeoutSeconds) * 1000,
                            qint64(WaitGraceSeconds(grace, err)) * 1000, 500, query);
    const platform::JobStatus& last = result.last;
    const QString words = platform::JobStatusText(outcome.queue, outcome.jobId, last);
    if (result.end == platform::WaitEnd::LostContact) {
        err << "ombrastele: lost contact with the print system: " << words << '\n';
        return kExitJobFailed;
    }
    if (result.end == platform::WaitEnd::TimedOut) {
        err << "ombrastele: still not printed after " << timeoutSeconds << " s: " << words << '\n';
        return kExitWaitTimedOut;
    }
    if (last.Completed()) return kExitOk;
    err << "ombrastele: " << words << '\n';
    return kExitJobFailed;
}

}  // namespace cli
