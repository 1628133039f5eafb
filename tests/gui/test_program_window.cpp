// Starts the real program on a private X server, drives it with the keyboard
// as a person would (File > Open..., the cut-guides box, a resize, File >
// Exit, the commands' keys, a long print cancelled) and checks what shows and
// what is stored. Screenshots are kept in the build folder (screenshots/).
#include "support/VirtualDisplay.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace {

const QString kScreens = QStringLiteral(OMBRASTELE_BUILD_DIR "/screenshots");

int CountColour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
    return n;
}

class ProgramWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display.isRunning()) GTEST_SKIP() << "Xvfb could not be started";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display.display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_RUNTIME_DIR", home.path());
        // No print system: the program falls back to its built-in PDF printer.
        env.insert("CUPS_SERVER", home.filePath("no-scheduler.sock"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(3000);
        }
    }

    QString WaitForWindow(const QString& title) {
        return display.Run("xdotool", {"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"}, nullptr,
                           15000)
            .section('\n', 0, 0);
    }
    void Keys(const QString& window, const QStringList& keys) {
        display.Run("xdotool", {"windowfocus", "--sync", window});
        for (const QString& k : keys) {
            display.Run("xdotool", {"key", "--clearmodifiers", k});
            QThread::msleep(300);
        }
    }
    QImage Shot(const QString& name) {
        const QString path = kScreens + "/" + name;
        EXPECT_TRUE(display.Screenshot(path));
        return QImage(path);
    }
    QString IniFile() const { return home.filePath("config/Ombrastele/Ombrastele.ini"); }

    testx::VirtualDisplay display;
    QTemporaryDir home;
    QProcess program;
};

}  // namespace

TEST_F(ProgramWindowTest, OpensAPictureShowsGuidesFollowsResizeAndStoresPlacementOnExit) {
    // A picture in a colour nothing else on screen has.
    const QRgb magenta = qRgb(255, 0, 255);
    QImage picture(2400, 1800, QImage::Format_RGB32);
    picture.fill(magenta);
    const QString picturePath = home.filePath("magenta.bmp");
    ASSERT_TRUE(picture.save(picturePath, "BMP"));

    program.start(QStringLiteral(OMBRASTELE_BINARY), {});
    ASSERT_TRUE(program.waitForStarted(5000));
    const QString window = WaitForWindow("Ombrastele");
    ASSERT_FALSE(window.isEmpty()) << "the main window did not appear";
    EXPECT_EQ(display.Run("xdotool", {"getwindowname", window}), "Ombrastele");
    QThread::msleep(500);
    EXPECT_EQ(CountColour(Shot("main-window.png"), magenta), 0);

    // File > Open..., type the path in the dialog.
    Keys(window, {"alt+f", "o"});
    const QString dialog = WaitForWindow("Open");
    ASSERT_FALSE(dialog.isEmpty()) << "the Open dialog did not appear";
    display.Run("xdotool", {"windowfocus", "--sync", dialog});
    display.Run("xdotool", {"type", "--delay", "5", picturePath});
    display.Run("xdotool", {"key", "Return"});
    QThread::msleep(1500);
    const int shown = CountColour(Shot("picture-opened.png"), magenta);
    EXPECT_GT(shown, 100) << "the preview does not show the picture";

    // The cut-guides box by its access key, then a larger window.
    Keys(window, {"alt+g"});
    Shot("cut-guides.png");
    display.Run("xdotool", {"windowsize", "--sync", window, "1000", "800"});
    QThread::msleep(800);
    const int resized = CountColour(Shot("resized.png"), magenta);
    EXPECT_GT(resized, shown) << "the preview did not grow with the window";

    // File > Exit ends the program and stores the placement.
    Keys(window, {"alt+f", "x"});
    ASSERT_TRUE(program.waitForFinished(10000)) << "File > Exit did not end the program";
    EXPECT_EQ(program.exitCode(), 0);
    QSettings stored(IniFile(), QSettings::IniFormat);
    for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
        EXPECT_TRUE(stored.contains(QStringLiteral("Settings/%1").arg(key))) << key;
    EXPECT_NEAR(stored.value("Settings/MainWidth").toDouble(), 1000 * 15, 15 * 40);
}

namespace {
// Every visible window of that exact title, newest last.
QStringList Windows(const testx::VirtualDisplay& display, const QString& title) {
    return display.Run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"})
        .split('\n', Qt::SkipEmptyParts);
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (done()) return true;
        QThread::msleep(100);
    }
    return done();
}
}  // namespace

