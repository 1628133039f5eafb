// The resolution chosen on queues made from real printer descriptions whose
// Resolution choices set different HWResolution: --list-printers names them,
// --info tells the one chosen, a picture printed at it is as large on paper
// as the ratio of the resolutions says (every pixel a whole block of dots),
// the queue keeps the choice, and one the device lacks is refused.
#include "CupsFixture.h"
#include "PageCheck.h"

#include "platform/print/ResolutionChoice.h"
#include "platform/print/SystemPrinters.h"
#include "preview/ucPageLayout.h"
#include "properties/Figures.h"
#include "properties/ucProperties.h"
#include "shell/frmMain.h"
#include "support/PanelControls.h"
#include "support/ProgramRun.h"
#include "support/ScriptedDialog.h"

#include <QLabel>
#include <QTemporaryDir>
#include <random>

using namespace cupstest;

namespace {

// The dots of `box` against the picture, each pixel fx x fy dots.
QString BlockDifferences(const QImage& page, QRect box, const QImage& picture, int fx, int fy) {
    int wrong = 0;
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x) {
            const bool black = qGray(page.pixel(box.x() + x, box.y() + y)) == 0;
            if (black != (qGray(picture.pixel(x / fx, y / fy)) == 0)) ++wrong;
        }
    return wrong ? QStringLiteral("%1 dots differ from the picture").arg(wrong) : QString();
}

// The value of the --info row captioned `caption`.
QString InfoValue(const QString& out, const QString& caption) {
    for (const QString& line : out.split(QLatin1Char('\n')))
        if (line.trimmed().startsWith(caption + QLatin1String("  "))) return line.trimmed().mid(caption.size()).trimmed();
    return QString();
}

struct Choice {
    const char* argument;  // --resolution's value
    int xdpi, ydpi;        // what the device prints at
};

struct Device {
    const char* queue;
    const char* ppd;
    QSize defaultDpi;
    const char* offered;  // --list-printers' last column
    std::vector<Choice> choices;
    const char* lacking;          // a --resolution the device does not have...
    const char* lackingMessage;   // ...and the start of the one line that says so
};

}  // namespace

