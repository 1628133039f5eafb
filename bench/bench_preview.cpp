// The page preview with a 30-megapixel picture (6720 x 4480, a full-frame
// camera's JPEG): decoding alone, decoding plus handing it to the preview and
// painting it once, and one repaint after a resize, which must stay well
// inside a 16 ms frame.
#include "platform/picture/Picture.h"
#include "support/RecordingPrinter.h"
#include "platform/base/Screen.h"
#include "preview/ucPageLayout.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

// A gradient with noise over it, so the JPEG is neither trivial to compress
// nor to decode. Made once per run in a temporary folder.
const QString& BigJpeg() {
    static QTemporaryDir dir;
    static const QString path = [] {
        QImage img(6720, 4480, QImage::Format_RGB32);
        QRandomGenerator rng(7);
        for (int y = 0; y < img.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const quint32 n = rng.generate();
                line[x] = qRgb((x * 255 / img.width() + (n & 31)) & 255,
                               (y * 255 / img.height() + ((n >> 8) & 31)) & 255, (n >> 16) & 255);
            }
        }
        const QString p = dir.filePath(QStringLiteral("big.jpg"));
        img.save(p, "JPEG", 90);
        return p;
    }();
    return path;
}

// A 600 dpi A4 printer (the recording printer's defaults) and a shown
// preview of the given size.
struct Preview {
    explicit Preview(int w, int h) : printer(std::make_shared<platform::RecordingPrinter>()) {
        widget.resize(w, h);
        widget.show();
        widget.SetPrinter(printer);
    }
    QImage Paint() {
        QImage target(widget.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter p(&target);
        widget.RenderTo(p);
        return target;
    }
    std::shared_ptr<platform::RecordingPrinter> printer;
    ucPageLayout widget;
};

void BM_DecodeJpeg(benchmark::State& state) {
    const QString path = BigJpeg();
    for (auto _ : state) benchmark::DoNotOptimize(platform::LoadPicture(path));
}
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodeAndShow(benchmark::State& state) {
    const QString path = BigJpeg();
    Preview preview(800, 600);
    for (auto _ : state) {
        preview.widget.SetPicture(platform::LoadPicture(path));
        benchmark::DoNotOptimize(preview.Paint());
    }
}
BENCHMARK(BM_DecodeAndShow)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each iteration changes the control's size by one pixel, so the layout runs
// and the picture's shown size changes: the cached copy is rebuilt every time.
void BM_RepaintAfterResize(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    Preview preview(w, h);
    preview.widget.SetPicture(platform::LoadPicture(BigJpeg()));
    int step = 0;
    for (auto _ : state) {
        ++step;
        preview.widget.resize(w + (step & 1), h + (step & 1));
        benchmark::DoNotOptimize(preview.Paint());
    }
    state.counters["shownWidthPx"] = preview.widget.Elements().imgImage.Width / platform::TwipsPerPixelX();
}
BENCHMARK(BM_RepaintAfterResize)->Args({800, 600})->Args({1600, 1000})->Unit(benchmark::kMillisecond)->UseRealTime();

// A repaint with nothing changed (an expose) only copies the cached picture.
void BM_RepaintUnchanged(benchmark::State& state) {
    Preview preview(1600, 1000);
    preview.widget.SetPicture(platform::LoadPicture(BigJpeg()));
    preview.Paint();
    for (auto _ : state) benchmark::DoNotOptimize(preview.Paint());
}
BENCHMARK(BM_RepaintUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
