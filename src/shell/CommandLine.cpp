#include "shell/CommandLine.h"

#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/print/Nudge.h"
#include "platform/cups/CupsQueue.h"
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

#include <QCommandLineOption>
#include <QFile>
#include <QScopeGuard>
#include <QCommandLineParser>
#include <QFileInfo>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <optional>

namespace cli {

namespace {
const char* const kProgram = "ombrastele";

// Every option the program takes, once. `headless` options ask for a run
// without a window (looked at before Qt's own options are taken out).
struct Options {
    QCommandLineOption print{QStringLiteral("print"),
                             QStringLiteral("Print PICTURE, centred, one pixel per printer dot, then quit.")};
    QCommandLineOption info{QStringLiteral("info"),
                            QStringLiteral("Show the figures of the properties panel for PICTURE.")};
    QCommandLineOption listPrinters{QStringLiteral("list-printers"),
                                    QStringLiteral("List the print queues with resolution, paper and printable area.")};
    QCommandLineOption testPage{QStringLiteral("test-page"),
                                QStringLiteral("Print the calibration page that shows whether the printer prints "
                                               "one dot per pixel.")};
    QCommandLineOption printer{QStringLiteral("printer"),
                               QStringLiteral("Use the print queue NAME instead of the system's default."),
                               QStringLiteral("NAME")};
    QCommandLineOption pdf{QStringLiteral("pdf"), QStringLiteral("Print into the PDF file FILE."),
                           QStringLiteral("FILE")};
    QCommandLineOption cutGuides{QStringLiteral("cut-guides"),
                                 QStringLiteral("With --print: draw the cut guides.")};
    QCommandLineOption dither{QStringLiteral("dither"),
                              QStringLiteral("With --print: dither grey and colour on a black-and-white printer "
                                             "instead of a threshold at mid-grey.")};
    QCommandLineOption wait{QStringLiteral("wait"),
                            QStringLiteral("With --print or --test-page: wait until the job has printed, was "
                                           "aborted or canceled.")};
    QCommandLineOption waitTimeout{QStringLiteral("wait-timeout"),
                                   QStringLiteral("With --wait: give up after S seconds (default 600)."),
                                   QStringLiteral("S")};
    QCommandLineOption scale{QStringLiteral("scale"),
                             QStringLiteral("With --print or --info: print each pixel as an N x N block of printer "
                                            "dots, N from 1 (the default) to 16."),
                             QStringLiteral("N")};
    QCommandLineOption copiesOnSheet{QStringLiteral("copies-on-sheet"),
                                     QStringLiteral("With --print or --info: N copies in a block on each sheet "
                                                    "(more sheets when they do not fit), or 'fill' for as many "
                                                    "as fit."),
                                     QStringLiteral("N|fill")};
    QCommandLineOption gap{QStringLiteral("gap"),
                           QStringLiteral("With --copies-on-sheet: D printer dots between copies (default 0)."),
                           QStringLiteral("D")};
    QCommandLineOption poster{QStringLiteral("poster"),
                              QStringLiteral("With --print or --info: a picture larger than the printable area "
                                             "goes across pages, one exact tile per page.")};
    QCommandLineOption overlap{QStringLiteral("overlap"),
                               QStringLiteral("With --poster: D printer dots that neighbouring tiles share "
                                              "(default 0)."),
                               QStringLiteral("D")};
    QCommandLineOption yes{QStringLiteral("yes"),
                           QStringLiteral("With --print: print a job of more than %1 sheets, which is refused "
                                          "without it.")
                               .arg(platform::kSheetsWithoutAsking)};
    QCommandLineOption nudge{QStringLiteral("nudge"),
                             QStringLiteral("Store X,Y (printer dots, right and down) as the printer's nudge: "
                                            "everything it prints moves by that much. 0,0 removes it."),
                             QStringLiteral("X,Y")};
    QCommandLineOption resolution{QStringLiteral("resolution"),
                                  QStringLiteral("With --print, --info or --test-page: print at DPI (or X across "
                                                 "by Y down) dots per inch, one the printer offers (see "
                                                 "--list-printers), and keep it as the printer's choice; "
                                                 "'default' goes back to the printer's own."),
                                  QStringLiteral("DPI|XxY|default")};
    QCommandLineOption verbose{QStringLiteral("verbose"),
                               QStringLiteral("Tell on stderr what the print system decided: the format sent, the "
                                              "resolution and the margins and where each came from, where the "
                                              "job went.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version.")};

