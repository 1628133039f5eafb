#pragma once
// The command line: open a picture in the window, or work without one (print
// a picture, list the printers, tell the panel's figures, print the
// calibration page). The headless modes need no display.
#include "platform/picture/Picture.h"
#include "platform/print/Printer.h"
#include "platform/page/SheetLayout.h"
#include "properties/Figures.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <vector>

namespace cli {

// The program's name in every message and in the help's usage line.
inline constexpr char kProgram[] = "ombrastele";

enum class Mode {
    Window,        // the main window, with PICTURE opened when one is given
    Print,         // --print PICTURE
    ListPrinters,  // --list-printers
    Info,          // --info PICTURE
    TestPage,      // --test-page
    Nudge,         // --nudge X,Y on its own: store it for the printer
    Help,          // --help
    Version,       // --version
    Invalid,       // the arguments do not make a request: `error` says why
};

// Exit statuses, also listed in the manual page.
enum ExitStatus : int {
    kExitOk = 0,
    kExitJobFailed = 1,       // the print job, or the printer, failed
    kExitUsage = 2,           // options that make no request, or a layout that cannot be meant
    kExitNoFile = 3,          // the picture file is missing or cannot be read
    kExitNotPicture = 4,      // the file is not a picture the decoder reads
    kExitUnknownPrinter = 5,  // no print queue of that name
    kExitTooLarge = 6,        // wider or higher than 32767 pixels, or too large to decode
    kExitWaitTimedOut = 7,    // --wait: the job had not ended in time
};

struct Request {
    Mode mode = Mode::Window;
    QString picture;   // empty when none was given
    QString printer;   // --printer NAME; empty for the system's default
    QString pdf;       // --pdf FILE; empty when not printing to a file
    bool cutGuides = false;
    bool dither = false;  // --dither
    bool wait = false;              // --wait: follow the job until it ends
    int waitTimeoutSeconds = 600;   // --wait-timeout S
    platform::SheetOptions sheet;   // --scale, --copies-on-sheet, --gap, --poster, --overlap
    bool yes = false;               // --yes: a job of many sheets is meant
    bool setNudge = false;          // --nudge X,Y given: stored for the printer, then used
    QPoint nudge;
    bool setResolution = false;     // --resolution given: used, then kept for the printer
    QSize resolution;               // dots per inch across and down; empty for the printer's default
    bool verbose = false;           // --verbose: the print system's decisions on stderr
    QString error;     // for Mode::Invalid
};

// Reads the arguments, the program's name first. Needs no application object.
Request Parse(const QStringList& arguments);

// Whether the arguments ask for a mode that runs without a window, or make
// no request at all. Looked at before the application object exists, to
// choose a platform that needs no display; the full parse comes after Qt has
// taken its own options (-platform, -style...) out.
bool AsksForHeadless(const QStringList& arguments);

// Whether a headless request can run on a core application, with no
// platform plugin and no fonts loaded: it draws no text (the calibration
// page and a poster's labels do), its picture is a PNG or a JPEG (another
// format's plugin may draw text), and no argument may be Qt's (only the GUI
// application takes those out). Looked at before the application exists.
bool RunsWithoutGui(const QStringList& arguments);

// The help text (--help): usage, options, exit statuses.
QString HelpText();

// Runs a headless request and returns the exit status. Results go to `out`;
// a failure writes one line "ombrastele: <what went wrong>" to `err`. Makes
// no widget: a QGuiApplication is enough, a QCoreApplication when
// RunsWithoutGui says so.
int RunHeadless(const Request& request, QTextStream& out, QTextStream& err);

// The panel's figures as lines of text: each heading, then each row as its
// description and its value, in the panel's order and with its very texts.
QString FiguresText(const std::vector<properties::FigureRow>& rows);

// The printer a headless request names: the queue, a PDF file, or the
// system's default. Throws Failure when there is no such queue, or when
// there is and the program cannot print on it (saying why, as
// --list-printers does).
platform::PrinterPtr PrinterFor(const Request& request);

}  // namespace cli
