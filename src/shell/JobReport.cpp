#include "shell/JobReport.h"

#include "platform/base/Failure.h"
#include "platform/cups/JobFollower.h"

#include <QStatusBar>

namespace shell {

QString AbortedJobMessage(const QString& queue, int jobId, const platform::JobStatus& status) {
    const QString reason = platform::JobReason(status);
    const QString head = QStringLiteral("The job %1 on %2 was aborted").arg(jobId).arg(queue);
    return reason.isEmpty() ? head + QLatin1Char('.') : QStringLiteral("%1: %2").arg(head, reason);
}

JobReport::JobReport(QStatusBar* bar, QObject* parent) : QObject(parent), mBar(bar) {}

JobReport::~JobReport() = default;

int& JobReport::PollIntervalMs() {
    static int interval = 1000;
    return interval;
}

void JobReport::Show(const QString& text) {
    if (mBar) mBar->showMessage(text);
}

void JobReport::Printed(const platform::PrintOutcome& outcome) {
    mFollower.reset();
    Show(platform::OutcomeText(outcome));
    if (outcome.queuePaused) platform::ShowMessage(platform::PausedQueueText(outcome.queue));
    if (!outcome.Sent()) return;
    mFollower = std::make_unique<platform::JobFollower>(outcome.queue, outcome.jobId, nullptr, PollIntervalMs());
    const platform::JobFollower* follower = mFollower.get();
    connect(follower, &platform::JobFollower::Changed, this, [this, follower](const platform::JobStatus& s) {
        Show(platform::JobStatusText(follower->Queue(), follower->JobId(), s));
    });
    connect(follower, &platform::JobFollower::Ended, this, &JobReport::Ended);
}

void JobReport::Ended(const platform::JobStatus& status) {
    const platform::JobFollower* follower = mFollower.get();
    if (!follower) return;
    if (status.state == 0) {
        Show(QStringLiteral("%1 job %2: %3").arg(follower->Queue()).arg(follower->JobId()).arg(status.message));
    } else if (status.state == platform::kJobAborted) {
        // The status bar already says it; a job that did not reach the paper
        // also deserves the one message a failed print gets.
        platform::ShowMessage(AbortedJobMessage(follower->Queue(), follower->JobId(), status));
    }
}

void JobReport::Took(const printing::PrintResult& result) {
    if (!result.ran) return;
    if (result.cancelled) NotPrinted(QStringLiteral("cancelled"));
    else if (!result.failure.isEmpty()) NotPrinted(result.failure);
    else Printed(result.outcome);
}

void JobReport::NotPrinted(const QString& reason) {
    mFollower.reset();
    Show(platform::NotPrintedText(reason));
}

}  // namespace shell
