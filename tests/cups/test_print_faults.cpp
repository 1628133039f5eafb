// Printing that cannot succeed: the job fails once, loudly, nothing crashes,
// and no job or file is left that looks like a finished print.
#include "CupsFixture.h"

#include "platform/base/Failure.h"
#include "platform/cups/CupsQueue.h"
#include "platform/cups/SchedulerLink.h"
#include "platform/print/SystemPrinters.h"
#include "preview/ucPageLayout.h"
#include "printing/PrintJob.h"
#include "properties/ucProperties.h"
#include "shell/frmMain.h"
#include "support/PixelCheck.h"
#include "support/ScriptedDialog.h"
#include "support/TestEnv.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace cupstest;

namespace {

struct QueueFault {
    const char* name;
    std::function<void(testcups::Scheduler&, const QString&)> make;
};

const QueueFault kQueueFaults[] = {
    {"queue deleted", [](testcups::Scheduler& s, const QString& q) { s.DeleteQueue(q); }},
    {"queue rejecting jobs", [](testcups::Scheduler& s, const QString& q) { s.RejectJobs(q); }},
    {"scheduler stopped", [](testcups::Scheduler& s, const QString&) { s.Stop(); }},
};

// Puts the scheduler and the queue back and returns the jobs it has now.
QVector<testcups::JobInfo> Restore(testcups::Scheduler& s, const QueueSpec& q) {
    QString error;
    EXPECT_TRUE(s.Start(&error)) << error.toStdString();
    QString out;
    if (s.RunTool(QStringLiteral("lpstat"), {QStringLiteral("-p"), q.name}, &out) != 0) {
        s.AddRasterQueue(q.name, q.ppd);  // deleted: its jobs went with it
        return {};
    }
    s.EnableQueue(q.name);
    return s.Jobs(q.name);
}

}  // namespace

TEST_F(CupsTest, QueueFaultsAfterThePrinterWasMadeFailTheJob) {
    const QueueSpec& q = A4Queue();
    const QImage noise = testcups::MakeNoise(21, 13, 41);
    const platform::Picture picture(noise);
    for (const QueueFault& f : kQueueFaults) {
        SCOPED_TRACE(f.name);
        ASSERT_NO_THROW(Cups().AddRasterQueue(q.name, q.ppd));
        const int jobsBefore = Cups().Jobs(q.name).size();
        platform::PrinterPtr printer;
        ASSERT_NO_THROW(printer = QueuePrinter(q));
        f.make(Cups(), q.name);
        EXPECT_THROW(printing::RunPrintJob(*printer, picture, 21, 13, true), std::exception);
        const QVector<testcups::JobInfo> after = Restore(Cups(), q);
        if (!after.isEmpty()) EXPECT_EQ(after.size(), jobsBefore) << "a job was queued although the print failed";
        ASSERT_TRUE(Cups().WaitForJobs(q.name, 60000));
        EXPECT_FALSE(QFileInfo::exists(Cups().OutputPath(q.name))) << "something was printed";
    }
}

TEST_F(CupsTest, PdfPathsThatCannotBeWrittenFailTheJob) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/page.pdf"));
    const QImage noise = testcups::MakeNoise(21, 13, 42);
    const platform::Picture picture(noise);
    // The same job on a writable path succeeds, so the failures below are
    // the paths' and nothing else's.
    const QString good = dir.filePath(QStringLiteral("good.pdf"));
    EXPECT_NO_THROW(printing::RunPrintJob(*platform::MakePdfPrinter(good), picture, 21, 13, false));
    EXPECT_GT(QFileInfo(good).size(), 0);
    for (const QString& path : {missing, QStringLiteral("/dev/full")}) {
        SCOPED_TRACE(path.toStdString());
        const platform::PrinterPtr printer = platform::MakePdfPrinter(path);
        EXPECT_THROW(printing::RunPrintJob(*printer, picture, 21, 13, false), std::exception);
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("no"))));
}

