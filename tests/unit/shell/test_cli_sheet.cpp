// The sheet layout's command-line options and the nudge's text form.
#include "platform/print/Nudge.h"
#include "platform/page/SheetLayout.h"
#include "shell/CommandLine.h"

#include <gtest/gtest.h>

using namespace platform;

// What the options refuse is in test_cli's table of arguments that make no request.
TEST(CommandLineParse, SheetOptionsAndTheNudgesForm) {
    const auto parse = [](QStringList args) {
        args.prepend(QStringLiteral("ombrastele"));
        return cli::Parse(args);
    };
    const cli::Request r = parse({"--print", "a.png", "--scale", "3", "--copies-on-sheet", "fill", "--gap", "12"});
    EXPECT_EQ(r.mode, cli::Mode::Print) << r.error.toStdString();
    EXPECT_EQ(r.sheet, (SheetOptions{3, kCopiesFill, 12, false, 0}));
    const cli::Request poster = parse({"--info", "a.png", "--poster", "--overlap", "40", "--nudge", "5,-3"});
    EXPECT_EQ(poster.sheet, (SheetOptions{1, 1, 0, true, 40}));
    EXPECT_TRUE(poster.setNudge);
    EXPECT_EQ(poster.nudge, QPoint(5, -3));
    EXPECT_EQ(parse({"--nudge", "0,0", "--printer", "Q"}).mode, cli::Mode::Nudge);

    QPoint n;
    EXPECT_TRUE(ParseNudge(QStringLiteral(" -12 , +7 "), &n));
    EXPECT_EQ(n, QPoint(-12, 7));
    EXPECT_EQ(FormatNudge(n), QStringLiteral("-12,7"));
    EXPECT_FALSE(ParseNudge(QStringLiteral("1.5,2"), &n));
}
