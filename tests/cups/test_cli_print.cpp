// The command line against the private scheduler: --print makes the very
// raster File > Print makes, the calibration page's patterns and ruler land
// dot for dot, --info and --list-printers tell the queues' figures.
#include "CupsFixture.h"

#include "platform/desktop/CommonDialog.h"
#include "platform/print/SystemPrinters.h"
#include "preview/ucPageLayout.h"
#include "printing/TestPage.h"
#include "properties/ucProperties.h"
#include "shell/CommandLine.h"
#include "shell/frmMain.h"
#include "support/PixelCheck.h"
#include "support/ProgramRun.h"
#include "support/ScriptedDialog.h"
#include "support/PanelControls.h"

#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include <set>

using namespace cupstest;

namespace {

// Runs the program; a failure status becomes a harness error so PrintAndRead
// reports it with the queue's state.
void RunOrThrow(const QStringList& args) {
    const ProgramRun run = RunProgram(args);
    if (run.status != 0)
        throw std::runtime_error(QStringLiteral("status %1: %2").arg(run.status).arg(run.err).toStdString());
}

bool Black(const QImage& page, int x, int y) { return page.pixelColor(x, y).value() == 0; }
bool White(const QImage& page, int x, int y) { return page.pixelColor(x, y).value() == 255; }

}  // namespace

TEST_F(CupsTest, CommandLinePrintIsTheMenusRasterDotForDot) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    const QImage noise = testcups::MakeNoise(203, 117, 7);
    ASSERT_TRUE(noise.save(path, "PNG"));

    for (const QueueSpec* q : {&A4Queue(), &LetterQueue()})
        for (bool guides : {false, true}) {
            SCOPED_TRACE(q->name.toStdString() + (guides ? " with guides" : ""));
            platform::SetCurrentPrinter(QueuePrinter(*q));
            frmMain window;
            window.SetCommonDialog(OpeningDialog(path));
            ASSERT_NO_THROW(window.Form_Load());
            window.mnuFileOpen_Click();
            ASSERT_TRUE(window.ucPageLayout1->gPicture);
            if (guides) CutGuidesBox(*window.ucProperties1)->click();
            const Printed menu = PrintAndRead(q->name, [&] { window.mnuFilePrint_Click(); });
            platform::SetCurrentPrinter(nullptr);
            ExpectPrintedExactly(menu, *q, platform::kPortrait, noise, guides);

            QStringList args{QStringLiteral("--print"), path, QStringLiteral("--printer"), q->name};
            if (guides) args << QStringLiteral("--cut-guides");
            const Printed cli = PrintAndRead(q->name, [&] { RunOrThrow(args); });
            ASSERT_TRUE(cli.error.isEmpty()) << cli.error.toStdString();
            ASSERT_EQ(cli.newJobs.size(), 1);
            EXPECT_EQ(cli.newJobs[0].state, 9);
            ASSERT_EQ(cli.pages.size(), 1);
            ASSERT_EQ(menu.pages.size(), 1);
            EXPECT_EQ(cli.pages[0].width, menu.pages[0].width);
            EXPECT_EQ(cli.pages[0].height, menu.pages[0].height);
            EXPECT_EQ(cli.pages[0].xdpi, menu.pages[0].xdpi);
            EXPECT_TRUE(cli.pages[0].image == menu.pages[0].image) << "the rasters differ";
        }
}

TEST_F(CupsTest, CommandLinePrintWithoutAPrinterUsesTheDefaultQueue) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.bmp"));
    const QImage noise = testcups::MakeNoise(64, 48, 3);
    ASSERT_TRUE(noise.save(path, "BMP"));
    const Printed printed = PrintAndRead(A4Queue().name, [&] { RunOrThrow({QStringLiteral("--print"), path}); });
    ExpectPrintedExactly(printed, A4Queue(), platform::kPortrait, noise, false);
}

