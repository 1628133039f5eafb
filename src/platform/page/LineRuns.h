#pragma once
// CUPS raster's compressed lines written by the program itself: the format
// of version 2 CUPS raster, PWG raster and Apple raster alike. A run of up
// to 256 identical lines is a byte (the count less one) and the line once;
// a line is runs of pixels of `pixelBytes` bytes each: a byte n from 0 to
// 127 and one pixel, repeated n + 1 times, or a byte 257 - n and n pixels as
// they are (n from 1 to 128). The runs are cut where libcups cuts them, so
// the bytes are libcups's own. What costs less is the comparing: a line
// known to be the last one again (paper, the same row of cells) is counted
// without a look, where libcups compares every line of the page with the one
// before, byte by byte.
#include <cups/raster.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace platform {

// The bytes of a pixel libcups compresses `header`'s lines by in `mode`,
// when its compressed lines are exactly what LineRuns writes; none for
// planar colour (a line for each colour), 16-bit samples in PWG or Apple
// raster (libcups turns their bytes), Apple raster whose dots are not square
// (libcups repeats its lines to square them), or a line that is not whole
// pixels.
std::optional<size_t> LineRunPixelBytes(const cups_page_header2_t& header, cups_mode_t mode);

class LineRuns {
public:
    // `write` takes each finished run of lines; it may throw.
    using Write = std::function<void(const unsigned char* bytes, size_t count)>;
    LineRuns(size_t lineBytes, size_t pixelBytes, Write write);

    // The page's next line.
    void Add(const unsigned char* line);
    // The page's next line, the same bytes as the line before it.
    void Again();
    // Ends the page: writes the run held.
    void End();

private:
    void Flush();

    size_t mLineBytes;
    size_t mPixelBytes;
    Write mWrite;
    std::vector<unsigned char> mHeld;  // the line of the run
    unsigned mCount = 0;               // lines in the run, 0 to 256
    std::vector<unsigned char> mOut;
};

}  // namespace platform
