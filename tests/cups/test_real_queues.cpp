// Queues made from real printer descriptions (tests/data/real): what the
// filter chain (cups-filters gstoraster + Ghostscript) writes must agree with
// the TrueGeometry oracle, and the oracle with what each description is known
// to say. A disagreement means the corpus, the oracle or the header reading
// in the geometry tests is wrong.
#include "CupsFixture.h"
#include "RealQueues.h"
#include "support/TrueGeometry.h"

#include <cmath>

using namespace cupstest;


TEST_F(CupsTest, RealQueuesRasterMatchesTrueGeometry) {
    for (const RealQueue& row : RealQueues()) {
        const QString queue = QString::fromLatin1(row.queue);
        SCOPED_TRACE(row.queue);
        const testcups::TrueGeometry g = testcups::ComputeTrueGeometry(
            QStringLiteral(OMBRASTELE_TEST_DATA_DIR "/") + QString::fromLatin1(row.ppd), row.options);
        ASSERT_TRUE(g.ok) << g.error.toStdString();
        EXPECT_EQ(g.xdpi, row.xdpi);
        EXPECT_EQ(g.ydpi, row.ydpi);
        EXPECT_EQ(g.pageSizeName.toStdString(), row.pageSize);

        ASSERT_NO_THROW(Cups().AddRasterQueue(queue, QString::fromLatin1(row.ppd)));
        ASSERT_TRUE(Cups().WaitForJobs(queue));
        Cups().ClearOutput(queue);
        QStringList args{QStringLiteral("-d"), queue};
        for (const QString& o : row.options) args << QStringLiteral("-o") << o;
        args << QStringLiteral("/usr/share/cups/data/default-testpage.pdf");
        QString out;
        ASSERT_EQ(Cups().RunTool(QStringLiteral("lp"), args, &out), 0) << out.toStdString();
        ASSERT_TRUE(Cups().WaitForJobs(queue, 300000)) << Cups().ErrorLog().toStdString();
        const QVector<testcups::JobInfo> jobs = Cups().Jobs(queue);
        ASSERT_FALSE(jobs.isEmpty());
        EXPECT_EQ(jobs.back().state, 9) << Cups().ErrorLog().toStdString();

        QVector<testcups::RasterPage> pages;
        ASSERT_NO_THROW(pages = testcups::ReadRasterFile(Cups().OutputPath(queue), false));
        ASSERT_FALSE(pages.isEmpty());
        const testcups::RasterPage& p = pages[0];
        EXPECT_EQ(p.xdpi, g.xdpi);
        EXPECT_EQ(p.ydpi, g.ydpi);
        EXPECT_EQ(p.width, g.width);
        EXPECT_EQ(p.height, g.height);
        EXPECT_EQ(p.pageSizeName, g.pageSizeName);
        EXPECT_FLOAT_EQ(p.cupsPageSize[0], float(g.paperWidth));
        EXPECT_FLOAT_EQ(p.cupsPageSize[1], float(g.paperHeight));
        const double box[4] = {g.left, g.bottom, g.right, g.top};
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(p.cupsImagingBBox[i], float(box[i])) << "bbox " << i;
        EXPECT_EQ(p.colorSpace, g.colorSpace);
        EXPECT_EQ(p.bitsPerColor, g.bitsPerColor);
        EXPECT_EQ(p.colorOrder, g.colorOrder);
        // The raster is the imageable area: as wide as the whole dots inside it,
        // or one more when its edges fall between dots.
        const QRect dots = g.PrintableDots();
        EXPECT_LE(std::abs(p.width - dots.width()), 1) << dots.width();
        EXPECT_LE(std::abs(p.height - dots.height()), 1) << dots.height();
        Cups().DeleteQueue(queue);
    }
}