TEST_F(CupsTest, CalibrationPageAlternatesEveryDotAndMeasuresInDots) {
    for (const QueueSpec* q : {&A4Queue(), &LetterQueue()}) {
        SCOPED_TRACE(q->name.toStdString());
        const Printed printed = PrintAndRead(
            q->name, [&] { RunOrThrow({QStringLiteral("--test-page"), QStringLiteral("--printer"), q->name}); });
        ASSERT_TRUE(printed.error.isEmpty()) << printed.error.toStdString();
        ASSERT_EQ(printed.pages.size(), 1);
        const testcups::RasterPage& raster = printed.pages[0];
        ExpectPrintableAreaPage(raster, *q);
        const QImage& page = raster.image;
        // The sheet's centre from the descriptions' paper and imageable box
        // (A4: 595 x 842 points, box from 18 across and 23 down; Letter: 612
        // x 792, from 18 and 24), in dots from the area's origin.
        const QPointF centre = q == &A4Queue() ? QPointF((297.5 - 18) * 600 / 72, (421.0 - 23) * 600 / 72)
                                               : QPointF((306 - 18) * 300 / 72, (396 - 24) * 300 / 72);
        const printing::TestPageLayout l = printing::LayoutTestPage(page.size(), q->dpi, centre);

        // The frame on the printable area's outermost dots.
        for (int x = 0; x < page.width(); ++x) ASSERT_TRUE(Black(page, x, 0) && Black(page, x, page.height() - 1)) << x;
        for (int y = 0; y < page.height(); ++y) ASSERT_TRUE(Black(page, 0, y) && Black(page, page.width() - 1, y)) << y;

        ASSERT_EQ(l.patches.size(), std::size(printing::kPatterns));
        for (const printing::PatternPatch& p : l.patches)
            for (int y = 0; y < p.rect.height(); ++y)
                for (int x = 0; x < p.rect.width(); ++x) {
                    const bool black = printing::PatternDotIsBlack(p.pattern, x, y);
                    const int px = p.rect.left() + x, py = p.rect.top() + y;
                    ASSERT_TRUE(black ? Black(page, px, py) : White(page, px, py))
                        << printing::PatternName(p.pattern).toStdString() << " at " << x << ", " << y;
                }
        // The one-dot checkerboard alternates with every step, across and down.
        const QRect checks = l.patches[0].rect;
        for (int y = checks.top(); y < checks.bottom(); ++y)
            for (int x = checks.left(); x < checks.right(); ++x) {
                ASSERT_NE(Black(page, x, y), Black(page, x + 1, y));
                ASSERT_NE(Black(page, x, y), Black(page, x, y + 1));
            }

        // The top ruler's centimetre marks are the only ink on the row just
        // below the half-centimetre marks: at round(n x dpi / 2.54) from its
        // origin. Inches likewise, at n x dpi.
        const QRect r = l.topRuler;
        ASSERT_FALSE(r.isEmpty());
        const int halfLength = printing::MarkLength(printing::MarkKind::Half, r.height());
        std::set<int> cm, in, expectedCm, expectedIn;
        for (int x = 0; x < r.width(); ++x) {
            if (Black(page, r.left() + x, r.top() + halfLength)) cm.insert(x);
            if (Black(page, r.left() + x, r.bottom() - halfLength)) in.insert(x);
        }
        for (int n = 0; (2 * n * q->dpi * 100 + 254) / 508 < r.width(); ++n)
            expectedCm.insert((2 * n * q->dpi * 100 + 254) / 508);
        for (int n = 0; n * q->dpi < r.width(); ++n) expectedIn.insert(n * q->dpi);
        EXPECT_EQ(cm, expectedCm);
        EXPECT_EQ(in, expectedIn);
        EXPECT_GE(cm.size(), 18u);  // both papers are wider than 18 cm

        // The fold scales' 0 ticks on the sheet's centre lines (2329.17 and
        // 3316.67 on A4, 1200 and 1550 on Letter).
        EXPECT_EQ(l.foldAcross.origin, q == &A4Queue() ? 2329 : 1200);
        EXPECT_EQ(l.foldDown.origin, q == &A4Queue() ? 3316 : 1550);
        const int zero = printing::FoldMarkLength(printing::MarkKind::Major, q->dpi) - 1;
        for (int d : {-1, 0, 1}) {
            EXPECT_EQ(Black(page, l.foldAcross.origin + d, l.foldAcross.rect.top() + zero), d == 0) << d;
            EXPECT_EQ(Black(page, l.foldDown.rect.left() + zero, l.foldDown.origin + d), d == 0) << d;
        }
    }
}

TEST_F(CupsTest, VerboseOrTheLoggingRulesTellTheQueuesDecisions) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(testcups::MakeNoise(8, 8, 1).save(path, "PNG"));
    const QueueSpec& q = A4Queue();
    const QStringList info{QStringLiteral("--info"), path, QStringLiteral("--printer"), q.name};
    QProcessEnvironment rules;
    rules.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("ombrastele.print.debug=true"));
    const ProgramRun runs[] = {RunProgram(info + QStringList{QStringLiteral("--verbose")}), RunProgram(info, rules)};
    for (const ProgramRun& run : runs) {
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const QString prefix = QStringLiteral("ombrastele.print: ") + q.name;
        for (const QString& told : {prefix + QStringLiteral(": the queue's filter takes CUPS raster"),
                                    prefix + QStringLiteral(": 600dpi, the description's default"),
                                    prefix + QStringLiteral(": sent as CUPS raster at 600 x 600 dpi; paper A4, "
                                                            "margins 18.00 36.00 13.00 23.00 pt")})
            EXPECT_TRUE(run.err.contains(told)) << told.toStdString() << "\n" << run.err.toStdString();
    }
    EXPECT_FALSE(RunProgram(info).err.contains(QStringLiteral("ombrastele.print")));
}

TEST_F(CupsTest, CommandLineInfoAndListTellTheQueuesFigures) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(testcups::MakeNoise(640, 480, 1).save(path, "PNG"));
    for (const QueueSpec* q : {&A4Queue(), &LetterQueue()}) {
        SCOPED_TRACE(q->name.toStdString());
        const ProgramRun run = RunProgram({QStringLiteral("--info"), path, QStringLiteral("--printer"), q->name});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        ucProperties panel;
        panel.SetPrinter(QueuePrinter(*q));
        panel.SetImage(platform::LoadPicture(path));
        EXPECT_TRUE(run.out.startsWith(cli::FiguresText(panel.Figures()))) << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("%1 x %1 DPI (PPD)").arg(q->dpi))) << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("%1 x %2 dots").arg(q->widthDots).arg(q->heightDots)));
        EXPECT_TRUE(run.out.contains(QStringLiteral("%1 DPI").arg(q->dpi)));
        EXPECT_TRUE(run.out.contains(QStringLiteral("Printer ") + q->name));
    }

    const ProgramRun list = RunProgram({QStringLiteral("--list-printers")});
    ASSERT_EQ(list.status, 0) << list.err.toStdString();
    const QStringList lines = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QueueSpec* q : {&A4Queue(), &LetterQueue()}) {
        const QString expected = q->name + QStringLiteral("\t%1 DPI\t%2, Portrait\t").arg(q->dpi).arg(q->paperName);
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(expected); }))
            << list.out.toStdString();
    }
    // The default queue first.
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.first().startsWith(A4Queue().name + QLatin1Char('\t')));
}
