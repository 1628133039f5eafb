#include "platform/page/FlateStrips.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <random>
#include <vector>

using namespace platform;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Noise(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    Bytes b(n);
    for (auto& v : b) v = static_cast<unsigned char>(random());
    return b;
}

// zlib's own reader, which checks the blocks and the Adler-32.
Bytes Inflate(const Bytes& stream, size_t size) {
    Bytes out(size + 1);
    uLongf n = uLongf(out.size());
    EXPECT_EQ(uncompress(out.data(), &n, stream.data(), uLong(stream.size())), Z_OK);
    out.resize(n);
    return out;
}

}  // namespace

TEST(FlateStrips, EveryMixOfStripsInflatesToTheSameBytes) {
    const size_t strip = 4096;
    const Bytes flat(10 * strip + 123, 0x5a), noise = Noise(40 * strip + 7, 1);
    Bytes mixed = Noise(3 * strip, 2);
    mixed.insert(mixed.end(), 5 * strip, 0xff);  // paper after a noisy band
    mixed.insert(mixed.end(), noise.begin(), noise.begin() + 3 * strip);
    struct Case {
        const char* name;
        Bytes data;
        size_t piece;  // bytes per Add
        int minDeflated, maxTrials;
    } cases[] = {
        {"nothing", {}, 1, 0, 0},
        {"paper: every strip deflated", flat, 1000, 11, 11},
        {"noise: stored, trials thinning out", noise, 777, 0, 6},
        {"noise then paper then noise", mixed, strip, 3, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes stream;
        {
            FlateStrips flate([&](const unsigned char* b, size_t n) { stream.insert(stream.end(), b, b + n); }, strip);
            for (size_t at = 0; at < c.data.size(); at += c.piece)
                flate.Add(c.data.data() + at, std::min(c.piece, c.data.size() - at));
            flate.Finish();
            EXPECT_EQ(flate.Written(), int64_t(stream.size()));
            EXPECT_GE(flate.DeflatedStrips(), c.minDeflated);
            EXPECT_EQ(flate.DeflatedStrips() + flate.StoredStrips(), int((c.data.size() + strip - 1) / strip));
            EXPECT_LE(flate.Trials(), c.maxTrials);
            EXPECT_LE(stream.size(), c.data.size() + c.data.size() / 1000 + 64);
        }
        EXPECT_EQ(Inflate(stream, c.data.size()), c.data);
    }
}
