#pragma once
// Talking to the scheduler with a deadline. A scheduler that is stopped
// (SIGSTOP) or stuck still takes connections on its socket and never
// answers; libcups's default connection then waits minutes on each read, and
// a queue it cannot find is looked for again on that connection.
#include "platform/cups/JobStatus.h"

#include <cups/cups.h>

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>

namespace platform {

// The local scheduler answers within milliseconds; a slow one within this.
inline constexpr int kSchedulerLimitMs = 30000;

struct IppFree {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppFree>;

// A connection of its own to the scheduler, every wait on it (connecting,
// sending, each read) ending by one deadline, `limitMs` from now. `what`
// names the question in failures ("the printer \"office\"").
class SchedulerLink {
public:
    SchedulerLink(int limitMs, QString what);
    ~SchedulerLink();
    SchedulerLink(const SchedulerLink&) = delete;
    SchedulerLink& operator=(const SchedulerLink&) = delete;

    http_t* get() const { return mHttp; }
    // Throws PrintSystemUnreachable once the deadline has passed: what a call
    // on the connection returned since is no answer.
    void Check() const;
    // Sends `request`; the response, or a Failure with its text
    // (PrintSystemUnreachable when none came in time).
    Ipp Ask(ipp_t* request);

private:
    std::chrono::steady_clock::time_point mEnd;
    int mLimitMs;
    QString mWhat;
    http_t* mHttp = nullptr;
};

// A link, or none when no scheduler runs (nothing takes the connection):
// callers then answer as libcups does without one, at once.
std::unique_ptr<SchedulerLink> LinkIfRunning(const QString& what, int limitMs = kSchedulerLimitMs);

// The queue as cupsGetNamedDest gives it (with the saved options), asked
// within kSchedulerLimitMs (once for a QueueSnapshot of the queue); null when there is no such queue or no scheduler. Throws
// PrintSystemUnreachable when no scheduler answers in time. Free with
// cupsFreeDests(1, dest).
cups_dest_t* NamedDest(const QString& queue);

// One reading of a queue (whether it exists, its description with its saved
// options, the printer behind it) asks the scheduler about the queue once:
// while this lives, NamedDest(queue) on this thread gives copies of the
// first answer, and QueuePpdFile(queue) the file first fetched. Each
// question costs the scheduler milliseconds.
class QueueSnapshot {
public:
    explicit QueueSnapshot(QString queue);
    ~QueueSnapshot();
    QueueSnapshot(const QueueSnapshot&) = delete;
    QueueSnapshot& operator=(const QueueSnapshot&) = delete;

private:
    friend cups_dest_t* NamedDest(const QString& queue);
    friend QByteArray QueuePpdFile(const QString& queue, bool* callerRemoves);
    // The snapshot of `queue` this thread reads within, if any.
    static QueueSnapshot* Of(const QString& queue);
    QString mQueue;
    QueueSnapshot* mOuter;
    bool mAsked = false;
    cups_dest_t* mDest = nullptr;
    bool mPpdAsked = false;
    QByteArray mPpdFile;
};

// The queue's description as cupsGetPPD2 fetches it into a temporary file
// (or links it): its name, empty when there is none. `callerRemoves` says
// whether the caller removes it; within a QueueSnapshot of the queue the
// snapshot keeps it, and removes it when it ends. Throws
// PrintSystemUnreachable when no scheduler answers in time.
QByteArray QueuePpdFile(const QString& queue, bool* callerRemoves);

}  // namespace platform
