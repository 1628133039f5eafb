// Progress reports and cancels through the picture path, the job's words for
// the status bar, and following a job with a scheduler stood in for.
#include "platform/Failure.h"
#include "platform/JobFollower.h"
#include "platform/JobStatus.h"
#include "platform/Picture.h"
#include "platform/PrintOutcome.h"
#include "platform/Progress.h"
#include "platform/ProgressDialog.h"
#include "platform/SystemPrinters.h"
#include "printing/PrintJob.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <deque>

using namespace platform;

namespace {
// Records every report; asks to stop once `cancelAt` is reached.
struct RecordingSink : ProgressSink {
    std::vector<double> seen;
    double cancelAt = 2.0;
    void Advance(double f) override { seen.push_back(f); }
    bool CancelRequested() override { return !seen.empty() && seen.back() >= cancelAt; }
};

QString SavedNoise(const QTemporaryDir& dir, const char* name, int w, int h, const char* format) {
    QImage image(w, h, QImage::Format_RGB32);
    quint32 x = 12345;
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int i = 0; i < w; ++i) line[i] = (x = x * 1664525u + 1013904223u) | 0xff000000u;
    }
    const QString path = dir.filePath(QString::fromLatin1(name));
    image.save(path, format);
    return path;
}
}  // namespace

TEST(Progress, StagesNestIntoTheWholeTaskAndNeverGoBack) {
    RecordingSink sink;
    const ProgressScope scope(&sink);
    ReportProgress(0.1);
    {
        const ProgressStage a(0.2, 0.6);
        ReportProgress(0.5);  // 0.2 + 0.4 * 0.5
        const ProgressStage b(0.5, 1.0);
        ReportProgress(0.0);  // 0.4
        ReportProgress(2.0);  // clamped: 0.6
    }
    ReportProgress(std::numeric_limits<double>::quiet_NaN());  // not a number: nothing more
    ReportProgress(0.3);                                        // below what was shown
    ReportProgress(0.8);
    const std::vector<double> expected{0.1, 0.4, 0.4, 0.6, 0.6, 0.6, 0.8};
    ASSERT_EQ(sink.seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(sink.seen[i], expected[i], 1e-12) << i;
}

TEST(Progress, CancelThrowsOnlyWhereThrowingIsAllowedAndScopesRestore) {
    RecordingSink outer;
    outer.cancelAt = 0.0;
    {
        const ProgressScope scope(&outer);
        {
            RecordingSink inner;
            const ProgressScope hide(&inner);
            EXPECT_NO_THROW(ReportProgress(0.3));  // the inner sink never cancels
        }
        EXPECT_FALSE(ReportProgressNoThrow(0.1));
        EXPECT_THROW(ReportProgress(0.1), Cancelled);
    }
    EXPECT_NO_THROW(ReportProgress(0.9));  // no sink: free, never cancelled
    EXPECT_EQ(outer.seen.size(), 2u);
}

TEST(Progress, PictureLoadingReportsAndCancelsCleanly) {
    QTemporaryDir dir;
    for (const char* format : {"BMP", "PNG", "JPG"}) {
        const QString path = SavedNoise(dir, (std::string("noise.") + format).c_str(), 900, 700, format);
        RecordingSink sink;
        {
            const ProgressScope scope(&sink);
            const PicturePtr picture = LoadPicture(path);
            EXPECT_EQ(picture->Image().size(), QSize(900, 700)) << format;
        }
        ASSERT_GT(sink.seen.size(), 2u) << format;
        EXPECT_TRUE(std::is_sorted(sink.seen.begin(), sink.seen.end())) << format;
        EXPECT_GT(sink.seen.back(), 0.5) << format;

        RecordingSink stopping;
        stopping.cancelAt = 0.2;
        const ProgressScope scope(&stopping);
        EXPECT_THROW(LoadPicture(path), Cancelled) << format;
    }
}

TEST(Progress, PictureDecodedAsideReportsHereAndCancelsThere) {
    QTemporaryDir dir;
    const QString path = SavedNoise(dir, "big.png", 3000, 2000, "PNG");
    RecordingSink sink;
    {
        const ProgressScope scope(&sink);
        const PicturePtr picture = LoadPictureAside(path);
        EXPECT_EQ(picture->Image().size(), QSize(3000, 2000));
        EXPECT_EQ(picture->Width(), LoadPicture(path)->Width());
    }
    ASSERT_FALSE(sink.seen.empty());
    EXPECT_DOUBLE_EQ(sink.seen.back(), 1.0);

    RecordingSink stopping;
    stopping.cancelAt = 0.0;  // at the first look
    const ProgressScope scope(&stopping);
    EXPECT_THROW(LoadPictureAside(path), Cancelled);
    EXPECT_THROW(LoadPictureAside(dir.filePath(QStringLiteral("missing.png"))), Failure);
}

TEST(Progress, CancelledPdfJobLeavesNoFile) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("page.pdf"));
    QImage grey(3000, 2000, QImage::Format_RGB32);
    grey.fill(Qt::gray);
    const Picture picture(grey);
    // Cancelled while drawing, and while the finished page is copied.
    for (double cancelAt : {0.1, 0.9}) {
        const PrinterPtr printer = MakePdfPrinter(out);
        RecordingSink sink;
        sink.cancelAt = cancelAt;
        const ProgressScope scope(&sink);
        EXPECT_THROW(printing::RunPrintJob(*printer, picture, 3000, 2000, true), Cancelled) << cancelAt;
        EXPECT_FALSE(QFile::exists(out)) << cancelAt;
        EXPECT_FALSE(printer->LastOutcome().Saved()) << cancelAt;
    }
    const PrinterPtr printer = MakePdfPrinter(out);
    RecordingSink sink;
    {
        const ProgressScope scope(&sink);
        printing::RunPrintJob(*printer, picture, 3000, 2000, false);
    }
    EXPECT_TRUE(QFile::exists(out));
    EXPECT_EQ(printer->LastOutcome().savedPath, out);
    EXPECT_EQ(OutcomeText(printer->LastOutcome()), QStringLiteral("Saved ") + out);
    ASSERT_FALSE(sink.seen.empty());
    EXPECT_TRUE(std::is_sorted(sink.seen.begin(), sink.seen.end()));
    EXPECT_DOUBLE_EQ(sink.seen.back(), 1.0);
}