    struct Entry {
        const QCommandLineOption* option;
        bool headless;
    };
    std::vector<Entry> All() const {
        return {{&print, true},      {&info, true},  {&listPrinters, true}, {&testPage, true}, {&printer, false},
                {&pdf, false},       {&cutGuides, false}, {&dither, false}, {&wait, false},
                {&waitTimeout, false}, {&scale, false}, {&copiesOnSheet, false}, {&gap, false},
                {&poster, false},    {&overlap, false}, {&yes, false},  {&nudge, true}, {&resolution, false},
                {&verbose, false},   {&help, true},       {&version, true}};
    }
};

void Configure(QCommandLineParser& parser, const Options& o) {
    parser.setApplicationDescription(QStringLiteral("Prints a picture at one picture pixel per printer dot."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const Options::Entry& e : o.All()) parser.addOption(*e.option);
    parser.addPositionalArgument(QStringLiteral("PICTURE"),
                                 QStringLiteral("A picture file (GIF, JPEG, BMP, PNG, TIFF, WebP...)."),
                                 QStringLiteral("[PICTURE]"));
}

// Whether `argument` is written as one of the option's names.
bool Names(const QCommandLineOption& option, const QString& argument) {
    for (const QString& name : option.names())
        if (argument == (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name) return true;
    return false;
}

// A whole number from `low` to `high`, or nothing.
std::optional<int> WholeIn(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high) return std::nullopt;
    return value;
}

// The layout and nudge options into `r`; the reason when they make no sense.
QString ParseSheet(const QCommandLineParser& parser, const Options& o, Request& r) {
    const bool layout = r.mode == Mode::Print || r.mode == Mode::Info;
    for (const QCommandLineOption* option : {&o.scale, &o.copiesOnSheet, &o.gap, &o.overlap, &o.nudge}) {
        const QString name = option->names().first();
        if (parser.values(*option).size() > 1) return QStringLiteral("--%1 given more than once").arg(name);
        if (parser.isSet(*option) && option != &o.nudge && !layout)
            return QStringLiteral("--%1 goes with --print or --info").arg(name);
    }
    if (parser.isSet(o.poster) && !layout) return QStringLiteral("--poster goes with --print or --info");
    platform::SheetOptions& sheet = r.sheet;
    if (parser.isSet(o.scale)) {
        const auto n = WholeIn(parser.value(o.scale), 1, platform::kMaxDotsPerPixel);
        if (!n) return QStringLiteral("--scale needs a whole number from 1 to %1").arg(platform::kMaxDotsPerPixel);
        sheet.dotsPerPixel = *n;
    }
    if (parser.isSet(o.copiesOnSheet)) {
        const QString value = parser.value(o.copiesOnSheet);
        const auto n = WholeIn(value, 1, platform::kMaxCopies);
        if (value == QStringLiteral("fill")) sheet.copies = platform::kCopiesFill;
        else if (n) sheet.copies = *n;
        else return QStringLiteral("--copies-on-sheet needs 'fill' or a whole number from 1 to %1").arg(platform::kMaxCopies);
    }
    for (auto [option, target] : {std::pair{&o.gap, &sheet.gapDots}, std::pair{&o.overlap, &sheet.overlapDots}}) {
        if (!parser.isSet(*option)) continue;
        const auto n = WholeIn(parser.value(*option), 0, platform::kMaxSpacingDots);
        if (!n)
            return QStringLiteral("--%1 needs whole dots from 0 to %2")
                .arg(option->names().first())
                .arg(platform::kMaxSpacingDots);
        *target = *n;
    }
    sheet.poster = parser.isSet(o.poster);
    if (parser.isSet(o.gap) && !parser.isSet(o.copiesOnSheet)) return QStringLiteral("--gap goes with --copies-on-sheet");
    if (parser.isSet(o.overlap) && !sheet.poster) return QStringLiteral("--overlap goes with --poster");
    if (parser.isSet(o.nudge)) {
        if (!platform::ParseNudge(parser.value(o.nudge), &r.nudge))
            return QStringLiteral("--nudge needs X,Y in whole dots from -%1 to %1").arg(platform::kMaxNudgeDots);
        r.setNudge = true;
    }
    return {};
}

// --resolution into `r`; the reason when it makes no sense.
QString ParseResolution(const QCommandLineParser& parser, const Options& o, Request& r) {
    if (!parser.isSet(o.resolution)) return {};
    if (parser.values(o.resolution).size() > 1) return QStringLiteral("--resolution given more than once");
    if (r.mode != Mode::Print && r.mode != Mode::Info && r.mode != Mode::TestPage)
        return QStringLiteral("--resolution goes with --print, --info or --test-page");
    const QString value = parser.value(o.resolution);
    r.setResolution = true;
    if (value == QStringLiteral("default")) return {};
    if (!platform::ParseResolutionChoice(value, &r.resolution))
        return QStringLiteral("--resolution needs DPI or XxY in whole dots per inch from 1 to %1, or 'default'")
            .arg(platform::kMaxResolutionDpi);
    return {};
}

Request Invalid(const QString& why) {
    Request r;
    r.mode = Mode::Invalid;
    r.error = why;
    return r;
}

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

platform::PicturePtr LoadOrExit(const QString& path) {
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
    file.close();
    try {
        return platform::LoadPicture(path);
    } catch (const platform::DamagedPicture& d) {
        throw Exit(kExitNotPicture, QStringLiteral("damaged picture: %1: %2").arg(shown, OneLine(d.reason)));
    } catch (const platform::Failure&) {
        throw Exit(kExitNotPicture, QStringLiteral("not a picture: %1").arg(shown));
    }
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
        throw Exit(kExitTooLarge, TooLargeText(picture->Image().size(), platform::ShownFileName(path)));
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
        const platform::PicturePtr picture = LoadOrExit(r.picture);
        printer = PrinterFor(r);
        ApplyResolution(r, *printer);
        const PixelSize pixels = PixelSizeOrExit(picture, r.picture);
        CheckLayoutOrExit(r, *printer, pixels.x, pixels.y, err);
        platform::SetCurrentPrinter(printer);
        printer->SetDithering(r.dither);
        ApplyNudge(r, *printer);
        StoreChoices(r, *printer);
        JobOrExit(QStringLiteral("printing failed"),
                  [&] { printing::RunPrintJob(*printer, *picture, pixels.x, pixels.y, r.cutGuides, r.sheet); });
    }
    return FinishHeadlessJob(printer->LastOutcome(), r.wait, r.waitTimeoutSeconds, err);
}

int RunInfo(const Request& r, QTextStream& out) {
    const platform::PicturePtr picture = LoadOrExit(r.picture);
    const platform::PrinterPtr printer = PrinterFor(r);
    ApplyResolution(r, *printer);
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
    const platform::PrinterPtr printer = PrinterFor(r);
    ApplyResolution(r, *printer);
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

bool AsksForHeadless(const QStringList& arguments) {
    const Options o;
    bool qtMayTakeSome = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QStringLiteral("--")) break;  // the rest are file names
        for (const Options::Entry& e : o.All())
            if (e.headless && Names(*e.option, a)) return true;
        // Qt's own options are single-dash words (-platform, -style...).
        if (a.size() > 2 && a.startsWith(QLatin1Char('-')) && a[1] != QLatin1Char('-')) qtMayTakeSome = true;
    }
    // Arguments that make no request (-?, --help-all, anything unknown) are
    // answered on stderr, which needs no display either; unless some may be
    // Qt's, which only the application object takes out.
    return !qtMayTakeSome && Parse(arguments).mode == Mode::Invalid;
}

Request Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    const Options o;
    Configure(parser, o);
    if (!parser.parse(arguments)) return Invalid(parser.errorText());

