// The headless runners: print, tell the figures, list the printers, print
// the calibration page, store a nudge. Each ends in an exit status; a
// failure on the way is one line on stderr.
#include "shell/CommandLine.h"

#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/print/Nudge.h"
#include "platform/picture/PictureRows.h"
#include "platform/cups/CupsQueue.h"
#include "platform/cups/SchedulerLink.h"
#include "platform/print/PdfPrinter.h"
#include "platform/print/ResolutionChoice.h"
#include "platform/base/Progress.h"
#include "platform/desktop/ProgressDialog.h"
#include "platform/print/SystemPrinters.h"
#include "printing/PrintJob.h"
#include "printing/TestPage.h"
#include "properties/Figures.h"
#include "platform/base/AppInfo.h"
#include "shell/HeadlessJob.h"

#include <QFile>
#include <QScopeGuard>
#include <cerrno>
#include <cstdint>

namespace cli {

namespace {
// A headless run ends early with a status and one line for stderr. A Failure,
// so a caller that knows nothing of statuses still gets the message.
class Exit : public platform::Failure {
public:
    Exit(int status, const QString& message) : Failure(message), status(status) {}
    int status;
};

QString TooLargeText(QSize size, const QString& shownPath) {
    return QStringLiteral("picture too large: %1 x %2 pixels, at most %3 in each direction: %4")
        .arg(size.width())
        .arg(size.height())
        .arg(platform::kLargestSide)
        .arg(shownPath);
}

QString OneLine(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.simplified();
}

// The picture's file checked as LoadOrExit checks it before decoding:
// there, readable, and not larger than a picture may be.
void CheckPictureFileOrExit(const QString& path) {
    // The name's very bytes are opened; messages show them escaped.
    const QString shown = platform::ShownFileName(path);
    const platform::FileFacts facts = platform::StatFile(path);
    // The system's reason when it has another than a missing file (a loop
    // of links, a name too long).
    if (!facts.exists && facts.error == ENOENT) throw Exit(kExitNoFile, QStringLiteral("no such file: %1").arg(shown));
    if (!facts.exists)
        throw Exit(kExitNoFile, QStringLiteral("cannot read file: %1: %2").arg(shown, platform::SystemReason(facts.error)));
    QFile file;
    QString why;
    if (facts.isFile && !facts.readable) why = platform::SystemReason(facts.error);
    if (!facts.isFile || !facts.readable || !platform::OpenFile(file, path, QIODevice::ReadOnly, &why))
        throw Exit(kExitNoFile, why.isEmpty() ? QStringLiteral("cannot read file: %1").arg(shown)
                                              : QStringLiteral("cannot read file: %1: %2").arg(shown, why));
    // The header tells the size before any pixel is decoded.
    const QSize declared = platform::DeclaredPictureSize(file);
    if (declared.isValid() && (declared.width() > platform::kLargestSide || declared.height() > platform::kLargestSide))
        throw Exit(kExitTooLarge, TooLargeText(declared, shown));
    // The limit on memory is another than the one on each side: say which.
    if (platform::TooLargeToDecode(declared))
        throw Exit(kExitTooLarge,
                   QStringLiteral("picture too large: %1: %2").arg(platform::TooLargeToDecodeText(declared), shown));
}

QString DamagedText(const QString& path, const platform::DamagedPicture& d) {
    return QStringLiteral("damaged picture: %1: %2").arg(platform::ShownFileName(path), OneLine(d.reason));
}

// What a picture that could not be read whole exits with.
template <class Read>
auto PictureOrExit(const QString& path, Read&& read) {
    try {
        return read();
    } catch (const platform::DamagedPicture& d) {
        throw Exit(kExitNotPicture, DamagedText(path, d));
    } catch (const platform::Failure&) {
        throw Exit(kExitNotPicture, QStringLiteral("not a picture: %1").arg(platform::ShownFileName(path)));
    }
}

platform::PicturePtr LoadOrExit(const QString& path) {
    CheckPictureFileOrExit(path);
    return PictureOrExit(path, [&] { return platform::LoadPicture(path); });
}

// The picture to print: read row by row as the page is written where the
// job takes each row once, top to bottom (the sheet as it is by default:
// one pixel per dot, one copy), so the print holds a row of it rather than
// all of it; else, and for a file that cannot be read so, decoded whole.
// A damaged row found on the way ends the job with the exit a damaged
// picture has, before anything is delivered.
platform::PicturePtr OpenOrExit(const Request& r) {
    if (r.sheet != platform::SheetOptions{}) return LoadOrExit(r.picture);
    CheckPictureFileOrExit(r.picture);
    const platform::PictureRowsPtr rows = PictureOrExit(r.picture, [&] { return platform::OpenPictureRows(r.picture); });
    if (!rows) return LoadOrExit(r.picture);
    return std::make_shared<const platform::Picture>(rows);
}

// The picture's size in pixels as the panel computes it on Open; its 16-bit
// figures are what the print job is given.
struct PixelSize {
    int16_t x = 0;
    int16_t y = 0;
};
PixelSize PixelSizeOrExit(const platform::PicturePtr& picture, const QString& path) {
    try {
        // Both before either is used, as the panel does.
        const int16_t x = properties::PixelsFromHimetricX(picture->Width());
        const int16_t y = properties::PixelsFromHimetricY(picture->Height());
        return PixelSize{x, y};
    } catch (const platform::Failure&) {
        throw Exit(kExitTooLarge, TooLargeText(picture->PixelSize(), platform::ShownFileName(path)));
    }
}

// Why a queue that exists cannot be printed on, as one line naming it.
QString RefusedQueueText(const QString& queue, const std::exception& e) {
    return queue + QStringLiteral(": ") + OneLine(QString::fromUtf8(e.what()));
}

template <class Body>
void JobOrExit(const QString& what, Body&& body) {
    try {
        body();
    } catch (const Exit&) {
        throw;
    } catch (const platform::Cancelled&) {
        throw Exit(kExitJobFailed, QStringLiteral("%1: there is no printer; name a queue with --printer or a file "
                                                  "with --pdf")
                                       .arg(what));
    } catch (const std::exception& e) {
        const QString detail = OneLine(QString::fromUtf8(e.what()));
        throw Exit(kExitJobFailed, detail.isEmpty() ? what : what + QStringLiteral(": ") + detail);
    }
}

// What the device itself prints: "4800 x 6300 dots", "600 x 600 DPI (PPD)".
QString AreaText(const platform::Printer::DeviceFacts& f) {
    return QStringLiteral("%1 x %2 dots").arg(f.areaDots.width()).arg(f.areaDots.height());
}
QString ResolutionText(const platform::Printer::DeviceFacts& f) {
    const QString dpi = QStringLiteral("%1 x %2 DPI").arg(f.xdpi).arg(f.ydpi);
    return f.source.isEmpty() ? dpi : dpi + QStringLiteral(" (%1)").arg(f.source);
}

// The printer's stored nudge, or the one given (stored by StoreChoices).
void ApplyNudge(const Request& r, platform::Printer& printer) {
    printer.SetNudge(r.setNudge ? r.nudge : platform::StoredNudge(printer.DeviceName()));
}

// The resolution kept for the printer's queue, or the one given. One the
// device lacks is a request that cannot be met: its message says what the
// device has.
void ApplyResolution(const Request& r, platform::Printer& printer) {
    if (!r.setResolution) {
        platform::ApplyStoredResolution(printer);
        return;
    }
    try {
        printer.SetResolution(r.resolution);
    } catch (const platform::Failure& f) {
        throw Exit(kExitUsage, OneLine(f.message()));
    }
}

// The printer named, at its resolution: one look at its queue serves both
// (a resolution other than its default reads the queue's description again).
platform::PrinterPtr PrinterAtResolution(const Request& r) {
    const platform::QueueSnapshot reading(r.printer);
    platform::PrinterPtr printer = PrinterFor(r);
    ApplyResolution(r, *printer);
    return printer;
}

// The nudge and resolution given, kept for the printer's queue for next
// time. Called once the command is past every refusal: a refused command
// changes nothing stored.
void StoreChoices(const Request& r, const platform::Printer& printer) {
    const QString name = printer.DeviceName();
    if (r.setResolution)
        JobOrExit(QStringLiteral("cannot store the resolution"),
                  [&] { platform::StoreResolution(name, r.resolution); });
    if (r.setNudge) JobOrExit(QStringLiteral("cannot store the nudge"), [&] { platform::StoreNudge(name, r.nudge); });
}

// "resolutions 300 x 300 dpi, 600 x 600 dpi": what the device can be set to,
// or the one it prints at when it has no choice.
QString ResolutionsText(const platform::Printer& printer) {
    QList<QSize> list = printer.Resolutions();
    if (list.isEmpty()) list.append(printer.DefaultResolution());
    QStringList names;
    for (QSize dpi : list) names << platform::ResolutionName(dpi);
    return QStringLiteral("resolutions ") + names.join(QStringLiteral(", "));
}

int RunNudge(const Request& r, QTextStream& out) {
    const platform::PrinterPtr printer = PrinterFor(r);
    StoreChoices(r, *printer);
    ApplyNudge(r, *printer);
    const QString text = properties::NudgeText(printer->Nudge());
    out << printer->DeviceName() << ": " << (text.isEmpty() ? QStringLiteral("no nudge") : text) << '\n';
    return kExitOk;
}

// A layout that cannot be meant, or of more sheets than a slip would make
// without --yes, ends the run before anything is drawn; a picture cut off at
// the area's edges, which the window shows in its preview, is said.
void CheckLayoutOrExit(const Request& r, platform::Printer& printer, int16_t w, int16_t h, QTextStream& err) {
    platform::LayoutCheck check;
    printing::CutOffFacts cut;
    JobOrExit(QStringLiteral("printing failed"), [&] {
        check = printing::CheckJob(printer, w, h, r.sheet);
        cut = printing::CheckCutOff(printer, w, h, r.sheet);
    });
    if (check.tooLarge)
        throw Exit(kExitTooLarge, QStringLiteral("picture %1: %2 x %3 dots, at most %4 in each direction: %5")
                                      .arg(check.refusal)
                                      .arg(qint64(w) * r.sheet.dotsPerPixel)
                                      .arg(qint64(h) * r.sheet.dotsPerPixel)
                                      .arg(platform::kLargestSide)
                                      .arg(platform::ShownFileName(r.picture)));
    if (!check.refusal.isEmpty()) throw Exit(kExitUsage, check.refusal);
    if (check.NeedsConfirming() && !r.yes)
        throw Exit(kExitUsage, QStringLiteral("this job takes %1 sheets, more than %2; give --yes to print them")
                                   .arg(check.sheets)
                                   .arg(platform::kSheetsWithoutAsking));
    if (cut.cutOff) {
        err << kProgram << ": the picture, " << cut.picture.width() << " x " << cut.picture.height()
            << " dots, is larger than the printable area, " << cut.area.width() << " x " << cut.area.height()
            << " dots, and is cut off; --poster prints it across pages\n";
        err.flush();
    }
}

int RunPrint(const Request& r, QTextStream& err) {
    platform::PrinterPtr printer;
    {
        // On a terminal the same progress the window shows, as a percentage.
        platform::TerminalProgress progress(stderr, QStringLiteral("printing"));
        const platform::ProgressScope scope(&progress);
        platform::PicturePtr picture = OpenOrExit(r);
        printer = PrinterAtResolution(r);
        // Rows come top to bottom; a landscape page takes them across.
        if (picture->Rows() && printer->Orientation() == platform::kLandscape) picture = LoadOrExit(r.picture);
        const PixelSize pixels = PixelSizeOrExit(picture, r.picture);
        CheckLayoutOrExit(r, *printer, pixels.x, pixels.y, err);
        platform::SetCurrentPrinter(printer);
        printer->SetDithering(r.dither);
        ApplyNudge(r, *printer);
        StoreChoices(r, *printer);
        JobOrExit(QStringLiteral("printing failed"), [&] {
            try {
                printing::RunPrintJob(*printer, *picture, pixels.x, pixels.y, r.cutGuides, r.sheet);
            } catch (const platform::DamagedPicture& d) {
                // Met in a row read as the page was written: the picture's exit.
                throw Exit(kExitNotPicture, DamagedText(r.picture, d));
            }
        });
    }
    return FinishHeadlessJob(printer->LastOutcome(), r.wait, r.waitTimeoutSeconds, err);
}

int RunInfo(const Request& r, QTextStream& out) {
    const platform::PicturePtr picture = LoadOrExit(r.picture);
    const platform::PrinterPtr printer = PrinterAtResolution(r);
    ApplyNudge(r, *printer);
    // The window's order: the printer at start-up, then the opened picture.
    JobOrExit(QStringLiteral("cannot read the printer"), [&] { properties::FigureRows(*printer, false, 0, 0); });
    const PixelSize pixels = PixelSizeOrExit(picture, r.picture);
    std::vector<properties::FigureRow> rows;
    JobOrExit(QStringLiteral("cannot read the printer"), [&] {
        rows = properties::FigureRows(*printer, true, pixels.x, pixels.y, QLocale(), r.sheet.dotsPerPixel);
        const platform::Printer::DeviceFacts facts = printer->Facts();
        rows.push_back({QStringLiteral("Device"), {}});
        rows.push_back({QStringLiteral("Printable area"), AreaText(facts)});
        rows.push_back({QStringLiteral("Resolution"), ResolutionText(facts)});
        const QSize chosen = printer->ChosenResolution();
        rows.push_back({QStringLiteral("Resolution chosen"),
                        chosen.isEmpty() ? QStringLiteral("printer default") : platform::ResolutionName(chosen)});
        if (!facts.pageFormat.isEmpty()) rows.push_back({QStringLiteral("Sent as"), facts.pageFormat});
        for (qsizetype i = 0; i < facts.answerNotes.size(); ++i)
            rows.push_back({i == 0 ? QStringLiteral("Printer's answer") : QString(), facts.answerNotes[i]});
        // Only when asked for: the figures stay as they were for a plain run.
        if (r.sheet != platform::SheetOptions{} || !printer->Nudge().isNull()) {
            const std::vector<properties::FigureRow> layout =
                properties::SheetRows(*printer, pixels.x, pixels.y, r.sheet, printer->Nudge());
            rows.insert(rows.end(), layout.begin(), layout.end());
        }
    });
    // Refused as --print refuses it, before any figure is told; a picture too
    // large once magnified is one of the figures ("On the sheet").
    platform::LayoutCheck check;
    JobOrExit(QStringLiteral("cannot read the printer"),
              [&] { check = printing::CheckJob(*printer, pixels.x, pixels.y, r.sheet); });
    if (!check.refusal.isEmpty() && !check.tooLarge) throw Exit(kExitUsage, check.refusal);
    StoreChoices(r, *printer);
    out << FiguresText(rows);
    return kExitOk;
}

// The row whose caption is `caption`, and the row after it (which continues it).
QStringList ValuesOf(const std::vector<properties::FigureRow>& rows, const char* caption, int count) {
    QStringList values;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].caption == QLatin1String(caption))
            for (size_t j = i; j < rows.size() && j < i + size_t(count); ++j) values << rows[j].value;
    return values;
}

