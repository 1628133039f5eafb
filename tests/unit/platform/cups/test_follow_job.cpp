// Following a job when the scheduler stops answering: a restart within the
// grace is waited out, a longer silence ends the wait as lost contact, and a
// scheduler that answers without the job is no lost contact.
#include "platform/cups/JobStatus.h"

#include <gtest/gtest.h>


using namespace platform;

TEST(FollowJob, LostContactOnlyAfterTheGraceOfSilence) {
    // Each answer in turn, one every 10 ms, the last one for ever after: 'p'
    // pending, 'x' no answer at all, '?' an answer without the job, 'c'
    // completed.
    const struct {
        const char* answers;
        int graceMs;
        WaitEnd end;
        int lastState;
    } cases[] = {
        {"px", 300, WaitEnd::LostContact, kJobPending},
        {"pxxxxxpxxxxxpxxxxxc", 300, WaitEnd::Ended, kJobCompleted},  // restarts well within the grace
        {"p?", 300, WaitEnd::TimedOut, kJobPending},
        {"px", -1, WaitEnd::TimedOut, kJobPending},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answers);
        size_t turn = 0;
        const std::string answers = c.answers;
        const auto query = [&](const QString&, int) {
            const char a = answers[std::min(turn++, answers.size() - 1)];
            if (a == 'x') throw PrintSystemUnreachable(QStringLiteral("no answer"));
            if (a == '?') throw Failure(QStringLiteral("not found"));
            JobStatus s;
            s.state = a == 'c' ? kJobCompleted : kJobPending;
            return s;
        };
        // The timeout is far past the grace: only the grace ends a silence.
        const WaitResult r = FollowJob(QStringLiteral("Q"), 7, 1000, c.graceMs, 10, query);
        EXPECT_EQ(r.end, c.end);
        EXPECT_EQ(r.last.state, c.lastState);
    }
}
