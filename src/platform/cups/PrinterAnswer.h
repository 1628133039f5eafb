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
};

// The attributes above from a Get-Printer-Attributes response.
PrinterAnswer ParsePrinterAnswer(ipp_t* response);

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

// Asks the printer behind `queue` (its device URI; DNS-SD and ipp-usb
// addresses resolved as libcups resolves them) for the attributes above,
// media-col-database named in the request, since a request for "all"
// leaves it out. Empty when the queue has no network printer behind it or
// the printer does not answer within a few seconds (asleep, unplugged). An
// answer is kept for a minute, so reading a queue's page again costs no
// round trip.
std::optional<PrinterAnswer> AskPrinter(const QString& queue);

}  // namespace platform
