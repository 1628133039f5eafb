// The layout arithmetic over every figure the program may meet: a picture
// of up to 32767 x 32767 pixels, 1 to 16 dots per pixel, copies, gaps,
// posters and overlaps as the options allow, resolutions of 50 to 9600 dpi
// and papers from a label to a roll 100 m long. The input is text, ten
// whole numbers: pixels across and down, dots per pixel, copies (0: fill),
// gap, poster (0 or 1), overlap, dots per inch, the area's inches across and
// down (hundredths). Each is brought into its range, so every input is a
// layout the program could be asked for.
//
// A finding: a crash or sanitizer report (an int that wraps), a count the
// layouts disagree on, or a hang (a layout made tile by tile or copy by
// copy, which the fuzzer's timeout ends).
#include "platform/base/Failure.h"
#include "platform/page/PagePainter.h"
#include "platform/page/SheetLayout.h"
#include "preview/PageRender.h"
#include "properties/Figures.h"
#include "support/PreviewInputs.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

struct Input {
    int pixelsX, pixelsY;
    platform::SheetOptions sheet;
    int dpi;
    int areaX, areaY;  // dots
};

Input Read(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    long long v[10] = {};
    for (long long& n : v)
        if (!(in >> n)) n = 0;
    const auto within = [](long long n, long long low, long long high) {
        return int(low + (n < 0 ? -(n + 1) : n) % (high - low + 1));
    };
    Input i;
    i.pixelsX = within(v[0], 1, platform::kLargestSide);
    i.pixelsY = within(v[1], 1, platform::kLargestSide);
    i.sheet.dotsPerPixel = within(v[2], 1, platform::kMaxDotsPerPixel);
    i.sheet.copies = within(v[3], platform::kCopiesFill, platform::kMaxCopies);
    i.sheet.gapDots = within(v[4], 0, platform::kMaxSpacingDots);
    i.sheet.poster = v[5] % 2 != 0;
    i.sheet.overlapDots = within(v[6], 0, platform::kMaxSpacingDots);
    i.dpi = within(v[7], 50, 9600);
    // A label of 0.1 inch up to a roll 44 inches wide and 100 m long.
    i.areaX = std::max(1, int(qint64(within(v[8], 10, 4400)) * i.dpi / 100));
    i.areaY = std::max(1, int(qint64(within(v[9], 10, 393700)) * i.dpi / 100));
    return i;
}

[[noreturn]] void Finding(const char* what) {
    fprintf(stderr, "fuzz_layout: %s\n", what);
    abort();
}

// Records lattices without making one mark per copy.
struct CountingSink : platform::DotSink {
    qint64 copies = 0;
    void Rows(const QRect&, RowFill, const QByteArray&) override { ++copies; }
    void Black(const QRect&) override {}
    void Lattice(const QRect&, QPoint, int across, int down, const QRect&, RowFill, const QByteArray&) override {
        copies += qint64(across) * down;
    }
};

void CheckCopies(const Input& in, QSize area, QSize picture, const platform::LayoutCheck& check) {
    const platform::CopyGrid g = platform::LayOutCopies(area, picture, in.sheet.copies, in.sheet.gapDots);
    if (g.pages != check.sheets) Finding("copies: sheets counted twice differently");
    if (g.CopiesOn(0) * (g.pages - 1) + g.CopiesOn(g.pages - 1) != g.count) Finding("copies: pages lose copies");
    if (g.fit > 0 && g.CopiesOn(0) > g.fit) Finding("copies: more on a sheet than fit");
    // The first sheet's copies through the painter, as lattices.
    CountingSink sink;
    platform::PagePainter painter(sink, area.width(), area.height(), false);
    const QImage one(1, 1, QImage::Format_RGB32);
    painter.Copies(one, g.left, g.top, picture.width(), picture.height(),
                   platform::CopyBlock{g.columns, g.CopiesOn(0), g.stepX, g.stepY});
    if (g.fit > 0 && sink.copies != g.CopiesOn(0)) Finding("copies: the painter draws another count");
}

void CheckPoster(QSize area, QSize picture, const Input& in, int band, const platform::LayoutCheck& check) {
    const platform::PosterPlan p = platform::LayOutPoster(area, picture, in.sheet.overlapDots, band);
    if (p.Pages() != check.sheets) Finding("poster: pages counted twice differently");
    const QRect first = p.tiles[0], last = p.tiles[p.Pages() - 1];
    if (first.topLeft() != QPoint(0, 0) || last.bottomRight() != QPoint(picture.width() - 1, picture.height() - 1))
        Finding("poster: the tiles do not reach the picture's corners");
    if (p.columns > 1 && p.tiles[0].right() - p.tiles[1].left() + 1 != p.overlap) Finding("poster: wrong overlap");
}

// The window's preview of the same layout, painted: its cost follows the
// pixels drawn.
void Preview(const Input& in, platform::RecordingPrinter& printer) {
    const preview::PageLayoutModel m = testcups::LaidOut(
        testcups::PreviewInputs(printer, 4800, 6000, QSizeF(in.pixelsX, in.pixelsY), in.dpi, in.sheet));
    QImage shown(320, 400, QImage::Format_RGB32);
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    preview::ScaledPictureCache cache;
    QPainter painter(&shown);
    preview::RenderPageLayout(painter, m, shown.size(), Qt::gray, &picture, cache, preview::PixelGrid{15, 15});
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Input in = Read(data, size);
    const QSize area(in.areaX, in.areaY);
    const int band = platform::PosterBandDots(in.dpi);
    const platform::LayoutCheck check = platform::CheckLayout(in.sheet, area, QSize(in.pixelsX, in.pixelsY), band);
    // The panel's line and the layout agree on what is refused.
    const QString summary = properties::SheetSummary(area, in.dpi, int16_t(in.pixelsX), int16_t(in.pixelsY), in.sheet);
    if (!check.refusal.isEmpty() && !summary.startsWith(check.RefusalSentence().chopped(1)))
        Finding("the panel does not say the refusal");
    if (check.refusal.isEmpty()) {
        if (check.sheets < 1) Finding("a layout of no sheets");
        const QSize picture = platform::ScaledSize(in.pixelsX, in.pixelsY, in.sheet.dotsPerPixel);
        if (platform::NeedsPoster(in.sheet, area, picture))
            CheckPoster(area, picture, in, band, check);
        else
            CheckCopies(in, area, picture, check);
    }
    platform::RecordingPrinter printer;
    printer.area = platform::PrintableArea{in.areaX / double(in.dpi), in.areaY / double(in.dpi), in.areaX, in.areaY};
    printer.printQuality = int16_t(std::min(in.dpi, 32767));
    Preview(in, printer);
    return 0;
}
