#pragma once
// What the print system says of a job after it was handed over: asked with
// IPP Get-Job-Attributes (and Get-Printer-Attributes for the printer's side),
// put in words for the status bar and the command line.
#include "platform/base/Failure.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

struct JobStatus {
    // ipp_jstate_t: 3 pending, 4 held, 5 processing, 6 stopped, 7 canceled,
    // 8 aborted, 9 completed; 0 when not known.
    int state = 0;
    QStringList jobReasons;      // job-state-reasons, "none" left out
    QString message;             // job-printer-state-message, else the printer's
    int printerState = 0;        // 3 idle, 4 processing, 5 stopped; 0 not known
    QStringList printerReasons;  // printer-state-reasons, "none" and severity suffixes left out

    bool Ended() const { return state >= 7; }
    bool Completed() const { return state == 9; }
};

inline constexpr int kJobPending = 3, kJobHeld = 4, kJobProcessing = 5, kJobStopped = 6, kJobCanceled = 7,
                     kJobAborted = 8, kJobCompleted = 9;

// The scheduler gave no answer at all (not running, restarting, its socket
// gone): a Failure a follower may wait out.
class PrintSystemUnreachable : public Failure {
public:
    using Failure::Failure;
};

// Asks the scheduler about job `jobId` on `queue`, on a connection of its
// own that gives up after `limitMs` in all (a scheduler stopped or stuck
// takes the connection and never answers). Throws Failure when the
// scheduler cannot be reached or does not answer in time
// (PrintSystemUnreachable) or does not know the job.
JobStatus QueryJobWithin(const QString& queue, int jobId, int limitMs);
inline constexpr int kQueryLimitMs = 5000;
JobStatus QueryJob(const QString& queue, int jobId);  // within kQueryLimitMs

// A reason in keyword form without its severity ("media-empty-error" ->
// "media-empty"); empty for "none".
QString PlainReason(const QString& keyword);

// Why a job waits or ended, in the printer's words: its message when it has
// one, else its reasons; empty when it gives none.
QString JobReason(const JobStatus& status);

// One line for the status bar: "Sent to office-laser as job 12",
// "office-laser job 12: printing", "office-laser job 12 printed",
// "office-laser job 12 aborted: Filter failed"...
QString JobStatusText(const QString& queue, int jobId, const JobStatus& status);

// Polls the job every `intervalMs` until it ends or `timeoutMs` has passed
// (a negative timeout waits for ever). `query` is QueryJobWithin what is
// left of the wait unless a test gives another; `sleep` waits the interval. Returns the last status seen;
// `timedOut` tells whether the job had not ended. Query failures are
// retried until the timeout.
JobStatus WaitForJob(const QString& queue, int jobId, int timeoutMs, bool* timedOut, int intervalMs = 500,
                     const std::function<JobStatus(const QString&, int)>& query = {});

// How a wait for a job ended.
enum class WaitEnd { Ended, TimedOut, LostContact };
struct WaitResult {
    JobStatus last;  // the last status the scheduler gave
    WaitEnd end = WaitEnd::Ended;
};
// WaitForJob that also stops when the scheduler has given no answer for
// `lostAfterMs` (negative: never); a restart within it is waited out. Other
// query failures are retried until the timeout, as there. No question to
// the scheduler outlasts the timeout or the grace by more than an interval.
WaitResult FollowJob(const QString& queue, int jobId, qint64 timeoutMs, qint64 lostAfterMs, int intervalMs = 500,
                     const std::function<JobStatus(const QString&, int)>& query = {});

}  // namespace platform
