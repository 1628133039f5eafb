#include "platform/cups/JobFollower.h"

#include "platform/base/Failure.h"

namespace platform {
namespace {
bool Same(const JobStatus& a, const JobStatus& b) {
    return a.state == b.state && a.jobReasons == b.jobReasons && a.message == b.message &&
           a.printerState == b.printerState && a.printerReasons == b.printerReasons;
}
}  // namespace

JobFollower::JobFollower(const QString& queue, int jobId, QObject* parent, int intervalMs,
                         std::function<JobStatus(const QString&, int)> query)
    : QObject(parent), mQueue(queue), mJobId(jobId), mQuery(std::move(query)) {
    if (!mQuery) mQuery = [](const QString& q, int id) { return QueryJobWithin(q, id, kWindowQueryMs); };
    mTimer.setInterval(intervalMs);
    connect(&mTimer, &QTimer::timeout, this, &JobFollower::Poll);
    mTimer.start();
    QTimer::singleShot(0, this, &JobFollower::Poll);
}

void JobFollower::Poll() {
    if (!mTimer.isActive()) return;
    JobStatus now;
    if (!ContinueOnFailure([&] { now = mQuery(mQueue, mJobId); })) {
        mUnreachableMs += mTimer.interval();
        if (mUnreachableMs < kGiveUpMs) return;
        mTimer.stop();
        JobStatus lost = mLast;
        lost.state = 0;
        lost.message = QStringLiteral("the print system no longer answers");
        emit Ended(lost);
        return;
    }
    mUnreachableMs = 0;
    if (!mReported || !Same(now, mLast)) {
        mLast = now;
        mReported = true;
        emit Changed(now);
    }
    if (now.Ended()) {
        mTimer.stop();
        emit Ended(now);
    }
}

}  // namespace platform
