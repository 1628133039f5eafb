// The list of recent pictures: its order, its length and what the store keeps.
#include "platform/base/Settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
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

TEST(RecentPictures, StoredPerUserWithoutFilesThatAreGone) {
    const QString app = QStringLiteral("OmbrasteleRecentTest");
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < platform::kMaxRecentPictures + 2; ++i) {
        files << dir.filePath(QStringLiteral("p%1.png").arg(i));
        ASSERT_TRUE(QFile(files.last()).open(QIODevice::WriteOnly));
        platform::RememberPicture(app, files.last());
    }
    QStringList newest;
    for (int i = 0; i < platform::kMaxRecentPictures; ++i) newest << files[files.size() - 1 - i];
    EXPECT_EQ(platform::RecentPictures(app), newest);
    QFile::remove(newest[1]);
    newest.removeAt(1);
    EXPECT_EQ(platform::RecentPictures(app), newest);
    EXPECT_EQ(platform::GetSetting(app, QStringLiteral("Recent"), QStringLiteral("Picture1"), {}), newest[0]);
}
