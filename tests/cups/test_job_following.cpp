// After the job is handed over: a job the driver aborts is reported (window
// and --print --wait), a paused queue holds the job until resumed, and a
// cancelled job leaves nothing in the queue and no file behind.
#include "CupsFixture.h"

#include "platform/base/Failure.h"
#include "platform/cups/JobStatus.h"
#include "platform/base/Progress.h"
#include "platform/print/SystemPrinters.h"
#include "preview/ucPageLayout.h"
#include "printing/PrintJob.h"
#include "shell/JobReport.h"
#include "shell/frmMain.h"
#include "support/PixelCheck.h"
#include "support/ProgramRun.h"
#include "support/ScriptedDialog.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace cupstest;

namespace {

const QString kFailing = QStringLiteral("OmbraFailingDriver");

QProcessEnvironment SchedulerEnv() {
    QProcessEnvironment env;
    env.insert(QStringLiteral("CUPS_SERVER"), testcups::Scheduler::Instance().SocketPath());
    return env;
}

int NewestJob(testcups::Scheduler& s, const QString& queue) {
    const QVector<testcups::JobInfo> jobs = s.Jobs(queue);
    return jobs.isEmpty() ? 0 : jobs.last().id;
}

// Asks to stop once the job has come `at` of the way.
struct CancelAt : platform::ProgressSink {
    double at;
    double last = 0;
    explicit CancelAt(double at) : at(at) {}
    void Advance(double f) override { last = f; }
    bool CancelRequested() override { return last >= at; }
};

}  // namespace

TEST_F(CupsTest, JobAbortedByTheDriverIsReportedByQueryWaitAndCommandLine) {
    ASSERT_NO_THROW(Cups().AddFailingQueue(kFailing));
    const platform::Picture picture(testcups::MakeNoise(40, 30, 5));
    const platform::PrinterPtr printer = platform::MakeQueuePrinter(kFailing);
    ASSERT_NO_THROW(printing::RunPrintJob(*printer, picture, 40, 30, false));
    const platform::PrintOutcome outcome = printer->LastOutcome();
    ASSERT_TRUE(outcome.Sent());
    EXPECT_EQ(outcome.jobId, NewestJob(Cups(), kFailing));
    EXPECT_FALSE(outcome.queuePaused);

    bool timedOut = true;
    const platform::JobStatus s = platform::WaitForJob(kFailing, outcome.jobId, 60000, &timedOut);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(s.state, platform::kJobAborted);
    const QString reason = platform::JobReason(s);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_THROW(platform::QueryJob(kFailing, 999999), platform::Failure);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    ASSERT_TRUE(testcups::MakeNoise(40, 30, 6).save(path, "PNG"));
    const ProgramRun failed = RunProgram({"--print", path, "--printer", kFailing, "--wait"}, SchedulerEnv());
    EXPECT_EQ(failed.status, 1) << failed.err.toStdString();
    EXPECT_TRUE(failed.err.contains(QLatin1String("aborted"))) << failed.err.toStdString();
    EXPECT_TRUE(failed.err.contains(reason)) << failed.err.toStdString();

    const QueueSpec& q = A4Queue();
    ASSERT_NO_THROW(Cups().AddRasterQueue(q.name, q.ppd));
    const ProgramRun good = RunProgram({"--print", path, "--printer", q.name, "--wait"}, SchedulerEnv());
    EXPECT_EQ(good.status, 0) << good.err.toStdString();
    ASSERT_FALSE(Cups().Jobs(q.name).isEmpty());
    EXPECT_EQ(Cups().Jobs(q.name).last().state, platform::kJobCompleted);

    // Held for ever (disabled queue): the wait gives up with its own status.
    Cups().DisableQueue(q.name);
    const auto enable = qScopeGuard([&] { Cups().EnableQueue(q.name); });
    const ProgramRun held =
        RunProgram({"--print", path, "--printer", q.name, "--wait", "--wait-timeout", "1"}, SchedulerEnv());
    EXPECT_EQ(held.status, 7) << held.err.toStdString();
    EXPECT_TRUE(held.err.contains(QLatin1String("paused"))) << held.err.toStdString();
    Cups().RunTool(QStringLiteral("cancel"), {QStringLiteral("-a"), q.name});
}

TEST_F(CupsTest, WindowFollowsAnAbortedJobToOneMessage) {
    ASSERT_NO_THROW(Cups().AddFailingQueue(kFailing));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.bmp"));
    ASSERT_TRUE(testcups::MakeNoise(31, 17, 8).save(path, "BMP"));
    shell::JobReport::PollIntervalMs() = 100;
    platform::SetCurrentPrinter(platform::MakeQueuePrinter(kFailing));
    {
        frmMain window;
        window.SetCommonDialog(OpeningDialog(path));
        ASSERT_NO_THROW(window.Form_Load());
        window.mnuFileOpen_Click();
        ASSERT_TRUE(window.ucPageLayout1->gPicture);
        testenv::ClearMessages();
        window.mnuFilePrint_Click();
        const int job = NewestJob(Cups(), kFailing);
        ASSERT_GT(job, 0);
        EXPECT_TRUE(testenv::Messages().isEmpty()) << testenv::Messages().join('|').toStdString();
        EXPECT_EQ(window.statusBar()->currentMessage(), QStringLiteral("Sent to %1 as job %2").arg(kFailing).arg(job));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !testenv::Messages().isEmpty(); }, 60000))
            << window.statusBar()->currentMessage().toStdString();
        QTest::qWait(300);
        ASSERT_EQ(testenv::Messages().size(), 1);
        EXPECT_TRUE(testenv::Messages()[0].startsWith(QStringLiteral("The job %1 on %2 was aborted").arg(job).arg(kFailing)))
            << testenv::Messages()[0].toStdString();
        EXPECT_TRUE(window.statusBar()->currentMessage().startsWith(
            QStringLiteral("%1 job %2 aborted").arg(kFailing).arg(job)))
            << window.statusBar()->currentMessage().toStdString();
    }
    platform::SetCurrentPrinter(nullptr);
}

