// The list of recent pictures: its order and its length, names kept as
// their very bytes, and a store grown large pruned as it is read. That files
// gone since are left out, the window's test shows.
#include "platform/base/FileNames.h"
#include "platform/base/Settings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

TEST(RecentPictures, NewestFirstOnceEachAtMostTheLimit) {
    const struct {
        const char* name;
        QStringList list;
        QString path;
        int max;
        QStringList expected;
    } cases[] = {
        {"first ever", {}, "/p/a.png", 8, {"/p/a.png"}},
        {"new on top", {"/p/a.png", "/p/b.png"}, "/p/c.png", 8, {"/p/c.png", "/p/a.png", "/p/b.png"}},
        {"again moves up", {"/p/a.png", "/p/b.png", "/p/c.png"}, "/p/b.png", 8, {"/p/b.png", "/p/a.png", "/p/c.png"}},
        {"same file spelt otherwise", {"/p/a.png"}, "/p/x/../a.png", 8, {"/p/a.png"}},
        {"oldest falls off", {"/1", "/2", "/3"}, "/4", 3, {"/4", "/1", "/2"}},
        {"empty entries dropped", {"", "/1"}, "/2", 8, {"/2", "/1"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::WithRecent(c.list, c.path, c.max), c.expected) << c.name;
}

namespace {
class RecentStore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mDir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, mDir.path());
    }
    void TearDown() override {
        for (const QString& name : mTouched) platform::RemoveFile(name);  // Qt cannot name some
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, testenv::ScratchDir() + QStringLiteral("/config"));
    }
    QString Touch(const QByteArray& name) {
        const QString path = platform::FileNameFromBytes(QFile::encodeName(mDir.path()) + '/' + name);
        QFile f;
        EXPECT_TRUE(platform::OpenFile(f, path, QIODevice::WriteOnly, nullptr));
        mTouched << path;
        return path;
    }
    QTemporaryDir mDir;
    QStringList mTouched;
};
const QString kApp = QStringLiteral("RecentTest");
}  // namespace

TEST_F(RecentStore, NamesRoundTripAsBytes) {
    const QStringList names = {Touch("plain.png"), Touch("caf\xc3\xa9.png"), Touch("latin1-caf\xe9.png"),
                               Touch("lone-\xff\xfe.png"), Touch("@at.png")};
    for (const QString& name : names) platform::RememberPicture(kApp, name);
    QStringList expected = names;
    std::reverse(expected.begin(), expected.end());
    const QStringList got = platform::RecentPictures(kApp);
    ASSERT_EQ(got.size(), expected.size());
    for (qsizetype i = 0; i < got.size(); ++i)
        EXPECT_EQ(platform::FileNameBytes(got[i]), platform::FileNameBytes(expected[i])) << i;
    // The Latin-1 spelling is not the UTF-8 one: both are kept, each itself.
    EXPECT_NE(platform::FileNameBytes(got[2]), platform::FileNameBytes(got[3]));
}

TEST_F(RecentStore, AStoreOfAnySizeIsPrunedToEightDistinctEntriesOnReading) {
    const QString a = Touch("a.png"), b = Touch("b.png");
    {
        QSettings store(QSettings::IniFormat, QSettings::UserScope, kApp, kApp);
        store.beginGroup(QStringLiteral("Recent"));
        store.setValue(QStringLiteral("Picture1"), a);
        store.setValue(QStringLiteral("Picture2"), a);  // a duplicate
        store.setValue(QStringLiteral("Picture3"), b);
        const QString longName = QStringLiteral("/gone/") + QString(1000, QLatin1Char('x'));
        for (int i = 4; i <= 10000; ++i) store.setValue(QStringLiteral("Picture%1").arg(i), longName + QString::number(i));
    }
    EXPECT_EQ(platform::StoredRecentPictures(kApp).size(), 7);  // a, b and five gone
    EXPECT_EQ(platform::RecentPictures(kApp), (QStringList{a, b}));
    QSettings store(QSettings::IniFormat, QSettings::UserScope, kApp, kApp);
    store.beginGroup(QStringLiteral("Recent"));
    EXPECT_EQ(store.childKeys().size(), 7);
    EXPECT_LT(QFile(store.fileName()).size(), 16 * 1024);
}
