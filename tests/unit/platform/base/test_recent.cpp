// The list of recent pictures: its order and its length. What the store
// keeps, and that files gone since are left out, the window's test shows.
#include "platform/base/Settings.h"

#include <gtest/gtest.h>

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