TEST_F(ProgramWindowTest, ShortcutsOpenTheDialogsAndTheMenuShowsThem) {
    program.start(QStringLiteral(OMBRASTELE_BINARY), {});
    ASSERT_TRUE(program.waitForStarted(5000));
    const QString window = WaitForWindow("Ombrastele");
    ASSERT_FALSE(window.isEmpty());
    QThread::msleep(500);

    struct Case {
        const char* keys;
        const char* dialog;
    };
    // The PDF printer stands in (no scheduler): Page Setup is its paper dialog.
    for (const Case& c : {Case{"ctrl+o", "Open"}, Case{"ctrl+shift+p", "Page Setup"}}) {
        Keys(window, {c.keys});
        const QString dialog = WaitForWindow(c.dialog);
        EXPECT_FALSE(dialog.isEmpty()) << c.keys << " did not open " << c.dialog;
        if (dialog.isEmpty()) continue;
        display.Run("xdotool", {"windowfocus", "--sync", dialog});
        display.Run("xdotool", {"key", "Escape"});
        EXPECT_TRUE(WaitUntil([&] { return Windows(display, c.dialog).isEmpty(); }, 5000)) << c.dialog;
    }
    // Print with nothing open: the one message, captioned with the program's name.
    Keys(window, {"ctrl+p"});
    EXPECT_TRUE(WaitUntil([&] { return Windows(display, "Ombrastele").size() == 2; }, 5000))
        << "ctrl+p did not answer";
    display.Run("xdotool", {"key", "Return"});
    EXPECT_TRUE(WaitUntil([&] { return Windows(display, "Ombrastele").size() == 1; }, 5000));

    // The open File menu, its keys beside the items (looked at in the screenshot).
    Keys(window, {"alt+f"});
    QThread::msleep(500);
    Shot("file-menu.png");
    display.Run("xdotool", {"key", "Escape"});
    QThread::msleep(300);

    Keys(window, {"ctrl+q"});
    ASSERT_TRUE(program.waitForFinished(10000)) << "ctrl+q did not end the program";
    EXPECT_EQ(program.exitCode(), 0);
}

TEST_F(ProgramWindowTest, LongPrintShowsProgressAndCancelLeavesNoFile) {
    // 34 megapixels (nearly all of A4 at 600 dpi) of noise of four levels a
    // channel: every strip of it is deflated (to about a fifth), so the print
    // takes long enough that the progress shows and the cancel lands while
    // the page is written. Noise of every level is stored after a few cheap
    // trials, and could end first.
    QImage picture(4900, 7000, QImage::Format_RGB32);
    quint32 x = 99;
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int i = 0; i < picture.width(); ++i) {
            x = x * 1664525u + 1013904223u;
            line[i] = qRgb(int(x >> 30) * 85, int(x >> 28 & 3) * 85, int(x >> 26 & 3) * 85);
        }
    }
    const QString picturePath = home.filePath("noise.bmp");
    ASSERT_TRUE(picture.save(picturePath, "BMP"));
    const QString pdf = home.filePath("page.pdf");

    program.start(QStringLiteral(OMBRASTELE_BINARY), {picturePath});
    ASSERT_TRUE(program.waitForStarted(5000));
    const QString window = WaitForWindow("Ombrastele");
    ASSERT_FALSE(window.isEmpty());
    // Print once the picture is open (decoding 24 megapixels takes a while,
    // longer under the sanitizers): until then Print only says there is no
    // picture, which is answered and tried again.
    QString save;
    for (int attempt = 0; attempt < 30 && save.isEmpty(); ++attempt) {
        QThread::msleep(1000);
        if (!Windows(display, "Opening").isEmpty()) continue;  // still decoding
        Keys(window, {"ctrl+p"});
        if (WaitUntil([&] { return !Windows(display, "Save as PDF").isEmpty() ||
                                   Windows(display, "Ombrastele").size() == 2; },
                      5000) &&
            Windows(display, "Save as PDF").isEmpty()) {
            display.Run("xdotool", {"key", "Return"});  // "Please open a picture before printing."
            continue;
        }
        save = Windows(display, "Save as PDF").value(0);
    }
    ASSERT_FALSE(save.isEmpty()) << "the PDF printer did not ask for a file";
    display.Run("xdotool", {"windowfocus", "--sync", save});
    display.Run("xdotool", {"type", "--delay", "5", pdf});
    display.Run("xdotool", {"key", "Return"});

    // Polled: xdotool's own wait gives up at once when a window it looks at
    // goes away meanwhile (the save dialog closing).
    QString progress;
    WaitUntil([&] { return !(progress = Windows(display, "Printing").value(0)).isEmpty(); }, 20000);
    ASSERT_FALSE(progress.isEmpty()) << "no progress dialog";
    // Cancelled at once: a picture of noise, stored rather than deflated,
    // is written in well under a second.
    display.Run("xdotool", {"windowfocus", "--sync", progress});
    display.Run("xdotool", {"key", "Escape"});
    Shot("progress-dialog.png");
    EXPECT_TRUE(WaitUntil([&] { return Windows(display, "Printing").isEmpty(); }, 15000)) << "Cancel did not stop";
    QThread::msleep(500);
    EXPECT_FALSE(QFile::exists(pdf)) << "a cancelled job left its file";
    Shot("print-cancelled.png");

    Keys(window, {"ctrl+q"});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
}
