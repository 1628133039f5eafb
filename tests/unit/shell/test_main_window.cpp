// The main window's start-up, placement, toolbar dispatch and commands, with
// a recording printer and a scripted dialog in place of the real ones.
#include "inputs/NudgeDialog.h"
#include "platform/base/Failure.h"
#include "platform/print/Nudge.h"
#include "platform/print/ResolutionChoice.h"
#include "support/RecordingPrinter.h"
#include "platform/base/Settings.h"
#include "preview/ucPageLayout.h"
#include "properties/ucProperties.h"
#include "shell/frmMain.h"
#include "support/ScriptedDialog.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QPushButton>
#include <QTimer>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>

namespace {

QSettings Store() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ombrastele"),
                     QStringLiteral("Ombrastele"));
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Store().clear();
        testenv::ClearMessages();
        printer = std::make_shared<platform::RecordingPrinter>();
        platform::SetCurrentPrinter(printer);
        window = std::make_unique<frmMain>();
        auto d = std::make_unique<ScriptedDialog>();
        dialog = d.get();
        window->SetCommonDialog(std::move(d));
    }
    void TearDown() override { platform::SetCurrentPrinter(nullptr); }

    QString WritePicture(int w, int h, const char* name = "pic.bmp") {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::red);
        const QString path = dir.filePath(QString::fromLatin1(name));
        img.save(path, "BMP");
        return path;
    }

    QTemporaryDir dir;
    std::shared_ptr<platform::RecordingPrinter> printer;
    std::unique_ptr<frmMain> window;
    ScriptedDialog* dialog = nullptr;
};

}  // namespace

TEST_F(MainWindowTest, FirstRunUsesTheDefaultPlacement) {
    window->Form_Load();
    EXPECT_NEAR(window->Left(), 1000, 7.5);
    EXPECT_NEAR(window->Top(), 1000, 7.5);
    EXPECT_NEAR(window->Width(), 8400, 7.5);
    EXPECT_NEAR(window->Height(), 7500, 7.5);
}

TEST_F(MainWindowTest, PlacementRoundTripsAndGarbageFallsBackPerKey) {
    auto s = Store();
    s.setValue(QStringLiteral("Settings/MainLeft"), QStringLiteral("1500"));
    s.setValue(QStringLiteral("Settings/MainTop"), QStringLiteral("not a number"));
    s.setValue(QStringLiteral("Settings/MainWidth"), QStringLiteral("9000"));
    s.setValue(QStringLiteral("Settings/MainHeight"), QStringLiteral(""));
    s.sync();
    window->Form_Load();
    EXPECT_NEAR(window->Left(), 1500, 7.5);
    EXPECT_NEAR(window->Top(), 1000, 7.5);
    EXPECT_NEAR(window->Width(), 9000, 7.5);
    EXPECT_NEAR(window->Height(), 7500, 7.5);

    int16_t cancel = 0;
    window->Form_Unload(cancel);
    EXPECT_EQ(cancel, 0);
    const QString left = platform::GetSetting("Ombrastele", "Settings", "MainLeft", "x");
    EXPECT_NEAR(left.toDouble(), 1500, 7.5);
    EXPECT_NEAR(platform::GetSetting("Ombrastele", "Settings", "MainTop", "x").toDouble(), 1000, 7.5);
}

TEST_F(MainWindowTest, MinimisedStoresNothing) {
    window->Form_Load();
    window->show();
    window->showMinimized();
    QCoreApplication::processEvents();
    if (window->WindowState() != 1) GTEST_SKIP() << "this platform does not minimise";
    int16_t cancel = 0;
    window->Form_Unload(cancel);
    EXPECT_EQ(platform::GetSetting("Ombrastele", "Settings", "MainLeft", "absent"), "absent");
}

TEST_F(MainWindowTest, StartUpHandsThePrinterToBothControls) {
    window->Form_Load();
    EXPECT_EQ(printer->ScaleMode() == platform::kTwips || printer->ScaleMode() == platform::kPixels ||
                  printer->ScaleMode() == platform::kInches,
              true);
    EXPECT_FALSE(window->ucPageLayout1->gPicture);
}

TEST_F(MainWindowTest, ToolbarRunsExactKeysOnlyAndDropsFailures) {
    window->Form_Load();
    struct Case { const char* key; int opens; int messages; };
    const Case cases[] = {
        {"Open", 1, 0},
        {"Print", 0, 1},  // no picture: the one message
        {"open", 0, 0},
        {"PRINT", 0, 0},
        {"", 0, 0},
        {"Page Setup", 0, 0},
    };
    for (const Case& c : cases) {
        dialog->openShown = 0;
        testenv::ClearMessages();
        window->tbToolBar_ButtonClick(QString::fromLatin1(c.key));
        EXPECT_EQ(dialog->openShown, c.opens) << c.key;
        EXPECT_EQ(testenv::Messages().size(), c.messages) << c.key;
    }
    dialog->openThrows = [] { platform::Fail(QStringLiteral("no dialog")); };
    EXPECT_NO_THROW(window->tbToolBar_ButtonClick(QStringLiteral("Open")));
    EXPECT_TRUE(testenv::Messages().isEmpty() || testenv::Messages().size() == 1);
}