TEST(Progress, TerminalLineAndSilenceOffATerminal) {
    EXPECT_EQ(TerminalProgress::Line(QStringLiteral("printing"), 0.426), QStringLiteral("ombrastele: printing  42%"));
    EXPECT_EQ(TerminalProgress::Line(QStringLiteral("printing"), 1.0), QStringLiteral("ombrastele: printing 100%"));
    std::FILE* file = std::tmpfile();
    ASSERT_TRUE(file);
    {
        TerminalProgress progress(file, QStringLiteral("printing"), 0);
        progress.Advance(0.5);
    }
    EXPECT_EQ(std::ftell(file), 0L);
    std::fclose(file);
}

TEST(JobWords, StatusBarTexts) {
    struct Case {
        int state;
        QStringList jobReasons, printerReasons;
        const char* message;
        const char* text;
    };
    const Case cases[] = {
        {kJobPending, {"job-queued"}, {}, "", "lab job 12: waiting"},
        {kJobPending, {}, {"paused"}, "", "lab job 12: waiting (paused)"},
        {kJobProcessing, {"job-printing"}, {"media-empty"}, "", "lab job 12: printing (media-empty)"},
        {kJobProcessing, {}, {"offline"}, "Printer is offline", "lab job 12: printing (Printer is offline)"},
        {kJobHeld, {"job-hold-until-specified"}, {}, "", "lab job 12: held (job-hold-until-specified)"},
        {kJobCompleted, {"job-completed-successfully"}, {"media-empty"}, "", "lab job 12 printed"},
        {kJobAborted, {"job-aborted-by-system"}, {"offline"}, "", "lab job 12 aborted: job-aborted-by-system"},
        {kJobAborted, {}, {}, "Filter failed", "lab job 12 aborted: Filter failed"},
        {kJobCanceled, {"job-canceled-by-user"}, {}, "", "lab job 12 canceled: job-canceled-by-user"},
        {0, {}, {}, "", "lab job 12: state unknown"},
    };
    for (const Case& c : cases) {
        JobStatus s;
        s.state = c.state;
        s.jobReasons = c.jobReasons;
        s.printerReasons = c.printerReasons;
        s.message = QString::fromLatin1(c.message);
        EXPECT_EQ(JobStatusText(QStringLiteral("lab"), 12, s), QString::fromLatin1(c.text));
    }
    const std::pair<const char*, const char*> reasons[] = {
        {"media-empty-error", "media-empty"}, {"offline-report", "offline"},
        {"toner-low-warning", "toner-low"},   {"none", ""},
        {"paused", "paused"},
    };
    for (const auto& [keyword, plain] : reasons)
        EXPECT_EQ(PlainReason(QString::fromLatin1(keyword)), QString::fromLatin1(plain)) << keyword;
    EXPECT_EQ(NotPrintedText(QStringLiteral("The printer \"x\" is not available.\n\nGone")),
              QStringLiteral("Not printed: The printer \"x\" is not available. Gone"));
    EXPECT_EQ(OutcomeText(PrintOutcome{QStringLiteral("office-laser"), 12, {}, false}),
              QStringLiteral("Sent to office-laser as job 12"));
}