int RunListPrinters(QTextStream& out, QTextStream& err) {
    int status = kExitOk;
    QStringList names = platform::QueueNames();
    // Without a queue the window prints to the built-in PDF printer: listed
    // in the same form, under its device name.
    const bool none = names.isEmpty();
    if (none) {
        err << kProgram << ": No print queues; printing goes to the built-in PDF printer ("
            << platform::PdfPrinter::kDotsPerInch << " DPI)\n";
        names << QStringLiteral("PDF");
    }
    for (const QString& name : names) {
        try {
            const platform::PrinterPtr printer = none ? platform::MakePdfPrinter() : platform::MakeQueuePrinter(name);
            platform::ApplyStoredResolution(*printer);
            const auto rows = properties::FigureRows(*printer, false, 0, 0);
            const platform::Printer::DeviceFacts facts = printer->Facts();
            out << (QStringList{name} + ValuesOf(rows, properties::kResolutionCaption, 1) +
                    ValuesOf(rows, properties::kPaperSizeCaption, 1) +
                    ValuesOf(rows, properties::kPrintingAreaCaption, 2) +
                    QStringList{QStringLiteral("area ") + AreaText(facts), ResolutionText(facts),
                                QStringLiteral("sent as ") + facts.pageFormat, ResolutionsText(*printer)})
                       .join(QLatin1Char('\t'))
                << '\n';
        } catch (const std::exception& e) {
            err << kProgram << ": " << RefusedQueueText(name, e) << '\n';
            status = kExitJobFailed;
        }
    }
    return status;
}

