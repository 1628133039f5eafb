#pragma once
// Turns one row of device dots into the bytes of one CUPS / PWG raster line,
// in the colour layout a page header asks for. Each dot is converted on its
// own (no error diffusion), so a picture pixel stays exactly one printer dot.
#include <QRgb>
#include <QString>
#include <cups/raster.h>

namespace platform {

// How a picture that is not black and white reaches a 1-bit device.
//  Threshold: a dot gets ink when its ink amount (255 - channel level) is at
//             least 128, so pure black is one inked dot and pure white a
//             blank one.
//  Ordered:   an 8x8 Bayer matrix indexed by the dot's device x and y; level
//             0 is always ink, 255 never, and over any aligned 8x8 block the
//             count of inked dots is within one of 64 * ink / 255.
// Layouts with 8 or 16 bits per colour ignore the mode.
enum class OneBitMode { Threshold, Ordered };

// Whether EncodeLine can write lines for the header's layout: empty when it
// can, else one sentence saying why, fit for an error message. Accepted:
// colour spaces W, SW, K, RGB, SRGB, ADOBERGB, CMY, CMYK, KCMY at 1, 8 or 16
// bits per colour, chunked or banded, with cupsNumColors (or 0),
// cupsBitsPerPixel and cupsBytesPerLine as CUPS itself computes them.
QString UnsupportedLayout(const cups_page_header2_t& header);

// The header of a one-bit black (K) line `width` dots long: EncodeLine with
// it cuts a row to ink (1) and paper (0) bits.
cups_page_header2_t OneBitHeader(unsigned width);

// Encodes one raster line: `dots` holds header.cupsWidth opaque pixels
// (0xffRRGGBB, already composited on white) of device row `y`; `out` receives
// exactly header.cupsBytesPerLine bytes, as cupsRasterWritePixels expects
// them for this header (16-bit samples in the host's byte order; the writer
// swaps them itself where the stream needs another order).
// The header must pass UnsupportedLayout; when it does not, `out` is zeroed.
void EncodeLine(const cups_page_header2_t& header, const QRgb* dots, unsigned y, OneBitMode mode,
                unsigned char* out);

}  // namespace platform
