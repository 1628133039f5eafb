// The raster's compressed lines the program writes are libcups's very bytes,
// for every pixel size, line and run of lines.
#include "platform/page/LineRuns.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// Lines that cut runs everywhere a count byte ends: pixel runs of 1, 2, 127
// to 130 and noise, then the same line 300 times, paper, and lines that are
// equal without being known to be.
std::vector<Bytes> Lines(size_t lineBytes, size_t pixelBytes) {
    QRandomGenerator random(7);
    std::vector<Bytes> lines;
    Bytes runs(lineBytes);
    size_t at = 0;
    for (size_t length : {1, 2, 127, 128, 129, 130, 3, 1, 1, 256}) {
        const auto value = (unsigned char)random.bounded(256);
        for (size_t k = 0; k < length * pixelBytes && at < lineBytes; ++k) runs[at++] = value;
    }
    Bytes noise(lineBytes);
    for (auto& b : noise) b = (unsigned char)random.bounded(256);
    lines.push_back(runs);
    lines.push_back(noise);
    for (int k = 0; k < 300; ++k) lines.push_back(runs);
    lines.push_back(Bytes(lineBytes, 0xff));
    lines.push_back(noise);
    lines.push_back(noise);
    return lines;
}

struct Sink {
    Bytes bytes;
    static ssize_t Write(void* context, unsigned char* data, size_t count) {
        auto& sink = *static_cast<Sink*>(context);
        sink.bytes.insert(sink.bytes.end(), data, data + count);
        return ssize_t(count);
    }
};

}  // namespace

TEST(LineRuns, WriteLibcupsOwnBytes) {
    const struct {
        const char* what;
        cups_mode_t mode;
        unsigned width, bitsPerColor, bitsPerPixel;
        cups_order_t order;
        cups_cspace_t space;
    } cases[] = {
        {"RGB", CUPS_RASTER_WRITE_COMPRESSED, 700, 8, 24, CUPS_ORDER_CHUNKED, CUPS_CSPACE_RGB},
        {"one bit", CUPS_RASTER_WRITE_COMPRESSED, 2001, 1, 1, CUPS_ORDER_CHUNKED, CUPS_CSPACE_K},
        {"CMYK", CUPS_RASTER_WRITE_COMPRESSED, 300, 8, 32, CUPS_ORDER_CHUNKED, CUPS_CSPACE_CMYK},
        {"16-bit RGB", CUPS_RASTER_WRITE_COMPRESSED, 300, 16, 48, CUPS_ORDER_CHUNKED, CUPS_CSPACE_RGB},
        {"banded RGB", CUPS_RASTER_WRITE_COMPRESSED, 300, 8, 8, CUPS_ORDER_BANDED, CUPS_CSPACE_RGB},
        {"one pixel", CUPS_RASTER_WRITE_COMPRESSED, 1, 8, 24, CUPS_ORDER_CHUNKED, CUPS_CSPACE_RGB},
        {"PWG grey", CUPS_RASTER_WRITE_PWG, 500, 8, 8, CUPS_ORDER_CHUNKED, CUPS_CSPACE_SW},
        {"Apple sRGB", CUPS_RASTER_WRITE_APPLE, 400, 8, 24, CUPS_ORDER_CHUNKED, CUPS_CSPACE_SRGB},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        cups_page_header2_t h{};
        h.cupsWidth = c.width;
        h.cupsBitsPerColor = c.bitsPerColor;
        h.cupsBitsPerPixel = c.bitsPerPixel;
        h.cupsColorOrder = c.order;
        h.cupsColorSpace = c.space;
        h.HWResolution[0] = h.HWResolution[1] = 300;
        const unsigned perLine = c.order == CUPS_ORDER_BANDED ? c.width * 3 : (c.width * c.bitsPerPixel + 7) / 8;
        h.cupsBytesPerLine = perLine;
        const std::optional<size_t> pixelBytes = platform::LineRunPixelBytes(h, c.mode);
        ASSERT_TRUE(pixelBytes);
        const std::vector<Bytes> lines = Lines(perLine, *pixelBytes);
        h.cupsHeight = unsigned(lines.size());

        Sink theirs;
        cups_raster_t* raster = cupsRasterOpenIO(&Sink::Write, &theirs, c.mode);
        ASSERT_TRUE(raster && cupsRasterWriteHeader2(raster, &h));
        const size_t header = theirs.bytes.size();
        for (Bytes line : lines) ASSERT_EQ(cupsRasterWritePixels(raster, line.data(), perLine), perLine);
        cupsRasterClose(raster);

        Bytes ours;
        platform::LineRuns runs(perLine, *pixelBytes, [&](const unsigned char* b, size_t n) {
            ours.insert(ours.end(), b, b + n);
        });
        for (size_t i = 0; i < lines.size(); ++i) {
            // Known repeats told as such, the others found by comparing.
            if (i > 2 && i < 200 && lines[i] == lines[i - 1]) runs.Again();
            else runs.Add(lines[i].data());
        }
        runs.End();
        EXPECT_TRUE(Bytes(theirs.bytes.begin() + std::ptrdiff_t(header), theirs.bytes.end()) == ours);
    }
}

TEST(LineRuns, LeaveToLibcupsWhatItWritesOtherwise) {
    cups_page_header2_t h{};
    h.cupsWidth = 10;
    h.cupsBitsPerColor = 16;
    h.cupsBitsPerPixel = 48;
    h.cupsBytesPerLine = 60;
    h.HWResolution[0] = h.HWResolution[1] = 300;
    EXPECT_FALSE(platform::LineRunPixelBytes(h, CUPS_RASTER_WRITE_PWG));  // bytes turned
    h.cupsBitsPerColor = 8;
    h.cupsBitsPerPixel = 24;
    h.cupsBytesPerLine = 30;
    h.HWResolution[1] = 600;
    EXPECT_FALSE(platform::LineRunPixelBytes(h, CUPS_RASTER_WRITE_APPLE));  // lines repeated
    EXPECT_TRUE(platform::LineRunPixelBytes(h, CUPS_RASTER_WRITE_PWG));
    h.cupsColorOrder = CUPS_ORDER_PLANAR;
    EXPECT_FALSE(platform::LineRunPixelBytes(h, CUPS_RASTER_WRITE_COMPRESSED));  // a line a colour
}