int RunTestPage(const Request& r, QTextStream& err) {
    const platform::PrinterPtr printer = PrinterAtResolution(r);
    ApplyNudge(r, *printer);
    StoreChoices(r, *printer);
    {
        platform::TerminalProgress progress(stderr, QStringLiteral("printing"));
        const platform::ProgressScope scope(&progress);
        JobOrExit(QStringLiteral("printing failed"), [&] { printing::PrintTestPage(*printer); });
    }
    return FinishHeadlessJob(printer->LastOutcome(), r.wait, r.waitTimeoutSeconds, err);
}
}  // namespace

platform::PrinterPtr PrinterFor(const Request& request) {
    if (!request.pdf.isEmpty()) {
        if (const QString what = platform::ReadByTheProgram(request.pdf); !what.isEmpty())
            throw Exit(kExitUsage, QStringLiteral("--pdf would write over %1: %2; name another file")
                                       .arg(what, platform::ShownFileName(request.pdf)));
        return platform::MakePdfPrinter(request.pdf);
    }
    if (!request.printer.isEmpty()) {
        try {
            return platform::MakeQueuePrinter(request.printer);
        } catch (const platform::PrintSystemUnreachable&) {
            throw;  // asking again whether the queue exists would wait as long again
        } catch (const platform::Failure& f) {
            // A queue the program refuses (no whole dots per pixel...) is
            // not unknown: say why, as --list-printers does.
            if (platform::QueueExists(request.printer))
                throw Exit(kExitJobFailed, RefusedQueueText(request.printer, f));
            throw Exit(kExitUnknownPrinter, QStringLiteral("unknown printer: %1").arg(request.printer));
        }
    }
    return platform::MakeSystemPrinter();
}

