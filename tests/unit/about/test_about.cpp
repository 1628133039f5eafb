// The About box: its texts, reading the registry and starting the
// system-information tool, with a scripted registry and launcher.
#include "about/frmAbout.h"
#include "platform/base/Failure.h"
#include "platform/desktop/Launcher.h"
#include "platform/desktop/Registry.h"
#include "platform/base/AppInfo.h"
#include "platform/desktop/Resources.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <cstring>

namespace {

const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");
const char* const kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char* const kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct Value {
    std::uint32_t type;
    QByteArray data;
};

// Keys by path, each with values by name. Checks the caller's buffer and
// counts what is opened and closed.
class FakeRegistry : public platform::Registry {
public:
    QMap<QByteArray, QMap<QByteArray, Value>> keys;
    int opened = 0;
    int closed = 0;
    bool badRequest = false;

    long OpenKey(std::int32_t root, const QByteArray& subKey, std::uint32_t access, platform::RegKey& key) override {
        if (root != platform::kHKeyLocalMachine || access != 0x2003F) badRequest = true;
        const auto it = keys.find(subKey);
        if (it == keys.end()) return platform::kErrorFileNotFound;
        ++opened;
        key = platform::RegKey(100 + std::distance(keys.begin(), it));
        mOpen[key] = subKey;
        return platform::kErrorSuccess;
    }
    long QueryValue(platform::RegKey key, const QByteArray& name, std::uint32_t& type, unsigned char* data,
                    std::uint32_t& size) override {
        if (!mOpen.contains(key) || size != 1024) badRequest = true;
        for (std::uint32_t i = 0; i < size; ++i)
            if (data[i] != 0) badRequest = true;
        const auto& values = keys[mOpen[key]];
        const auto it = values.find(name);
        if (it == values.end()) return platform::kErrorFileNotFound;
        if (std::uint32_t(it->data.size()) > size) return platform::kErrorMoreData;
        std::memcpy(data, it->data.constData(), size_t(it->data.size()));
        type = it->type;
        size = std::uint32_t(it->data.size());
        return platform::kErrorSuccess;
    }
    long CloseKey(platform::RegKey key) override {
        if (!mOpen.remove(key)) badRequest = true;
        ++closed;
        return platform::kErrorSuccess;
    }

private:
    QMap<platform::RegKey, QByteArray> mOpen;
};

class FakeLauncher : public platform::Launcher {
public:
    QStringList files;
    bool startFails = false;
    QStringList asked;
    QStringList started;

    bool FileExists(const QString& path) override {
        asked << path;
        return files.contains(path);
    }
    void Start(const QString& program) override {
        if (startFails) platform::Fail(QStringLiteral("File not found"));
        started << program;
    }
};

QByteArray Dword(std::uint32_t v) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

void Unload(frmAbout* about) {
    QPointer<frmAbout> guard(about);
    about->cmdOK_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull()) << "an unloaded About box is deleted";
}

class About : public testing::Test {
protected:
    void SetUp() override {
        testenv::ClearMessages();
        about = frmAbout::Instance(nullptr);
        about->SetSystemServices(&registry, &launcher);
    }
    void TearDown() override {
        if (about) Unload(about);
    }
    FakeRegistry registry;
    FakeLauncher launcher;
    QPointer<frmAbout> about;
};

}  // namespace

