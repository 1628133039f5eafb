// Driverless printers as they are sold: an ippeveprinter that answers with a
// real printer's own Get-Printer-Attributes response, behind a queue CUPS
// made with `lpadmin -m everywhere`. The program writes the raster the
// queue takes (Apple raster for every printer that lists image/urf), places
// the page in the margins the printer itself gives the paper, and the
// printer keeps the very dots.
#include "CupsFixture.h"
#include "PageCheck.h"

#include "platform/print/CupsPrinter.h"
#include "platform/picture/Picture.h"
#include "platform/print/SystemPrinters.h"
#include "printing/PrintJob.h"
#include "support/IppAttributesFile.h"
#include "support/FakePrinter.h"
#include "support/IppEverywhere.h"
#include "support/PixelCheck.h"
#include "support/ProgramRun.h"
#include "support/SyntheticAnswer.h"
#include "support/RasterReader.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>

using namespace cupstest;

namespace {

struct RealPrinter {
    const char* response;  // in the shared folder of real printers' answers, or a PPD of the tests' data
    const char* format;    // what the program sends
    bool colour;
    int dpi;
    // The printer's own margins for its default paper, hundredths of a mm:
    // left, right, top, bottom (CUPS's description has the largest supported).
    int margins[4];
};

// Dots of a sheet `length` points long at `dpi` whose centres lie inside
// [from, to] points: the first and how many.
std::pair<int, int> Inside(double from, double to, int dpi) {
    const double pitch = 72.0 / dpi;
    const int first = int(std::ceil(from / pitch - 0.5 - 1e-6));
    const int last = int(std::floor(to / pitch - 0.5 + 1e-6));
    return {first, last - first + 1};
}

int MediaColValue(const QString& mediaCol, const char* member) {
    const QRegularExpression re(QStringLiteral("%1=(\\d+)").arg(QLatin1String(member)));
    const auto m = re.match(mediaCol);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

}  // namespace

TEST_F(CupsTest, DriverlessPrintersPrintTheirOwnRasterInTheirOwnMargins) {
    const QString answers = QStringLiteral(OMBRASTELE_REAL_IPP_DIR);
    if (QStandardPaths::findExecutable(QStringLiteral("ippeveprinter")).isEmpty() || !QDir(answers).exists())
        GTEST_SKIP() << "ippeveprinter or the real printers' answers (" << answers.toStdString() << ") are missing";
    const RealPrinter rows[] = {
        // Apple raster only; its default says 4.23 mm, its list only 4 mm.
        {"HP_LaserJet_Pro_MFP_M127fw.res", "Apple raster", false, 600, {423, 423, 423, 423}},
        // Apple and PWG raster: CUPS makes the queue for Apple raster. Its
        // lists reach 29 mm at the bottom, its paper says 5 mm.
        {"Canon_MX490_series.res", "Apple raster", true, 600, {340, 340, 500, 500}},
        // PDF and Apple raster, colour; its colour mode defaults to "auto"
        // and W8 leads its list: colour, though CUPS 2.4.10 defaults its queue to grey.
        {"HP_Color_LaserJet_MFP_M476dn.res", "Apple raster", true, 600, {423, 423, 423, 423}},
        // A grey label printer whose colour mode defaults to "auto": 8-bit grey.
        {"Brother_QL-1110NWB.res", "Apple raster", false, 300, {154, 154, 303, 303}},
        // 22 mm in its lists, 3 mm for its paper; RS200-300 (CUPS takes the lowest).
        {"Brother_MFC-J5320DW.bin", "Apple raster", true, 200, {300, 300, 300, 300}},
        // A printer ippeveprinter makes from a real driver's description (the
        // DYMO label printer's): PDF and Apple raster, so sent raw.
        {"dymo-lw450.ppd", "Apple raster", false, 300, {144, 102, 593, 152}},
    };
    for (const RealPrinter& row : rows) {
        SCOPED_TRACE(row.response);
        const QString queue = QStringLiteral("Real%1").arg(QString::fromLatin1(row.response).section(QLatin1Char('_'), 1, 1)
                                                               .remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9]"))));
        testcups::IppEverywhere device;
        QString error;
        if (QByteArray(row.response).endsWith(".ppd")) {
            ASSERT_TRUE(device.StartFromPpd(
                queue, QStringLiteral(OMBRASTELE_TEST_DATA_DIR "/real/") + QLatin1String(row.response), &error))
                << error.toStdString();
        } else {
            const std::string lines = testcups::AttributesFromResponse(
                (answers + QLatin1Char('/') + QLatin1String(row.response)).toStdString());
            ASSERT_FALSE(lines.empty());
            ASSERT_TRUE(device.StartAs(queue, lines, &error)) << error.toStdString();
        }

        platform::PrinterPtr printer;
        ASSERT_NO_THROW(printer = platform::MakeQueuePrinter(queue));
        auto* cups = dynamic_cast<platform::CupsPrinter*>(printer.get());
        ASSERT_TRUE(cups);
        const platform::Printer::DeviceFacts facts = printer->Facts();
        EXPECT_EQ(facts.pageFormat.toStdString(), row.format);
        EXPECT_EQ(facts.source.toStdString(), "IPP printer");
        EXPECT_EQ(facts.xdpi, row.dpi);
        EXPECT_EQ(facts.ydpi, row.dpi);

        // The printable cells: dots of the whole sheet whose centres lie in
        // the printer's own margins.
        const platform::PageGeometry& page = cups->Geometry();
        const double mm = 72.0 / 2540;
        const auto [left, across] = Inside(row.margins[0] * mm, page.widthPoints - row.margins[1] * mm, row.dpi);
        const auto [top, down] = Inside(row.margins[2] * mm, page.heightPoints - row.margins[3] * mm, row.dpi);
        const Grid grid{QPoint(left, top), QSize(across, down), 1, 1};
        EXPECT_EQ(QSize(printer->Area().widthDots, printer->Area().heightDots), grid.cells);

        const auto readKept = [&] {
            const QVector<testcups::RasterPage> pages = testcups::ReadRasterFile(device.LatestDocument());
            if (pages.size() != 1) return QImage();
            // Exact grey: 8 bits a dot, never a halftone.
            EXPECT_EQ(pages[0].bitsPerColor, 8);
            EXPECT_EQ(pages[0].image.format() == QImage::Format_Grayscale8, !row.colour);
            return pages[0].image;
        };
        const QSize cells = grid.cells;
        PrintAndCheck(queue, *printer, grid, Picture(cells.width() / 3 | 1, cells.height() / 5 | 1, row.colour, 7),
                      true, false, readKept);
        PrintAndCheck(queue, *printer, grid, Picture(cells.width(), cells.height(), row.colour, 8), false, false,
                      readKept);

        if (!row.colour) {
            // Asked to dither, a grey printer gets the one-bit look: grey
            // in, black and white dots out.
            printer->SetDithering(true);
            QImage ramp(256, 16, QImage::Format_RGB32);
            for (int x = 0; x < 256; ++x)
                for (int y = 0; y < 16; ++y) ramp.setPixel(x, y, qRgb(x, x, x));
            const platform::Picture rampPicture(ramp);
            const Printed printed = PrintAndRead(queue, [&] { printing::RunPrintJob(*printer, rampPicture, 256, 16, false); });
            const QImage kept = readKept();
            ASSERT_FALSE(kept.isNull());
            int grey = 0, black = 0;
            for (int y = 0; y < kept.height(); ++y)
                for (int x = 0; x < kept.width(); ++x) {
                    const int level = qGray(kept.pixel(x, y));
                    grey += level != 0 && level != 255;
                    black += level == 0;
                }
            EXPECT_EQ(grey, 0);
            EXPECT_NEAR(black, 256 * 16 / 2, 256);
            printer->SetDithering(false);
        }

        // What the printer was told of the paper: its size is the page's.
        // (Its margins are the queue's description's: CUPS's IPP backend
        // builds media-col from the description's page size, whatever a job
        // asks.)
        const QString mediaCol =
            device.LastJobAttributes().section(QStringLiteral("IPP_MEDIA_COL="), 1, 1).section(QLatin1Char('\n'), 0, 0);
        EXPECT_NEAR(MediaColValue(mediaCol, "x-dimension"), page.widthPoints / mm, 2) << mediaCol.toStdString();
        EXPECT_NEAR(MediaColValue(mediaCol, "y-dimension"), page.heightPoints / mm, 2) << mediaCol.toStdString();
        // And of the colour it gets: the M476dn's own default is "auto",
        // which CUPS 2.4.10 (not 2.4.2) turns into a grey queue default.
        EXPECT_EQ(device.LastJobAttributes().contains(QLatin1String("IPP_PRINT_COLOR_MODE=color\n")), row.colour);
        printer.reset();
    }
}

TEST_F(CupsTest, DriverlessPrinterAsleepFallsBackToTheQueuesDescription) {
    const QString answers = QStringLiteral(OMBRASTELE_REAL_IPP_DIR);
    if (QStandardPaths::findExecutable(QStringLiteral("ippeveprinter")).isEmpty() || !QDir(answers).exists())
        GTEST_SKIP() << "ippeveprinter or the real printers' answers are missing";
    testcups::IppEverywhere device;
    QString error;
    ASSERT_TRUE(device.StartAs(QStringLiteral("AsleepMX490"),
                               testcups::AttributesFromResponse((answers + QStringLiteral("/Canon_MX490_series.res")).toStdString()),
                               &error))
        << error.toStdString();
    device.Sleep();
    platform::PrinterPtr printer;
    ASSERT_NO_THROW(printer = platform::MakeQueuePrinter(QStringLiteral("AsleepMX490")));
    // The description's margins (29 mm at the bottom of A4), and it says so.
    EXPECT_EQ(printer->Facts().source, QStringLiteral("PPD"));
    EXPECT_EQ(printer->Facts().pageFormat, QStringLiteral("Apple raster"));
    const auto& page = dynamic_cast<platform::CupsPrinter&>(*printer).Geometry();
    EXPECT_NEAR(page.bottom, 2900 * 72.0 / 2540, 0.01);
}

// A driverless queue whose printer answers what no printer should: the
// program says so under --info and uses the queue's description; a printer
// that asks for a password (which once aborted the program) is no prompt
// and no crash for --print either.
TEST_F(CupsTest, DriverlessPrinterHostileAnswerIsNotedAndTheDescriptionUsed) {
    if (QStandardPaths::findExecutable(QStringLiteral("ippeveprinter")).isEmpty())
        GTEST_SKIP() << "ippeveprinter is missing";
    const QString queue = QStringLiteral("HostileAnswer");
    testcups::IppEverywhere device;  // only for the queue CUPS makes of it
    QString error;
    ASSERT_TRUE(device.Start(queue, &error, {QStringLiteral("image/pwg-raster")})) << error.toStdString();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    ASSERT_TRUE(testcups::MakeNoise(40, 30, 3).save(path, "PNG"));
    testcups::AnswerShape outOfRange;
    outOfRange.database = {{21590, 27940, -2147483647, 300, 300, 300}};
    outOfRange.pwgResolutions = {QSize(99999, 99999)};
    struct Row {
        testcups::Behaviour behaviour;
        const char* scheme;
        QByteArray answer;
        const char* note;
    };
    const Row rows[] = {
        {testcups::Behaviour::Unauthorized, "ipp", {}, "not used: it asks for a password (HTTP 401)"},
        {testcups::Behaviour::Silent, "ipps", {}, "not used: no answer within 4 s"},
        {testcups::Behaviour::Answer, "ipp", testcups::SyntheticAnswer(outOfRange),
         "pwg-raster-document-resolution-supported: 1 of its resolutions ignored"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.note);
        testcups::FakePrinter printer(row.behaviour, row.answer);
        ASSERT_EQ(Cups().RunTool(QStringLiteral("lpadmin"),
                                 {QStringLiteral("-p"), queue, QStringLiteral("-v"), QString::fromLatin1(printer.Uri(row.scheme))}),
                  0);
        const ProgramRun info = RunProgram({QStringLiteral("--info"), path, QStringLiteral("--printer"), queue}, {}, 60000);
        EXPECT_EQ(info.status, 0) << info.err.toStdString();
        EXPECT_TRUE(info.out.contains(QLatin1String("Printer's answer"))) << info.out.toStdString();
        EXPECT_TRUE(info.out.contains(QLatin1String(row.note))) << info.out.toStdString();
        // The description's resolution and papers stand (ippeveprinter's queue: 600 dpi).
        EXPECT_TRUE(info.out.contains(QLatin1String("600"))) << info.out.toStdString();
        if (row.behaviour == testcups::Behaviour::Unauthorized) {
            const ProgramRun print = RunProgram({QStringLiteral("--print"), path, QStringLiteral("--printer"), queue}, {}, 60000);
            EXPECT_EQ(print.status, 0) << print.err.toStdString();
            Cups().RunTool(QStringLiteral("cancel"), {QStringLiteral("-a"), queue});
        }
    }
}
