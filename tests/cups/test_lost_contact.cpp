// --wait when the print system goes away: the scheduler stopped while the
// job waits on a paused queue, the program stops waiting once the grace has
// passed, names the job and ends with status 1, long before its timeout.
#include "CupsFixture.h"

#include "support/PixelCheck.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

using namespace cupstest;

TEST_F(CupsTest, WaitEndsWhenThePrintSystemIsGone) {
    const QueueSpec& q = A4Queue();
    ASSERT_NO_THROW(Cups().AddRasterQueue(q.name, q.ppd));
    Cups().DisableQueue(q.name);  // the job waits: nothing ends it but the wait
    const int before = Cups().Jobs(q.name).size();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    ASSERT_TRUE(testcups::MakeNoise(40, 30, 9).save(path, "PNG"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("CUPS_SERVER"), Cups().SocketPath());
    env.insert(QStringLiteral("OMBRASTELE_WAIT_GRACE"), QStringLiteral("2"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(OMBRASTELE_BINARY),
                  {"--print", path, "--printer", q.name, "--wait", "--wait-timeout", "600"});
    int job = 0;
    for (int waited = 0; waited < 60000 && job == 0; waited += 100) {
        const QVector<testcups::JobInfo> jobs = Cups().Jobs(q.name);
        if (jobs.size() > before) job = jobs.last().id;
        else QThread::msleep(100);
    }
    ASSERT_NE(job, 0) << "the job never reached the queue";
    QThread::msleep(1000);  // followed for a while

    QElapsedTimer clock;
    clock.start();
    Cups().Stop();
    const bool ended = program.waitForFinished(60000);
    const qint64 took = clock.elapsed();
    QString error;
    ASSERT_TRUE(Cups().Start(&error)) << error.toStdString();
    Cups().EnableQueue(q.name);
    Cups().WaitForJobs(q.name, 60000);

    ASSERT_TRUE(ended) << "still waiting after the print system was gone for a minute";
    EXPECT_EQ(program.exitCode(), 1);
    const QString err = QString::fromUtf8(program.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("ombrastele: lost contact with the print system: %1 job %2")
                                 .arg(q.name)
                                 .arg(job)))
        << err.toStdString();
    EXPECT_LT(took, 30000) << "waited far past the grace";
}

// A scheduler that is frozen (SIGSTOP) takes every connection and answers
// nothing: the wait still ends by its timeout or its grace, whichever comes
// first, not a minute per question later.
TEST_F(CupsTest, WaitHoldsItsDeadlinesAgainstAFrozenScheduler) {
    const QueueSpec& q = A4Queue();
    ASSERT_NO_THROW(Cups().AddRasterQueue(q.name, q.ppd));
    Cups().DisableQueue(q.name);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    ASSERT_TRUE(testcups::MakeNoise(40, 30, 9).save(path, "PNG"));
    struct Row {
        const char* timeout;
        const char* grace;
        int status;
        const char* says;
    };
    const Row rows[] = {
        {"600", "3", 1, "lost contact with the print system"},
        {"4", "600", 7, "still not printed after 4 s"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.says);
        const int before = Cups().Jobs(q.name).size();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("CUPS_SERVER"), Cups().SocketPath());
        env.insert(QStringLiteral("OMBRASTELE_WAIT_GRACE"), QString::fromLatin1(row.grace));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(OMBRASTELE_BINARY), {"--print", path, "--printer", q.name, "--wait",
                                                          "--wait-timeout", QString::fromLatin1(row.timeout)});
        for (int waited = 0; waited < 60000 && Cups().Jobs(q.name).size() == before; waited += 100)
            QThread::msleep(100);
        ASSERT_GT(Cups().Jobs(q.name).size(), before) << "the job never reached the queue";
        QElapsedTimer clock;
        clock.start();
        Cups().Freeze();
        const bool ended = program.waitForFinished(60000);
        const qint64 took = clock.elapsed();
        Cups().Thaw();
        if (!ended) program.kill();
        ASSERT_TRUE(ended) << "still waiting a minute after the scheduler froze";
        EXPECT_EQ(program.exitCode(), row.status);
        const QString err = QString::fromUtf8(program.readAllStandardError());
        EXPECT_TRUE(err.contains(QLatin1String(row.says))) << err.toStdString();
        // Both limits are a few seconds; a question per minute would be far more.
        EXPECT_LT(took, 20000);
    }
    Cups().EnableQueue(q.name);
    Cups().WaitForJobs(q.name, 60000);
}

// Reading a queue and sending a job hold against a frozen scheduler too:
// each ends, within the scheduler's deadline of 30 s, with one line saying
// the print system was lost and status 1.
TEST_F(CupsTest, PrintAndInfoEndAgainstAFrozenScheduler) {
    const QueueSpec& q = A4Queue();
    ASSERT_NO_THROW(Cups().AddRasterQueue(q.name, q.ppd));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    ASSERT_TRUE(testcups::MakeNoise(40, 30, 9).save(path, "PNG"));
    const QStringList runs[] = {
        {"--print", path, "--printer", q.name}, {"--info", path, "--printer", q.name}, {"--list-printers"}};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("CUPS_SERVER"), Cups().SocketPath());
    const int before = Cups().Jobs(q.name).size();
    QElapsedTimer clock;
    clock.start();
    Cups().Freeze();
    QProcess programs[std::size(runs)];
    for (size_t i = 0; i < std::size(runs); ++i) {
        programs[i].setProcessEnvironment(env);
        programs[i].start(QStringLiteral(OMBRASTELE_BINARY), runs[i]);
    }
    bool ended[std::size(runs)];
    for (size_t i = 0; i < std::size(runs); ++i) ended[i] = programs[i].waitForFinished(120000);
    const qint64 took = clock.elapsed();
    Cups().Thaw();
    for (size_t i = 0; i < std::size(runs); ++i) {
        SCOPED_TRACE(runs[i].first().toStdString());
        if (!ended[i]) programs[i].kill();
        ASSERT_TRUE(ended[i]) << "still running two minutes after the scheduler froze";
        EXPECT_EQ(programs[i].exitCode(), 1);
        const QString err = QString::fromUtf8(programs[i].readAllStandardError());
        EXPECT_TRUE(err.contains(QLatin1String("lost contact with the print system"))) << err.toStdString();
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
    }
    EXPECT_LT(took, 75000) << "a deadline of 30 s was passed more than once";
    EXPECT_EQ(Cups().Jobs(q.name).size(), before) << "a job was made";
}
