#include "platform/cups/SchedulerLink.h"

#include <cups/ppd.h>

#include <algorithm>
#include <unistd.h>

// cupsGetPPD2 is the one way to fetch a queue's description; CUPS marks it
// deprecated but keeps it working.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Unreachable(const QString& what, const QString& why) {
    throw PrintSystemUnreachable(QStringLiteral("lost contact with the print system: %1 about %2").arg(why, what));
}

}  // namespace

SchedulerLink::SchedulerLink(int limitMs, QString what)
    : mEnd(Clock::now() + std::chrono::milliseconds(limitMs)), mLimitMs(limitMs), mWhat(std::move(what)) {
    mHttp = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, std::max(limitMs, 1),
                         nullptr);
    if (!mHttp) Unreachable(mWhat, QString::fromUtf8(cupsLastErrorString()));
    // Waits of a fifth of a second, each followed by a look at the deadline.
    httpSetTimeout(mHttp, 0.2, [](http_t*, void* end) { return int(Clock::now() < *static_cast<Clock::time_point*>(end)); },
                   &mEnd);
}

SchedulerLink::~SchedulerLink() { httpClose(mHttp); }

void SchedulerLink::Check() const {
    if (Clock::now() >= mEnd)
        Unreachable(mWhat, QStringLiteral("no answer within %1 s").arg(QString::number(mLimitMs / 1000.0)));
}

Ipp SchedulerLink::Ask(ipp_t* request) {
    if (Clock::now() >= mEnd) {
        ippDelete(request);
        Check();
    }
    Ipp response(cupsDoRequest(mHttp, request, "/"));
    if (!response) {
        Check();
        Unreachable(mWhat, QString::fromUtf8(cupsLastErrorString()));
    }
    if (cupsLastError() > IPP_STATUS_OK_CONFLICTING)
        Fail(QStringLiteral("%1: %2").arg(mWhat, QString::fromUtf8(cupsLastErrorString())));
    return response;
}

std::unique_ptr<SchedulerLink> LinkIfRunning(const QString& what, int limitMs) {
    try {
        return std::make_unique<SchedulerLink>(limitMs, what);
    } catch (const PrintSystemUnreachable&) {
        return nullptr;
    }
}

namespace {
thread_local QueueSnapshot* tSnapshots = nullptr;  // the innermost; each names the one outside it

cups_dest_t* AskNamedDest(const QString& queue) {
    const auto link = LinkIfRunning(QStringLiteral("the printer \"%1\"").arg(queue));
    if (!link) return nullptr;
    // A name the connection does not find (or finds no answer for) libcups
    // looks up again among all destinations on the thread's default
    // connection, which waits minutes on a frozen scheduler. Pointed at no
    // server for the call, that second look ends at once.
    const QByteArray server(cupsServer());
    const int port = ippPort();
    cupsSetServer("/nonexistent/ombrastele-no-scheduler");
    cups_dest_t* dest = cupsGetNamedDest(link->get(), queue.toUtf8().constData(), nullptr);
    cupsSetServer(server.constData());
    ippSetPort(port);
    try {
        link->Check();
    } catch (...) {
        if (dest) cupsFreeDests(1, dest);
        throw;
    }
    return dest;
}

}  // namespace

QueueSnapshot* QueueSnapshot::Of(const QString& queue) {
    for (QueueSnapshot* s = tSnapshots; s; s = s->mOuter)
        if (s->mQueue == queue) return s;
    return nullptr;
}

cups_dest_t* NamedDest(const QString& queue) {
    if (QueueSnapshot* s = QueueSnapshot::Of(queue)) {
        if (!s->mAsked) {
            s->mDest = AskNamedDest(queue);
            s->mAsked = true;
        }
        cups_dest_t* copy = nullptr;
        if (s->mDest) cupsCopyDest(s->mDest, 0, &copy);
        return copy;
    }
    return AskNamedDest(queue);
}

namespace {
QByteArray FetchPpdFile(const QString& queue) {
    const auto link = LinkIfRunning(QStringLiteral("\"%1\"").arg(queue));
    if (!link) return {};
    if (const char* file = cupsGetPPD2(link->get(), queue.toUtf8().constData())) return QByteArray(file);
    link->Check();
    return {};
}
}  // namespace

QByteArray QueuePpdFile(const QString& queue, bool* callerRemoves) {
    if (QueueSnapshot* s = QueueSnapshot::Of(queue)) {
        if (!s->mPpdAsked) {
            s->mPpdFile = FetchPpdFile(queue);
            s->mPpdAsked = true;
        }
        *callerRemoves = false;
        return s->mPpdFile;
    }
    *callerRemoves = true;
    return FetchPpdFile(queue);
}

QueueSnapshot::QueueSnapshot(QString queue) : mQueue(std::move(queue)), mOuter(tSnapshots) {
    // Within one of the same queue, that one answers.
    if (!QueueSnapshot::Of(mQueue)) tSnapshots = this;
}

QueueSnapshot::~QueueSnapshot() {
    if (tSnapshots == this) tSnapshots = mOuter;
    if (mDest) cupsFreeDests(1, mDest);
    if (!mPpdFile.isEmpty()) ::unlink(mPpdFile.constData());
}

}  // namespace platform
