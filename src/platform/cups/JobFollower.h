#pragma once
// Follows one job after it was handed to the print system, without blocking
// the window: a timer asks the scheduler (QueryJob) every so often and
// reports each change until the job is completed, aborted or canceled.
#include "platform/cups/JobStatus.h"

#include <QObject>
#include <QTimer>

namespace platform {

class JobFollower : public QObject {
    Q_OBJECT
public:
    // Starts at once; the first question is asked on the next turn of the
    // event loop. `query` is QueryJobWithin kWindowQueryMs unless a test
    // gives another: the window never waits long on a stuck scheduler.
    JobFollower(const QString& queue, int jobId, QObject* parent = nullptr, int intervalMs = 1000,
                std::function<JobStatus(const QString&, int)> query = {});
    static constexpr int kWindowQueryMs = 1000;

    const QString& Queue() const { return mQueue; }
    int JobId() const { return mJobId; }
    const JobStatus& Last() const { return mLast; }
    bool Following() const { return mTimer.isActive(); }

    // How long the scheduler may stay unreachable before the job is given up.
    static constexpr int kGiveUpMs = 60000;

signals:
    // The state, a reason or the message changed.
    void Changed(const platform::JobStatus& status);
    // The job ended (or could no longer be asked about: state 0); no more
    // signals follow.
    void Ended(const platform::JobStatus& status);

private:
    void Poll();

    QString mQueue;
    int mJobId;
    std::function<JobStatus(const QString&, int)> mQuery;
    QTimer mTimer;
    JobStatus mLast;
    bool mReported = false;
    int mUnreachableMs = 0;
};

}  // namespace platform

Q_DECLARE_METATYPE(platform::JobStatus)
