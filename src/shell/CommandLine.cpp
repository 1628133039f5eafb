#include "shell/CommandLine.h"

#include "platform/base/FileNames.h"
#include "platform/picture/JpegRows.h"
#include "platform/picture/PngDecoder.h"
#include "platform/print/Nudge.h"
#include "platform/print/ResolutionChoice.h"
#include "shell/HeadlessJob.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>
#include <array>
#include <optional>

namespace cli {

namespace {

// The modes an option goes with, one bit a mode.
using Modes = unsigned;
constexpr Modes Bit(Mode mode) { return 1U << unsigned(mode); }
constexpr Modes kEveryMode = ~0U;
constexpr Modes kPrint = Bit(Mode::Print);
constexpr Modes kPrintInfo = kPrint | Bit(Mode::Info);
constexpr Modes kPrintTestPage = kPrint | Bit(Mode::TestPage);
constexpr Modes kPrintInfoTestPage = kPrintInfo | Bit(Mode::TestPage);

// Every option the program takes, in the help's order.
enum class Id {
    Print, Info, ListPrinters, TestPage, Printer, Pdf, CutGuides, Dither, Wait, WaitTimeout, Scale,
    CopiesOnSheet, Gap, Poster, Overlap, Yes, Nudge, Resolution, Verbose, Help, Version,
};
constexpr size_t kOptionCount = size_t(Id::Version) + 1;

// The options that choose a mode; "goes with" names them.
constexpr std::pair<Id, Mode> kModeOptions[] = {
    {Id::Print, Mode::Print}, {Id::Info, Mode::Info}, {Id::ListPrinters, Mode::ListPrinters},
    {Id::TestPage, Mode::TestPage}};

// One option: its names, its help, and what it goes with. An option used
// outside its modes, or without the option it refines, makes no request.
// A value option counts once.
struct Rule {
    QStringList names;
    QString description = {};  // what the help says after "With <modes>: "
    QString valueName = {};  // empty for a switch
    Modes modes = kEveryMode;
    std::optional<Id> needs = std::nullopt;  // the option it refines
    bool headless = false;     // asks for a run without a window (looked at before Qt's options are out)
    bool modesInHelp = true;   // false: the help leaves its modes unsaid
};

QStringList Named(const char* name) { return {QString::fromLatin1(name)}; }

// In the order of `Id`.
const std::array<Rule, kOptionCount>& Rules() {
    static const std::array<Rule, kOptionCount> rules = {{
        {.names = Named("print"),
         .description = QStringLiteral("Print PICTURE, centred, one pixel per printer dot, then quit."),
         .headless = true},
        {.names = Named("info"),
         .description = QStringLiteral("Show the figures of the properties panel for PICTURE."),
         .headless = true},
        {.names = Named("list-printers"),
         .description = QStringLiteral("List the print queues with resolution, paper and printable area."),
         .headless = true},
        {.names = Named("test-page"),
         .description = QStringLiteral("Print the calibration page that shows whether the printer prints one dot "
                                       "per pixel."),
         .headless = true},
        // --nudge alone stores the nudge for the printer it names.
        {.names = Named("printer"),
         .description = QStringLiteral("Use the print queue NAME instead of the system's default."),
         .valueName = QStringLiteral("NAME"),
         .modes = kPrintInfoTestPage | Bit(Mode::Nudge),
         .modesInHelp = false},
        {.names = Named("pdf"),
         .description = QStringLiteral("Print into the PDF file FILE."),
         .valueName = QStringLiteral("FILE"),
         .modes = kPrintTestPage,
         .modesInHelp = false},
        {.names = Named("cut-guides"), .description = QStringLiteral("draw the cut guides."), .modes = kPrint},
        {.names = Named("dither"),
         .description = QStringLiteral("dither grey and colour on a black-and-white printer instead of a threshold "
                                       "at mid-grey."),
         .modes = kPrint},
        {.names = Named("wait"),
         .description = QStringLiteral("wait until the job has printed, was aborted or canceled."),
         .modes = kPrintTestPage},
        {.names = Named("wait-timeout"),
         .description = QStringLiteral("give up after S seconds (default 600)."),
         .valueName = QStringLiteral("S"),
         .needs = Id::Wait},
        {.names = Named("scale"),
         .description = QStringLiteral("print each pixel as an N x N block of printer dots, N from 1 (the default) "
                                       "to 16."),
         .valueName = QStringLiteral("N"),
         .modes = kPrintInfo},
        {.names = Named("copies-on-sheet"),
         .description = QStringLiteral("N copies in a block on each sheet (more sheets when they do not fit), or "
                                       "'fill' for as many as fit."),
         .valueName = QStringLiteral("N|fill"),
         .modes = kPrintInfo},
        {.names = Named("gap"),
         .description = QStringLiteral("D printer dots between copies (default 0)."),
         .valueName = QStringLiteral("D"),
         .modes = kPrintInfo,
         .needs = Id::CopiesOnSheet},
        {.names = Named("poster"),
         .description = QStringLiteral("a picture larger than the printable area goes across pages, one exact tile "
                                       "per page."),
         .modes = kPrintInfo},
        {.names = Named("overlap"),
         .description = QStringLiteral("D printer dots that neighbouring tiles share (default 0)."),
         .valueName = QStringLiteral("D"),
         .modes = kPrintInfo,
         .needs = Id::Poster},
        {.names = Named("yes"),
         .description = QStringLiteral("print a job of more than %1 sheets, which is refused without it.")
                            .arg(platform::kSheetsWithoutAsking),
         .modes = kPrint},
        {.names = Named("nudge"),
         .description = QStringLiteral("Store X,Y (printer dots, right and down) as the printer's nudge: "
                                       "everything it prints moves by that much. 0,0 removes it."),
         .valueName = QStringLiteral("X,Y"),
         .headless = true},
        {.names = Named("resolution"),
         .description = QStringLiteral("print at DPI (or X across by Y down) dots per inch, one the printer offers "
                                       "(see --list-printers), and keep it as the printer's choice; 'default' "
                                       "goes back to the printer's own."),
         .valueName = QStringLiteral("DPI|XxY|default"),
         .modes = kPrintInfoTestPage},
        {.names = Named("verbose"),
         .description = QStringLiteral("Tell on stderr what the print system decided: the format sent, the "
                                       "resolution and the margins and where each came from, where the job went.")},
        {.names = {QStringLiteral("h"), QStringLiteral("help")},
         .description = QStringLiteral("Show this help."),
         .headless = true},
        {.names = {QStringLiteral("v"), QStringLiteral("version")},
         .description = QStringLiteral("Show the version."),
         .headless = true},
    }};
    return rules;
}

const Rule& RuleOf(Id id) { return Rules()[size_t(id)]; }
QString NameOf(Id id) { return QStringLiteral("--") + RuleOf(id).names.last(); }

// "--print", "--print or --info", "--print, --info or --test-page".
QString ModesText(Modes modes) {
    QStringList names;
    for (auto [id, mode] : kModeOptions)
        if (modes & Bit(mode)) names << NameOf(id);
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// The options as the parser takes them, the help's text made from each rule.
class Options {
public:
    Options() {
        for (const Rule& rule : Rules()) {
            // The option it refines says the modes too.
            QString help = rule.description;
            if (rule.needs) help = QStringLiteral("With %1: %2").arg(NameOf(*rule.needs), help);
            else if (rule.modes != kEveryMode && rule.modesInHelp)
                help = QStringLiteral("With %1: %2").arg(ModesText(rule.modes), help);
            options_.emplace_back(rule.names, help, rule.valueName);
        }
    }
    const QCommandLineOption& operator[](Id id) const { return options_[size_t(id)]; }
    const std::vector<QCommandLineOption>& All() const { return options_; }

private:
    std::vector<QCommandLineOption> options_;
};

void Configure(QCommandLineParser& parser, const Options& o) {
    parser.setApplicationDescription(QStringLiteral("Prints a picture at one picture pixel per printer dot."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const QCommandLineOption& option : o.All()) parser.addOption(option);
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

// A value option given twice: the first, as the complaint.
QString GivenTwice(const QCommandLineParser& parser, const Options& o) {
    for (size_t i = 0; i < kOptionCount; ++i)
        if (!Rules()[i].valueName.isEmpty() && parser.values(o[Id(i)]).size() > 1)
            return NameOf(Id(i)) + QStringLiteral(" given more than once");
    return {};
}

// An option given outside its modes: the first, as the complaint.
QString OutOfPlace(const QCommandLineParser& parser, const Options& o, Mode mode) {
    for (size_t i = 0; i < kOptionCount; ++i)
        if (parser.isSet(o[Id(i)]) && !(Rules()[i].modes & Bit(mode)))
            return NameOf(Id(i)) + QStringLiteral(" goes with ") + ModesText(Rules()[i].modes);
    return {};
}

// An option given without the option it refines: the first, as the
// complaint. Looked at after the layout's values, which say more.
QString Unrefined(const QCommandLineParser& parser, const Options& o, Request&) {
    for (size_t i = 0; i < kOptionCount; ++i) {
        const std::optional<Id> needs = Rules()[i].needs;
        if (needs && parser.isSet(o[Id(i)]) && !parser.isSet(o[*needs]))
            return NameOf(Id(i)) + QStringLiteral(" goes with ") + NameOf(*needs);
    }
    return {};
}

// A whole number from `low` to `high`, or nothing.
std::optional<int> WholeIn(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high) return std::nullopt;
    return value;
}

// The layout and nudge values into `r`; the reason when one makes no sense.
QString ParseSheet(const QCommandLineParser& parser, const Options& o, Request& r) {
    platform::SheetOptions& sheet = r.sheet;
    if (parser.isSet(o[Id::Scale])) {
        const auto n = WholeIn(parser.value(o[Id::Scale]), 1, platform::kMaxDotsPerPixel);
        if (!n) return QStringLiteral("--scale needs a whole number from 1 to %1").arg(platform::kMaxDotsPerPixel);
        sheet.dotsPerPixel = *n;
    }
    if (parser.isSet(o[Id::CopiesOnSheet])) {
        const QString value = parser.value(o[Id::CopiesOnSheet]);
        const auto n = WholeIn(value, 1, platform::kMaxCopies);
        if (value == QStringLiteral("fill")) sheet.copies = platform::kCopiesFill;
        else if (n) sheet.copies = *n;
        else return QStringLiteral("--copies-on-sheet needs 'fill' or a whole number from 1 to %1").arg(platform::kMaxCopies);
    }
    for (auto [id, target] : {std::pair{Id::Gap, &sheet.gapDots}, std::pair{Id::Overlap, &sheet.overlapDots}}) {
        if (!parser.isSet(o[id])) continue;
        const auto n = WholeIn(parser.value(o[id]), 0, platform::kMaxSpacingDots);
        if (!n) return QStringLiteral("%1 needs whole dots from 0 to %2").arg(NameOf(id)).arg(platform::kMaxSpacingDots);
        *target = *n;
    }
    sheet.poster = parser.isSet(o[Id::Poster]);
    if (parser.isSet(o[Id::Nudge])) {
        if (!platform::ParseNudge(parser.value(o[Id::Nudge]), &r.nudge))
            return QStringLiteral("--nudge needs X,Y in whole dots from -%1 to %1").arg(platform::kMaxNudgeDots);
        r.setNudge = true;
    }
    return {};
}

// The --resolution value into `r`; the reason when it makes no sense.
QString ParseResolution(const QCommandLineParser& parser, const Options& o, Request& r) {
    if (!parser.isSet(o[Id::Resolution])) return {};
    const QString value = parser.value(o[Id::Resolution]);
    r.setResolution = true;
    if (value == QStringLiteral("default")) return {};
    if (!platform::ParseResolutionChoice(value, &r.resolution))
        return QStringLiteral("--resolution needs DPI or XxY in whole dots per inch from 1 to %1, or 'default'")
            .arg(platform::kMaxResolutionDpi);
    return {};
}

// The --wait-timeout value into `r`; the reason when it makes no sense.
QString ParseWaitTimeout(const QCommandLineParser& parser, const Options& o, Request& r) {
    if (!parser.isSet(o[Id::WaitTimeout])) return {};
    bool ok = false;
    const int seconds = parser.value(o[Id::WaitTimeout]).toInt(&ok);
    // A day at most: longer waits are better left to the print system.
    if (!ok || seconds < 0 || seconds > 86400)
        return QStringLiteral("--wait-timeout needs whole seconds from 0 to 86400");
    r.waitTimeoutSeconds = seconds;
    return {};
}

// The mode the options choose, and the picture it takes; the reason when
// they choose none.
QString ParseMode(const QCommandLineParser& parser, const Options& o, Request& r) {
    int modes = 0;
    for (auto [id, mode] : kModeOptions)
        if (parser.isSet(o[id])) {
            r.mode = mode;
            ++modes;
        }
    if (modes > 1) return QStringLiteral("choose one of --print, --info, --list-printers, --test-page");
    if (modes == 0 && parser.isSet(o[Id::Nudge])) r.mode = Mode::Nudge;

    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) return QStringLiteral("one picture at a time, not %1").arg(files.size());
    if (!files.isEmpty()) r.picture = files.first();
    const bool needsPicture = r.mode == Mode::Print || r.mode == Mode::Info;
    const bool takesPicture = needsPicture || r.mode == Mode::Window;
    if (needsPicture && r.picture.isEmpty())
        return QStringLiteral("--%1 needs a PICTURE").arg(r.mode == Mode::Print ? "print" : "info");
    if (!takesPicture && !r.picture.isEmpty()) return QStringLiteral("unexpected argument: %1").arg(r.picture);
    return {};
}

// The queue or file printed on; the reason when they make no sense.
QString ParseDestination(const QCommandLineParser& parser, const Options& o, Request& r) {
    r.printer = parser.value(o[Id::Printer]);
    r.pdf = parser.value(o[Id::Pdf]);
    if (parser.isSet(o[Id::Printer]) && r.printer.isEmpty()) return QStringLiteral("--printer needs a NAME");
    if (parser.isSet(o[Id::Pdf]) && r.pdf.isEmpty()) return QStringLiteral("--pdf needs a FILE");
    if (parser.isSet(o[Id::Printer]) && parser.isSet(o[Id::Pdf]))
        return QStringLiteral("--printer and --pdf exclude each other");
    return {};
}

Request Invalid(const QString& why) {
    Request r;
    r.mode = Mode::Invalid;
    r.error = why;
    return r;
}
}  // namespace

namespace {
// Qt's own options are single-dash words (-platform, -style...).
bool MayBeQtOption(const QString& a) {
    return a.size() > 2 && a.startsWith(QLatin1Char('-')) && a[1] != QLatin1Char('-');
}
}  // namespace

bool AsksForHeadless(const QStringList& arguments) {
    const Options o;
    bool qtMayTakeSome = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QStringLiteral("--")) break;  // the rest are file names
        for (size_t j = 0; j < kOptionCount; ++j)
            if (Rules()[j].headless && Names(o[Id(j)], a)) return true;
        qtMayTakeSome |= MayBeQtOption(a);
    }
    // Arguments that make no request (-?, --help-all, anything unknown) are
    // answered on stderr, which needs no display either; unless some may be
    // Qt's, which only the application object takes out.
    return !qtMayTakeSome && Parse(arguments).mode == Mode::Invalid;
}

