// File names as bytes: every name survives the trip through a QString, is
// shown on one line, opens and is written under its very bytes; a name a
// dialog changed finds its file; the program's own files are not written over.
#include "platform/base/FileNames.h"
#include "platform/base/Screen.h"
#include "platform/base/Settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

TEST(FileNames, EveryByteSurvivesAndShowsOnOneLine) {
    const struct {
        QByteArray bytes;
        QString shown;
    } cases[] = {
        {"plain.png", "plain.png"},
        {"caf\xc3\xa9.png", QStringLiteral("caf\u00e9.png")},
        {"bad\xff\xfe.png", "bad\\xFF\\xFE.png"},
        {"cut\xc3", "cut\\xC3"},                            // a sequence cut short
        {"sur\xed\xb2\x80", "sur\\xED\\xB2\\x80"},           // an encoded surrogate, as our escapes look
        {"line\nfeed", "line\\x0Afeed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        const QString name = FileNameFromBytes(c.bytes);
        EXPECT_EQ(FileNameBytes(name), c.bytes);
        EXPECT_EQ(ShownFileName(name), c.shown);
    }
    // Every single byte and pair of bytes.
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            const QByteArray bytes{char(a), char(b)};
            ASSERT_EQ(FileNameBytes(FileNameFromBytes(bytes)), bytes) << a << " " << b;
        }
}

TEST(FileNames, OpenWriteAndFindUnderTheVeryBytes) {
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    const QString name = FileNameFromBytes(folder + "/sub\xff/pic\xfe.png");
    ASSERT_EQ(mkdir((folder + "/sub\xff").constData(), 0700), 0);

    QFile out;
    QString error;
    ASSERT_TRUE(OpenFile(out, name, QIODevice::WriteOnly, &error)) << error.toStdString();
    out.write("bytes");
    out.close();
    struct stat st {};
    ASSERT_EQ(stat((folder + "/sub\xff/pic\xfe.png").constData(), &st), 0) << "not written under its bytes";
    const FileFacts facts = StatFile(name);
    EXPECT_TRUE(facts.exists && facts.isFile && facts.readable);
    QFile in;
    ASSERT_TRUE(OpenFile(in, name, QIODevice::ReadOnly, nullptr));
    EXPECT_EQ(in.readAll(), "bytes");

    // As a dialog gives it back: Qt's decoding, each bad byte U+FFFD.
    const QString dialog = QFile::decodeName(folder + "/sub\xff/pic\xfe.png");
    EXPECT_FALSE(StatFile(dialog).exists);
    EXPECT_EQ(FileNameBytes(ExistingFileName(dialog)), folder + "/sub\xff/pic\xfe.png");
    // A new file in such a folder: the folder found, the new name kept.
    const QString fresh = QFile::decodeName(folder + "/sub\xff/new.pdf");
    EXPECT_EQ(FileNameBytes(ExistingFileName(fresh)), folder + "/sub\xff/new.pdf");
    EXPECT_FALSE(OpenFile(in, name + QStringLiteral("-missing"), QIODevice::ReadOnly, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(RemoveFile(name));
    EXPECT_FALSE(StatFile(name).exists);
    rmdir((folder + "/sub\xff").constData());  // Qt cannot remove what it cannot name
}

TEST(FileNames, TheProgramsOwnFilesAreNamed) {
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("p.png"));
    const QString other = dir.filePath(QStringLiteral("q.png"));
    for (const QString& path : {picture, other}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(picture, dir.filePath(QStringLiteral("link.png"))));
    KeepFromOverwriting(picture, QStringLiteral("the picture"));
    SaveSetting(QStringLiteral("Ombrastele"), QStringLiteral("Test"), QStringLiteral("Key"), QStringLiteral("1"));
    EXPECT_EQ(ReadByTheProgram(picture), QStringLiteral("the picture"));
    EXPECT_EQ(ReadByTheProgram(dir.filePath(QStringLiteral("link.png"))), QStringLiteral("the picture"));
    EXPECT_EQ(ReadByTheProgram(SettingsFileName()), QStringLiteral("the settings file"));
    EXPECT_EQ(ReadByTheProgram(other), QString());
    EXPECT_EQ(ReadByTheProgram(dir.filePath(QStringLiteral("new.pdf"))), QString());
    KeepFromOverwriting(QString(), QStringLiteral("the picture"));
}

TEST(Screens, AWindowMustBeSeenAndHeld) {
    const std::vector<QRect> one{{0, 0, 1920, 1080}};
    const std::vector<QRect> two{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    const std::vector<QRect> none;
    const struct {
        QRect window;
        const std::vector<QRect>& screens;
        bool on;
    } cases[] = {
        {{100, 100, 800, 600}, one, true},
        {{1900, 1000, 800, 600}, one, false},     // 20 x 80 pixels left on the screen
        {{1856, 1048, 800, 600}, one, true},      // 64 x 32 left
        {{-790, 10, 800, 600}, one, false},
        {{100, -30000, 800, 600}, one, false},
        {{2000, 100, 800, 600}, two, true},       // on the second screen
        {{100, 100, 4000, 600}, one, false},      // wider than every screen
        {{100, 100, 3000, 600}, two, true},       // across both
        {{10, 10, 20, 20}, one, true},            // small, all of it seen
        {{0, 0, 0, 0}, one, false},
        {{5000, 5000, 800, 600}, none, true},     // nothing to measure by
    };
    for (const auto& c : cases)
        EXPECT_EQ(OnSomeScreen(c.window, c.screens), c.on)
            << c.window.x() << "," << c.window.y() << " " << c.window.width() << " x " << c.window.height();
}

TEST(FileNames, LongNamesAreShortenedKeepingStartAndEnd) {
    const QString longName = QString(100, QLatin1Char('a')) + QStringLiteral("-end.png");
    const struct {
        QString name;
        int max;
        QString expected;
    } cases[] = {
        {QStringLiteral("short.png"), 20, QStringLiteral("short.png")},
        {longName, 20, QStringLiteral("aaaaaaaaa...-end.png")},
        {platform::FileNameFromBytes("\xff" + QByteArray(40, 'b') + ".png"), 16, QStringLiteral("\\xFFbbb...bb.png")},
        // A character outside the BMP is never cut in half.
        {QStringLiteral("\U0001F600\U0001F600\U0001F600\U0001F600xyz"), 8, QStringLiteral("\U0001F600...yz")},
    };
    for (const auto& c : cases) {
        const QString got = platform::ShortenedName(c.name, c.max);
        EXPECT_EQ(got, c.expected) << got.toStdString();
        EXPECT_LE(got.size(), c.max);
    }
}
