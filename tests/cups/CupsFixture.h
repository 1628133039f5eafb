#pragma once
// What the printing tests share: the two test queues and what their PPDs say,
// a fixture that needs the private scheduler, and "print, wait, read back".
#include "support/CupsScheduler.h"
#include "support/RasterReader.h"

#include <gtest/gtest.h>

#include <QString>
#include <functional>

namespace cupstest {

struct QueueSpec {
    QString name;
    QString ppd;
    int dpi;
    int16_t paperCode;
    QString paperName;
    // The printable area from the PPD's ImageableArea, in points and in dots.
    int widthPoints, heightPoints;
    int widthDots, heightDots;
};

// 600 dpi A4, margins left 18, right 13, bottom 36, top 23 points.
const QueueSpec& A4Queue();
// 300 dpi Letter, margins left 18, right 12, bottom 36, top 24 points.
const QueueSpec& LetterQueue();

// Skips when no scheduler is installed; fails (with the scheduler's log) when
// it is installed but does not run.
class CupsTest : public ::testing::Test {
protected:
    void SetUp() override;
    testcups::Scheduler& Cups() { return testcups::Scheduler::Instance(); }
};

struct Printed {
    QVector<testcups::RasterPage> pages;
    QVector<testcups::JobInfo> newJobs;  // jobs the action added to the queue
    QString error;                       // what went wrong in the harness
};

// Clears the queue's output, runs `action` (which should print on `queue`),
// waits for the queue to finish and reads what it printed.
Printed PrintAndRead(const QString& queue, const std::function<void()>& action);

// The page must be the queue's printable area at its resolution.
void ExpectPrintableAreaPage(const testcups::RasterPage& page, const QueueSpec& q);

}  // namespace cupstest

#include "platform/picture/Picture.h"
#include "platform/print/Printer.h"

#include <QImage>
#include <QPoint>

namespace cupstest {

// A printer on the queue, in the given orientation (1 portrait, 2 landscape).
platform::PrinterPtr QueuePrinter(const QueueSpec& q, int16_t orientation = platform::kPortrait);

// Where a picture w x h lands in a W x H printable area: the job centres it
// at (W - w) / 2 in single precision and the device puts a half dot on the
// next whole dot (floor(x + 0.5)), the same for picture and guides.
QPoint ExpectedTopLeft(int W, int H, int w, int h);

// One completed job of one page, the queue's printable area; the page turned
// to the caller's view (landscape: a quarter turn clockwise) holds `picture`
// (already on white) exactly at its expected place, and outside it only the
// guides (when asked) on the picture's outermost rows and columns.
void ExpectPrintedExactly(const Printed& printed, const QueueSpec& q, int16_t orientation,
                          const QImage& picture, bool guides);

}  // namespace cupstest
