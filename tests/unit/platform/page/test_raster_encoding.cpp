#include "platform/page/RasterEncoding.h"

#include <gtest/gtest.h>

#include <QTemporaryFile>

#include <bit>
#include <cmath>
#include <cstring>
#include <unistd.h>
#include <vector>

using namespace platform;

namespace {

using Bytes = std::vector<unsigned char>;

constexpr QRgb kBlack = 0xff000000, kWhite = 0xffffffff, kRed = 0xffff0000;
constexpr QRgb kGrey = 0xff808080;    // grey level 128
constexpr QRgb kColour = 0xff2060e0;  // grey 91; CMYK after removal c0 80 00 1f
const std::vector<QRgb> kFive = {kBlack, kWhite, kRed, kGrey, kColour};

unsigned ColoursOf(cups_cspace_t space) {
    switch (space) {
    case CUPS_CSPACE_RGB: case CUPS_CSPACE_SRGB: case CUPS_CSPACE_ADOBERGB: case CUPS_CSPACE_CMY: return 3;
    case CUPS_CSPACE_CMYK: case CUPS_CSPACE_KCMY: return 4;
    default: return 1;
    }
}

// A header with the figures cupsRasterInterpretPPD gives it.
cups_page_header2_t Header(cups_cspace_t space, unsigned bits, cups_order_t order, unsigned width) {
    cups_page_header2_t h{};
    h.cupsWidth = width;
    h.cupsHeight = 8;
    h.HWResolution[0] = h.HWResolution[1] = 300;
    h.cupsColorSpace = space;
    h.cupsBitsPerColor = bits;
    h.cupsColorOrder = order;
    h.cupsNumColors = ColoursOf(space);
    if (order != CUPS_ORDER_CHUNKED) h.cupsBitsPerPixel = bits;
    else if (h.cupsNumColors == 3 && bits < 8) h.cupsBitsPerPixel = 4 * bits;
    else h.cupsBitsPerPixel = h.cupsNumColors * bits;
    h.cupsBytesPerLine = (width * h.cupsBitsPerPixel + 7) / 8;
    if (order == CUPS_ORDER_BANDED) h.cupsBytesPerLine *= h.cupsNumColors;
    return h;
}

// Encodes into a buffer with 16 guard bytes after the line, to catch overruns.
Bytes Encode(const cups_page_header2_t& h, const std::vector<QRgb>& dots, unsigned y = 0,
             OneBitMode mode = OneBitMode::Threshold) {
    Bytes out(h.cupsBytesPerLine + 16, 0xa5);
    EncodeLine(h, dots.data(), y, mode, out.data());
    EXPECT_EQ(Bytes(out.begin() + h.cupsBytesPerLine, out.end()), Bytes(16, 0xa5)) << "wrote past the line";
    out.resize(h.cupsBytesPerLine);
    return out;
}

std::string Hex(const Bytes& b) {
    std::string s;
    char buf[4];
    for (unsigned char c : b) s += (std::snprintf(buf, sizeof buf, "%02x ", c), buf);
    return s;
}

constexpr cups_order_t kChunked = CUPS_ORDER_CHUNKED, kBanded = CUPS_ORDER_BANDED;

}  // namespace

