// A printer's answer is untrusted: a fake printer on loopback answers the
// program's Get-Printer-Attributes as hostile printers do, and every case
// ends without an answer to use, with a reason, within the deadline.
#include "platform/cups/PrinterAnswer.h"
#include "support/FakePrinter.h"
#include "support/SyntheticAnswer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

using testcups::AnswerShape;
using testcups::Behaviour;
using testcups::FakePrinter;
using testcups::SyntheticAnswer;

TEST(PrinterExchange, HostilePrintersEndInTheFallbackWithinTheDeadline) {
    constexpr int kDeadlineMs = 1500;
    struct Row {
        Behaviour behaviour;
        const char* scheme;
        const char* failure;  // part of the reason; empty: the answer is read
    };
    const Row rows[] = {
        {Behaviour::Answer, "ipp", ""},
        {Behaviour::Chunked, "ipp", ""},
        {Behaviour::Unauthorized, "ipp", "asks for a password (HTTP 401)"},
        {Behaviour::RedirectToItself, "ipp", "redirects to ipp://127.0.0.1"},
        {Behaviour::Drip, "ipp", "no answer within 1.5 s"},
        {Behaviour::Silent, "ipp", "no answer within 1.5 s"},
        {Behaviour::Silent, "ipps", "no answer within 1.5 s"},
        {Behaviour::NotTls, "ipps", "secure connection failed"},
        {Behaviour::HugeHeader, "ipp", "header is longer than 64 KiB"},
        {Behaviour::GzipBomb, "ipp", "inflates to more than 4 MiB"},
    };
    for (const Row& row : rows) {
        FakePrinter printer(row.behaviour, SyntheticAnswer());
        SCOPED_TRACE(printer.Uri(row.scheme).toStdString() + " " + std::to_string(int(row.behaviour)));
        QElapsedTimer clock;
        clock.start();
        const platform::PrinterReply reply = platform::AskPrinterAt(printer.Uri(row.scheme), kDeadlineMs);
        // Bounded by the deadline, with room for a loaded machine.
        EXPECT_LT(clock.elapsed(), kDeadlineMs + 5000);
        EXPECT_TRUE(reply.failure.contains(QLatin1String(row.failure))) << reply.failure.toStdString();
        EXPECT_EQ(reply.answer.has_value(), *row.failure == 0);
        if (reply.answer) EXPECT_EQ(reply.answer->urfResolutions, (QList<int>{300, 600}));
    }
    // Nothing listens: refused at once.
    const QByteArray gone = FakePrinter(Behaviour::Silent).Uri();
    EXPECT_TRUE(platform::AskPrinterAt(gone, kDeadlineMs).failure.startsWith(QLatin1String("cannot connect")));
}

TEST(PrinterExchange, ValuesOutOfRangeAreLeftOutWithANote) {
    struct Row {
        AnswerShape shape;
        const char* note;
        int databaseEntries;
        QList<int> urf;
        int pwgResolutions;
    };
    AnswerShape negative;
    negative.database = {{21000, 29700, -500, 300, 300, 300}, {21000, 29700, 300, 300, 300, 300}};
    negative.marginsSupported = {300, -2147483647 - 1};
    AnswerShape huge;
    huge.database = {{2147483647, 29700, 0, 0, 0, 0}, {10000, 10000, 6000, 6000, 0, 0}};
    huge.urf = {QStringLiteral("W8"), QStringLiteral("RS300-99999-99999999999")};
    huge.pwgResolutions = {QSize(1000000000, 1000000000), QSize(600, 600), QSize(10, 600)};
    AnswerShape many;
    many.databaseCopies = 3000;
    const Row rows[] = {
        {negative, "media-col-database: 1 of its papers ignored", 1, {300, 600}, 2},
        {huge, "media-col-database: 2 of its papers ignored", 0, {300}, 1},
        {many, "media-col-database: only the first 1000 values read", 1000, {300, 600}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.note);
        QString failure;
        const auto answer = platform::ReadPrinterAnswer(SyntheticAnswer(row.shape), &failure);
        ASSERT_TRUE(answer.has_value()) << failure.toStdString();
        EXPECT_TRUE(answer->notes.join(QLatin1Char('|')).contains(QLatin1String(row.note)))
            << answer->notes.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(answer->database.size(), row.databaseEntries);
        EXPECT_EQ(answer->urfResolutions, row.urf);
        EXPECT_EQ(answer->pwgResolutions.size(), row.pwgResolutions);
        for (const QList<int>* l : {&answer->leftMargins, &answer->bottomMargins})
            for (int m : *l) EXPECT_GE(m, 0);
    }
    QString failure;
    EXPECT_FALSE(platform::ReadPrinterAnswer(QByteArray("HTTP/1.1 200 OK"), &failure).has_value());
    EXPECT_EQ(failure, QStringLiteral("it is not IPP"));
}