namespace {
// A scheduler that answers from a script of states, the last repeated; a
// state of -1 is a failed question.
struct ScriptedQueries {
    std::deque<int> states;
    int asked = 0;
    JobStatus operator()(const QString&, int) {
        ++asked;
        const int s = states.size() > 1 ? states.front() : states.back();
        if (states.size() > 1) states.pop_front();
        if (s < 0) Fail(QStringLiteral("no answer"));
        JobStatus status;
        status.state = s;
        return status;
    }
};
}  // namespace

TEST(JobFollowing, WaitEndsWithTheJobOrTimesOut) {
    auto script = std::make_shared<ScriptedQueries>(ScriptedQueries{{kJobPending, -1, kJobProcessing, kJobAborted}});
    bool timedOut = true;
    const JobStatus s = WaitForJob(QStringLiteral("q"), 1, 5000, &timedOut, 1, [script](const QString& q, int id) {
        return (*script)(q, id);
    });
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(s.state, kJobAborted);
    EXPECT_EQ(script->asked, 4);

    auto stuck = std::make_shared<ScriptedQueries>(ScriptedQueries{{kJobHeld}});
    const JobStatus held = WaitForJob(QStringLiteral("q"), 1, 50, &timedOut, 5, [stuck](const QString& q, int id) {
        return (*stuck)(q, id);
    });
    EXPECT_TRUE(timedOut);
    EXPECT_EQ(held.state, kJobHeld);
}

TEST(JobFollowing, FollowerReportsChangesOnlyAndEndsOnce) {
    auto script = std::make_shared<ScriptedQueries>(
        ScriptedQueries{{kJobPending, kJobPending, -1, kJobProcessing, kJobProcessing, kJobCompleted}});
    JobFollower follower(QStringLiteral("q"), 7, nullptr, 5,
                         [script](const QString& q, int id) { return (*script)(q, id); });
    QSignalSpy changed(&follower, &JobFollower::Changed);
    QSignalSpy ended(&follower, &JobFollower::Ended);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.count() > 0; }, 5000));
    QTest::qWait(50);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(follower.Following());
    std::vector<int> states;
    for (const QList<QVariant>& args : changed) states.push_back(args.at(0).value<JobStatus>().state);
    EXPECT_EQ(states, (std::vector<int>{kJobPending, kJobProcessing, kJobCompleted}));
}