    Request r;
    r.verbose = parser.isSet(o.verbose);  // goes with every mode
    if (parser.isSet(o.help)) {
        r.mode = Mode::Help;
        return r;
    }
    if (parser.isSet(o.version)) {
        r.mode = Mode::Version;
        return r;
    }

    int modes = 0;
    for (auto [option, mode] : {std::pair{&o.print, Mode::Print}, std::pair{&o.info, Mode::Info},
                                std::pair{&o.listPrinters, Mode::ListPrinters},
                                std::pair{&o.testPage, Mode::TestPage}})
        if (parser.isSet(*option)) {
            r.mode = mode;
            ++modes;
        }
    if (modes > 1) return Invalid(QStringLiteral("choose one of --print, --info, --list-printers, --test-page"));
    if (modes == 0 && parser.isSet(o.nudge)) r.mode = Mode::Nudge;

    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) return Invalid(QStringLiteral("one picture at a time, not %1").arg(files.size()));
    if (!files.isEmpty()) r.picture = files.first();
    const bool needsPicture = r.mode == Mode::Print || r.mode == Mode::Info;
    const bool takesPicture = needsPicture || r.mode == Mode::Window;
    if (needsPicture && r.picture.isEmpty())
        return Invalid(QStringLiteral("--%1 needs a PICTURE").arg(r.mode == Mode::Print ? "print" : "info"));
    if (!takesPicture && !r.picture.isEmpty())
        return Invalid(QStringLiteral("unexpected argument: %1").arg(r.picture));

    // Each option counts once; a second --printer would silently win otherwise.
    for (const QCommandLineOption* option : {&o.printer, &o.pdf})
        if (parser.values(*option).size() > 1)
            return Invalid(QStringLiteral("--%1 given more than once").arg(option->names().first()));
    r.printer = parser.value(o.printer);
    r.pdf = parser.value(o.pdf);
    r.cutGuides = parser.isSet(o.cutGuides);
    r.dither = parser.isSet(o.dither);
    if (parser.isSet(o.printer) && r.printer.isEmpty()) return Invalid(QStringLiteral("--printer needs a NAME"));
    if (parser.isSet(o.pdf) && r.pdf.isEmpty()) return Invalid(QStringLiteral("--pdf needs a FILE"));
    if (parser.isSet(o.printer) && parser.isSet(o.pdf))
        return Invalid(QStringLiteral("--printer and --pdf exclude each other"));

    const bool printerAllowed =
        r.mode == Mode::Print || r.mode == Mode::Info || r.mode == Mode::TestPage || r.mode == Mode::Nudge;
    const bool pdfAllowed = r.mode == Mode::Print || r.mode == Mode::TestPage;
    if (parser.isSet(o.printer) && !printerAllowed)
        return Invalid(QStringLiteral("--printer goes with --print, --info or --test-page"));
    if (parser.isSet(o.pdf) && !pdfAllowed)
        return Invalid(QStringLiteral("--pdf goes with --print or --test-page"));
    if (r.cutGuides && r.mode != Mode::Print) return Invalid(QStringLiteral("--cut-guides goes with --print"));
    if (r.dither && r.mode != Mode::Print) return Invalid(QStringLiteral("--dither goes with --print"));

    if (const QString why = ParseSheet(parser, o, r); !why.isEmpty()) return Invalid(why);
    r.yes = parser.isSet(o.yes);
    if (r.yes && r.mode != Mode::Print) return Invalid(QStringLiteral("--yes goes with --print"));
    if (const QString why = ParseResolution(parser, o, r); !why.isEmpty()) return Invalid(why);

    r.wait = parser.isSet(o.wait);
    if (r.wait && r.mode != Mode::Print && r.mode != Mode::TestPage)
        return Invalid(QStringLiteral("--wait goes with --print or --test-page"));
    if (parser.isSet(o.waitTimeout)) {
        if (!r.wait) return Invalid(QStringLiteral("--wait-timeout goes with --wait"));
        if (parser.values(o.waitTimeout).size() > 1)
            return Invalid(QStringLiteral("--wait-timeout given more than once"));
        bool ok = false;
        const int seconds = parser.value(o.waitTimeout).toInt(&ok);
        // A day at most: longer waits are better left to the print system.
        if (!ok || seconds < 0 || seconds > 86400)
            return Invalid(QStringLiteral("--wait-timeout needs whole seconds from 0 to 86400"));
        r.waitTimeoutSeconds = seconds;
    }
    return r;
}