TEST_F(CupsTest, ChosenResolutionIsToldAndSetsThePrintedSizeByItsRatio) {
    QTemporaryDir dir;
    const QImage picture = FramedPicture(61, 37, 9);
    const QString path = dir.filePath(QStringLiteral("framed.png"));
    ASSERT_TRUE(picture.save(path, "PNG"));

    const Device devices[] = {
        // Each choice's code sets HWResolution [x y] (the choice is named alike).
        {"RealHl1650Res", "real/brother-hl1650-foomatic-ps.ppd", QSize(600, 600),
         "resolutions 150 x 150 dpi, 300 x 300 dpi, 600 x 600 dpi, 2400 x 600 dpi",
         {{"600", 600, 600},
          {"150", 150, 150},
          {"300x300", 300, 300},
          // Dots four times as fine across as down: a pixel is 4 x 1 dots, as large as at 600.
          {"2400x600dpi", 2400, 600}},
         "1200", "has no resolution of 1200dpi (it has 150dpi, 300dpi, 600dpi, 2400x600dpi)."},
        // A choice named 300x600dpi whose code another option's (the print
        // quality's) overrides: it sets nothing, so it is not offered.
        {"RealDymoRes", "real/dymo-lw450.ppd", QSize(300, 300), "resolutions 300 x 300 dpi",
         {{"300", 300, 300}},
         "300x600", "has no resolution of 300x600dpi (it has 300dpi)."},
    };
    for (const Device& d : devices) {
        const QString queue = QString::fromLatin1(d.queue);
        SCOPED_TRACE(d.queue);
        ASSERT_NO_THROW(Cups().AddRasterQueue(queue, QString::fromLatin1(d.ppd)));
        platform::StoreResolution(queue, QSize());

        const ProgramRun list = RunProgram({QStringLiteral("--list-printers")});
        bool listed = false;
        for (const QString& line : list.out.split(QLatin1Char('\n')))
            if (line.startsWith(queue + QLatin1Char('\t'))) {
                listed = true;
                EXPECT_TRUE(line.endsWith(QLatin1Char('\t') + QString::fromLatin1(d.offered))) << line.toStdString();
            }
        EXPECT_TRUE(listed) << list.out.toStdString();

        // The printed size at the queue's default, for the ratios.
        const int defaultCell = std::min(d.defaultDpi.width(), d.defaultDpi.height());
        QSizeF defaultInches;
        ASSERT_EQ(QSize(d.choices.front().xdpi, d.choices.front().ydpi), d.defaultDpi);
        for (const Choice& c : d.choices) {
            SCOPED_TRACE(c.argument);
            const int cell = std::min(c.xdpi, c.ydpi);
            const ProgramRun info = RunProgram({QStringLiteral("--info"), path, QStringLiteral("--printer"), queue,
                                                QStringLiteral("--resolution"), QString::fromLatin1(c.argument)});
            ASSERT_EQ(info.status, 0) << info.err.toStdString();
            EXPECT_EQ(InfoValue(info.out, QStringLiteral("Resolution")),
                      QStringLiteral("%1 x %2 DPI (PPD)").arg(c.xdpi).arg(c.ydpi));
            EXPECT_EQ(InfoValue(info.out, QStringLiteral("Resolution chosen")),
                      QStringLiteral("%1 x %2 dpi").arg(c.xdpi).arg(c.ydpi));
            EXPECT_EQ(InfoValue(info.out, QString::fromLatin1(properties::kResolutionCaption)),
                      properties::ResolutionText(int16_t(cell), QSize(c.xdpi, c.ydpi)));
            const auto size = properties::PhysicalSizeOf(61, 37, int16_t(cell));
            ASSERT_TRUE(size.has_value());
            EXPECT_EQ(InfoValue(info.out, QString::fromLatin1(properties::kPhysicalSizeCaption)),
                      properties::FormatPair(size->widthCm, size->heightCm, properties::kCmSuffix));
            // Kept for the queue: the program's own printer on it takes it.
            EXPECT_EQ(platform::StoredResolution(queue), QSize(c.xdpi, c.ydpi));

            // Printed with the choice kept, no option needed.
            const Printed printed = PrintAndRead(queue, [&] {
                const ProgramRun run = RunProgram({QStringLiteral("--print"), path, QStringLiteral("--printer"), queue});
                if (run.status != 0) throw std::runtime_error(run.err.toStdString());
            });
            ASSERT_TRUE(printed.error.isEmpty()) << printed.error.toStdString();
            ASSERT_EQ(printed.pages.size(), 1);
            const testcups::RasterPage& page = printed.pages[0];
            EXPECT_EQ(QSize(page.xdpi, page.ydpi), QSize(c.xdpi, c.ydpi));
            const int fx = c.xdpi / cell, fy = c.ydpi / cell;
            const QRect box = InkBox(page.image);
            ASSERT_EQ(box.size(), QSize(61 * fx, 37 * fy));
            EXPECT_EQ(BlockDifferences(page.image, box, picture, fx, fy).toStdString(), "");
            // On paper: the picture's size at the default times the ratio, exactly.
            const QSizeF inches(double(box.width()) / page.xdpi, double(box.height()) / page.ydpi);
            if (defaultInches.isEmpty()) defaultInches = inches;  // the first row is the default
            EXPECT_DOUBLE_EQ(inches.width() / defaultInches.width(), double(defaultCell) / cell);
            EXPECT_DOUBLE_EQ(inches.height() / defaultInches.height(), double(defaultCell) / cell);
        }

        // One the device lacks: one sentence naming what it has, and the kept choice stays.
        const QSize kept = platform::StoredResolution(queue);
        const ProgramRun lacking = RunProgram({QStringLiteral("--test-page"), QStringLiteral("--printer"), queue,
                                               QStringLiteral("--resolution"), QString::fromLatin1(d.lacking)});
        EXPECT_EQ(lacking.status, 2);
        EXPECT_EQ(lacking.err, QStringLiteral("ombrastele: The printer \"%1\" %2\n").arg(queue, QString::fromLatin1(d.lackingMessage)));
        EXPECT_EQ(platform::StoredResolution(queue), kept);

        // "default" goes back to the queue's own.
        const ProgramRun reset = RunProgram({QStringLiteral("--info"), path, QStringLiteral("--printer"), queue,
                                             QStringLiteral("--resolution"), QStringLiteral("default")});
        ASSERT_EQ(reset.status, 0) << reset.err.toStdString();
        EXPECT_EQ(InfoValue(reset.out, QStringLiteral("Resolution chosen")), QStringLiteral("printer default"));
        EXPECT_EQ(InfoValue(reset.out, QStringLiteral("Resolution")),
                  QStringLiteral("%1 x %2 DPI (PPD)").arg(d.defaultDpi.width()).arg(d.defaultDpi.height()));
        EXPECT_EQ(platform::StoredResolution(queue), QSize());
        Cups().DeleteQueue(queue);
    }
}

