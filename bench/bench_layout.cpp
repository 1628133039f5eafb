// Layouts of billions of tiles or copies, from the options to the panel's
// line and a painted preview: a label at 300 dpi cut into 32628 x 32628
// poster pages, and an A3 sheet at 4800 dpi filled with 4.46e9 one-dot
// copies. Both are counted and drawn by formula: each iteration should stay
// inside a frame (16 ms), whatever the count.
#include "preview/PageRender.h"
#include "properties/Figures.h"
#include "support/PreviewInputs.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

namespace {

void BM_HugeLayout(benchmark::State& state) {
    const bool poster = state.range(0) != 0;
    const QSize area = poster ? QSize(125, 125) : QSize(56133, 79400);
    const int dpi = poster ? 300 : 4800;
    const int16_t pixels = poster ? 2047 : 1;
    const platform::SheetOptions sheet =
        poster ? platform::SheetOptions{16, 1, 0, true, 124} : platform::SheetOptions{1, platform::kCopiesFill, 0, false, 0};
    platform::RecordingPrinter printer;
    printer.area = {area.width() / double(dpi), area.height() / double(dpi), area.width(), area.height()};
    QImage shown(800, 600, QImage::Format_RGB32);
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    preview::ScaledPictureCache cache;
    for (auto _ : state) {
        benchmark::DoNotOptimize(properties::SheetSummary(area, dpi, pixels, pixels, sheet));
        const preview::PageLayoutModel m =
            testcups::LaidOut(testcups::PreviewInputs(printer, 12000, 9000, QSizeF(pixels, pixels), dpi, sheet));
        QPainter painter(&shown);
        preview::RenderPageLayout(painter, m, shown.size(), Qt::gray, &picture, cache, {15, 15});
        state.counters["laidOut"] = double(m.posterPages.size() + m.copies.size());
    }
}
BENCHMARK(BM_HugeLayout)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