TEST_F(About, GetKeyValueReadsValuesAndClosesEveryOpenedKey) {
    struct Case {
        const char* name;
        bool keyExists;
        bool valueExists;
        Value value;
        bool result;
        QString keyVal;  // KeyVal comes in as "before"
    };
    const QByteArray full(1024, 'x');
    const Case cases[] = {
        {"no key", false, false, {}, false, ""},
        {"no value", true, false, {}, false, ""},
        {"text", true, true, {1, QByteArray("C:\\Tools\\msinfo32.exe", 22)}, true, "C:\\Tools\\msinfo32.exe"},
        {"text cut at its first zero", true, true, {1, QByteArray("abc\0def\0", 8)}, true, "abc"},
        {"text without terminator", true, true, {1, QByteArray("abc")}, true, "abc"},
        {"1023 bytes of text", true, true, {1, QByteArray(1023, 'y')}, true, QString(1023, 'y')},
        {"too long for the buffer", true, true, {1, QByteArray(1025, 'y')}, false, ""},
        {"number", true, true, {4, Dword(0x0001F2A0)}, true, "&h1F2A0"},
        {"number zero", true, true, {4, Dword(0)}, true, "&h0"},
        {"number all ones", true, true, {4, Dword(0xFFFFFFFF)}, true, "&hFFFFFFFF"},
        {"number with zero low byte", true, true, {4, Dword(0x1200)}, true, "&h1200"},
        {"other type", true, true, {3, QByteArray("\1\2\3")}, true, "before"},
    };
    for (const Case& c : cases) {
        FakeRegistry reg;
        if (c.keyExists) {
            reg.keys["SOFTWARE\\K"]["unrelated"] = {1, "x"};
            if (c.valueExists) reg.keys["SOFTWARE\\K"]["V"] = c.value;
        }
        about->SetSystemServices(&reg, &launcher);
        QString keyVal = QStringLiteral("before");
        EXPECT_EQ(about->GetKeyValue(platform::kHKeyLocalMachine, "SOFTWARE\\K", "V", keyVal), c.result) << c.name;
        EXPECT_EQ(keyVal, c.keyVal) << c.name;
        EXPECT_EQ(reg.opened, c.keyExists ? 1 : 0) << c.name;
        EXPECT_EQ(reg.closed, reg.opened) << c.name;
        EXPECT_FALSE(reg.badRequest) << c.name;
    }

    // 1024 bytes with no zero: the cut fails, and the key is still closed.
    FakeRegistry reg;
    reg.keys["SOFTWARE\\K"]["V"] = {1, full};
    about->SetSystemServices(&reg, &launcher);
    QString keyVal;
    EXPECT_THROW(about->GetKeyValue(platform::kHKeyLocalMachine, "SOFTWARE\\K", "V", keyVal), platform::Failure);
    EXPECT_EQ(reg.opened, 1);
    EXPECT_EQ(reg.closed, 1);
}

TEST_F(About, StartSysInfoFindsTheToolOrSaysItIsUnavailable) {
    struct Case {
        const char* name;
        QByteArray path;      // value PATH of the first key; empty: absent
        QByteArray location;  // value MSINFO of the second key; empty: absent
        QStringList files;
        bool startFails;
        QStringList started;
        bool message;
    };
    const Case cases[] = {
        {"neither lookup", "", "", {}, false, {}, true},
        {"folder without the tool", "", "C:\\Empty", {"C:\\Tools\\MSINFO32.EXE"}, false, {}, true},
        {"folder with the tool", "", "C:\\Tools", {"C:\\Tools\\MSINFO32.EXE"}, false, {"C:\\Tools\\MSINFO32.EXE"},
         false},
        {"path, started unchecked", "D:\\Sys\\msinfo32.exe", "C:\\Tools", {}, false, {"D:\\Sys\\msinfo32.exe"},
         false},
        {"start fails", "D:\\Missing\\msinfo32.exe", "", {}, true, {}, true},
        // A failure inside the first lookup is not a miss: no second lookup.
        {"first value overflows the buffer", QByteArray(1024, 'p'), "C:\\Tools", {"C:\\Tools\\MSINFO32.EXE"}, false,
         {}, true},
    };
    for (const Case& c : cases) {
        testenv::ClearMessages();
        FakeRegistry reg;
        FakeLauncher run;
        if (!c.path.isEmpty()) reg.keys[kSysInfoKey]["PATH"] = {1, c.path};
        if (!c.location.isEmpty()) reg.keys[kLocationKey]["MSINFO"] = {1, c.location};
        run.files = c.files;
        run.startFails = c.startFails;
        about->SetSystemServices(&reg, &run);
        about->StartSysInfo();
        EXPECT_EQ(run.started, c.started) << c.name;
        EXPECT_EQ(testenv::Messages(), c.message ? QStringList{kUnavailable} : QStringList{}) << c.name;
        EXPECT_EQ(reg.closed, reg.opened) << c.name;
        if (!c.path.isEmpty()) EXPECT_TRUE(run.asked.isEmpty()) << c.name;
    }
}

