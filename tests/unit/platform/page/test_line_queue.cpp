#include "platform/page/LineQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <vector>

using namespace platform;

TEST(LineQueue, WritesEveryLineInOrderOrFailsWithTheWriter) {
    struct Case {
        const char* name;
        size_t lines, perBatch, batches;
        long failAt;  // the line the writer throws on, or -1
    } cases[] = {
        {"none", 0, 4, 2, -1},
        {"part of a batch", 3, 4, 2, -1},
        {"many batches round the buffers", 1001, 7, 3, -1},
        {"the writer fails midway", 500, 8, 2, 123},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned> written;
        bool thrown = false;
        try {
            LineQueue queue(sizeof(unsigned), [&](const unsigned char* line) {
                if (long(written.size()) == c.failAt) throw std::runtime_error("full");
                unsigned v;
                std::memcpy(&v, line, sizeof v);
                written.push_back(v);
            }, c.perBatch, c.batches);
            for (unsigned i = 0; i < c.lines; ++i) std::memcpy(queue.Next(), &i, sizeof i);
            queue.Finish();
        } catch (const std::runtime_error&) {
            thrown = true;
        }
        EXPECT_EQ(thrown, c.failAt >= 0);
        const size_t expected = c.failAt >= 0 ? size_t(c.failAt) : c.lines;
        ASSERT_EQ(written.size(), expected);
        for (size_t i = 0; i < written.size(); ++i) ASSERT_EQ(written[i], i);
    }
}

TEST(LineQueue, LeftUnfinishedStopsItsWriter) {
    std::atomic<int> written{0};
    {
        LineQueue queue(1, [&](const unsigned char*) { ++written; }, 2, 2);
        for (int i = 0; i < 5; ++i) *queue.Next() = 0;
    }  // no Finish: a cancelled page
    EXPECT_LE(written.load(), 4);
}
