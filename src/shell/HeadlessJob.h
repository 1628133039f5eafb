#pragma once
// What the command line says and waits for after a job was made: a paused
// queue is mentioned, and with --wait the job is followed to its end.
#include "platform/cups/JobStatus.h"
#include "platform/print/PrintOutcome.h"

#include <QTextStream>
#include <functional>
#include <optional>

namespace cli {

// How long --wait lets the scheduler go without answering (a restart)
// before it stops; the environment's OMBRASTELE_WAIT_GRACE, in whole
// seconds, replaces it.
inline constexpr int kWaitGraceSeconds = 30;
inline constexpr qint64 kMaxWaitGraceSeconds = 86400;

// The grace OMBRASTELE_WAIT_GRACE asks for (`value`, or nothing when unset):
// whole seconds from 0 to kMaxWaitGraceSeconds, read in 64 bits so that no
// figure wraps into another. Anything else is warned about on `err` and
// gives kWaitGraceSeconds.
int WaitGraceSeconds(const std::optional<QByteArray>& value, QTextStream& err);

// After a job ended without failing: returns the exit status. Without
// `wait`, or for a file, 0. With it: 0 when the job completed, 1 when it was
// aborted or canceled (the reason on `err`) or when the scheduler stopped
// answering for longer than the grace, kExitWaitTimedOut when it had not
// ended after `timeoutSeconds`. `query` is FollowJob's (each question
// bounded by what is left of the wait) unless a test gives another.
int FinishHeadlessJob(const platform::PrintOutcome& outcome, bool wait, int timeoutSeconds, QTextStream& err,
                      const std::function<platform::JobStatus(const QString&, int)>& query = {});

}  // namespace cli
