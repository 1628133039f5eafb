// A long session: many print jobs of a 4-megapixel picture from one process
// and one printer object, as a user printing page after page. Every job must
// come out exact, and the process must not grow: resident memory after the
// last job within 10% of after the tenth, no more open file descriptors and
// no more temporary files than then.
#include "CupsFixture.h"

#include "platform/picture/Picture.h"
#include "printing/PrintJob.h"
#include "support/PixelCheck.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

using namespace cupstest;

namespace {

long ResidentKb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

int Entries(const QString& folder) {
    return int(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).size());
}

struct Usage {
    long residentKb = 0;
    int fds = 0;
    int processTemp = 0;    // entries in this process's temporary folder
    int schedulerTemp = 0;  // entries in the scheduler's temporary folder
};

Usage Measure(testcups::Scheduler& s) {
    return Usage{ResidentKb(), Entries(QStringLiteral("/proc/self/fd")), Entries(QDir::tempPath()),
                 Entries(s.Folder() + QStringLiteral("/tmp"))};
}

// The number of jobs: 200, or OMBRASTELE_SOAK_JOBS (the sanitizer run takes
// fewer; its allocator keeps freed memory in quarantine, so there resident
// memory says nothing about leaks and only descriptors and files are checked).
int JobCount() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("OMBRASTELE_SOAK_JOBS", &ok);
    return ok && n > 0 ? n : 200;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentMeaningful = false;
#else
constexpr bool kResidentMeaningful = true;
#endif
#else
constexpr bool kResidentMeaningful = true;
#endif

}  // namespace

TEST_F(CupsTest, SoakManyJobsOfAFourMegapixelPictureStayExactAndDoNotGrow) {
    // The 300 dpi queue by default: a quarter of the 600 dpi queue's dots per
    // page, so the scheduler's filters take about a quarter of the time.
    // OMBRASTELE_SOAK_QUEUE=A4 runs it on the 600 dpi queue.
    const QueueSpec& q = qgetenv("OMBRASTELE_SOAK_QUEUE") == "A4" ? A4Queue() : LetterQueue();
    const int jobs = JobCount();
    // A temporary folder of this test's own, so other processes' files in
    // the shared one do not count.
    QTemporaryDir privateTemp;
    ASSERT_TRUE(privateTemp.isValid());
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(privateTemp.path()));
    const auto restore = qScopeGuard([&] {
        if (oldTemp.isEmpty()) qunsetenv("TMPDIR");
        else qputenv("TMPDIR", oldTemp);
    });
    ASSERT_EQ(QDir::tempPath(), privateTemp.path());
    constexpr int kBaselineJob = 10;
    // 1640 x 2450 = 4.02 megapixels: inside the Letter queue's 2425 x 3050
    // dots and the A4 queue's 4700 x 6525.
    const QImage noise = testcups::MakeNoise(1640, 2450, 77);
    const platform::Picture picture(noise);
    platform::PrinterPtr printer;
    ASSERT_NO_THROW(printer = QueuePrinter(q));

    Usage baseline;
    QElapsedTimer clock;
    clock.start();
    qint64 baselineMs = 0;
    for (int job = 1; job <= jobs; ++job) {
        SCOPED_TRACE(job);
        {
            const Printed printed = PrintAndRead(q.name, [&] {
                printing::RunPrintJob(*printer, picture, int16_t(noise.width()), int16_t(noise.height()),
                                      job % 2 == 0);
            });
            ExpectPrintedExactly(printed, q, platform::kPortrait, noise, job % 2 == 0);
        }  // the page read back is freed before measuring
        if (HasFailure()) break;
        if (job == kBaselineJob) {
            baseline = Measure(Cups());
            baselineMs = clock.elapsed();
        }
    }
    if (HasFailure() || jobs <= kBaselineJob) return;

    const Usage last = Measure(Cups());
    std::printf("soak: %d jobs, %.2f s per job; resident %ld KiB after job %d, %ld KiB after job %d; "
                "descriptors %d -> %d\n",
                jobs, double(clock.elapsed() - baselineMs) / 1000.0 / (jobs - kBaselineJob), baseline.residentKb,
                kBaselineJob, last.residentKb, jobs, baseline.fds, last.fds);
    if (kResidentMeaningful) {
        EXPECT_LE(double(last.residentKb), double(baseline.residentKb) * 1.10)
            << "resident memory grew from " << baseline.residentKb << " to " << last.residentKb << " KiB";
    }
    EXPECT_LE(last.fds, baseline.fds) << "file descriptors leaked";
    EXPECT_LE(last.processTemp, baseline.processTemp) << "temporary files left in " << QDir::tempPath().toStdString();
    EXPECT_LE(last.schedulerTemp, baseline.schedulerTemp) << "temporary files left in the scheduler's folder";
}