TEST(RasterEncoding, EveryLayoutGivesTheExactBytes) {
    struct Case { const char* name; cups_cspace_t space; unsigned bits; cups_order_t order;
                  std::vector<QRgb> dots; Bytes expected; };
    const std::vector<QRgb> tenBlack(10, kBlack), tenWhite(10, kWhite);
    const Case cases[] = {
        {"W 8", CUPS_CSPACE_W, 8, kChunked, kFive, {0x00, 0xff, 0x4c, 0x80, 0x5b}},
        {"sGray 8", CUPS_CSPACE_SW, 8, kChunked, kFive, {0x00, 0xff, 0x4c, 0x80, 0x5b}},
        {"K 8", CUPS_CSPACE_K, 8, kChunked, kFive, {0xff, 0x00, 0xb3, 0x7f, 0xa4}},
        {"K 8 banded", CUPS_CSPACE_K, 8, kBanded, kFive, {0xff, 0x00, 0xb3, 0x7f, 0xa4}},
        {"RGB 8", CUPS_CSPACE_RGB, 8, kChunked, kFive,
         {0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0, 0, 0x80, 0x80, 0x80, 0x20, 0x60, 0xe0}},
        {"sRGB 8", CUPS_CSPACE_SRGB, 8, kChunked, {kRed, kColour}, {0xff, 0, 0, 0x20, 0x60, 0xe0}},
        {"AdobeRGB 8", CUPS_CSPACE_ADOBERGB, 8, kChunked, {kRed, kColour}, {0xff, 0, 0, 0x20, 0x60, 0xe0}},
        {"RGB 8 banded", CUPS_CSPACE_RGB, 8, kBanded, kFive,
         {0, 0xff, 0xff, 0x80, 0x20, 0, 0xff, 0, 0x80, 0x60, 0, 0xff, 0, 0x80, 0xe0}},
        {"CMY 8", CUPS_CSPACE_CMY, 8, kChunked, kFive,
         {0xff, 0xff, 0xff, 0, 0, 0, 0, 0xff, 0xff, 0x7f, 0x7f, 0x7f, 0xdf, 0x9f, 0x1f}},
        {"CMYK 8", CUPS_CSPACE_CMYK, 8, kChunked, kFive,
         {0, 0, 0, 0xff, 0, 0, 0, 0, 0, 0xff, 0xff, 0, 0, 0, 0, 0x7f, 0xc0, 0x80, 0, 0x1f}},
        {"KCMY 8", CUPS_CSPACE_KCMY, 8, kChunked, kFive,
         {0xff, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 0x7f, 0, 0, 0, 0x1f, 0xc0, 0x80, 0}},
        {"CMYK 8 banded", CUPS_CSPACE_CMYK, 8, kBanded, kFive,
         {0, 0, 0, 0, 0xc0, 0, 0, 0xff, 0, 0x80, 0, 0, 0xff, 0, 0, 0xff, 0, 0, 0x7f, 0x1f}},
        // 16 bits: v * 257, so both bytes of a sample equal v.
        {"W 16", CUPS_CSPACE_W, 16, kChunked, {kWhite, kRed}, {0xff, 0xff, 0x4c, 0x4c}},
        {"K 16", CUPS_CSPACE_K, 16, kChunked, {kBlack, kGrey}, {0xff, 0xff, 0x7f, 0x7f}},
        {"RGB 16", CUPS_CSPACE_RGB, 16, kChunked, {kRed, kColour},
         {0xff, 0xff, 0, 0, 0, 0, 0x20, 0x20, 0x60, 0x60, 0xe0, 0xe0}},
        {"CMYK 16 banded", CUPS_CSPACE_CMYK, 16, kBanded, {kRed, kColour},
         {0, 0, 0xc0, 0xc0, 0xff, 0xff, 0x80, 0x80, 0xff, 0xff, 0, 0, 0, 0, 0x1f, 0x1f}},
        // 1 bit, threshold: a set bit is ink for K/CMY/CMYK/KCMY, light for W/sGray/RGB.
        {"K 1", CUPS_CSPACE_K, 1, kChunked, kFive, {0xa8}},
        {"W 1", CUPS_CSPACE_W, 1, kChunked, kFive, {0x50}},
        {"sGray 1", CUPS_CSPACE_SW, 1, kChunked, kFive, {0x50}},
        // Chunked three colours: a nibble per dot, top bit unused.
        {"RGB 1", CUPS_CSPACE_RGB, 1, kChunked, kFive, {0x07, 0x47, 0x10}},
        {"CMY 1", CUPS_CSPACE_CMY, 1, kChunked, kFive, {0x70, 0x30, 0x60}},
        {"CMYK 1", CUPS_CSPACE_CMYK, 1, kChunked, kFive, {0x10, 0x60, 0xc0}},
        {"KCMY 1", CUPS_CSPACE_KCMY, 1, kChunked, kFive, {0x80, 0x30, 0x60}},
        {"RGB 1 banded", CUPS_CSPACE_RGB, 1, kBanded, kFive, {0x70, 0x50, 0x58}},
        {"CMYK 1 banded", CUPS_CSPACE_CMYK, 1, kBanded, kFive, {0x08, 0x28, 0x20, 0x80}},
        // Widths that are not a multiple of 8: padding bits stay zero, each band padded alone.
        {"K 1 x10 black", CUPS_CSPACE_K, 1, kChunked, tenBlack, {0xff, 0xc0}},
        {"W 1 x10 white", CUPS_CSPACE_W, 1, kChunked, tenWhite, {0xff, 0xc0}},
        {"W 1 x10 black", CUPS_CSPACE_W, 1, kChunked, tenBlack, {0x00, 0x00}},
        {"RGB 1 x3 white", CUPS_CSPACE_RGB, 1, kChunked, {kWhite, kWhite, kWhite}, {0x77, 0x70}},
        {"CMYK 1 banded x8 black", CUPS_CSPACE_CMYK, 1, kBanded, std::vector<QRgb>(8, kBlack), {0, 0, 0, 0xff}},
        {"CMYK 1 banded x10 black", CUPS_CSPACE_CMYK, 1, kBanded, tenBlack, {0, 0, 0, 0, 0, 0, 0xff, 0xc0}},
        {"RGB 1 banded x10 white", CUPS_CSPACE_RGB, 1, kBanded, tenWhite, {0xff, 0xc0, 0xff, 0xc0, 0xff, 0xc0}},
    };
    for (const Case& c : cases) {
        const cups_page_header2_t h = Header(c.space, c.bits, c.order, unsigned(c.dots.size()));
        ASSERT_EQ(UnsupportedLayout(h), QString()) << c.name;
        ASSERT_EQ(h.cupsBytesPerLine, c.expected.size()) << c.name;
        EXPECT_EQ(Hex(Encode(h, c.dots)), Hex(c.expected)) << c.name;
        // 8 and 16 bits ignore the dithering mode.
        if (c.bits != 1) EXPECT_EQ(Encode(h, c.dots, 5, OneBitMode::Ordered), c.expected) << c.name;
    }
}

