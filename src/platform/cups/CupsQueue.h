#pragma once
// Everything the program asks of, or hands to, the CUPS scheduler about one
// queue: whether it exists and takes jobs, its resolution from its
// description (PPD) or its IPP attributes, and the submission of a finished
// page. Plain functions over libcups; no Qt printing classes.
#include "platform/page/PageGeometry.h"

#include <cups/raster.h>

#include <QList>
#include <QSize>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace platform {

// The names of the scheduler's queues, the default first; empty when there
// is none or no scheduler runs (which returns at once). Throws
// PrintSystemUnreachable when one runs and gives no answer in time.
QStringList SchedulerQueueNames();

// A queue's name as messages give it: in double quotes.
QString Quoted(const QString& queue);

// Whether the scheduler knows a queue of that name.
bool QueueExists(const QString& queue);

// Before a page is begun and again before it is handed over: a queue that
// was deleted or set to refuse jobs, or a scheduler that went away, must fail
// the job rather than let it vanish (throws Failure). A stopped (paused)
// queue that still accepts jobs holds them until it is resumed: the job
// goes, and the answer is true so the user can be told it waits.
bool CheckQueueReady(const QString& queue);

// The dots per inch of a resolution choice as CUPS names it ("600dpi",
// "600x300dpi" gives the horizontal figure, "236dpcm"); 0 when not one.
int ParseResolution(const QString& text);

// How a page reaches the queue: as PDF for the print system to render, or
// as the very dots its driver reads (CUPS raster) or its driverless printer
// takes (PWG raster, else Apple raster).
enum class PageFormat { Pdf, CupsRaster, PwgRaster, AppleRaster };

struct QueuePage {
    PageGeometry geometry;
    PageFormat format = PageFormat::Pdf;
    cups_page_header2_t header{};  // the raster's page header, for the raster formats
    // A device of one bit per colour, black and white (the description is
    // not a colour device's): a PDF for it carries pictures already cut to
    // black and white, so its renderer has no grey to screen.
    bool oneBitDevice = false;
    // What of the printer's own answer was not used, and why (nothing said
    // within the deadline, a password asked, values out of range): the
    // description's figures stand in for what was left out.
    QStringList notes;
};

// The page the queue prints with `options` (name, value pairs: the dialog's
// choices over the queue's defaults; "media" or "PageSize" names the paper),
// as CUPS's own filters lay it out: from the queue's PPD when it has a usable
// one, else from its IPP attributes. A queue whose driver reads CUPS raster
// of a layout the program can write, or that takes PWG raster, gets raster.
// Throws Failure when neither source answers.
// A driverless queue (one CUPS made for PWG or Apple raster) takes the
// margins its printer gives the paper when the printer answers (see
// AskPrinter), and its description's otherwise.
// A driverless queue whose device is a queue of another CUPS is read from
// that server's own description when it gives one (AskServerDriver), and
// its page goes through raw to the server's driver.
// `resolution` (dots per inch across and down) picks one of
// QueueResolutions; empty for the queue's default. Throws Failure when the
// queue has no such resolution.
QueuePage ReadQueuePage(const QString& queue, const QStringList& options, QSize resolution = {});

// The resolutions the device really prints at with `options`, finest last:
// what each PPD resolution choice's code sets (not its name), or the
// resolutions a driverless printer takes in the format it is sent. Empty
// when nothing is known beyond the default.
QList<QSize> QueueResolutions(const QString& queue, const QStringList& options);

// From the PPD: the page header cupsRasterInterpretPPD computes after
// marking the PPD's defaults, the queue's saved options and `options`, which
// is what a raster filter uses whatever the choices are named. A resolution
// whose figures are not whole multiples of each other is replaced by the
// nearest square one the PPD offers (jobOptions then names it). Empty when
// the queue has no usable PPD.
std::optional<PageGeometry> PpdGeometry(const QString& queue, const QStringList& options);

// From IPP (driverless printers): the media asked for in `options`, else the
// default, with its margins, and printer-resolution-default (else the first
// PWG raster resolution supported); jobOptions asks for that resolution.
// Empty when the printer does not say.
std::optional<PageGeometry> IppGeometry(const QString& queue, const QStringList& options);

// The job options of a page sent to a queue: the given media and the
// dialog's options (name, value pairs), every option that could scale, turn
// or re-place the page overridden. For a JobUpload, or SubmitJob.
std::map<QByteArray, QByteArray> SubmissionOptions(const QString& media, const QStringList& dialogOptions,
                                                   int copies);

// Hands the finished file at `path` to the queue as one job with the given
// media and the dialog's options (name, value pairs), every option that
// could scale, turn or re-place the page overridden; returns the job's
// number. Throws Failure when the scheduler refuses it, Cancelled when the
// user stopped it (see UploadJob: nothing of it is left).
int SubmitJob(const QString& queue, const QString& path, const QString& title, const QString& media,
               const QStringList& dialogOptions, int copies);

}  // namespace platform