TEST_F(CupsTest, PausedQueueHoldsTheJobUntilResumed) {
    const QueueSpec& q = A4Queue();
    ASSERT_NO_THROW(Cups().AddRasterQueue(q.name, q.ppd));
    const QImage noise = testcups::MakeNoise(57, 41, 9);
    const platform::Picture picture(noise);
    const platform::PrinterPtr printer = QueuePrinter(q);
    Cups().DisableQueue(q.name);
    auto enable = qScopeGuard([&] { Cups().EnableQueue(q.name); });
    Cups().ClearOutput(q.name);
    ASSERT_NO_THROW(printing::RunPrintJob(*printer, picture, 57, 41, false));
    const platform::PrintOutcome outcome = printer->LastOutcome();
    ASSERT_TRUE(outcome.Sent());
    EXPECT_TRUE(outcome.queuePaused);
    QTest::qWait(1000);
    const platform::JobStatus waiting = platform::QueryJob(q.name, outcome.jobId);
    EXPECT_EQ(waiting.state, platform::kJobPending);
    EXPECT_TRUE(platform::JobReason(waiting).contains(QLatin1String("paused"), Qt::CaseInsensitive))
        << platform::JobReason(waiting).toStdString();
    EXPECT_FALSE(QFileInfo::exists(Cups().OutputPath(q.name)));

    enable.dismiss();
    Cups().EnableQueue(q.name);
    ASSERT_TRUE(Cups().WaitForJobs(q.name, 120000));
    EXPECT_EQ(platform::QueryJob(q.name, outcome.jobId).state, platform::kJobCompleted);
    Printed printed;
    printed.pages = testcups::ReadRasterFile(Cups().OutputPath(q.name));
    for (const testcups::JobInfo& j : Cups().Jobs(q.name))
        if (j.id == outcome.jobId) printed.newJobs.append(j);
    ExpectPrintedExactly(printed, q, platform::kPortrait, noise, false);

    // The command line says so and succeeds.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    ASSERT_TRUE(noise.save(path, "PNG"));
    Cups().DisableQueue(q.name);
    const auto enableAgain = qScopeGuard([&] { Cups().EnableQueue(q.name); });
    const ProgramRun run = RunProgram({"--print", path, "--printer", q.name}, SchedulerEnv());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(platform::PausedQueueText(q.name))) << run.err.toStdString();

    // The window too, in one message, and the status bar says where the job went.
    platform::SetCurrentPrinter(QueuePrinter(q));
    {
        frmMain window;
        window.SetCommonDialog(OpeningDialog(path));
        ASSERT_NO_THROW(window.Form_Load());
        window.mnuFileOpen_Click();
        testenv::ClearMessages();
        window.mnuFilePrint_Click();
        EXPECT_EQ(testenv::Messages(), QStringList{platform::PausedQueueText(q.name)});
        EXPECT_TRUE(window.statusBar()->currentMessage().startsWith(QStringLiteral("Sent to ") + q.name))
            << window.statusBar()->currentMessage().toStdString();
    }
    platform::SetCurrentPrinter(nullptr);
    Cups().RunTool(QStringLiteral("cancel"), {QStringLiteral("-a"), q.name});
}

TEST_F(CupsTest, CancelledJobLeavesNoJobAndNoFile) {
    const QueueSpec& q = A4Queue();
    ASSERT_NO_THROW(Cups().AddRasterQueue(q.name, q.ppd));
    QTemporaryDir privateTemp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(privateTemp.path()));
    const auto restore = qScopeGuard([&] {
        if (oldTemp.isEmpty()) qunsetenv("TMPDIR");
        else qputenv("TMPDIR", oldTemp);
    });
    // A page-filling picture: many strips, and a page file of many pieces.
    const QImage noise = testcups::MakeNoise(q.widthDots, q.heightDots / 2, 10);
    const platform::Picture picture(noise);
    const platform::PrinterPtr printer = QueuePrinter(q);
    ASSERT_TRUE(Cups().WaitForJobs(q.name, 60000));
    Cups().ClearOutput(q.name);
    // While drawing, while the page is uploaded, and just before the end.
    for (double at : {0.2, 0.9, 0.99}) {
        SCOPED_TRACE(at);
        const int jobsBefore = Cups().Jobs(q.name).size();
        CancelAt sink(at);
        {
            const platform::ProgressScope scope(&sink);
            EXPECT_THROW(printing::RunPrintJob(*printer, picture, int16_t(noise.width()), int16_t(noise.height()), false),
                         platform::Cancelled);
        }
        EXPECT_FALSE(printer->LastOutcome().Sent());
        EXPECT_TRUE(Cups().WaitForJobs(q.name, 60000));
        EXPECT_EQ(Cups().Jobs(q.name).size(), jobsBefore) << "a cancelled job stayed in the queue";
        EXPECT_FALSE(QFileInfo::exists(Cups().OutputPath(q.name))) << "a cancelled job printed";
        EXPECT_TRUE(QDir(privateTemp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }
}
