// The resolution chosen per printer: how it is written and read back, kept
// per queue, and offered.
#include "platform/base/AppInfo.h"
#include "platform/base/Settings.h"
#include "platform/print/Nudge.h"
#include "platform/print/PrinterDialogs.h"
#include "platform/print/ResolutionChoice.h"

#include <gtest/gtest.h>

#include <QComboBox>

using namespace platform;

TEST(ResolutionChoice, ReadsDpiOrAcrossByDownAndNothingElse) {
    const std::pair<const char*, QSize> cases[] = {
        {"600", QSize(600, 600)},         {"300 X 600", QSize(300, 600)}, {"2400x600dpi", QSize(2400, 600)},
        {"360 DPI", QSize(360, 360)},     {"9600x9600", QSize(9600, 9600)},
        // Refused: empty, zero, beyond the limit, signs, fractions, half
        // pairs, other separators and words.
        {"", QSize()},      {"600x0", QSize()},   {"9601", QSize()},   {"-600", QSize()},
        {"600.5", QSize()}, {"600x", QSize()},    {"600,600", QSize()}, {"default", QSize()},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        QSize dpi(-7, -7);
        const bool read = ParseResolutionChoice(QString::fromLatin1(text), &dpi);
        EXPECT_EQ(read, !expected.isEmpty());
        EXPECT_EQ(dpi, read ? expected : QSize(-7, -7));  // untouched when refused
        if (read) {
            // What is kept reads back the same.
            QSize again;
            ASSERT_TRUE(ParseResolutionChoice(FormatResolutionChoice(dpi), &again));
            EXPECT_EQ(again, dpi);
        }
    }
}

TEST(ResolutionChoice, KeptPerQueueAndCheckedWhenRead) {
    // Queue names with characters the store would otherwise read as syntax.
    const QString office = QStringLiteral("Office/Laser;#[1]"), label = QStringLiteral("Label=Printer");
    StoreResolution(office, QSize(300, 600));
    StoreResolution(label, QSize(203, 203));
    EXPECT_EQ(StoredResolution(office), QSize(300, 600));
    EXPECT_EQ(StoredResolution(label), QSize(203, 203));
    EXPECT_EQ(StoredResolution(QStringLiteral("Never chosen")), QSize());
    StoreResolution(office, QSize());  // the default again
    EXPECT_EQ(StoredResolution(office), QSize());
    EXPECT_EQ(StoredResolution(label), QSize(203, 203));

    // A settings file edited by hand: anything out of range or unreadable is
    // no choice at all.
    for (const char* junk : {"0x600", "600x99999", "-300", "600 dpi please", "0x0"}) {
        SaveSetting(AppTitle(), QStringLiteral("Resolution"), KeyOfName(label), QString::fromLatin1(junk));
        EXPECT_EQ(StoredResolution(label), QSize()) << junk;
    }
    StoreResolution(label, QSize());
}

// CUPS does not tell "A4" from "a4": neither does what is kept for a queue,
// and storing under one spelling leaves one entry.
TEST(ResolutionChoice, QueueNamesCompareWithoutCaseAsCupsCompares) {
    StoreResolution(QStringLiteral("a4"), QSize(300, 300));
    StoreNudge(QStringLiteral("a4"), QPoint(3, -2));
    EXPECT_EQ(StoredResolution(QStringLiteral("A4")), QSize(300, 300));
    EXPECT_EQ(StoredNudge(QStringLiteral("A4")), QPoint(3, -2));
    StoreResolution(QStringLiteral("A4"), QSize(600, 600));
    EXPECT_EQ(StoredResolution(QStringLiteral("a4")), QSize(600, 600));
    // Only ASCII letters fold, as in CUPS; another queue stays apart.
    EXPECT_EQ(StoredResolution(QStringLiteral("a4x")), QSize());
    EXPECT_EQ(GetSetting(AppTitle(), QStringLiteral("Resolution"), KeyOfName(QStringLiteral("a4")), QStringLiteral("gone")),
              QStringLiteral("gone"));
    StoreResolution(QStringLiteral("a4"), QSize());
    StoreNudge(QStringLiteral("a4"), QPoint());
}

TEST(ResolutionChoice, TheDialogNamesWhatEachSetsWithTheDefaultFirst) {
    const QList<QSize> choices{QSize(300, 300), QSize(600, 600), QSize(300, 600)};
    const struct {
        QSize defaultDpi, current;
        const char* defaultText;
        int selected;
    } cases[] = {
        {QSize(600, 600), QSize(), "Printer default (600 dpi)", 0},
        {QSize(600, 600), QSize(300, 600), "Printer default (600 dpi)", 3},
        {QSize(300, 600), QSize(300, 300), "Printer default (300 x 600 dpi)", 1},
        {QSize(600, 600), QSize(1200, 1200), "Printer default (600 dpi)", 0},  // not offered: the default's line
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.defaultText);
        const std::vector<ResolutionItem> items = ResolutionItems(c.defaultDpi, choices);
        const std::vector<ResolutionItem> expected{{QString::fromLatin1(c.defaultText), QSize()},
                                                   {QStringLiteral("300 x 300 dpi"), QSize(300, 300)},
                                                   {QStringLiteral("600 x 600 dpi"), QSize(600, 600)},
                                                   {QStringLiteral("300 x 600 dpi"), QSize(300, 600)}};
        EXPECT_EQ(items, expected);

        ResolutionDialog dialog(QStringLiteral("Office"), items, c.current, nullptr, QStringLiteral("Page Setup"));
        EXPECT_EQ(dialog.cboResolution->currentIndex(), c.selected);
    }
}