TEST(RasterEncoding, OrderedKeepsBlackAndWhiteAndTracksGreyLevel) {
    // Pure black and white come out as with Threshold on every row of the matrix.
    for (const cups_page_header2_t& h : {Header(CUPS_CSPACE_K, 1, kChunked, 8), Header(CUPS_CSPACE_W, 1, kChunked, 8),
                                         Header(CUPS_CSPACE_RGB, 1, kChunked, 8),
                                         Header(CUPS_CSPACE_CMYK, 1, kBanded, 8)})
        for (QRgb p : {kBlack, kWhite})
            for (unsigned y = 0; y < 8; ++y)
                EXPECT_EQ(Encode(h, std::vector<QRgb>(8, p), y, OneBitMode::Ordered), Encode(h, std::vector<QRgb>(8, p)))
                    << h.cupsColorSpace << " " << std::hex << p << " y " << y;

    // Grey level L over an aligned 8x8 block: K inks round(64 * (255 - L) / 255)
    // dots, W lights exactly the others, and more grey never means less ink.
    const auto k = Header(CUPS_CSPACE_K, 1, kChunked, 8), w = Header(CUPS_CSPACE_W, 1, kChunked, 8);
    int previous = 65;
    for (int level = 0; level <= 255; ++level) {
        const std::vector<QRgb> dots(8, qRgb(level, level, level));
        int inked = 0, lit = 0;
        for (unsigned y = 0; y < 8; ++y) {
            inked += std::popcount(Encode(k, dots, y + 16, OneBitMode::Ordered)[0]);
            lit += std::popcount(Encode(w, dots, y + 16, OneBitMode::Ordered)[0]);
        }
        EXPECT_LE(std::fabs(inked - 64.0 * (255 - level) / 255), 0.5) << level;
        EXPECT_EQ(inked + lit, 64) << level;
        EXPECT_LE(inked, previous) << level;
        previous = inked;
    }

    // The pattern depends on x and y with period 8 in both.
    const auto k16 = Header(CUPS_CSPACE_K, 1, kChunked, 16);
    const std::vector<QRgb> grey(16, kGrey);
    int ink = 0;
    for (unsigned y = 0; y < 8; ++y) {
        const Bytes row = Encode(k16, grey, y, OneBitMode::Ordered);
        EXPECT_EQ(row[0], row[1]) << y;
        EXPECT_EQ(row, Encode(k16, grey, y + 8, OneBitMode::Ordered)) << y;
        EXPECT_NE(row[0], 0x00);
        EXPECT_NE(row[0], 0xff);
        ink += std::popcount(row[0]);
    }
    EXPECT_EQ(ink, 32);
    EXPECT_NE(Encode(k16, grey, 0, OneBitMode::Ordered), Encode(k16, grey, 1, OneBitMode::Ordered));
}

