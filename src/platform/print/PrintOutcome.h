#pragma once
// What a finished document became, told in words by the window's status bar
// and by the command line.
#include <QString>

namespace platform {

struct PrintOutcome {
    QString queue;             // the queue that took the job; empty for a file
    int jobId = 0;             // the scheduler's number for it; 0 when none
    QString savedPath;         // the file written; empty for a queue
    bool queuePaused = false;  // the queue is stopped but takes jobs: the job waits for it

    bool Sent() const { return jobId > 0; }
    bool Saved() const { return !savedPath.isEmpty(); }
};

// "Sent to office-laser as job 12", "Saved /home/ann/page.pdf"; empty when
// nothing was made.
QString OutcomeText(const PrintOutcome& outcome);
// "The printer office-laser is paused; the job will print when it is resumed."
QString PausedQueueText(const QString& queue);
// "Not printed: <reason>" (the reason on one line).
QString NotPrintedText(const QString& reason);

}  // namespace platform
