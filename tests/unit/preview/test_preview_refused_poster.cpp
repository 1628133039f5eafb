// A poster whose overlap is refused outlines no pages in the preview: laid
// out, a one-dot step would outline tens of thousands. Layouts of billions
// of tiles or copies: the model holds them as lattices and the renderer
// draws what lands on distinct pixels, so both cost the control's pixels,
// never the count (once a std::bad_alloc).
#include "preview/PageLayoutModel.h"
#include "preview/PageRender.h"
#include "support/PreviewInputs.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {
preview::PageLayoutModel LaidOut(platform::RecordingPrinter& printer, float cw, float ch, QSizeF pixels, int dpi,
                                 const platform::SheetOptions& sheet) {
    return testcups::LaidOut(testcups::PreviewInputs(printer, cw, ch, pixels, dpi, sheet));
}
}  // namespace

TEST(PreviewPoster, RefusedOverlapOutlinesNoPages) {
    platform::RecordingPrinter printer;  // 4661 x 6716 dots at 600 dpi: tiles of 4361 x 6416
    for (const auto& [overlap, pages] : {std::pair{4360, 1 + (32000 - 4361)}, std::pair{4361, 0}}) {
        SCOPED_TRACE(overlap);
        const preview::PageLayoutModel m = LaidOut(printer, 3000, 2400, {32000, 200}, 600, {1, 1, 0, true, overlap});
        EXPECT_EQ(int(m.posterPages.size()), pages);
    }
}

TEST(PreviewExtremes, BillionsOfPagesOrCopiesAreLatticesDrawnByThePixel) {
    const struct {
        QSize area;
        int dpi;
        float pixels;
        platform::SheetOptions sheet;
        qint64 pages, copies;
        QRgb shows;  // a colour the rendering must hold
    } cases[] = {
        // A label at 300 dpi: 32628 x 32628 pages, outlined in red.
        {{125, 125}, 300, 2047, {16, 1, 0, true, 124}, qint64(32628) * 32628, 0, qRgb(255, 0, 0)},
        // A3 at 4800 dpi filled with copies of one dot: the sheet shows white.
        {{56133, 79400}, 4800, 1, {1, platform::kCopiesFill, 0, false, 0}, 0, qint64(56133) * 79400 - 1,
         qRgb(255, 255, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        platform::RecordingPrinter printer;
        printer.area = {c.area.width() / double(c.dpi), c.area.height() / double(c.dpi), c.area.width(),
                        c.area.height()};
        const preview::PageLayoutModel m = LaidOut(printer, 4800, 6000, {c.pixels, c.pixels}, c.dpi, c.sheet);
        EXPECT_EQ(m.posterPages.size(), c.pages);
        EXPECT_EQ(m.copies.size(), c.copies);
        QImage shown(320, 400, QImage::Format_RGB32);
        QImage picture(2, 2, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        preview::ScaledPictureCache cache;
        {
            QPainter painter(&shown);
            preview::RenderPageLayout(painter, m, shown.size(), Qt::gray, &picture, cache, {15, 15});
        }
        bool found = false;
        for (int y = 0; y < shown.height() && !found; ++y)
            for (int x = 0; x < shown.width() && !found; ++x) found = shown.pixel(x, y) == c.shows;
        EXPECT_TRUE(found);
    }
}
