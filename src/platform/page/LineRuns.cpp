#include "platform/page/LineRuns.h"

#include <cstring>

namespace platform {
namespace {

// Longest run of lines, and of pixels, one count byte holds.
constexpr unsigned kMaxLines = 256;
constexpr size_t kMaxPixels = 128;

// Whether pixels `a` and `b` of B bytes each are the same. B is a constant
// for the common sizes, so the compiler compares them in a word or two.
template <size_t B>
bool Same(const unsigned char* line, size_t a, size_t b, size_t) {
    return std::memcmp(line + a * B, line + b * B, B) == 0;
}
bool SameAnySize(const unsigned char* line, size_t a, size_t b, size_t bytes) {
    return std::memcmp(line + a * bytes, line + b * bytes, bytes) == 0;
}

// One line's pixel runs, appended to `out`. From pixel i: the last pixel
// alone is a run of one; two equal pixels begin a repeat, which takes every
// equal pixel after them (up to 128); else pixels go as they are until two
// equal ones begin (up to 128, and the last pixel with them when it is
// reached).
template <bool (*SameFn)(const unsigned char*, size_t, size_t, size_t)>
void EncodeRuns(const unsigned char* line, size_t pixels, size_t bytes, std::vector<unsigned char>& out) {
    const auto put = [&](size_t first, size_t count) {
        out.insert(out.end(), line + first * bytes, line + (first + count) * bytes);
    };
    size_t i = 0;
    while (i < pixels) {
        if (i + 1 == pixels) {
            out.push_back(0);
            put(i, 1);
            ++i;
        } else if (SameFn(line, i, i + 1, bytes)) {
            size_t j = i + 1, count = 2;
            while (count < kMaxPixels && j + 1 < pixels && SameFn(line, j, j + 1, bytes)) ++count, ++j;
            out.push_back((unsigned char)(count - 1));
            put(j, 1);
            i = j + 1;
        } else {
            size_t j = i + 1, count = 1;
            while (count < kMaxPixels && j + 1 < pixels && !SameFn(line, j, j + 1, bytes)) ++count, ++j;
            if (j + 1 >= pixels && count < kMaxPixels) ++count, ++j;
            out.push_back((unsigned char)(257 - count));
            put(i, count);
            i = j;
        }
    }
}

}  // namespace

std::optional<size_t> LineRunPixelBytes(const cups_page_header2_t& h, cups_mode_t mode) {
    if (mode != CUPS_RASTER_WRITE_COMPRESSED && mode != CUPS_RASTER_WRITE_PWG && mode != CUPS_RASTER_WRITE_APPLE)
        return std::nullopt;
    if (h.cupsColorOrder == CUPS_ORDER_PLANAR) return std::nullopt;
    const bool turnsBytes = h.cupsBitsPerColor == 16 || h.cupsBitsPerPixel == 12 || h.cupsBitsPerPixel == 16;
    if (mode != CUPS_RASTER_WRITE_COMPRESSED && turnsBytes) return std::nullopt;
    if (mode == CUPS_RASTER_WRITE_APPLE && h.HWResolution[0] != h.HWResolution[1]) return std::nullopt;
    size_t bytes = h.cupsColorOrder == CUPS_ORDER_CHUNKED ? (h.cupsBitsPerPixel + 7) / 8 : (h.cupsBitsPerColor + 7) / 8;
    if (bytes == 0) bytes = 1;
    if (h.cupsBytesPerLine == 0 || h.cupsBytesPerLine % bytes != 0) return std::nullopt;
    return bytes;
}

LineRuns::LineRuns(size_t lineBytes, size_t pixelBytes, Write write)
    : mLineBytes(lineBytes), mPixelBytes(pixelBytes), mWrite(std::move(write)), mHeld(lineBytes) {
    mOut.reserve(lineBytes + lineBytes / kMaxPixels + 2);
}

void LineRuns::Add(const unsigned char* line) {
    if (mCount > 0 && std::memcmp(line, mHeld.data(), mLineBytes) == 0) {
        Again();
        return;
    }
    Flush();
    std::memcpy(mHeld.data(), line, mLineBytes);
    mCount = 1;
}

void LineRuns::Again() {
    // After a full run the held line begins the next one.
    if (++mCount == kMaxLines) Flush();
}

void LineRuns::End() { Flush(); }

void LineRuns::Flush() {
    if (mCount == 0) return;
    mOut.clear();
    mOut.push_back((unsigned char)(mCount - 1));
    const size_t pixels = mLineBytes / mPixelBytes;
    switch (mPixelBytes) {
        case 1: EncodeRuns<Same<1>>(mHeld.data(), pixels, 1, mOut); break;
        case 3: EncodeRuns<Same<3>>(mHeld.data(), pixels, 3, mOut); break;
        case 4: EncodeRuns<Same<4>>(mHeld.data(), pixels, 4, mOut); break;
        default: EncodeRuns<SameAnySize>(mHeld.data(), pixels, mPixelBytes, mOut); break;
    }
    mCount = 0;
    mWrite(mOut.data(), mOut.size());
}

}  // namespace platform