TEST_F(CupsTest, PageSetupsResolutionShowsInThePanelAndPrints) {
    const QString queue = QStringLiteral("RealHl1650Window");
    ASSERT_NO_THROW(Cups().AddRasterQueue(queue, QStringLiteral("real/brother-hl1650-foomatic-ps.ppd")));
    platform::StoreResolution(queue, QSize());
    QTemporaryDir dir;
    const QImage picture = FramedPicture(29, 17, 4);
    const QString path = dir.filePath(QStringLiteral("framed.png"));
    ASSERT_TRUE(picture.save(path, "PNG"));

    platform::SetCurrentPrinter(platform::MakeQueuePrinter(queue));
    frmMain window;
    auto scripted = std::make_unique<ScriptedDialog>();
    ScriptedDialog* dialog = scripted.get();
    dialog->openAnswers = {path};
    window.SetCommonDialog(std::move(scripted));
    ASSERT_NO_THROW(window.Form_Load());
    window.mnuFileOpen_Click();
    EXPECT_EQ(PanelLabel(*window.ucProperties1, "lblDPI")->text(), QStringLiteral("600 DPI"));

    // The print dialog confirmed as it is, then 2400 x 600 chosen: a pixel is 4 x 1 dots.
    dialog->printerAccepts = true;
    dialog->resolutionAnswer = QSize(2400, 600);
    window.mnuFilePageSetup_Click();
    EXPECT_EQ(dialog->resolutionShown, 1);
    EXPECT_EQ(PanelLabel(*window.ucProperties1, "lblDPI")->text(), QStringLiteral("2400 x 600 DPI"));
    EXPECT_EQ(platform::StoredResolution(queue), QSize(2400, 600));

    const Printed printed = PrintAndRead(queue, [&] { window.mnuFilePrint_Click(); });
    platform::SetCurrentPrinter(nullptr);
    ASSERT_TRUE(printed.error.isEmpty()) << printed.error.toStdString();
    ASSERT_EQ(printed.pages.size(), 1);
    const testcups::RasterPage& page = printed.pages[0];
    EXPECT_EQ(QSize(page.xdpi, page.ydpi), QSize(2400, 600));
    const QRect box = InkBox(page.image);
    ASSERT_EQ(box.size(), QSize(29 * 4, 17));
    EXPECT_EQ(BlockDifferences(page.image, box, picture, 4, 1).toStdString(), "");
    platform::StoreResolution(queue, QSize());
    Cups().DeleteQueue(queue);
}

TEST_F(CupsTest, InfoOnAQueueTheProgramRefusesSaysWhyAsTheListDoes) {
    // CUPS's sample 9-pin printer: 120 x 72 dpi, no picture pixel a whole block of dots.
    const QString queue = QStringLiteral("RealEpson9Info");
    ASSERT_NO_THROW(Cups().AddRasterQueue(queue, QStringLiteral("real/epson9-sample-drv.ppd")));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(FramedPicture(8, 8, 1).save(path, "PNG"));

    const ProgramRun list = RunProgram({QStringLiteral("--list-printers")});
    EXPECT_EQ(list.status, 1);
    QString listed;
    for (const QString& line : list.err.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("ombrastele: ") + queue + QLatin1Char(':'))) listed = line;
    ASSERT_FALSE(listed.isEmpty()) << list.err.toStdString();
    EXPECT_TRUE(listed.contains(QStringLiteral("120 x 72"))) << listed.toStdString();

    for (const QStringList& args : {QStringList{QStringLiteral("--info"), path}, QStringList{QStringLiteral("--test-page")}}) {
        SCOPED_TRACE(args.first().toStdString());
        const ProgramRun run = RunProgram(args + QStringList{QStringLiteral("--printer"), queue});
        EXPECT_EQ(run.status, list.status);
        EXPECT_EQ(run.err, listed + QLatin1Char('\n'));
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    Cups().DeleteQueue(queue);
}
