// The command line: how arguments read, and the program itself run without a
// display, each option and each failure with its status and message.
#include "platform/print/SystemPrinters.h"
#include "properties/ucProperties.h"
#include "platform/print/PdfPrinter.h"
#include "shell/CommandLine.h"
#include "support/CommandLineCases.h"
#include "support/ProgramRun.h"
#include "support/TestEnv.h"
#include "support/PanelControls.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>

using cli::Mode;
using namespace testcli;

namespace {

QStringList WithProgram(const QStringList& args) { return QStringList{QStringLiteral("ombrastele")} + args; }

// No scheduler (a socket that does not exist), settings in the test's own folder.
ProgramRun RunWithoutScheduler(const QStringList& args) {
    QProcessEnvironment env;
    env.insert(QStringLiteral("CUPS_SERVER"), testenv::ScratchDir() + QStringLiteral("/no-scheduler.sock"));
    env.insert(QStringLiteral("HOME"), testenv::ScratchDir());
    return RunProgram(args, env, 120000);
}

// A picture whose pixels all differ from their neighbours.
QImage Noise(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    quint32 s = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            image.setPixel(x, y, 0xff000000u | (s >> 8));
        }
    return image;
}

class CommandLineProgram : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return mDir.filePath(name); }
    QString Picture(const QString& name, int w, int h) const {
        const QString path = Path(name);
        EXPECT_TRUE(Noise(w, h).save(path, "PNG"));
        return path;
    }
    QTemporaryDir mDir;
};

}  // namespace

TEST(CommandLineParse, Requests) {
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const cli::Request r = cli::Parse(WithProgram(c.args));
        EXPECT_EQ(r.mode, c.mode) << r.error.toStdString();
        EXPECT_EQ(r.picture, c.picture);
        EXPECT_EQ(r.printer, c.printer);
        EXPECT_EQ(r.pdf, c.pdf);
        EXPECT_EQ(r.cutGuides, c.cutGuides);
        EXPECT_EQ(r.wait, c.wait);
        EXPECT_EQ(r.waitTimeoutSeconds, c.waitSeconds);
    }
}

TEST(CommandLineParse, VerboseGoesWithEveryMode) {
    const QStringList modes[] = {{},
                                 {QStringLiteral("p.png")},
                                 {QStringLiteral("--print"), QStringLiteral("p.png")},
                                 {QStringLiteral("--info"), QStringLiteral("p.png")},
                                 {QStringLiteral("--list-printers")},
                                 {QStringLiteral("--test-page")},
                                 {QStringLiteral("--nudge"), QStringLiteral("1,2")},
                                 {QStringLiteral("--help")}};
    for (const QStringList& args : modes) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const cli::Request quiet = cli::Parse(WithProgram(args));
        const cli::Request verbose = cli::Parse(WithProgram(args + QStringList{QStringLiteral("--verbose")}));
        EXPECT_EQ(verbose.mode, quiet.mode) << verbose.error.toStdString();
        EXPECT_TRUE(verbose.verbose);
        EXPECT_FALSE(quiet.verbose);
    }
}

