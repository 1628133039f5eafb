// The harness itself: a file sent to a test queue comes back as one RGB
// raster page that covers the queue's printable area at its resolution. The
// printing tests compare dots on that assumption.
#include "CupsFixture.h"

using namespace cupstest;

TEST_F(CupsTest, TestQueuesRenderOneRgbPageOfThePrintableArea) {
    for (const QueueSpec* q : {&A4Queue(), &LetterQueue()}) {
        SCOPED_TRACE(q->name.toStdString());
        const Printed p = PrintAndRead(q->name, [&] {
            QString out;
            EXPECT_EQ(Cups().RunTool(QStringLiteral("lp"),
                                     {QStringLiteral("-d"), q->name,
                                      QStringLiteral("/usr/share/cups/data/default-testpage.pdf")},
                                     &out),
                      0)
                << out.toStdString();
        });
        ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
        ASSERT_EQ(p.newJobs.size(), 1);
        EXPECT_EQ(p.newJobs[0].state, 9) << Cups().ErrorLog().toStdString();
        ASSERT_EQ(p.pages.size(), 1);
        ExpectPrintableAreaPage(p.pages[0], *q);
        EXPECT_EQ(p.pages[0].bitsPerColor, 8);
        EXPECT_EQ(p.pages[0].image.format(), QImage::Format_RGB888);
    }
}
