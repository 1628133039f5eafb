// Progress reports and cancels through the picture path and the PDF job, and
// following a job with a scheduler stood in for.
#include "platform/base/Failure.h"
#include "platform/cups/JobFollower.h"
#include "platform/picture/Picture.h"
#include "platform/base/Progress.h"
#include "platform/print/SystemPrinters.h"
#include "printing/PrintJob.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

QString SavedNoise(const QTemporaryDir& dir, const QString& name, int w, int h, const char* format) {
    QImage image(w, h, QImage::Format_RGB32);
    quint32 x = 12345;
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w; ++i) image.setPixel(i, y, (x = x * 1664525u + 1013904223u) | 0xff000000u);
    image.save(dir.filePath(name), format);
    return dir.filePath(name);
}
}  // namespace

TEST(Progress, StagesNestNeverGoBackAndCancelWhereAllowed) {
    RecordingSink sink;
    {
        const ProgressScope scope(&sink);
        ReportProgress(0.1);
        {
            const ProgressStage a(0.2, 0.6);
            ReportProgress(0.5);  // 0.2 + 0.4 * 0.5
            const ProgressStage b(0.5, 1.0);
            ReportProgress(2.0);  // clamped: the end of a, 0.6
        }
        ReportProgress(0.3);  // below what was shown: stays
        sink.cancelAt = 0.0;
        EXPECT_FALSE(ReportProgressNoThrow(0.7));
        EXPECT_THROW(ReportProgress(0.8), Cancelled);
    }
    EXPECT_NO_THROW(ReportProgress(0.9));  // no sink: free, never cancelled
    const std::vector<double> expected{0.1, 0.4, 0.6, 0.6, 0.7, 0.8};
    ASSERT_EQ(sink.seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(sink.seen[i], expected[i], 1e-12) << i;
}

TEST(Progress, PictureLoadingReportsAndCancelsWhateverTheDecoder) {
    QTemporaryDir dir;
    // Some decoders return the part they had when reads stop: still a cancel.
    for (const char* format : {"BMP", "PNG", "JPG"}) {
        const QString path = SavedNoise(dir, QStringLiteral("noise.") + format, 900, 700, format);
        RecordingSink sink;
        sink.cancelAt = 0.2;
        const ProgressScope scope(&sink);
        EXPECT_THROW(LoadPicture(path), Cancelled) << format;
        EXPECT_TRUE(std::is_sorted(sink.seen.begin(), sink.seen.end())) << format;
    }
}

TEST(Progress, PictureDecodedAsideReportsHereAndCancelsThere) {
    QTemporaryDir dir;
    const QString path = SavedNoise(dir, QStringLiteral("big.png"), 3000, 2000, "PNG");
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
    stopping.cancelAt = 0.0;
    const ProgressScope scope(&stopping);
    EXPECT_THROW(LoadPictureAside(path), Cancelled);
}

TEST(JobFollowing, FollowerReportsChangesOnlyAndEndsOnce) {
    // The scheduler's answers in turn, the last repeated; -1 is no answer.
    auto states = std::make_shared<std::deque<int>>(
        std::deque<int>{kJobPending, kJobPending, -1, kJobProcessing, kJobProcessing, kJobCompleted});
    JobFollower follower(QStringLiteral("q"), 7, nullptr, 5, [states](const QString&, int) {
        const int s = states->front();
        if (states->size() > 1) states->pop_front();
        if (s < 0) Fail(QStringLiteral("no answer"));
        JobStatus status;
        status.state = s;
        return status;
    });
    QSignalSpy changed(&follower, &JobFollower::Changed);
    QSignalSpy ended(&follower, &JobFollower::Ended);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.count() > 0; }, 5000));
    QTest::qWait(50);
    EXPECT_EQ(ended.count(), 1);
    std::vector<int> seen;
    for (const QList<QVariant>& args : changed) seen.push_back(args.at(0).value<JobStatus>().state);
    EXPECT_EQ(seen, (std::vector<int>{kJobPending, kJobProcessing, kJobCompleted}));
}