// Through the window: each failure is one message, and the window lives on.
TEST_F(CupsTest, WindowReportsAFailedPrintWithOneMessage) {
    const QueueSpec& q = A4Queue();
    QTemporaryDir dir;
    const QString picturePath = dir.filePath(QStringLiteral("noise.bmp"));
    ASSERT_TRUE(testcups::MakeNoise(31, 17, 43).save(picturePath, "BMP"));

    struct Case {
        const char* name;
        std::function<platform::PrinterPtr()> printer;
        std::function<void()> fault;
    };
    const Case cases[] = {
        {"deleted queue", [&] { return QueuePrinter(q); }, [&] { Cups().DeleteQueue(q.name); }},
        {"scheduler stopped", [&] { return QueuePrinter(q); }, [&] { Cups().Stop(); }},
        {"PDF on a full device", [&] { return platform::MakePdfPrinter(QStringLiteral("/dev/full")); }, [] {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_THROW(Cups().AddRasterQueue(q.name, q.ppd));
        const int jobsBefore = Cups().Jobs(q.name).size();
        platform::PrinterPtr printer;
        ASSERT_NO_THROW(printer = c.printer());
        platform::SetCurrentPrinter(printer);
        {
            frmMain window;
            window.SetCommonDialog(OpeningDialog(picturePath));
            ASSERT_NO_THROW(window.Form_Load());
            window.mnuFileOpen_Click();
            ASSERT_TRUE(window.ucPageLayout1->gPicture);
            c.fault();
            testenv::ClearMessages();
            window.mnuFilePrint_Click();
            ASSERT_EQ(testenv::Messages().size(), 1) << testenv::Messages().join(QLatin1Char('|')).toStdString();
            EXPECT_TRUE(testenv::Messages()[0].startsWith(QString::fromLatin1(printing::kPrintFailedMessage)))
                << testenv::Messages()[0].toStdString();
        }
        platform::SetCurrentPrinter(nullptr);
        const QVector<testcups::JobInfo> after = Restore(Cups(), q);
        if (!after.isEmpty()) EXPECT_EQ(after.size(), jobsBefore);
        EXPECT_FALSE(QFileInfo::exists(Cups().OutputPath(q.name)));
    }
}

// One reading of a queue asks the scheduler about it once: within a
// snapshot the first answer stands (a queue removed since still reads as
// there, one missing stays missing, its description is the one file fetched,
// removed with the snapshot), other queues are asked anew, and after it the
// scheduler is asked again.
TEST_F(CupsTest, QueueSnapshotAnswersOneReadingOnce) {
    const QueueSpec& q = A4Queue();
    const QString missing = QStringLiteral("no-such-queue");
    ASSERT_NO_THROW(Cups().AddRasterQueue(q.name, q.ppd));
    QByteArray description;
    {
        const platform::QueueSnapshot look(q.name);
        const platform::QueueSnapshot none(missing);
        bool ours = true;
        description = platform::QueuePpdFile(q.name, &ours);
        EXPECT_FALSE(ours);
        EXPECT_TRUE(QFileInfo::exists(QFile::decodeName(description)));
        EXPECT_TRUE(platform::QueueExists(q.name));
        EXPECT_FALSE(platform::QueueExists(missing));
        Cups().DeleteQueue(q.name);
        Cups().DeleteQueue(LetterQueue().name);
        Cups().AddRasterQueue(missing, q.ppd);
        const platform::QueueSnapshot inner(q.name);
        EXPECT_TRUE(platform::QueueExists(q.name));
        EXPECT_FALSE(platform::QueueExists(missing));
        EXPECT_EQ(platform::QueuePpdFile(q.name, &ours), description);
        EXPECT_FALSE(platform::QueueExists(LetterQueue().name));
    }
    EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(description)));
    EXPECT_FALSE(platform::QueueExists(q.name));
    EXPECT_TRUE(platform::QueueExists(missing));
    Cups().DeleteQueue(missing);
}
