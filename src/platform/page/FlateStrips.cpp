#include "platform/page/FlateStrips.h"

#include "platform/base/Failure.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>

#include <QString>

namespace platform {
namespace {

// A deflated strip is kept when it is at most this part of the strip (see
// the header): a third is where, at deflate's speed on such data, the
// bytes saved take longer to send than they took to save on a fast link.
constexpr size_t kKeptNumerator = 1, kKeptDenominator = 3;
// The longest stretch of strips stored without a trial.
constexpr int kLongestStretch = 64;
// Fastest deflate: the trial is the cost.
constexpr int kLevel = 1;
// A trial first deflates this much of the strip: data that does not even
// halve there (noise, a photograph's grain) is stored without deflating the
// rest, a sixteenth of the trial's cost.
constexpr size_t kProbeBytes = size_t(16) << 10;
// Stored blocks hold at most this many bytes.
constexpr size_t kStoredBlock = 65535;

constexpr unsigned char Byte(size_t value) { return static_cast<unsigned char>(value & 0xff); }

[[noreturn]] void CannotCompress() { Fail(QStringLiteral("The page could not be prepared for printing.")); }

}  // namespace

struct FlateStrips::Deflater {
    z_stream z{};
    Deflater() {
        // Raw deflate (no zlib header of its own): the header and the
        // checksum are written around all the strips.
        if (deflateInit2(&z, kLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) CannotCompress();
    }
    ~Deflater() { deflateEnd(&z); }
};

FlateStrips::FlateStrips(Output output, size_t stripBytes)
    : mOutput(std::move(output)), mStripBytes(std::max<size_t>(stripBytes, 1)), mDeflater(std::make_unique<Deflater>()) {
    mStrip.reserve(mStripBytes);
    // The zlib header: deflate with a 32 KiB window, fastest (FLEVEL 0);
    // 0x7801 is a multiple of 31 as the check wants.
    static const unsigned char header[2] = {0x78, 0x01};
    Emit(header, sizeof header);
}

FlateStrips::~FlateStrips() = default;

void FlateStrips::Emit(const unsigned char* bytes, size_t count) {
    if (count == 0) return;
    mOutput(bytes, count);
    mWritten += int64_t(count);
}

void FlateStrips::Store(const unsigned char* bytes, size_t count) {
    // Non-final stored blocks: header bits 000 padded to the byte (the
    // stream is byte-aligned between strips), then LEN and its complement.
    for (size_t at = 0; at < count; at += kStoredBlock) {
        const size_t n = std::min(kStoredBlock, count - at);
        const unsigned char head[5] = {0x00, Byte(n), Byte(n >> 8), Byte(~n), Byte(~n >> 8)};
        Emit(head, sizeof head);
        Emit(bytes + at, n);
    }
}

void FlateStrips::Add(const unsigned char* data, size_t count) {
    while (count > 0) {
        const size_t n = std::min(count, mStripBytes - mStrip.size());
        mStrip.insert(mStrip.end(), data, data + n);
        data += n;
        count -= n;
        if (mStrip.size() == mStripBytes) WriteStrip();
    }
}

void FlateStrips::WriteStrip() {
    if (mStrip.empty()) return;
    mAdler = libdeflate_adler32(mAdler, mStrip.data(), mStrip.size());
    bool kept = false;
    if (mSkip > 0) {
        --mSkip;
    } else {
        ++mTrials;
        const bool worthIt = mStrip.size() < 2 * kProbeBytes || 2 * Deflated(kProbeBytes) <= kProbeBytes;
        const size_t packed = worthIt ? Deflated(mStrip.size()) : mStrip.size();
        kept = packed * kKeptDenominator <= mStrip.size() * kKeptNumerator;
        if (kept) {
            Emit(mPacked.data(), packed);
            mStretch = 0;
        } else {
            mStretch = std::clamp(2 * mStretch, 1, kLongestStretch);
            mSkip = mStretch;
        }
    }
    if (kept) {
        ++mDeflated;
    } else {
        Store(mStrip.data(), mStrip.size());
        ++mStored;
    }
    mStrip.clear();
}

size_t FlateStrips::Deflated(size_t count) {
    z_stream& z = mDeflater->z;
    if (deflateReset(&z) != Z_OK) CannotCompress();
    mPacked.resize(deflateBound(&z, uLong(count)) + 16);
    z.next_in = mStrip.data();
    z.avail_in = uInt(count);
    z.next_out = mPacked.data();
    z.avail_out = uInt(mPacked.size());
    // A sync flush ends the piece on a byte with a non-final block.
    if (deflate(&z, Z_SYNC_FLUSH) != Z_OK || z.avail_in != 0) CannotCompress();
    return mPacked.size() - z.avail_out;
}

void FlateStrips::Finish() {
    WriteStrip();
    // The final block (empty, stored), then the Adler-32, most significant
    // byte first.
    const unsigned char end[9] = {0x01, 0x00, 0x00, 0xff, 0xff, Byte(mAdler >> 24), Byte(mAdler >> 16),
                                  Byte(mAdler >> 8), Byte(mAdler)};
    Emit(end, sizeof end);
}

}  // namespace platform