QString HelpText() {
    QCommandLineParser parser;
    const Options o;
    Configure(parser, o);
    QString text = parser.helpText();
    // Qt names the running file; the manual's name reads better.
    const qsizetype firstLineEnd = text.indexOf(QLatin1Char('\n'));
    text = QStringLiteral("Usage: %1 [options] [PICTURE]").arg(QLatin1String(kProgram)) +
           (firstLineEnd < 0 ? QString() : text.mid(firstLineEnd));
    text += QStringLiteral(
        "\nWithout an option the window opens, with PICTURE opened when one is given.\n"
        "\nExit status:\n"
        "  0  success\n"
        "  1  the print job or the printer failed\n"
        "  2  the options make no request, ask for a resolution the printer lacks, or a\n"
        "     layout that cannot be meant: an overlap not smaller than the poster's\n"
        "     tile, more than %1 sheets without --yes, a layout too large to count, a\n"
        "     --pdf FILE that is the picture or the settings file\n"
        "  3  the picture file is missing or cannot be read\n"
        "  4  the file is not a picture, or is damaged or changed while it was read\n"
        "  5  there is no print queue of that name\n"
        "  6  the picture is wider or higher than %3 pixels (dots with --scale), or\n"
        "     needs more than 1024 MiB decoded\n"
        "  7  --wait: the job had not ended when the wait timed out\n"
        "With --wait, 0 also means the job was printed, and 1 that it was aborted or\n"
        "canceled (the reason goes to stderr), or that the print system could not be\n"
        "reached for longer than %2 s (OMBRASTELE_WAIT_GRACE sets the seconds).\n")
                .arg(platform::kSheetsWithoutAsking)
                .arg(kWaitGraceSeconds)
                .arg(platform::kLargestSide);
    return text;
}

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
    platform::SetPdfPathProvider([] { return QString(); });
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
