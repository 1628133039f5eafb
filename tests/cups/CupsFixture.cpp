#include "CupsFixture.h"

#include <QFileInfo>

namespace cupstest {

const QueueSpec& A4Queue() {
    // 595 x 842 pt sheet; 564 x 783 pt printable = 4700 x 6525 dots at 600 dpi.
    static const QueueSpec q{QStringLiteral("OmbraA4"), QStringLiteral("raster-a4-600.ppd"), 600, 9,
                             QStringLiteral("A4"), 564, 783, 4700, 6525};
    return q;
}

const QueueSpec& LetterQueue() {
    // 612 x 792 pt sheet; 582 x 732 pt printable = 2425 x 3050 dots at 300 dpi.
    static const QueueSpec q{QStringLiteral("OmbraLetter"), QStringLiteral("raster-letter-300.ppd"), 300, 1,
                             QStringLiteral("Letter"), 582, 732, 2425, 3050};
    return q;
}

namespace {

// Starts the scheduler and makes the two queues once per process.
class CupsEnvironment : public ::testing::Environment {
public:
    void TearDown() override { testcups::Scheduler::Instance().Shutdown(); }
};
[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new CupsEnvironment);

bool gQueuesMade = false;

}  // namespace

void CupsTest::SetUp() {
    if (!testcups::Scheduler::Available()) GTEST_SKIP() << "cupsd is not installed; printing tests skipped";
    QString error;
    ASSERT_TRUE(Cups().Start(&error)) << error.toStdString();
    // A test may delete, disable or reject a queue; every test starts with
    // both queues present and accepting.
    for (const QueueSpec* q : {&A4Queue(), &LetterQueue()}) {
        const bool present = [&] {
            QString out;
            return Cups().RunTool(QStringLiteral("lpstat"), {QStringLiteral("-p"), q->name}, &out) == 0;
        }();
        if (!gQueuesMade || !present) {
            ASSERT_NO_THROW(Cups().AddRasterQueue(q->name, q->ppd));
        } else {
            ASSERT_NO_THROW(Cups().EnableQueue(q->name));
        }
    }
    gQueuesMade = true;
    ASSERT_NO_THROW(Cups().SetDefaultQueue(A4Queue().name));
}

Printed PrintAndRead(const QString& queue, const std::function<void()>& action) {
    testcups::Scheduler& s = testcups::Scheduler::Instance();
    Printed result;
    if (!s.WaitForJobs(queue, 120000)) {
        result.error = QStringLiteral("queue %1 still busy before the job").arg(queue);
        return result;
    }
    s.ClearOutput(queue);
    const QVector<testcups::JobInfo> before = s.Jobs(queue);
    try {
        action();
    } catch (const std::exception& e) {
        // Reported, and the table's other rows still run.
        result.error = QStringLiteral("the print job failed: ") + QString::fromUtf8(e.what());
    }
    if (!s.WaitForJobs(queue, 300000)) {
        result.error += QStringLiteral("queue %1 did not finish its job\n%2").arg(queue, s.ErrorLog());
        return result;
    }
    for (const testcups::JobInfo& j : s.Jobs(queue)) {
        bool old = false;
        for (const testcups::JobInfo& b : before) old = old || b.id == j.id;
        if (!old) result.newJobs.append(j);
    }
    const QString out = s.OutputPath(queue);
    if (result.error.isEmpty() && QFileInfo::exists(out)) {
        try {
            result.pages = testcups::ReadRasterFile(out);
        } catch (const std::exception& e) {
            result.error = QString::fromUtf8(e.what()) + QLatin1Char('\n') + s.ErrorLog();
        }
    }
    return result;
}

void ExpectPrintableAreaPage(const testcups::RasterPage& page, const QueueSpec& q) {
    EXPECT_EQ(page.xdpi, q.dpi);
    EXPECT_EQ(page.ydpi, q.dpi);
    EXPECT_EQ(page.width, q.widthDots);
    EXPECT_EQ(page.height, q.heightDots);
}

}  // namespace cupstest

#include "platform/print/CupsPrinter.h"
#include "platform/print/SystemPrinters.h"
#include "support/PixelCheck.h"

#include <cmath>

namespace cupstest {

platform::PrinterPtr QueuePrinter(const QueueSpec& q, int16_t orientation) {
    platform::PrinterPtr p = platform::MakeQueuePrinter(q.name);
    if (orientation != platform::kPortrait) {
        auto cups = std::dynamic_pointer_cast<platform::CupsPrinter>(p);
        if (!cups) throw std::runtime_error("a queue printer that is not a CupsPrinter cannot turn");
        cups->SetOrientation(orientation);
    }
    return p;
}

QPoint ExpectedTopLeft(int W, int H, int w, int h) {
    const float ox = (float(W) - float(w)) / 2.0f;
    const float oy = (float(H) - float(h)) / 2.0f;
    return QPoint(int(std::floor(double(ox) + 0.5)), int(std::floor(double(oy) + 0.5)));
}

void ExpectPrintedExactly(const Printed& printed, const QueueSpec& q, int16_t orientation,
                          const QImage& picture, bool guides) {
    testcups::Scheduler& s = testcups::Scheduler::Instance();
    ASSERT_TRUE(printed.error.isEmpty()) << printed.error.toStdString();
    ASSERT_EQ(printed.newJobs.size(), 1) << "one print job makes one job";
    EXPECT_EQ(printed.newJobs[0].state, 9) << "job not completed\n" << s.ErrorLog().toStdString();
    ASSERT_EQ(printed.pages.size(), 1) << "one print job makes one page";
    const testcups::RasterPage& page = printed.pages[0];
    ExpectPrintableAreaPage(page, q);
    const bool landscape = orientation == platform::kLandscape;
    const QImage view = landscape ? testcups::QuarterTurn(page.image, true) : page.image;
    const QPoint at = ExpectedTopLeft(view.width(), view.height(), picture.width(), picture.height());

    const QString diff = testcups::CompareAt(view, picture, at);
    if (!diff.isEmpty()) {
        const auto found = testcups::FindNear(view, picture, at, 3);
        ADD_FAILURE() << "picture not exact at (" << at.x() << "," << at.y() << ") on " << q.name.toStdString()
                      << (landscape ? " landscape" : " portrait") << ": " << diff.toStdString()
                      << (found ? QStringLiteral("it is exact at (%1,%2)").arg(found->x()).arg(found->y())
                                : QStringLiteral("not found exact within 3 dots"))
                             .toStdString();
    }
    const QString outside = testcups::CheckOutside(view, QRect(at, picture.size()), guides);
    EXPECT_TRUE(outside.isEmpty()) << outside.toStdString();
}

}  // namespace cupstest
