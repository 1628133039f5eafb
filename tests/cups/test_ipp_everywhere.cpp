// The driverless printer: a PNG printed on its everywhere queue reaches
// ippeveprinter as PWG raster (it is told to accept nothing else) that the
// raster reader decodes, colour intact, at the resolution it advertises.
#include "CupsFixture.h"
#include "support/IppEverywhere.h"

#include <QColor>
#include <QDir>
#include <QImage>

using namespace cupstest;

TEST_F(CupsTest, IppEverywherePrintsPwgRasterTheReaderDecodes) {
    testcups::IppEverywhere printer;
    QString error;
    ASSERT_TRUE(printer.Start(QStringLiteral("OmbraEve"), &error, {QStringLiteral("image/pwg-raster")}))
        << error.toStdString();
    EXPECT_TRUE(printer.LatestDocument().isEmpty());

    const QString png = QDir(Cups().Folder()).filePath(QStringLiteral("tmp/eve-red.png"));
    QImage red(60, 40, QImage::Format_RGB888);
    red.fill(QColor(255, 0, 0));
    ASSERT_TRUE(red.save(png));
    QString out;
    ASSERT_EQ(Cups().RunTool(QStringLiteral("lp"),
                             {QStringLiteral("-d"), QStringLiteral("OmbraEve"), QStringLiteral("-o"),
                              QStringLiteral("media=na_index-4x6_4x6in"), png},
                             &out),
              0)
        << out.toStdString();
    ASSERT_TRUE(Cups().WaitForJobs(QStringLiteral("OmbraEve")));
    const QVector<testcups::JobInfo> jobs = Cups().Jobs(QStringLiteral("OmbraEve"));
    ASSERT_EQ(jobs.size(), 1);
    EXPECT_EQ(jobs[0].state, 9) << Cups().ErrorLog().toStdString();

    const QString doc = printer.LatestDocument();
    ASSERT_TRUE(doc.endsWith(QStringLiteral(".pwg"))) << doc.toStdString();
    QVector<testcups::RasterPage> pages;
    ASSERT_NO_THROW(pages = testcups::ReadRasterFile(doc));
    ASSERT_EQ(pages.size(), 1);
    const testcups::RasterPage& p = pages[0];
    EXPECT_EQ(p.xdpi, 600);
    EXPECT_EQ(p.ydpi, 600);
    // PWG raster is the whole sheet: 4 x 6 in at 600 dpi.
    EXPECT_EQ(p.width, 2400);
    EXPECT_EQ(p.height, 3600);
    EXPECT_EQ(p.colorSpace, 19);  // sRGB
    EXPECT_EQ(p.image.format(), QImage::Format_RGB888);
    // The picture is scaled to fill the (borderless 4x6) page; the decoded
    // colour must be exactly the picture's.
    EXPECT_EQ(p.image.pixelColor(p.width / 2, p.height / 2), QColor(255, 0, 0));
    printer.Stop();
    EXPECT_TRUE(printer.SpoolFolder().isEmpty());
}
