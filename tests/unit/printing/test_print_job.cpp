#include "platform/base/Failure.h"
#include "support/RecordingPrinter.h"
#include "printing/PrintJob.h"

#include <gtest/gtest.h>

using platform::RecordingPrinter;
using Op = RecordingPrinter::Op;

namespace {
platform::Picture MakePicture(int w, int h) { return platform::Picture(QImage(w, h, QImage::Format_RGB32)); }

RecordingPrinter PrinterWithDots(int w, int h) {
    RecordingPrinter p;
    p.area = platform::PrintableArea{w / 600.0, h / 600.0, w, h};
    return p;
}
}  // namespace

TEST(PrintJob, CentresInThePrintableAreaKeepingHalves) {
    struct Case { float W, H; int16_t w, h; float ox, oy; };
    const Case cases[] = {
        {4961, 7016, 1000, 1000, 1980.5f, 3008.0f},  // odd difference: .5 kept
        {4800, 6600, 4800, 6600, 0, 0},              // exactly the printable area
        {100, 100, 301, 150, -100.5f, -25.0f},       // larger: cut off equally both sides
    };
    for (const Case& c : cases) {
        const auto p = printing::CentreInPrintableArea(c.W, c.H, c.w, c.h);
        EXPECT_FLOAT_EQ(p.ox, c.ox);
        EXPECT_FLOAT_EQ(p.oy, c.oy);
    }
}

TEST(PrintJob, DrawsGuidesUnderThePictureAndEndsOnePage) {
    struct Case { bool guides; size_t ops; };
    for (const Case c : {Case{false, 2}, Case{true, 4}}) {
        RecordingPrinter printer = PrinterWithDots(4961, 7016);
        printer.SetScaleMode(platform::kInches);
        printer.SetDrawWidth(3);
        const auto pic = MakePicture(1000, 500);
        printing::RunPrintJob(printer, pic, 1000, 500, c.guides);

        ASSERT_EQ(printer.ops.size(), c.ops);
        EXPECT_EQ(printer.ScaleMode(), platform::kPixels);  // left at dots
        EXPECT_EQ(printer.DrawWidth(), c.guides ? 1 : 3);   // only set for guides
        size_t i = 0;
        if (c.guides) {
            const Op& v = printer.ops[i++];
            EXPECT_EQ(v.kind, Op::LineBox);
            EXPECT_DOUBLE_EQ(v.x1, 1980.5);
            EXPECT_DOUBLE_EQ(v.y1, -100);
            EXPECT_DOUBLE_EQ(v.x2, 1980.5 + 999);  // on the last column, not past it
            EXPECT_DOUBLE_EQ(v.y2, 7116);
            EXPECT_EQ(v.drawWidth, 1);
            const Op& h = printer.ops[i++];
            EXPECT_EQ(h.kind, Op::LineBox);
            EXPECT_DOUBLE_EQ(h.x1, -100);
            EXPECT_DOUBLE_EQ(h.y1, 3258);
            EXPECT_DOUBLE_EQ(h.x2, 5061);
            EXPECT_DOUBLE_EQ(h.y2, 3258 + 499);
        }
        const Op& pic_op = printer.ops[i++];
        EXPECT_EQ(pic_op.kind, Op::Picture);
        EXPECT_EQ(pic_op.picture, &pic);
        EXPECT_DOUBLE_EQ(pic_op.x1, 1980.5);
        EXPECT_DOUBLE_EQ(pic_op.y1, 3258);
        EXPECT_DOUBLE_EQ(pic_op.x2, 1000);
        EXPECT_DOUBLE_EQ(pic_op.y2, 500);
        EXPECT_EQ(printer.ops[i].kind, Op::EndDoc);
        EXPECT_EQ(printer.documentsEnded, 1);
    }
}

TEST(PrintJob, TheGivenSizeGovernsNotThePicturesOwn) {
    RecordingPrinter printer = PrinterWithDots(1000, 1000);
    const auto pic = MakePicture(10, 10);
    printing::RunPrintJob(printer, pic, 20, 30, false);
    ASSERT_EQ(printer.ops[0].kind, Op::Picture);
    EXPECT_DOUBLE_EQ(printer.ops[0].x2, 20);
    EXPECT_DOUBLE_EQ(printer.ops[0].y2, 30);
}

TEST(PrintJob, AFailingStepCancelsTheDocumentAndIsPassedOn) {
    struct Case { const char* failing; int killed; };
    // A failure on the very first call leaves no document to cancel.
    for (const Case c : {Case{"LineBox", 0}, Case{"PaintPicture", 1}, Case{"EndDoc", 1}}) {
        const char* failing = c.failing;
        RecordingPrinter printer = PrinterWithDots(1000, 1000);
        const std::string which = failing;
        printer.failWhen = [which](const char* member) {
            if (which == member) platform::Fail(QStringLiteral("device gone"));
        };
        const auto pic = MakePicture(10, 10);
        EXPECT_THROW(printing::RunPrintJob(printer, pic, 10, 10, true), platform::Failure) << failing;
        EXPECT_EQ(printer.documentsEnded, 0) << failing;
        EXPECT_FALSE(printer.documentOpen()) << failing;
        EXPECT_EQ(printer.documentsKilled, c.killed) << failing;
    }
}
