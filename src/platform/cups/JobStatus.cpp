#include "platform/cups/JobStatus.h"

#include "platform/base/Failure.h"
#include "platform/cups/SchedulerLink.h"

#include <QElapsedTimer>
#include <QThread>

#include <cups/cups.h>

#include <algorithm>

namespace platform {
namespace {

QByteArray PrinterUri(const QString& queue) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     queue.toUtf8().constData());
    return QByteArray(uri);
}

ipp_t* NewRequest(ipp_op_t op, const QString& queue, const char* const* attributes, int count) {
    ipp_t* request = ippNewRequest(op);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri(queue).constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", count, nullptr, attributes);
    return request;
}

int Integer(ipp_t* response, const char* name) {
    ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_ENUM);
    return a ? ippGetInteger(a, 0) : 0;
}

QString Text(ipp_t* response, const char* name) {
    ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_TEXT);
    return a ? QString::fromUtf8(ippGetString(a, 0, nullptr)).trimmed() : QString();
}

QStringList Reasons(ipp_t* response, const char* name) {
    QStringList reasons;
    if (ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_KEYWORD))
        for (int i = 0; i < ippGetCount(a); ++i)
            if (const QString r = PlainReason(QString::fromUtf8(ippGetString(a, i, nullptr))); !r.isEmpty())
                reasons << r;
    return reasons;
}

QString StateWord(int state) {
    switch (state) {
        case kJobPending: return QStringLiteral("waiting");
        case kJobHeld: return QStringLiteral("held");
        case kJobProcessing: return QStringLiteral("printing");
        case kJobStopped: return QStringLiteral("stopped");
        case kJobCanceled: return QStringLiteral("canceled");
        case kJobAborted: return QStringLiteral("aborted");
        case kJobCompleted: return QStringLiteral("printed");
        default: return QStringLiteral("state unknown");
    }
}

}  // namespace

QString PlainReason(const QString& keyword) {
    QString r = keyword.trimmed();
    if (r == QLatin1String("none")) return QString();
    for (const char* suffix : {"-error", "-warning", "-report"})
        if (r.endsWith(QLatin1String(suffix))) {
            r.chop(qsizetype(qstrlen(suffix)));
            break;
        }
    return r;
}

JobStatus QueryJob(const QString& queue, int jobId) { return QueryJobWithin(queue, jobId, kQueryLimitMs); }

JobStatus QueryJobWithin(const QString& queue, int jobId, int limitMs) {
    static const char* const jobAttributes[] = {"job-state", "job-state-reasons", "job-printer-state-message"};
    static const char* const printerAttributes[] = {"printer-state", "printer-state-reasons",
                                                    "printer-state-message"};
    const QString what = QStringLiteral("job %1 on \"%2\"").arg(jobId).arg(queue);
    SchedulerLink link(limitMs, what);
    ipp_t* request = NewRequest(IPP_OP_GET_JOB_ATTRIBUTES, queue, jobAttributes, 3);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    const Ipp job = link.Ask(request);

    JobStatus s;
    s.state = Integer(job.get(), "job-state");
    s.jobReasons = Reasons(job.get(), "job-state-reasons");
    s.message = Text(job.get(), "job-printer-state-message");
    // CUPS stops a job whose filter failed, saying it completed with errors;
    // nothing resumes it by itself, so for its user it was aborted.
    if (s.state == kJobStopped && s.jobReasons.contains(QStringLiteral("job-completed-with-errors")))
        s.state = kJobAborted;
    // The printer's side: why a waiting job waits. A queue deleted since
    // leaves the job's own figures.
    ContinueOnFailure([&] {
        const Ipp printer = link.Ask(NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue, printerAttributes, 3));
        s.printerState = Integer(printer.get(), "printer-state");
        s.printerReasons = Reasons(printer.get(), "printer-state-reasons");
        if (s.message.isEmpty() && !s.Ended()) s.message = Text(printer.get(), "printer-state-message");
    });
    return s;
}

QString JobReason(const JobStatus& s) {
    if (!s.message.isEmpty()) return s.message;
    // Once the job has ended the printer's present reasons are no longer its.
    QStringList reasons = s.jobReasons;
    if (!s.Ended()) reasons += s.printerReasons;
    reasons.removeDuplicates();
    // Reasons that only restate the state say nothing more.
    static const QStringList plain{QStringLiteral("job-printing"), QStringLiteral("job-queued"),
                                   QStringLiteral("job-incoming"), QStringLiteral("job-completed-successfully"),
                                   QStringLiteral("processing-to-stop-point")};
    reasons.removeIf([](const QString& r) { return plain.contains(r); });
    return reasons.join(QStringLiteral(", "));
}

QString JobStatusText(const QString& queue, int jobId, const JobStatus& s) {
    const QString job = QStringLiteral("%1 job %2").arg(queue).arg(jobId);
    const QString reason = s.Completed() ? QString() : JobReason(s);
    if (s.Ended()) return reason.isEmpty() ? job + QLatin1Char(' ') + StateWord(s.state)
                                           : QStringLiteral("%1 %2: %3").arg(job, StateWord(s.state), reason);
    return reason.isEmpty() ? QStringLiteral("%1: %2").arg(job, StateWord(s.state))
                            : QStringLiteral("%1: %2 (%3)").arg(job, StateWord(s.state), reason);
}

JobStatus WaitForJob(const QString& queue, int jobId, int timeoutMs, bool* timedOut, int intervalMs,
                     const std::function<JobStatus(const QString&, int)>& query) {
    const WaitResult result = FollowJob(queue, jobId, timeoutMs, -1, intervalMs, query);
    if (timedOut) *timedOut = result.end == WaitEnd::TimedOut;
    return result.last;
}

WaitResult FollowJob(const QString& queue, int jobId, qint64 timeoutMs, qint64 lostAfterMs, int intervalMs,
                     const std::function<JobStatus(const QString&, int)>& query) {
    QElapsedTimer clock;
    clock.start();
    WaitResult result;
    qint64 silentSince = -1;  // when the scheduler last stopped answering
    for (;;) {
        const qint64 asked = clock.elapsed();
        try {
            if (query) {
                result.last = query(queue, jobId);
            } else {
                // No question outlasts the wait: what is left of it, at most kQueryLimitMs.
                qint64 limit = kQueryLimitMs;
                if (timeoutMs >= 0) limit = std::min(limit, timeoutMs - asked);
                if (lostAfterMs >= 0 && silentSince >= 0) limit = std::min(limit, silentSince + lostAfterMs - asked);
                result.last = QueryJobWithin(queue, jobId, int(std::max<qint64>(limit, 100)));
            }
            silentSince = -1;
        } catch (const PrintSystemUnreachable&) {
            if (silentSince < 0) silentSince = asked;
            if (lostAfterMs >= 0 && clock.elapsed() - silentSince >= lostAfterMs) {
                result.end = WaitEnd::LostContact;
                return result;
            }
        } catch (const std::exception&) {
            // It answered, without the job's figures: asked again.
        }
        if (result.last.Ended()) return result;
        if (timeoutMs >= 0 && clock.elapsed() + intervalMs > timeoutMs) {
            result.end = WaitEnd::TimedOut;
            return result;
        }
        QThread::msleep(std::max(intervalMs, 1));
    }
}

}  // namespace platform