TEST_F(About, WithoutARegistrySystemInfoIsUnavailable) {
    about->SetSystemServices(&platform::SystemRegistry(), &launcher);
#ifndef _WIN32
    about->cmdSysInfo->click();
    EXPECT_EQ(testenv::Messages(), QStringList{kUnavailable});
    EXPECT_TRUE(launcher.started.isEmpty());
#endif
}

namespace {
QStringList Texts(frmAbout* a) {
    return {a->windowTitle(),        a->lblTitle->text(),      a->lblVersion->text(), a->lblDescription->text(),
            a->lblDisclaimer->text(), a->cmdOK->text(),        a->cmdSysInfo->text()};
}
}  // namespace

TEST_F(About, LoadShowsTitleVersionAndSentences) {
    about->Load();
    const QStringList expected{
        "About Ombrastele",
        "Ombrastele",
        QStringLiteral("Version %1.%2.%3").arg(AppMajor()).arg(AppMinor()).arg(AppRevision()),
        LoadResString(1018).value_or("?"),
        "Feel free to distribute this program to others.",
        "OK",
        "&System Info..."};
    EXPECT_EQ(Texts(about), expected);
    EXPECT_TRUE(LoadResString(1018)->startsWith("Source code for this program is available. See "));
    EXPECT_TRUE(LoadResString(1018)->endsWith(" for more information on Ombrastele."));
    EXPECT_FALSE(about->picIcon->pixmap().isNull());
    EXPECT_EQ(about->picIcon->pixmap().size(), QSize(32, 32));
}

TEST_F(About, GeometryFollowsTheDesignInTwips) {
    // 96 dpi: 15 twips per pixel.
    EXPECT_EQ(about->size(), QSize(391, 242));
    EXPECT_EQ(about->cmdOK->geometry(), QRect(283, 175, 98, 23));
    EXPECT_EQ(about->lblDescription->geometry(), QRect(70, 75, 273, 78));
    // The etched separator: grey one pixel above white.
    EXPECT_EQ(about->Line1[1]->geometry().y() + 1, about->Line1[0]->geometry().y());
    EXPECT_EQ(about->Line1[1]->palette().color(QPalette::Window), QColor(0x808080));
    EXPECT_EQ(about->Line1[0]->palette().color(QPalette::Window), QColor(0xFFFFFF));
}

TEST_F(About, OkUnloadsAndTheNextOpenLoadsAfresh) {
    QWidget owner;
    Unload(about);
    QStringList seen[2];
    for (QStringList& texts : seen) {
        about = frmAbout::Instance(&owner);
        about->SetSystemServices(&registry, &launcher);
        QPointer<frmAbout> shown = about;
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(shown);
            EXPECT_TRUE(shown->isVisible());
            EXPECT_TRUE(shown->isModal());
            EXPECT_EQ(shown->parentWidget(), &owner);
            texts = Texts(shown);
            shown->cmdOK->click();
        });
        about->ShowModal();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(shown.isNull());
    }
    EXPECT_EQ(seen[0].value(0), "About Ombrastele");
    EXPECT_EQ(seen[0].value(2), "Version 1.0.0");
    EXPECT_EQ(seen[1], seen[0]);
    about = nullptr;
}

// Renders the loaded window to the file named by OMBRASTELE_ABOUT_PNG.
TEST_F(About, RendersToFileWhenAsked) {
    const QString path = qEnvironmentVariable("OMBRASTELE_ABOUT_PNG");
    if (path.isEmpty()) GTEST_SKIP() << "set OMBRASTELE_ABOUT_PNG to render the window";
    about->Load();
    EXPECT_TRUE(about->grab().save(path));
}
