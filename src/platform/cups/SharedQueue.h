#pragma once
// A queue whose device is a queue of another CUPS (a print server): the
// driver runs there, and the queue here is often a driverless one
// (`lpadmin -m everywhere`, a desktop's "add printer", cups-browsed) whose
// description holds only what the server advertises: its PPD's resolution
// option, not what the driver prints at; its margins rounded. The server's
// own description is the truth, and its driver takes CUPS raster handed
// through this queue unchanged (sent raw, the server sniffs the raster).
//
// What proves the device a CUPS queue: its resource is /printers/NAME or
// /classes/NAME and its Get-Printer-Attributes answer lists CUPS's own
// operation CUPS-Get-PPD (a CUPS 2.4 server answers no "cups-version"; a
// Windows share also uses /printers/, but lists no CUPS operation).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

typedef struct _ipp_s ipp_t;
typedef struct ppd_file_s ppd_file_t;

namespace platform {

enum class DeviceKind { NotCups, CupsPrinter, CupsClass };

// What the device at `resource` is, from its Get-Printer-Attributes answer.
DeviceKind KindOfDevice(const QByteArray& resource, ipp_t* answer);

// Why the server gives no description of its queue, in words: from the
// HTTP status of the request (401 a password, 426 encryption, 403) and then
// the IPP status of CUPS-Get-PPD's answer (not found: it has no PPD, as for
// a driverless printer it shares; see-other: the queue is itself another's).
// Empty when neither says no.
QString ServerRefusal(int httpStatus, int ippStatus);

struct ServerDriver {
    QString host;      // the server, as the device names it
    QByteArray ppd;    // its queue's own description; empty when refused
    QString refusal;   // why it is not used; empty when ppd is given
    bool answered = true;  // false: the server did not answer in time
};

// For a queue whose device is a queue of another CUPS: that server's
// description of it, or why there is none. Empty when the device is no
// CUPS queue. Every question to the server shares one deadline (the same
// few seconds as a printer's own answer) and never asks for a password; an
// answer is kept for a minute, a silent server's too.
std::optional<ServerDriver> AskServerDriver(const QString& queue);

// The dialog's options (name, value pairs) with each paper ("media",
// "PageSize", "PageRegion") named as the server's description names it: a
// paper the local description names otherwise (58.76x101.6mm, A4 at
// 595.28 points) becomes the server's paper of the same size within two
// points, the nearest; one it lacks stays as it was.
QStringList ServerPaperOptions(const QStringList& options, ppd_file_t* local, ppd_file_t* server);

// Every option's marked choice, as name, value pairs (PageRegion left to
// PageSize): sent with the job, the server's driver marks what the page
// was made for, whatever presets the queue here adds for print-color-mode
// or print-quality.
QStringList MarkedChoices(ppd_file_t* ppd);

// What the figures name as their source: "shared by HOST" for the server's
// description; for a queue printed the way it was (`base`, its own source),
// "BASE, not the driver shared by HOST: REASON".
QString SharedSource(const ServerDriver& server);
QString RefusedSource(const QString& base, const ServerDriver& server);

}  // namespace platform
