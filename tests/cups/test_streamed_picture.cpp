// A picture read row by row as its page is written prints the very dots of
// the same picture read whole; damage met on the way prints nothing.
#include "CupsFixture.h"

#include "platform/picture/PictureRows.h"
#include "printing/PrintJob.h"
#include "support/PixelCheck.h"
#include "support/ProgramRun.h"

#include <QFile>
#include <QTemporaryDir>

using namespace cupstest;

TEST_F(CupsTest, PicturesReadRowByRowPrintTheDotsOfPicturesReadWhole) {
    const QueueSpec& q = A4Queue();
    struct Case {
        const char* what;
        QImage picture;
        bool guides;
        const char* format = "PNG";
    };
    // Cut off above and below (rows passed over) and at both sides.
    const Case cases[] = {
        {"noise with guides", testcups::MakeNoise(203, 117, 7), true},
        {"translucent", testcups::Noise(91, 60, true), false},
        {"taller than the area", testcups::MakeNoise(40, q.heightDots + 301, 5), false},
        {"wider than the area", testcups::MakeNoise(q.widthDots + 77, 30, 6), true},
        {"jpeg", testcups::MakeNoise(150, 90, 8), false, "JPG"},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QStringLiteral("picture"));
        ASSERT_TRUE(c.picture.save(path, c.format));
        const auto print = [&](const platform::Picture& picture) {
            const platform::PrinterPtr printer = QueuePrinter(q);
            printing::RunPrintJob(*printer, picture, int16_t(c.picture.width()), int16_t(c.picture.height()),
                                  c.guides);
        };
        const Printed whole = PrintAndRead(q.name, [&] { print(*platform::LoadPicture(path)); });
        const platform::PictureRowsPtr rows = platform::OpenPictureRows(path);
        ASSERT_TRUE(rows);
        const Printed streamed = PrintAndRead(q.name, [&] { print(platform::Picture(rows)); });
        ASSERT_TRUE(whole.error.isEmpty() && streamed.error.isEmpty()) << (whole.error + streamed.error).toStdString();
        ASSERT_EQ(whole.pages.size(), 1);
        ASSERT_EQ(streamed.pages.size(), 1);
        ExpectPrintableAreaPage(streamed.pages[0], q);
        EXPECT_TRUE(streamed.pages[0].image == whole.pages[0].image) << "the rasters differ";
    }
}

TEST_F(CupsTest, PictureFoundDamagedWhileItsPageIsWrittenPrintsNothing) {
    const QueueSpec& q = A4Queue();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    // Far more raster than one piece sent to the scheduler before the damage.
    ASSERT_TRUE(testcups::MakeNoise(2000, 1500, 11).save(path, "PNG"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* said;
    };
    QByteArray badEnd = bytes;
    badEnd[badEnd.size() - 1] = char(badEnd[badEnd.size() - 1] ^ 1);  // the end chunk's checksum
    const Case cases[] = {
        {"cut in its rows", bytes.left(bytes.size() * 3 / 4), "ends early"},
        {"damaged after its last row", badEnd, "CRC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.bytes);
        file.close();
        ProgramRun run;
        const Printed printed = PrintAndRead(q.name, [&] {
            run = RunProgram({QStringLiteral("--print"), path, QStringLiteral("--printer"), q.name});
        });
        EXPECT_EQ(run.status, 4) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("damaged picture"))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.said))) << run.err.toStdString();
        EXPECT_TRUE(printed.pages.isEmpty());
        for (const testcups::JobInfo& j : printed.newJobs) EXPECT_NE(j.state, 9) << "a job completed";
    }
}