TEST(CommandLineParse, Resolution) {
    const struct {
        QStringList args;
        bool set;
        QSize dpi;
    } cases[] = {
        {{"--print", "a.png"}, false, QSize()},
        {{"--print", "a.png", "--resolution", "300"}, true, QSize(300, 300)},
        {{"--info", "a.png", "--resolution=300x600"}, true, QSize(300, 600)},
        {{"--test-page", "--resolution", "1200 X 600 dpi"}, true, QSize(1200, 600)},
        {{"--print", "a.png", "--resolution", "default"}, true, QSize()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const cli::Request r = cli::Parse(WithProgram(c.args));
        ASSERT_NE(r.mode, Mode::Invalid) << r.error.toStdString();
        EXPECT_EQ(r.setResolution, c.set);
        EXPECT_EQ(r.resolution, c.dpi);
    }
}

TEST(CommandLineParse, ArgumentsThatMakeNoRequest) {
    for (const auto& [args, word] : kInvalidCases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const cli::Request r = cli::Parse(WithProgram(args));
        EXPECT_EQ(r.mode, Mode::Invalid);
        EXPECT_TRUE(r.error.contains(QString::fromLatin1(word))) << r.error.toStdString();
    }
}

// The complaint and the help's "With ...:" come from one table: an option
// outside its modes names the modes; one without the option it refines, once
// its value is sound, names that option.
TEST(CommandLineParse, GoesWithAsTheHelpSays) {
    const struct {
        QStringList args;
        const char* complaint;
        const char* helpLine;  // the start of the option's help, after its names
    } cases[] = {
        {{"--test-page", "--gap", "3"}, "--gap goes with --print or --info", "With --copies-on-sheet: D printer"},
        {{"--print", "a.png", "--gap", "x"}, "--gap needs whole dots", "With --copies-on-sheet: D printer"},
        {{"--list-printers", "--yes"}, "--yes goes with --print", "With --print: print a job"},
        {{"--info", "a.png", "--wait"}, "--wait goes with --print or --test-page", "With --print or --test-page: wait"},
        {{"--nudge", "1,1", "--scale", "2"}, "--scale goes with --print or --info", "With --print or --info: print"},
        {{"a.png", "--resolution", "300"}, "--resolution goes with --print, --info or --test-page",
         "With --print, --info or --test-page: print at DPI"},
        {{"--list-printers", "--printer", "Q"}, "--printer goes with --print, --info or --test-page", "Use the print"},
    };
    const QString help = cli::HelpText().simplified();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_TRUE(cli::Parse(WithProgram(c.args)).error.startsWith(QString::fromLatin1(c.complaint)));
        EXPECT_TRUE(help.contains(QStringLiteral(" %1").arg(QString::fromLatin1(c.helpLine)))) << c.helpLine;
    }
}

TEST(CommandLineParse, HeadlessIsSeenBeforeTheApplicationExists) {
    const std::pair<QStringList, bool> cases[] = {
        {{}, false},
        {{"a.png"}, false},
        {{"-platform", "xcb", "a.png"}, false},
        {{"--print", "a.png"}, true},
        {{"a.png", "--info"}, true},
        {{"--list-printers"}, true},
        {{"--test-page"}, true},
        {{"--help"}, true},
        {{"-v"}, true},
        {{"--", "--print"}, false},  // a file named --print, opened in the window
        {{"--bogus"}, true},          // answered on stderr
        {{"a.png", "--cut-guides"}, true},
        {{"-style", "fusion", "--cut-guides"}, false},  // Qt may take some: the window's parse answers
    };
    for (const auto& [args, headless] : cases)
        EXPECT_EQ(cli::AsksForHeadless(WithProgram(args)), headless) << args.join(' ').toStdString();
}

