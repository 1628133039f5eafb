#include "shell/HeadlessJob.h"

#include "shell/CommandLine.h"

namespace cli {
namespace {
int GraceSeconds() {
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("OMBRASTELE_WAIT_GRACE", &ok);
    return ok && seconds >= 0 ? seconds : kWaitGraceSeconds;
}
}  // namespace

int FinishHeadlessJob(const platform::PrintOutcome& outcome, bool wait, int timeoutSeconds, QTextStream& err,
                      const std::function<platform::JobStatus(const QString&, int)>& query) {
    if (outcome.queuePaused) err << "ombrastele: " << platform::PausedQueueText(outcome.queue) << '\n';
    err.flush();
    if (!wait || !outcome.Sent()) return kExitOk;
    const platform::WaitResult result = platform::FollowJob(outcome.queue, outcome.jobId, timeoutSeconds * 1000,
                                                            GraceSeconds() * 1000, 500, query);
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
