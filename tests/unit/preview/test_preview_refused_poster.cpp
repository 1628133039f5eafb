// A poster whose overlap is refused outlines no pages in the preview: laid
// out, a one-dot step would outline tens of thousands.
#include "preview/PageLayoutModel.h"
#include "support/RecordingPrinter.h"

#include <gtest/gtest.h>

TEST(PreviewPoster, RefusedOverlapOutlinesNoPages) {
    platform::RecordingPrinter printer;  // 4661 x 6716 dots at 600 dpi: tiles of 4361 x 6416
    for (const auto& [overlap, pages] : {std::pair{4360, 1 + (32000 - 4361)}, std::pair{4361, 0}}) {
        SCOPED_TRACE(overlap);
        preview::PageLayoutModel m;
        preview::InitializeElements(m);
        preview::LayoutInputs in;
        in.cw = 3000;
        in.ch = 2400;
        in.printer = &printer;
        in.hasPicture = true;
        in.imagePixelsX = 32000;
        in.imagePixelsY = 200;
        in.printerPixelsX = 4661;
        in.printerPixelsY = 6716;
        in.printerDotsPerInch = 600;
        in.sheet.poster = true;
        in.sheet.overlapDots = overlap;
        preview::LayOutPage(m, in);
        EXPECT_EQ(int(m.posterPages.size()), pages);
    }
}