// A print or the figures of a PNG or JPEG need no platform plugin; text
// drawn (a poster's labels, the calibration page), Qt's options, a picture
// another plugin reads, or a pipe keep the GUI application.
TEST_F(CommandLineProgram, CoreApplicationOnlyWhereNoTextCanBeDrawn) {
    const QString png = Picture(QStringLiteral("a.png"), 3, 2);
    const QString jpeg = Path(QStringLiteral("a.jpg"));
    ASSERT_TRUE(Noise(3, 2).save(jpeg, "JPEG"));
    const QString bmp = Path(QStringLiteral("a.bmp"));
    ASSERT_TRUE(Noise(3, 2).save(bmp, "BMP"));
    const QString pipe = Path(QStringLiteral("fifo.png"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const std::pair<QStringList, bool> cases[] = {
        {{"--print", png}, true},
        {{"--info", png, "--printer", "q"}, true},
        {{"--print", png, "--cut-guides", "--copies-on-sheet", "2"}, true},
        {{"--print", png, "--poster"}, false},
        {{"--print", jpeg}, true},
        {{"--print", bmp}, false},
        {{"--print", pipe}, false},
        {{"--print", Path(QStringLiteral("missing.png"))}, false},
        {{"--print", png, "-platform", "offscreen"}, false},
        {{"--test-page"}, false},
        {{"--list-printers"}, false},
        {{png}, false},
    };
    for (const auto& [args, core] : cases)
        EXPECT_EQ(cli::RunsWithoutGui(WithProgram(args)), core) << args.join(' ').toStdString();
}

TEST_F(CommandLineProgram, HelpAndVersion) {
    const ProgramRun help = RunWithoutScheduler({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: ombrastele [options] [PICTURE]"))) << help.out.toStdString();
    for (const char* option : {"--print", "--printer", "--cut-guides", "--pdf", "--list-printers", "--info",
                               "--test-page", "--version", "--verbose", "Exit status"})
        EXPECT_TRUE(help.out.contains(QString::fromLatin1(option))) << option;
    EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();

    const ProgramRun version = RunWithoutScheduler({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringLiteral("ombrastele %1.%2.%3\n")
                               .arg(OMBRASTELE_VERSION_MAJOR)
                               .arg(OMBRASTELE_VERSION_MINOR)
                               .arg(OMBRASTELE_VERSION_PATCH));
}

TEST_F(CommandLineProgram, FailuresEndWithOneLineAndTheirStatus) {
    const QString picture = Picture(QStringLiteral("p.png"), 7, 5);
    const QString wide = Picture(QStringLiteral("wide.png"), 32768, 1);
    const QString high = Picture(QStringLiteral("high.png"), 1, 40000);
    QFile text(Path(QStringLiteral("notes.png")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture, whatever the name says\n");
    text.close();
    const QString missing = Path(QStringLiteral("missing.png"));
    QDir().mkpath(Path(QStringLiteral("folder.png")));

    const struct {
        QStringList args;
        int status;
        QString message;  // the whole line after "ombrastele: ", or its start
    } cases[] = {
        {{"--print", missing}, cli::kExitNoFile, "no such file: " + missing},
        {{"--info", missing}, cli::kExitNoFile, "no such file: " + missing},
        {{"--print", Path("folder.png")}, cli::kExitNoFile, "cannot read file: " + Path("folder.png")},
        {{"--print", text.fileName()}, cli::kExitNotPicture, "not a picture: " + text.fileName()},
        {{"--info", text.fileName()}, cli::kExitNotPicture, "not a picture: " + text.fileName()},
        {{"--print", wide}, cli::kExitTooLarge, "picture too large: 32768 x 1 pixels"},
        {{"--info", high}, cli::kExitTooLarge, "picture too large: 1 x 40000 pixels"},
        {{"--print", picture, "--printer", "NoSuchQueue"}, cli::kExitUnknownPrinter, "unknown printer: NoSuchQueue"},
        {{"--info", picture, "--printer", "NoSuchQueue"}, cli::kExitUnknownPrinter, "unknown printer: NoSuchQueue"},
        {{"--test-page", "--printer", "NoSuchQueue"}, cli::kExitUnknownPrinter, "unknown printer: NoSuchQueue"},
        {{"--print", picture, "--pdf", Path("no/such/folder/out.pdf")}, cli::kExitJobFailed, "printing failed"},
        {{"--test-page", "--pdf", Path("no/such/folder/t.pdf")}, cli::kExitJobFailed, "printing failed"},
        {{"--bogus"}, cli::kExitUsage, "Unknown option 'bogus'."},
        {{"--print"}, cli::kExitUsage, "--print needs a PICTURE"},
        {{"--print", picture, "--printer", "Q", "--pdf", "o.pdf"}, cli::kExitUsage, "--printer and --pdf"},
        {{"a.png", "--cut-guides"}, cli::kExitUsage, "--cut-guides goes with --print"},
        // A resolution the device lacks is a request that cannot be met: one sentence saying what it has.
        {{"--print", picture, "--pdf", Path("r.pdf"), "--resolution", "300"}, cli::kExitUsage,
         "The printer PDF prints at 600 x 600 dpi only.\n"},
        {{"--info", picture, "--resolution", "300x600"}, cli::kExitUsage,
         "The printer PDF prints at 600 x 600 dpi only.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ProgramRun run = RunWithoutScheduler(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("ombrastele: ") + c.message)) << run.err.toStdString();
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.endsWith(QLatin1Char('\n')));
    }
}

TEST_F(CommandLineProgram, PrintIntoAPdfKeepsEveryPixel) {
    const QImage source = Noise(53, 31);
    const QString picture = Path(QStringLiteral("p.png"));
    ASSERT_TRUE(source.save(picture, "PNG"));
    const QString pdf = Path(QStringLiteral("out.pdf"));
    const ProgramRun run = RunWithoutScheduler({QStringLiteral("--print"), picture, QStringLiteral("--pdf"), pdf});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_FALSE(bytes.contains("/DCTDecode")) << "a lossy image in the PDF";

    const QString pdfimages = QStandardPaths::findExecutable(QStringLiteral("pdfimages"));
    if (pdfimages.isEmpty()) GTEST_SKIP() << "pdfimages (poppler-utils) is not installed";
    QProcess extract;
    extract.start(pdfimages, {QStringLiteral("-png"), pdf, Path(QStringLiteral("img"))});
    ASSERT_TRUE(extract.waitForFinished(60000));
    ASSERT_EQ(extract.exitCode(), 0);
    const QImage embedded = QImage(Path(QStringLiteral("img-000.png"))).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(embedded.size(), source.size());
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            ASSERT_EQ(embedded.pixel(x, y), source.pixel(x, y)) << x << ", " << y;
}

TEST_F(CommandLineProgram, TestPageIntoAPdf) {
    const QString pdf = Path(QStringLiteral("t.pdf"));
    const ProgramRun run = RunWithoutScheduler({QStringLiteral("--test-page"), QStringLiteral("--pdf"), pdf});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_FALSE(bytes.contains("/DCTDecode"));
}

TEST_F(CommandLineProgram, VerboseTellsWhereThePageWent) {
    // Off by default; on with --verbose or the logging rules, on stderr.
    const QString pdf = Path(QStringLiteral("t.pdf"));
    const QString told = QStringLiteral("ombrastele.print: built-in PDF printer: written to ") + pdf;
    for (const char* option : {"", "--verbose"}) {
        QFile::remove(pdf);
        QStringList args{QStringLiteral("--test-page"), QStringLiteral("--pdf"), pdf};
        if (*option) args << QString::fromLatin1(option);
        const ProgramRun run = RunWithoutScheduler(args);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(run.err.contains(told), *option != 0) << option << ": " << run.err.toStdString();
    }
}

TEST_F(CommandLineProgram, InfoTellsThePanelsFigures) {
    const QString picture = Picture(QStringLiteral("p.png"), 640, 480);
    // Without a scheduler the system's printer is the built-in PDF printer.
    const ProgramRun run = RunWithoutScheduler({QStringLiteral("--info"), picture});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();

    ucProperties panel;
    panel.SetPrinter(platform::MakePdfPrinter(Path(QStringLiteral("unused.pdf"))));
    panel.SetImage(platform::LoadPicture(picture));
    // The panel's figures, then what the device itself prints.
    EXPECT_TRUE(run.out.startsWith(cli::FiguresText(panel.Figures()))) << run.out.toStdString();
    const bool letter = platform::LocaleDefaultPaper() == QPageSize::Letter;
    EXPECT_TRUE(run.out.contains(letter ? "5100 x 6600 dots" : "4961 x 7016 dots")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("600 x 600 DPI (built-in)")) << run.out.toStdString();
    for (const QLabel* label : {PanelLabel(panel, "lblSize"), PanelLabel(panel, "lblMegaPixels"), PanelLabel(panel, "lblPrinterHeader"), PanelLabel(panel, "lblPaperSize"),
                                PanelLabel(panel, "lblEffectiveAreaCm"), PanelLabel(panel, "lblEffectiveAreaInches"), PanelLabel(panel, "lblDPI"),
                                PanelLabel(panel, "lblPhysicalSizeCm"), PanelLabel(panel, "lblPhysicalSizeInches")})
        EXPECT_TRUE(run.out.contains(label->text())) << label->text().toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("640 x 480 pixels")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("0.31 megapixels")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("2.71 x 2.03 cm")));
}

TEST_F(CommandLineProgram, ListPrintersWithoutASchedulerListsTheBuiltInPdfPrinter) {
    const ProgramRun run = RunWithoutScheduler({QStringLiteral("--list-printers")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, QStringLiteral("ombrastele: No print queues; printing goes to the built-in PDF printer "
                                      "(600 DPI)\n"));
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << run.out.toStdString();
    const QStringList fields = lines[0].split(QLatin1Char('\t'));
    ASSERT_GE(fields.size(), 3) << lines[0].toStdString();
    EXPECT_EQ(fields[0], QStringLiteral("PDF"));
    EXPECT_EQ(fields[1], QStringLiteral("600 DPI"));
}
