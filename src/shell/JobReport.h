#pragma once
// The main window's account of its last print: the outcome in words on the
// status bar, a word when the queue is paused, and the job followed to the
// paper (or its end) with the printer's reasons, one message box when it is
// aborted.
#include "platform/cups/JobStatus.h"
#include "platform/print/PrintOutcome.h"
#include "printing/PrintCommand.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QStatusBar;

namespace platform {
class JobFollower;
}

namespace shell {

class JobReport : public QObject {
    Q_OBJECT
public:
    // `bar` belongs to the window, which also owns this object.
    explicit JobReport(QStatusBar* bar, QObject* parent = nullptr);
    ~JobReport() override;

    // What File > Print came to: Printed, NotPrinted, or nothing when there
    // was no picture (that message was shown already).
    void Took(const printing::PrintResult& result);
    // A job was made: says where it went and, for a queue, follows it (a
    // job followed before is let go).
    void Printed(const platform::PrintOutcome& outcome);
    // The job failed or was cancelled before anything was made.
    void NotPrinted(const QString& reason);

    // How often the scheduler is asked; tests shorten it.
    static int& PollIntervalMs();

private:
    void Show(const QString& text);
    void Ended(const platform::JobStatus& status);

    QPointer<QStatusBar> mBar;
    std::unique_ptr<platform::JobFollower> mFollower;
};

// The message box of an aborted job: "The job 12 on office-laser was
// aborted: Filter failed".
QString AbortedJobMessage(const QString& queue, int jobId, const platform::JobStatus& status);

}  // namespace shell
