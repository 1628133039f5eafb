#pragma once
// A zlib stream (what PDF's FlateDecode reads) written in strips of the
// data: each strip is deflated on its own, or stored as it is when deflating
// would not pay. Deflate at its fastest level still runs at tens of
// megabytes a second on a noisy photograph and takes off a fifth or a half
// of it, while the file goes to the print system over a local socket and
// on to the printer at a hundred megabytes a second or more: only data that
// deflate shrinks to a small part is worth the time. A strip that does not
// shrink enough is stored, and the strips after it are stored without
// trying, the stretch doubling while they keep failing, so a noisy picture
// costs a few trial strips rather than all of them; and a trial that does
// not halve the strip's first 16 KiB goes no further.
//
// The strips are independent raw deflate pieces, each ended byte-aligned
// and not final, so stored and deflated strips follow one another in one
// stream; one final empty block and the Adler-32 of all the data end it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

class FlateStrips {
public:
    using Output = std::function<void(const unsigned char* bytes, size_t count)>;
    // Bytes of data a strip holds (the last may be shorter).
    static constexpr size_t kStripBytes = size_t(256) << 10;

    // `output` takes the stream's bytes in order; it may throw, and then
    // the stream is left unfinished.
    explicit FlateStrips(Output output, size_t stripBytes = kStripBytes);
    ~FlateStrips();
    FlateStrips(const FlateStrips&) = delete;
    FlateStrips& operator=(const FlateStrips&) = delete;

    void Add(const unsigned char* data, size_t count);
    // Writes what is left and the stream's end; nothing may be added after.
    void Finish();

    int64_t Written() const { return mWritten; }
    int DeflatedStrips() const { return mDeflated; }
    int StoredStrips() const { return mStored; }
    int Trials() const { return mTrials; }  // strips deflated to see whether it pays

private:
    void WriteStrip();
    // The first `count` bytes of the strip deflated as a piece of the
    // stream, into mPacked; returns the packed size.
    size_t Deflated(size_t count);
    void Emit(const unsigned char* bytes, size_t count);
    void Store(const unsigned char* bytes, size_t count);

    Output mOutput;
    size_t mStripBytes;
    struct Deflater;
    std::unique_ptr<Deflater> mDeflater;
    std::vector<unsigned char> mStrip, mPacked;
    uint32_t mAdler = 1;
    int64_t mWritten = 0;
    int mDeflated = 0, mStored = 0, mTrials = 0;
    int mSkip = 0;      // strips still to store without trying
    int mStretch = 0;   // the stretch stored after the last failed trial
};

}  // namespace platform