TEST_F(MainWindowTest, PrintWithoutPictureOnlyShowsTheMessage) {
    window->Form_Load();
    printer->SetScaleMode(platform::kCentimeters);
    window->mnuFilePrint_Click();
    ASSERT_EQ(testenv::Messages(), QStringList{QStringLiteral("Please open a picture before printing.")});
    EXPECT_EQ(printer->ScaleMode(), platform::kCentimeters);
    EXPECT_TRUE(printer->ops.empty());
}

TEST_F(MainWindowTest, OpenThenPrintPrintsTheOpenedPictureOnce) {
    window->Form_Load();
    dialog->openAnswers = {WritePicture(101, 77)};
    window->mnuFileOpen_Click();
    EXPECT_EQ(dialog->lastOpenTitle, "Open");
    EXPECT_FALSE(dialog->CancelError);
    ASSERT_TRUE(window->ucPageLayout1->gPicture);
    window->mnuFilePrint_Click();
    EXPECT_TRUE(testenv::Messages().isEmpty());
    EXPECT_EQ(printer->documentsEnded, 1);
}

TEST_F(MainWindowTest, FailedPrintIsReportedOnceAndCancelled) {
    window->Form_Load();
    dialog->openAnswers = {WritePicture(10, 10)};
    window->mnuFileOpen_Click();
    printer->failWhen = [](const char* m) {
        if (std::string(m) == "EndDoc") platform::Fail(QStringLiteral("The queue is gone."));
    };
    window->tbToolBar_ButtonClick(QStringLiteral("Print"));
    ASSERT_EQ(testenv::Messages().size(), 1);
    EXPECT_TRUE(testenv::Messages()[0].startsWith("The picture could not be printed."));
    EXPECT_TRUE(testenv::Messages()[0].contains("The queue is gone."));
    EXPECT_EQ(printer->documentsEnded, 0);
    EXPECT_EQ(printer->documentsKilled, 1);
}

