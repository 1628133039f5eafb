// OMBRASTELE_WAIT_GRACE is read in 64 bits and range-checked: a figure
// that would wrap (4294968 s is 2^32 ms and a bit) is refused with a
// warning, never turned into about a second.
#include "shell/HeadlessJob.h"

#include <gtest/gtest.h>

TEST(WaitGrace, OnlyWholeSecondsWithinADayAreTaken) {
    struct Row {
        std::optional<QByteArray> value;
        int seconds;
        bool warns;
    };
    const Row rows[] = {
        {std::nullopt, cli::kWaitGraceSeconds, false},
        {QByteArray("0"), 0, false},
        {QByteArray(" 86400 "), 86400, false},
        {QByteArray("86401"), cli::kWaitGraceSeconds, true},
        {QByteArray("4294968"), cli::kWaitGraceSeconds, true},
        {QByteArray("99999999999999999999"), cli::kWaitGraceSeconds, true},
        {QByteArray("-1"), cli::kWaitGraceSeconds, true},
        {QByteArray("2.5"), cli::kWaitGraceSeconds, true},
        {QByteArray(""), cli::kWaitGraceSeconds, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value ? row.value->toStdString() : "unset");
        QString text;
        QTextStream err(&text);
        EXPECT_EQ(cli::WaitGraceSeconds(row.value, err), row.seconds);
        err.flush();
        EXPECT_EQ(text.contains(QLatin1String("OMBRASTELE_WAIT_GRACE")), row.warns) << text.toStdString();
    }
}
