// The whole way a user prints: start-up figures, a picture opened through
// the window, cut guides ticked, File > Print; and Print with no picture.
#include "CupsFixture.h"

#include "platform/desktop/CommonDialog.h"
#include "platform/print/SystemPrinters.h"
#include "preview/ucPageLayout.h"
#include "printing/PrintJob.h"
#include "properties/ucProperties.h"
#include "shell/frmMain.h"
#include "support/PixelCheck.h"
#include "support/ScriptedDialog.h"
#include "support/TestEnv.h"
#include "support/PanelControls.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QTemporaryDir>

using namespace cupstest;

TEST_F(CupsTest, FilePrintPrintsTheOpenedPictureWithGuidesOnTheCurrentQueue) {
    const QueueSpec& q = A4Queue();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.bmp"));
    const QImage noise = testcups::MakeNoise(157, 99, 51);
    ASSERT_TRUE(noise.save(path, "BMP"));

    platform::SetCurrentPrinter(QueuePrinter(q));
    frmMain window;
    window.SetCommonDialog(OpeningDialog(path));
    ASSERT_NO_THROW(window.Form_Load());
    EXPECT_EQ(PanelLabel(*window.ucProperties1, "lblPrinterHeader")->text(), QStringLiteral("Printer ") + q.name);
    EXPECT_EQ(PanelLabel(*window.ucProperties1, "lblPaperSize")->text(), QStringLiteral("A4, Portrait"));
    EXPECT_EQ(PanelLabel(*window.ucProperties1, "lblDPI")->text(), QStringLiteral("600 DPI"));

    testenv::ClearMessages();
    const int jobsBefore = Cups().Jobs(q.name).size();
    window.mnuFilePrint_Click();  // nothing opened yet
    EXPECT_EQ(testenv::Messages(), QStringList{QString::fromLatin1(printing::kNoPictureMessage)});
    EXPECT_EQ(Cups().Jobs(q.name).size(), jobsBefore);

    window.mnuFileOpen_Click();
    ASSERT_TRUE(window.ucPageLayout1->gPicture);
    EXPECT_EQ(window.ucProperties1->gPixelsX, 157);
    EXPECT_EQ(window.ucProperties1->gPixelsY, 99);
    CutGuidesBox(*window.ucProperties1)->click();
    ASSERT_TRUE(window.ucProperties1->HasCutGuides());

    testenv::ClearMessages();
    const Printed printed = PrintAndRead(q.name, [&] { window.mnuFilePrint_Click(); });
    EXPECT_TRUE(testenv::Messages().isEmpty()) << testenv::Messages().join(QLatin1Char('|')).toStdString();
    ExpectPrintedExactly(printed, q, platform::kPortrait, noise, true);
    if (!printed.pages.isEmpty() && !qEnvironmentVariableIsEmpty("OMBRASTELE_SAVE_RASTER"))
        printed.pages[0].image.save(qEnvironmentVariable("OMBRASTELE_SAVE_RASTER"));

    // Two dots per pixel in the panel: the preview doubles the picture on
    // its sheet (the Layout section opens, and the panel may widen for its
    // scroll bar, so the sheet itself may be drawn smaller) and Print sends
    // every pixel as a 2 x 2 block.
    const auto shown = [&] {
        const auto& e = window.ucPageLayout1->Elements();
        return e.imgImage.Width / e.shpPage.Width;
    };
    const float once = shown();
    window.ucProperties1->findChild<QSpinBox*>(QStringLiteral("spnScale"))->setValue(2);
    EXPECT_TRUE(window.ucProperties1->IsLayoutOpen());
    EXPECT_NEAR(shown(), 2 * once, 0.01 * once);
    const Printed doubled = PrintAndRead(q.name, [&] { window.mnuFilePrint_Click(); });
    ExpectPrintedExactly(doubled, q, platform::kPortrait, noise.scaled(314, 198), true);
    platform::SetCurrentPrinter(nullptr);
}