TEST(RasterEncoding, RefusesLayoutsItCannotWrite) {
    struct Case { const char* name; cups_page_header2_t header; const char* message; };
    auto with = [](cups_page_header2_t h, auto change) { change(h); return h; };
    const Case cases[] = {
        {"CMYK 2", Header(CUPS_CSPACE_CMYK, 2, kChunked, 10),
         "The printer asks for colour space 6 at 2 bits, which this program cannot write."},
        {"planar", Header(CUPS_CSPACE_CMYK, 8, CUPS_ORDER_PLANAR, 10),
         "The printer asks for colour space 6 at 8 bits with each colour on lines of its own (planar "
         "order), which this program cannot write."},
        {"RGB 1 packed in 3 bits", with(Header(CUPS_CSPACE_RGB, 1, kChunked, 10), [](auto& h) {
             h.cupsBitsPerPixel = 3; h.cupsBytesPerLine = 4; }),
         "The printer's page header gives 3 bits per dot for colour space 1 at 1 bits, where CUPS uses 4."},
        {"banded bands not padded alone", with(Header(CUPS_CSPACE_CMYK, 1, kBanded, 10), [](auto& h) {
             h.cupsBytesPerLine = 5; }),
         "The printer's page header gives 5 bytes per line for 10 dots at 1 bits per dot, where CUPS uses 8."},
        {"one byte short", with(Header(CUPS_CSPACE_K, 1, kChunked, 10), [](auto& h) { h.cupsBytesPerLine = 1; }),
         "The printer's page header gives 1 bytes per line for 10 dots at 1 bits per dot, where CUPS uses 2."},
        {"no width", Header(CUPS_CSPACE_K, 8, kChunked, 0), "The printer's page header gives a line width of 0 dots."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnsupportedLayout(c.header), QString::fromUtf8(c.message)) << c.name;
        // Refused lines come out blank rather than half written.
        if (c.header.cupsBytesPerLine > 0 && c.header.cupsWidth > 0)
            EXPECT_EQ(Encode(c.header, std::vector<QRgb>(c.header.cupsWidth, kBlack)),
                      Bytes(c.header.cupsBytesPerLine, 0)) << c.name;
    }
    // Headers older than cupsNumColors leave it 0; that is still the layout.
    auto old = Header(CUPS_CSPACE_CMYK, 8, kChunked, 10);
    old.cupsNumColors = 0;
    EXPECT_EQ(UnsupportedLayout(old), QString());
}

