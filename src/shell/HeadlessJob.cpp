#include "shell/HeadlessJob.h"

#include "shell/CommandLine.h"

namespace cli {

int FinishHeadlessJob(const platform::PrintOutcome& outcome, bool wait, int timeoutSeconds, QTextStream& err,
                      const std::function<platform::JobStatus(const QString&, int)>& query) {
    if (outcome.queuePaused) err << "ombrastele: " << platform::PausedQueueText(outcome.queue) << '\n';
    err.flush();
    if (!wait || !outcome.Sent()) return kExitOk;
    bool timedOut = false;
    const platform::JobStatus last = platform::WaitForJob(outcome.queue, outcome.jobId,
                                                          timeoutSeconds * 1000, &timedOut, 500, query);
    const QString words = platform::JobStatusText(outcome.queue, outcome.jobId, last);
    if (timedOut) {
        err << "ombrastele: still not printed after " << timeoutSeconds << " s: " << words << '\n';
        return kExitWaitTimedOut;
    }
    if (last.Completed()) return kExitOk;
    err << "ombrastele: " << words << '\n';
    return kExitJobFailed;
}

}  // namespace cli
