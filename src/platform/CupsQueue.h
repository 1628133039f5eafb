#pragma once
// Everything the program asks of, or hands to, the CUPS scheduler about one
// queue: whether it exists and takes jobs, its resolution from its
// description (PPD) or its IPP attributes, and the submission of a finished
// page. Plain functions over libcups; no Qt printing classes.
#include <QString>
#include <QStringList>

namespace platform {

// The names of the scheduler's queues, the default first; empty when there
// is none or no scheduler answers (which returns at once, never waits).
QStringList SchedulerQueueNames();

// Whether the scheduler knows a queue of that name.
bool QueueExists(const QString& queue);

// Before a page is begun and again before it is handed over: a queue that
// was deleted, stopped or set to refuse jobs, or a scheduler that went away,
// must fail the job rather than let it vanish or wait unseen. Throws Failure.
void CheckQueueReady(const QString& queue);

// The dots per inch of a resolution choice as CUPS names it ("600dpi",
// "600x300dpi" gives the horizontal figure, "236dpcm"); 0 when not one.
int ParseResolution(const QString& text);

// The queue's default resolution: the dialog's choice in `options` (name,
// value pairs) if any, else the PPD default, else the IPP default; 0 when
// none is known.
int QueueResolution(const QString& queue, const QStringList& options);

// Hands the finished file at `path` to the queue as one job with the given
// media and the dialog's options (name, value pairs), every option that
// could scale, turn or re-place the page overridden. Throws Failure when the
// scheduler refuses it.
void SubmitJob(const QString& queue, const QString& path, const QString& title, const QString& media,
               const QStringList& dialogOptions, int copies);

}  // namespace platform
