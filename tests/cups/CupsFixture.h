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