namespace {

// Writes one page of `lines` through cupsRaster in `mode`, reads it back and
// returns the lines as the reader hands them over.
Bytes RoundTrip(const cups_page_header2_t& header, const Bytes& lines, cups_mode_t mode) {
    QTemporaryFile tmp;
    if (!tmp.open()) return {};
    const int fd = tmp.handle();
    cups_raster_t* w = cupsRasterOpen(fd, mode);
    cups_page_header2_t h = header;
    // The compressing writers hold a line back until the page's last line is in.
    h.cupsHeight = unsigned(lines.size() / header.cupsBytesPerLine);
    EXPECT_TRUE(cupsRasterWriteHeader2(w, &h)) << cupsRasterErrorString();
    EXPECT_EQ(cupsRasterWritePixels(w, const_cast<unsigned char*>(lines.data()), unsigned(lines.size())),
              lines.size());
    cupsRasterClose(w);
    lseek(fd, 0, SEEK_SET);
    cups_raster_t* r = cupsRasterOpen(fd, CUPS_RASTER_READ);
    cups_page_header2_t back{};
    EXPECT_TRUE(cupsRasterReadHeader2(r, &back));
    EXPECT_EQ(back.cupsBytesPerLine, header.cupsBytesPerLine);
    EXPECT_EQ(back.cupsColorOrder, header.cupsColorOrder);
    Bytes read(lines.size());
    EXPECT_EQ(cupsRasterReadPixels(r, read.data(), unsigned(read.size())), read.size());
    cupsRasterClose(r);
    return read;
}

}  // namespace

TEST(RasterEncoding, PagesSurviveCupsRasterWithSixteenBitValuesIntact) {
    // A 1 x 0.2 inch page at 10 dpi: 10 dots by 2 lines.
    pwg_media_t media{};
    media.pwg = "oe_test_1x0.2in";
    media.width = 2540;
    media.length = 508;
    std::vector<QRgb> dots = kFive;
    dots.insert(dots.end(), kFive.rbegin(), kFive.rend());

    struct Case { const char* type; cups_cspace_t space; };
    const Case cases[] = {{"black_16", CUPS_CSPACE_K}, {"sgray_16", CUPS_CSPACE_SW}, {"srgb_16", CUPS_CSPACE_SRGB},
                          {"adobe-rgb_16", CUPS_CSPACE_ADOBERGB}, {"cmyk_16", CUPS_CSPACE_CMYK},
                          {"black_1", CUPS_CSPACE_K}, {"srgb_8", CUPS_CSPACE_SRGB}};
    for (const Case& c : cases) {
        cups_page_header2_t h{};
        ASSERT_TRUE(cupsRasterInitPWGHeader(&h, &media, c.type, 10, 10, nullptr, nullptr)) << c.type;
        ASSERT_EQ(h.cupsWidth, 10u);
        ASSERT_EQ(h.cupsHeight, 2u);
        ASSERT_EQ(UnsupportedLayout(h), QString()) << c.type;
        Bytes page = Encode(h, dots, 0, OneBitMode::Ordered);
        const Bytes second = Encode(h, dots, 1, OneBitMode::Ordered);
        page.insert(page.end(), second.begin(), second.end());
        // The same dots at 8 bits: each 16-bit value read back must be it * 257.
        const Bytes eight = Encode(Header(c.space, 8, kChunked, 10), dots);
        for (cups_mode_t mode : {CUPS_RASTER_WRITE_COMPRESSED, CUPS_RASTER_WRITE_PWG}) {
            const Bytes back = RoundTrip(h, page, mode);
            EXPECT_EQ(back, page) << c.type << " mode " << mode;
            if (h.cupsBitsPerColor != 16 || back.size() != page.size()) continue;
            for (size_t i = 0; i < eight.size(); ++i) {
                uint16_t v;
                std::memcpy(&v, back.data() + 2 * i, 2);
                ASSERT_EQ(v, eight[i] * 257u) << c.type << " mode " << mode << " sample " << i;
            }
        }
    }
    // Banded lines go through the CUPS stream as they are.
    const auto banded = Header(CUPS_CSPACE_CMYK, 16, kBanded, 10);
    const Bytes line = Encode(banded, dots);
    EXPECT_EQ(RoundTrip(banded, line, CUPS_RASTER_WRITE_COMPRESSED), line);
}