QString FiguresText(const std::vector<properties::FigureRow>& rows) {
    // Headings stand alone; a row is a description and its value, and a
    // value without a description continues the row above.
    qsizetype column = 0;
    for (const properties::FigureRow& row : rows)
        if (!row.caption.isEmpty() && !row.value.isEmpty()) column = std::max(column, row.caption.size());
    QString text;
    for (const properties::FigureRow& row : rows) {
        if (row.value.isEmpty()) {
            text += row.caption + QLatin1Char('\n');
            continue;
        }
        text += QStringLiteral("  ") + row.caption.leftJustified(column + 2) + row.value + QLatin1Char('\n');
    }
    return text;
}

int RunHeadless(const Request& request, QTextStream& out, QTextStream& err) {
    // A PDF printer standing in for a missing system printer must not ask
    // for a file name: there is nobody to answer.
    platform::SetFilePathProvider([](const QString&) { return QString(); });
    // Warnings (a stored value out of range, the settings file replaced) in
    // their place among the run's other lines.
    platform::SetWarningSink([&err](const QString& text) {
        err << kProgram << ": " << OneLine(text) << '\n';
        err.flush();
    });
    const auto unhook = qScopeGuard([] { platform::SetWarningSink(nullptr); });
    int status = kExitOk;
    try {
        switch (request.mode) {
            case Mode::Help: out << HelpText(); break;
            case Mode::Version:
                out << kProgram << ' ' << AppMajor() << '.' << AppMinor() << '.' << AppRevision() << '\n';
                break;
            case Mode::Print: status = RunPrint(request, err); break;
            case Mode::Info: status = RunInfo(request, out); break;
            case Mode::ListPrinters: status = RunListPrinters(out, err); break;
            case Mode::TestPage: status = RunTestPage(request, err); break;
            case Mode::Nudge: status = RunNudge(request, out); break;
            case Mode::Invalid:
                throw Exit(kExitUsage, request.error + QStringLiteral("; see --help"));
            case Mode::Window: throw Exit(kExitUsage, QStringLiteral("this request needs the window"));
        }
    } catch (const Exit& e) {
        err << kProgram << ": " << e.message() << '\n';
        status = e.status;
    } catch (const std::exception& e) {
        err << kProgram << ": " << OneLine(QString::fromUtf8(e.what())) << '\n';
        status = kExitJobFailed;
    }
    out.flush();
    err.flush();
    return status;
}

}  // namespace cli
