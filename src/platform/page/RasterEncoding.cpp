#include "platform/page/RasterEncoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

namespace platform {
namespace {

// Colour spaces grouped by what a sample means. Grey and Rgb samples are
// light (255 = paper); the others are ink (255 = full ink).
enum class Family { Grey, Black, Rgb, Cmy, Cmyk, Kcmy };

template <Family F> constexpr unsigned kColours =
    (F == Family::Grey || F == Family::Black) ? 1 : (F == Family::Rgb || F == Family::Cmy) ? 3 : 4;
template <Family F> constexpr bool kLight = F == Family::Grey || F == Family::Rgb;

struct Layout {
    Family family;
    unsigned colours;       // samples per dot
    unsigned bits;          // per sample: 1, 8 or 16
    bool banded;            // one band per colour within the line
    unsigned bitsPerPixel;  // as cupsBitsPerPixel
    uint64_t bytesPerLine;  // as cupsBytesPerLine
};

std::optional<Family> FamilyOf(unsigned space) {
    switch (space) {
    case CUPS_CSPACE_W:
    case CUPS_CSPACE_SW: return Family::Grey;
    case CUPS_CSPACE_K: return Family::Black;
    case CUPS_CSPACE_RGB:
    case CUPS_CSPACE_SRGB:
    case CUPS_CSPACE_ADOBERGB: return Family::Rgb;
    case CUPS_CSPACE_CMY: return Family::Cmy;
    case CUPS_CSPACE_CMYK: return Family::Cmyk;
    case CUPS_CSPACE_KCMY: return Family::Kcmy;
    default: return std::nullopt;
    }
}

unsigned ColoursOf(Family family) {
    switch (family) {
    case Family::Grey:
    case Family::Black: return 1;
    case Family::Rgb:
    case Family::Cmy: return 3;
    case Family::Cmyk:
    case Family::Kcmy: return 4;
    }
    return 1;
}

// The figures cupsRasterInterpretPPD computes. Chunked three-colour dots below
// 8 bits are padded to four samples: at 1 bit each dot takes a nibble whose
// top bit is unused. Banded lines hold one band per colour, each band padded
// to a whole byte on its own.
unsigned CupsBitsPerPixel(unsigned colours, unsigned bits, bool banded) {
    if (banded) return bits;
    if (colours == 3 && bits < 8) return 4 * bits;
    return colours * bits;
}

uint64_t CupsBytesPerLine(uint64_t width, unsigned bitsPerPixel, unsigned colours, bool banded) {
    const uint64_t band = (width * bitsPerPixel + 7) / 8;
    return banded ? band * colours : band;
}

std::optional<Layout> Describe(const cups_page_header2_t& h, QString* why) {
    const unsigned space = h.cupsColorSpace;
    const unsigned bits = h.cupsBitsPerColor;
    const std::optional<Family> family = FamilyOf(space);
    if (!family || (bits != 1 && bits != 8 && bits != 16)) {
        *why = QStringLiteral("The printer asks for colour space %1 at %2 bits, which this program "
                              "cannot write.").arg(space).arg(bits);
        return std::nullopt;
    }
    if (h.cupsColorOrder == CUPS_ORDER_PLANAR) {
        *why = QStringLiteral("The printer asks for colour space %1 at %2 bits with each colour on "
                              "lines of its own (planar order), which this program cannot write.")
                   .arg(space).arg(bits);
        return std::nullopt;
    }
    if (h.cupsColorOrder != CUPS_ORDER_CHUNKED && h.cupsColorOrder != CUPS_ORDER_BANDED) {
        *why = QStringLiteral("The printer asks for colour order %1, which this program cannot write.")
                   .arg(unsigned(h.cupsColorOrder));
        return std::nullopt;
    }
    if (h.cupsWidth == 0) {
        *why = QStringLiteral("The printer's page header gives a line width of 0 dots.");
        return std::nullopt;
    }
    Layout l{*family, ColoursOf(*family), bits, h.cupsColorOrder == CUPS_ORDER_BANDED, 0, 0};
    l.bitsPerPixel = CupsBitsPerPixel(l.colours, bits, l.banded);
    l.bytesPerLine = CupsBytesPerLine(h.cupsWidth, l.bitsPerPixel, l.colours, l.banded);
    // 0 is what headers older than cupsNumColors carry; CUPS fills it in.
    if (h.cupsNumColors != 0 && h.cupsNumColors != l.colours) {
        *why = QStringLiteral("The printer's page header gives %1 colours for colour space %2, "
                              "which has %3.").arg(h.cupsNumColors).arg(space).arg(l.colours);
        return std::nullopt;
    }
    if (h.cupsBitsPerPixel != l.bitsPerPixel) {
        *why = QStringLiteral("The printer's page header gives %1 bits per dot for colour space %2 "
                              "at %3 bits, where CUPS uses %4.")
                   .arg(h.cupsBitsPerPixel).arg(space).arg(bits).arg(l.bitsPerPixel);
        return std::nullopt;
    }
    if (h.cupsBytesPerLine != l.bytesPerLine) {
        *why = QStringLiteral("The printer's page header gives %1 bytes per line for %2 dots at %3 "
                              "bits per dot, where CUPS uses %4.")
                   .arg(h.cupsBytesPerLine).arg(h.cupsWidth).arg(l.bitsPerPixel)
                   .arg(qulonglong(l.bytesPerLine));
        return std::nullopt;
    }
    return l;
}

// The dot's samples as an 8-bit layout stores them, in the layout's order.
template <Family F> inline void Samples(QRgb dot, unsigned char* v) {
    const unsigned r = qRed(dot), g = qGreen(dot), b = qBlue(dot);
    if constexpr (F == Family::Grey || F == Family::Black) {
        // Rec. 601 luma in integers, rounded to nearest: 0..255.
        const unsigned grey = (299 * r + 587 * g + 114 * b + 500) / 1000;
        v[0] = static_cast<unsigned char>(F == Family::Grey ? grey : 255 - grey);
    } else if constexpr (F == Family::Rgb) {
        v[0] = static_cast<unsigned char>(r);
        v[1] = static_cast<unsigned char>(g);
        v[2] = static_cast<unsigned char>(b);
    } else {
        const unsigned c = 255 - r, m = 255 - g, y = 255 - b;
        if constexpr (F == Family::Cmy) {
            v[0] = static_cast<unsigned char>(c);
            v[1] = static_cast<unsigned char>(m);
            v[2] = static_cast<unsigned char>(y);
        } else {
            // Full under-colour removal: the grey part of the ink goes to K.
            const unsigned k = std::min(c, std::min(m, y));
            unsigned char* cmy = F == Family::Kcmy ? v + 1 : v;
            cmy[0] = static_cast<unsigned char>(c - k);
            cmy[1] = static_cast<unsigned char>(m - k);
            cmy[2] = static_cast<unsigned char>(y - k);
            v[F == Family::Kcmy ? 0 : 3] = static_cast<unsigned char>(k);
        }
    }
}

template <Family F, bool Banded> void Encode8(const QRgb* dots, unsigned width, unsigned char* out) {
    constexpr unsigned n = kColours<F>;
    if constexpr (!Banded || n == 1) {
        for (unsigned x = 0; x < width; ++x) Samples<F>(dots[x], out + size_t(x) * n);
    } else {
        unsigned char v[4];
        for (unsigned x = 0; x < width; ++x) {
            Samples<F>(dots[x], v);
            for (unsigned c = 0; c < n; ++c) out[size_t(c) * width + x] = v[c];
        }
    }
}

// cupsRasterWritePixels takes 16-bit samples in the host's byte order: the
// CUPS_RASTER_WRITE_COMPRESSED stream is written in host order (its sync
// word tells readers which), and the CUPS_RASTER_WRITE_PWG stream, which is
// big-endian, has the writer swap each byte pair itself on a little-endian
// host. Readers hand samples back in host order.
inline void Store16(unsigned char* p, unsigned v8) {
    const uint16_t s = static_cast<uint16_t>(v8 * 257);  // 0..255 onto 0..65535
    std::memcpy(p, &s, 2);
}

template <Family F, bool Banded> void Encode16(const QRgb* dots, unsigned width, unsigned char* out) {
    constexpr unsigned n = kColours<F>;
    unsigned char v[4];
    for (unsigned x = 0; x < width; ++x) {
        Samples<F>(dots[x], v);
        for (unsigned c = 0; c < n; ++c) {
            const size_t sample = Banded ? size_t(c) * width + x : size_t(x) * n + c;
            Store16(out + 2 * sample, v[c]);
        }
    }
}

// `thresholds` holds the row's eight thresholds on the ink amount (0..255):
// a sample gets ink when its ink amount is above the threshold of its column.
// Bits run most significant first; for light spaces a set bit means no ink.
template <Family F, bool Banded>
void Encode1(const QRgb* dots, unsigned width, const unsigned char* thresholds, unsigned char* out) {
    constexpr unsigned n = kColours<F>;
    const size_t band = (size_t(width) + 7) / 8;
    unsigned char v[4];
    for (unsigned x = 0; x < width; ++x) {
        Samples<F>(dots[x], v);
        const unsigned t = thresholds[x & 7];
        for (unsigned c = 0; c < n; ++c) {
            const unsigned inkAmount = kLight<F> ? 255u - v[c] : v[c];
            if ((inkAmount > t) == kLight<F>) continue;
            if constexpr (Banded || n == 1) {
                out[c * band + x / 8] |= static_cast<unsigned char>(0x80u >> (x & 7));
            } else {
                // One nibble per dot, first dot in the high nibble; three
                // colours leave the nibble's top bit unused.
                const unsigned first = (x & 1 ? 0x08u : 0x80u) >> (4 - n);
                out[x / 2] |= static_cast<unsigned char>(first >> c);
            }
        }
    }
}

// Thresholds for Ordered mode: the Bayer index b (0..63) of a cell maps to
// (2b + 1) * 255 / 128, the centres of 64 equal slices of 0..255 (1..253).
// Ink amount 0 is then never inked, 255 always, and an aligned 8x8 block of
// ink amount a holds round(64 * a / 255) inked dots (exact halves down).
constexpr std::array<std::array<unsigned char, 8>, 8> kOrdered = [] {
    constexpr unsigned char bayer[8][8] = {
        {0, 32, 8, 40, 2, 34, 10, 42},   {48, 16, 56, 24, 50, 18, 58, 26},
        {12, 44, 4, 36, 14, 46, 6, 38},  {60, 28, 52, 20, 62, 30, 54, 22},
        {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};
    std::array<std::array<unsigned char, 8>, 8> t{};
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) t[i][j] = static_cast<unsigned char>((2 * bayer[i][j] + 1) * 255 / 128);
    return t;
}();

// Threshold mode: ink from an ink amount of 128 up.
constexpr std::array<unsigned char, 8> kThreshold = {127, 127, 127, 127, 127, 127, 127, 127};

template <Family F>
void EncodeFamily(const Layout& l, const QRgb* dots, unsigned width, const unsigned char* thresholds,
                  unsigned char* out) {
    switch (l.bits) {
    case 1:
        if (l.banded) Encode1<F, true>(dots, width, thresholds, out);
        else Encode1<F, false>(dots, width, thresholds, out);
        break;
    case 8:
        if (l.banded) Encode8<F, true>(dots, width, out);
        else Encode8<F, false>(dots, width, out);
        break;
    case 16:
        if (l.banded) Encode16<F, true>(dots, width, out);
        else Encode16<F, false>(dots, width, out);
        break;
    }
}

}  // namespace

QString UnsupportedLayout(const cups_page_header2_t& header) {
    QString why;
    Describe(header, &why);
    return why;
}

void EncodeLine(const cups_page_header2_t& header, const QRgb* dots, unsigned y, OneBitMode mode,
                unsigned char* out) {
    QString why;
    const std::optional<Layout> layout = Describe(header, &why);
    // 1-bit lines are built by setting bits, and their padding stays zero.
    std::memset(out, 0, header.cupsBytesPerLine);
    if (!layout) return;
    const unsigned width = header.cupsWidth;
    const unsigned char* thresholds =
        mode == OneBitMode::Ordered ? kOrdered[y & 7].data() : kThreshold.data();
    switch (layout->family) {
    case Family::Grey: EncodeFamily<Family::Grey>(*layout, dots, width, thresholds, out); break;
    case Family::Black: EncodeFamily<Family::Black>(*layout, dots, width, thresholds, out); break;
    case Family::Rgb: EncodeFamily<Family::Rgb>(*layout, dots, width, thresholds, out); break;
    case Family::Cmy: EncodeFamily<Family::Cmy>(*layout, dots, width, thresholds, out); break;
    case Family::Cmyk: EncodeFamily<Family::Cmyk>(*layout, dots, width, thresholds, out); break;
    case Family::Kcmy: EncodeFamily<Family::Kcmy>(*layout, dots, width, thresholds, out); break;
    }
}

cups_page_header2_t OneBitHeader(unsigned width) {
    cups_page_header2_t h{};
    h.cupsColorSpace = CUPS_CSPACE_K;
    h.cupsBitsPerColor = h.cupsBitsPerPixel = 1;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsWidth = width;
    h.cupsBytesPerLine = (width + 7) / 8;
    return h;
}

}  // namespace platform
