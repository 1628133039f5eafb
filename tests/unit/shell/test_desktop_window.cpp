// What a desktop user expects of the main window: plain separator lines,
// Open starting where the last picture was, and the status bar saying what
// became of a print. (The keys are tried on the real program under Xvfb.)
#include "platform/print/PrintOutcome.h"
#include "platform/base/Settings.h"
#include "platform/print/SystemPrinters.h"
#include "preview/ucPageLayout.h"
#include "shell/LineSeparatorMenu.h"
#include "shell/frmMain.h"
#include "support/ScriptedDialog.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>

namespace {

// The menu drawn with its separators captioned `caption`.
QImage MenuWithSeparatorsCaptioned(QMenu& menu, const QList<QAction*>& separators, const QString& caption) {
    for (QAction* s : separators) s->setText(caption);
    menu.ensurePolished();
    menu.adjustSize();
    return menu.grab().toImage();
}

QString SavedPicture(const QString& folder, const char* name) {
    QDir().mkpath(folder);
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const QString path = folder + QLatin1Char('/') + QString::fromLatin1(name);
    image.save(path, "PNG");
    return path;
}

class DesktopWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ombrastele"), QStringLiteral("Ombrastele"))
            .clear();
        testenv::ClearMessages();
    }
    void TearDown() override { platform::SetCurrentPrinter(nullptr); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(DesktopWindowTest, SeparatorsAreLinesWhateverTheirCaption) {
    frmMain window;
    window.Form_Load();
    ASSERT_EQ(window.mnuFileBar1->text(), QStringLiteral("-"));  // the caption stays, as designed
    const QList<QAction*> separators{window.mnuFileBar1, window.mnuFileBar2};
    const QImage withCaption = MenuWithSeparatorsCaptioned(*window.mnuFile, separators, QStringLiteral("-"));
    const QImage without = MenuWithSeparatorsCaptioned(*window.mnuFile, separators, QString());
    EXPECT_EQ(withCaption, without) << "a separator's caption is drawn";
    window.mnuFileBar1->setText(QStringLiteral("-"));
    window.mnuFileBar2->setText(QStringLiteral("-"));

    // The same on a plain menu shows the caption, so the comparison above
    // can tell (the style draws separator captions).
    QMenu plain;
    plain.addAction(QStringLiteral("Open"));
    QAction* line = plain.addSeparator();
    plain.addAction(QStringLiteral("Exit"));
    const QImage plainWith = MenuWithSeparatorsCaptioned(plain, {line}, QStringLiteral("-"));
    const QImage plainWithout = MenuWithSeparatorsCaptioned(plain, {line}, QString());
    if (plainWith == plainWithout) GTEST_SKIP() << "this style never draws separator captions";
}

TEST_F(DesktopWindowTest, OpenStartsInTheFolderOfTheLastPicture) {
    const QString first = SavedPicture(dir.filePath(QStringLiteral("holiday")), "a.png");
    const QString second = SavedPicture(dir.filePath(QStringLiteral("scans")), "b.png");
    const QString notAPicture = dir.filePath(QStringLiteral("notes/readme.txt"));
    QDir().mkpath(QFileInfo(notAPicture).path());
    QFile(notAPicture).open(QIODevice::WriteOnly);
    {
        frmMain window;
        auto scripted = std::make_unique<ScriptedDialog>();
        ScriptedDialog* dialog = scripted.get();
        scripted->openAnswers = QStringList{first, notAPicture, second, QString()};
        window.SetCommonDialog(std::move(scripted));
        window.Form_Load();
        const QString expectedFolders[] = {QString(), QFileInfo(first).absolutePath(),
                                           QFileInfo(first).absolutePath(),  // not a picture: no move
                                           QFileInfo(second).absolutePath()};
        for (const QString& folder : expectedFolders) {
            window.mnuFileOpen_Click();
            EXPECT_EQ(dialog->lastOpenFolder, folder);
        }
    }
    // Remembered for the next start.
    frmMain again;
    auto scripted = std::make_unique<ScriptedDialog>();
    ScriptedDialog* dialog = scripted.get();
    again.SetCommonDialog(std::move(scripted));
    again.Form_Load();
    again.mnuFileOpen_Click();
    EXPECT_EQ(dialog->lastOpenFolder, QFileInfo(second).absolutePath());
}

TEST_F(DesktopWindowTest, StatusBarSaysWhatBecameOfThePrint) {
    const QString picture = SavedPicture(dir.path(), "pic.png");
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    struct Case {
        QString output;
        QString status;
    };
    const Case cases[] = {
        {pdf, QStringLiteral("Saved ") + pdf},
        {QStringLiteral("/dev/full"), QStringLiteral("Not printed: ")},
        {dir.filePath(QStringLiteral("no/such/folder/page.pdf")), QStringLiteral("Not printed: ")},
    };
    for (const Case& c : cases) {
        platform::SetCurrentPrinter(platform::MakePdfPrinter(c.output));
        frmMain window;
        window.SetCommonDialog(OpeningDialog(picture));
        window.Form_Load();
        window.mnuFileOpen_Click();
        ASSERT_TRUE(window.ucPageLayout1->gPicture);
        testenv::ClearMessages();
        window.mnuFilePrint_Click();
        EXPECT_TRUE(window.statusBar()->currentMessage().startsWith(c.status))
            << window.statusBar()->currentMessage().toStdString();
        // A failure is still the one message box it always was.
        EXPECT_EQ(testenv::Messages().size(), c.status.startsWith(QLatin1String("Not")) ? 1 : 0);
    }
}