TEST_F(MainWindowTest, OpenCancelAndNonPicturesKeepTheEarlierPicture) {
    window->Form_Load();
    dialog->openAnswers = {WritePicture(20, 10)};
    window->mnuFileOpen_Click();
    const auto first = window->ucPageLayout1->gPicture;
    ASSERT_TRUE(first);

    QFile text(dir.filePath("notes.jpg"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just some text, not a picture");
    text.close();
    for (const QString& answer : {QString(), dir.filePath("notes.jpg"), dir.filePath("missing.gif"), dir.path()}) {
        dialog->openAnswers = {answer};
        window->mnuFileOpen_Click();
        EXPECT_EQ(window->ucPageLayout1->gPicture, first) << answer.toStdString();
    }
    EXPECT_TRUE(testenv::Messages().isEmpty());

    // Content decides, not the name: a bitmap named .jpg opens.
    dialog->openAnswers = {WritePicture(30, 40, "really-a-bitmap.jpg")};
    window->mnuFileOpen_Click();
    ASSERT_NE(window->ucPageLayout1->gPicture, first);
    EXPECT_EQ(window->ucPageLayout1->gPicture->Image().size(), QSize(30, 40));
}

TEST_F(MainWindowTest, PageSetupRefreshesFromThePrinterConfirmedOrCancelled) {
    window->Form_Load();
    for (bool accepts : {false, true}) {
        dialog->printerAccepts = accepts;
        dialog->CancelError = false;
        printer->SetScaleMode(platform::kCentimeters);
        window->mnuFilePageSetup_Click();
        EXPECT_EQ(dialog->lastPrinterTitle, "Page Setup");
        EXPECT_TRUE(dialog->CancelError);
        // Both controls measured the printer again: the preview leaves it at twips.
        EXPECT_EQ(printer->ScaleMode(), platform::kTwips) << accepts;
    }
}

TEST_F(MainWindowTest, PageSetupOffersTheResolutionsAndTheQueueKeepsTheChoice) {
    printer->resolutions = {QSize(300, 300), QSize(600, 600), QSize(300, 600)};
    platform::StoreResolution(printer->deviceName, QSize(300, 300));
    window->Form_Load();
    EXPECT_EQ(printer->ChosenResolution(), QSize(300, 300));  // the kept choice, from the start

    const struct {
        const char* what;
        bool printerAccepts;
        std::optional<QSize> answer;
        QList<QSize> offered;
        bool asked;  // whether the resolution dialog was shown
        QSize kept;  // stored, and the printer's
    } cases[] = {
        {"print dialog cancelled", false, QSize(600, 600), printer->resolutions, false, QSize(300, 300)},
        {"resolution dialog cancelled", true, std::nullopt, printer->resolutions, true, QSize(300, 300)},
        {"one chosen", true, QSize(300, 600), printer->resolutions, true, QSize(300, 600)},
        {"the default", true, QSize(), printer->resolutions, true, QSize()},
        {"one only: nothing to ask", true, QSize(600, 600), {QSize(600, 600)}, false, QSize()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        printer->resolutions = c.offered;
        dialog->printerAccepts = c.printerAccepts;
        dialog->resolutionAnswer = c.answer;
        const int shown = dialog->resolutionShown;
        window->mnuFilePageSetup_Click();
        EXPECT_EQ(dialog->resolutionShown - shown, c.asked ? 1 : 0);
        EXPECT_EQ(platform::StoredResolution(printer->deviceName), c.kept);
        EXPECT_EQ(printer->ChosenResolution(), c.kept);
        EXPECT_TRUE(testenv::Messages().isEmpty());
    }

    // A choice kept for a printer that no longer has it: the default stays, silently.
    platform::StoreResolution(printer->deviceName, QSize(2400, 600));
    dialog->printerAccepts = false;
    window->mnuFilePageSetup_Click();
    EXPECT_EQ(printer->ChosenResolution(), QSize());
    EXPECT_TRUE(testenv::Messages().isEmpty());
}

TEST_F(MainWindowTest, NudgeStoresForTheQueueOnOkOnlyAndBothControlsFollow) {
    platform::StoreNudge(printer->deviceName, QPoint(5, -7));
    window->Form_Load();
    ASSERT_EQ(printer->Nudge(), QPoint(5, -7));
    for (bool accept : {false, true}) {
        SCOPED_TRACE(accept ? "OK" : "Cancel");
        printer->SetScaleMode(platform::kCentimeters);
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<inputs::NudgeDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(d);
            EXPECT_TRUE(d->lblPrinter->text().contains("Test Printer"));
            EXPECT_EQ(d->Value(), QPoint(5, -7));  // what is stored
            d->spnRight->setValue(12);
            d->spnDown->setValue(-9999);  // held at the limit
            if (!accept) {
                // The calibration page tries the figures on show before they are kept.
                const size_t before = printer->ops.size();
                d->cmdCalibration->click();
                ASSERT_GT(printer->ops.size(), before);
                EXPECT_EQ(printer->ops[before].kind, platform::RecordingPrinter::Op::Picture);
                EXPECT_EQ(QPointF(printer->ops[before].x1, printer->ops[before].y1),
                          QPointF(12, -platform::kMaxNudgeDots));
                EXPECT_EQ(printer->ops.back().kind, platform::RecordingPrinter::Op::EndDoc);
                EXPECT_EQ(printer->Nudge(), QPoint(5, -7));
                printer->SetScaleMode(platform::kCentimeters);  // the page left it at dots
            }
            accept ? d->accept() : d->reject();
        });
        window->mnuFileNudge_Click();
        const QPoint expected = accept ? QPoint(12, -platform::kMaxNudgeDots) : QPoint(5, -7);
        EXPECT_EQ(platform::StoredNudge(printer->deviceName), expected);
        EXPECT_EQ(printer->Nudge(), expected);
        // Both controls measured the printer again on OK only.
        EXPECT_EQ(printer->ScaleMode(), accept ? platform::kTwips : platform::kCentimeters);
        EXPECT_TRUE(testenv::Messages().isEmpty());
    }
    platform::StoreNudge(printer->deviceName, QPoint());
}

TEST_F(MainWindowTest, RecentPicturesNewestFirstWithoutMissingFilesAndOpenAgain) {
    window->Form_Load();
    const auto menuTexts = [&] {
        emit window->mnuFile->aboutToShow();
        QStringList texts;
        for (const QAction* a : window->mnuFileRecent->actions()) texts << a->text();
        return texts.join(QLatin1Char('|')).toStdString();  // readable failure output
    };
    EXPECT_EQ(menuTexts(), "");
    EXPECT_FALSE(window->mnuFileRecent->menuAction()->isEnabled());
    EXPECT_EQ(window->mnuFileRecent->title(), QStringLiteral("&Recent Pictures"));

    const QString a = WritePicture(30, 20, "a.bmp");
    const QString b = WritePicture(40, 20, "b&w.bmp");
    const QString c = WritePicture(50, 20, "c.bmp");
    const QString notPicture = dir.filePath(QStringLiteral("notes.bmp"));
    ASSERT_TRUE(QFile(notPicture).open(QIODevice::WriteOnly));
    for (const QString& path : {a, b, c, notPicture, a}) window->OpenPicture(path);  // a again: to the top
    EXPECT_EQ(menuTexts(), "&1 a.bmp|&2 c.bmp|&3 b&&w.bmp");
    EXPECT_TRUE(window->mnuFileRecent->menuAction()->isEnabled());

    QFile::remove(c);  // gone since: left out
    EXPECT_EQ(menuTexts(), "&1 a.bmp|&2 b&&w.bmp");
    window->mnuFileRecent->actions().at(1)->trigger();
    EXPECT_EQ(window->ucProperties1->gPixelsX, 40);
    EXPECT_EQ(menuTexts(), "&1 b&&w.bmp|&2 a.bmp");
}
