#pragma once
// A driverless IPP Everywhere printer for the tests: ippeveprinter (package
// cups-ipp-utils) on a free loopback port, with its own dbus-daemon so its
// Avahi client never reaches the machine's bus, and a queue on the private
// scheduler made with `lpadmin -m everywhere`. ippeveprinter keeps every
// document it receives in SpoolFolder().
//
// The printer's attributes are written out for `ippeveprinter -a`
// (PrinterAttributes in the .cpp says why each differs from ippeveprinter's
// own), sizes in hundredths of mm:
//  - media-default na_letter_8.5x11in; media-col-default: 21590 x 27940,
//    margins left 635, right 635, top 102, bottom 1168, source main,
//    type stationery; media-{left,right}-margin-supported 0,340,635,
//    media-{top,bottom}-margin-supported 635; media-ready letter;
//  - printer-resolution-default/supported 600dpi;
//    pwg-raster-document-resolution-supported 300dpi,600dpi,
//    pwg-raster-document-type-supported black_1,sgray_8,srgb_8,srgb_16;
//  - print-color-mode color by default (auto, color, monochrome supported);
//    document-format-supported what `formats` lists.
// The everywhere PPD CUPS (2.4.2 and 2.4.10) makes from that:
// *DefaultResolution 600dpi, ImageableArea Letter "18 33.108661417323 594
// 789.108661417323", ColorModel RGB (sRGB 8-bit) by default, and cupsFilter2
// lines preferring application/pdf (cost 10) over image/pwg-raster (100).
// So with both formats accepted a PDF, and a PNG too (imagetopdf), reaches
// the printer as PDF. Accepting only image/pwg-raster makes CUPS render the
// job: a PWG raster page of the whole sheet (no margins: Letter at 600 dpi
// is 5100 x 6600 dots), sRGB 8-bit in colour.
#include <QString>
#include <QStringList>
#include <string>
#include <sys/types.h>

namespace testcups {

class IppEverywhere {
public:
    IppEverywhere() = default;
    ~IppEverywhere() { Stop(); }
    IppEverywhere(const IppEverywhere&) = delete;
    IppEverywhere& operator=(const IppEverywhere&) = delete;

    // Starts dbus-daemon and ippeveprinter named `name` accepting `formats`,
    // then adds queue `name` on the private scheduler (which must be running).
    // False with `error` filled when any step fails; nothing is left running.
    bool Start(const QString& name, QString* error = nullptr,
               const QStringList& formats = {QStringLiteral("image/pwg-raster"), QStringLiteral("application/pdf")});
    // The same for a printer that answers with the attributes in `lines`
    // (ipptool ATTR lines, see IppAttributesFile.h) instead of
    // ippeveprinter's own; each job's attributes as the printer received
    // them are kept (LastJobAttributes).
    bool StartAs(const QString& name, const std::string& lines, QString* error = nullptr);
    // The same for a printer ippeveprinter makes from a driver's PPD (-P).
    bool StartFromPpd(const QString& name, const QString& ppd, QString* error = nullptr);
    // Deletes the queue, ends both programs and removes every file they made.
    // Also done at process exit for any printer still running.
    void Stop();

    bool Running() const { return mPrinterPid > 0; }
    // Puts the printer to sleep (it takes connections and never answers),
    // as a printer asleep or out of reach does.
    void Sleep();
    int Port() const { return mPort; }
    QString Uri() const;
    QString SpoolFolder() const { return mDir.isEmpty() ? QString() : mDir + QStringLiteral("/spool"); }
    // The newest document ippeveprinter kept, or empty when there is none.
    QString LatestDocument() const;
    // The last job's attributes as ippeveprinter hands them to its print
    // command: one NAME=value line each (IPP_MEDIA_COL={media-size=...}).
    QString LastJobAttributes() const;

private:
    bool Launch(const QString& name, const QStringList& printerArguments, QString* error);
    bool StartDescribed(const QString& name, const QString& flag, const QByteArray& description, QString* error);
    QString mDir;
    QString mAttributesDir;  // StartAs's attributes and job capture
    QString mQueue;
    pid_t mBusPid = -1;
    pid_t mPrinterPid = -1;
    int mPort = 0;
};

}  // namespace testcups
