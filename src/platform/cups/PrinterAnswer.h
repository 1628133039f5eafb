#pragma once
// What a driverless printer says of itself when asked directly (IPP
// Get-Printer-Attributes to the device behind a queue), rather than what
// the queue's generated description kept of it. CUPS builds a driverless
// queue's imageable area from the largest value of each
// media-*-margin-supported list when the printer gave no media-col-database,
// so a paper's real margins are only known from the printer.
// Lengths are in hundredths of a millimetre, IPP's unit.
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

typedef struct _ipp_s ipp_t;
typedef struct _ipp_attribute_s ipp_attribute_t;

namespace platform {

struct MediaMargins {
    int left = 0, right = 0, top = 0, bottom = 0;
    bool operator==(const MediaMargins&) const = default;
};

// One media-col value: a paper size (a range where the printer takes a roll
// or custom lengths) with the margins it prints within.
struct PrinterMedia {
    int widthMin = 0, widthMax = 0;
    int lengthMin = 0, lengthMax = 0;
    MediaMargins margins;
    QString source;
    bool Fits(int width, int length) const;
};

struct PrinterAnswer {
    QList<PrinterMedia> database;            // media-col-database
    QList<PrinterMedia> ready;               // media-col-ready
    std::optional<PrinterMedia> byDefault;   // media-col-default
    // media-{left,right,top,bottom}-margin-supported
    QList<int> leftMargins, rightMargins, topMargins, bottomMargins;
    QList<int> urfResolutions;               // urf-supported RS values, dots per inch
    QStringList urfTypes;                    // urf-supported colour types: W8, SRGB24...
    QList<QSize> pwgResolutions;             // pwg-raster-document-resolution-supported
    QStringList pwgTypes;                    // pwg-raster-document-type-supported
    QList<QSize> resolutions;                // printer-resolution-supported
    QSize defaultResolution;                 // printer-resolution-default
    QStringList formats;                     // document-format-supported
    QString colourModeDefault;               // print-color-mode-default: auto, color, monochrome...
    // What of the answer was left out, and why (a value out of range, a
    // list cut short), one sentence each.
    QStringList notes;
};

// What is believed of a printer, whatever it says: papers of 1 mm to 10 m
// across and up to 1 km of roll, margins within the paper, resolutions of
// 50 to 9600 dots per inch, and lists of at most kMaxAnswerValues values.
inline constexpr int kMinPaper = 100, kMaxPaperWidth = 1000000, kMaxPaperLength = 100000000;
inline constexpr int kMinAnswerDpi = 50, kMaxAnswerDpi = 9600;
inline constexpr int kMaxAnswerValues = 1000;

// Value `i` of a resolution attribute in dots per inch (dots per cm
// converted); empty when its units are neither.
QSize ResolutionDpi(ipp_attribute_t* resolution, int i);

// The attributes above from a Get-Printer-Attributes response; values out of
// the ranges above are left out, with a note.
PrinterAnswer ParsePrinterAnswer(ipp_t* response);

// An IPP message as a printer sent it, with every attribute (and every
// member of a collection) cut to its first `maxValues` values, so that
// reading it costs in proportion to what is kept. Notes say what was cut.
// False when the bytes are not an IPP message.
bool BoundIppMessage(const QByteArray& in, int maxValues, QByteArray& out, QStringList& notes);

// A Get-Printer-Attributes answer's bytes read as above (bounded, then
// parsed); empty with `failure` set when they are not a successful answer.
std::optional<PrinterAnswer> ReadPrinterAnswer(const QByteArray& bytes, QString* failure = nullptr);

// Where the margins of a paper came from, best first.
enum class MarginSource { Database, Ready, Default, LargestSupported };

struct PaperMargins {
    MediaMargins margins;
    MarginSource source = MarginSource::LargestSupported;
};

// The margins the printer itself gives a paper of `width` x `length`: its
// media-col-database entry, else the media-col-ready or media-col-default
// entry of that size, else the largest of each supported list (what CUPS
// assumes for every paper). Among several entries of the size (a tray with
// smaller margins, a borderless variant) a borderless one is taken only
// when `borderless` is asked for, and otherwise the one of the default's
// source, else the first. Empty when the printer says nothing of margins.
std::optional<PaperMargins> MarginsFor(const PrinterAnswer& answer, int width, int length, bool borderless);

struct PrinterReply {
    std::optional<PrinterAnswer> answer;
    // Why there is no answer to use ("no answer within 4 s", "it asks for a
    // password (HTTP 401)"); empty when one was read or no network printer
    // is behind the queue.
    QString failure;
};

// Asks the printer at `uri` for the attributes above, media-col-database
// named in the request, since a request for "all" leaves it out; the
// exchange keeps PrinterExchange's limits (one deadline, capped sizes, no
// password, no redirect).
PrinterReply AskPrinterAt(const QByteArray& uri, int deadlineMs = 4000);

// AskPrinterAt for the printer behind `queue` (its device URI; DNS-SD and
// ipp-usb addresses resolved as libcups resolves them). No answer when the
// queue has no network printer behind it, or the printer does not answer
// within a few seconds (asleep, unplugged) or answers what cannot be used.
// A reply is kept for a minute, so reading a queue's page again costs no
// round trip: the window waits on a printer at most once a minute, and
// never longer than the deadline.
PrinterReply AskPrinter(const QString& queue);

}  // namespace platform