bool RunsWithoutGui(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size() && arguments[i] != QStringLiteral("--"); ++i)
        if (MayBeQtOption(arguments[i])) return false;
    const Request r = Parse(arguments);
    const bool drawsText = r.mode == Mode::Print && r.sheet.poster;  // a poster's pages are labelled
    if ((r.mode != Mode::Print && r.mode != Mode::Info) || drawsText) return false;
    // PNG is read by libpng, JPEG by libjpeg or Qt's plugin for it; another format's
    // plugin may draw text (SVG). Only a plain file is looked into: a pipe's
    // bytes would be taken from the picture.
    const platform::FileFacts facts = platform::StatFile(r.picture);
    QFile file;
    if (!facts.isFile || !facts.readable || !platform::OpenFile(file, r.picture, QIODevice::ReadOnly, nullptr))
        return false;
    return platform::IsPng(file) || platform::IsJpeg(file);
}

Request Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    const Options o;
    Configure(parser, o);
    if (!parser.parse(arguments)) return Invalid(parser.errorText());

    Request r;
    r.verbose = parser.isSet(o[Id::Verbose]);  // goes with every mode
    if (parser.isSet(o[Id::Help])) {
        r.mode = Mode::Help;
        return r;
    }
    if (parser.isSet(o[Id::Version])) {
        r.mode = Mode::Version;
        return r;
    }
    // Each value counts once; a second --printer would silently win otherwise.
    QString why = ParseMode(parser, o, r);
    if (why.isEmpty()) why = GivenTwice(parser, o);
    if (why.isEmpty()) why = ParseDestination(parser, o, r);
    if (why.isEmpty()) why = OutOfPlace(parser, o, r.mode);
    if (!why.isEmpty()) return Invalid(why);
    r.cutGuides = parser.isSet(o[Id::CutGuides]);
    r.dither = parser.isSet(o[Id::Dither]);
    r.yes = parser.isSet(o[Id::Yes]);
    r.wait = parser.isSet(o[Id::Wait]);
    for (const auto& step : {ParseSheet, Unrefined, ParseResolution, ParseWaitTimeout})
        if (why = step(parser, o, r); !why.isEmpty()) return Invalid(why);
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

}  // namespace cli
