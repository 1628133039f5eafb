#include "platform/print/Printer.h"

#include "platform/base/Failure.h"
#include "platform/page/PagePainter.h"
#include "platform/base/Progress.h"
#include "platform/print/ResolutionChoice.h"

#include <algorithm>
#include <cmath>

namespace platform {

void Printer::SetScaleMode(int16_t mode) {
    switch (mode) {
        case kTwips: case kPixels: case kInches: case kCentimeters: mScaleMode = mode; return;
        default: Fail(QStringLiteral("Invalid property value"));
    }
}

double Printer::DotsPerInch() const {
    const int16_t q = PrintQuality();
    if (q > 0) return q;
    // A quality code says nothing about dots; take them from the area.
    const PrintableArea a = Area();
    return a.widthInches > 0 ? a.widthDots / a.widthInches : 600.0;
}

Printer::DeviceFacts Printer::Facts() const {
    const int dpi = int(std::lround(DotsPerInch()));
    const PrintableArea a = Area();
    DeviceFacts facts;
    facts.xdpi = facts.ydpi = dpi;
    facts.areaDots = QSize(a.widthDots, a.heightDots);
    return facts;
}

QSize Printer::DefaultResolution() const {
    const int dpi = int(std::lround(DotsPerInch()));
    return QSize(dpi, dpi);
}

void Printer::SetResolution(QSize dpi) {
    const QSize only = DefaultResolution();
    if (dpi.isEmpty() || dpi == only) return;
    Fail(QStringLiteral("The printer %1 prints at %2 only.").arg(DeviceName(), ResolutionName(only)));
}

double Printer::UnitsPerInch() const {
    switch (mScaleMode) {
        case kTwips: return kTwipsPerInch;
        case kInches: return 1.0;
        case kCentimeters: return kCentimetersPerInch;
        default: return DotsPerInch();
    }
}

float Printer::ScaleWidth() const {
    const PrintableArea a = Area();
    if (mScaleMode == kPixels) return float(a.widthDots);
    return float(a.widthInches * UnitsPerInch());
}

float Printer::ScaleHeight() const {
    const PrintableArea a = Area();
    if (mScaleMode == kPixels) return float(a.heightDots);
    return float(a.heightInches * UnitsPerInch());
}

void Printer::SetDrawWidth(int16_t width) {
    if (width < 1) Fail(QStringLiteral("Invalid property value"));
    mDrawWidth = width;
}

double Printer::ToDots(float value) const {
    if (mScaleMode == kPixels) return value;
    return double(value) * DotsPerInch() / UnitsPerInch();
}

void Printer::LineBox(float x1, float y1, float x2, float y2) {
    const double dx = mNudge.x(), dy = mNudge.y();
    DrawLineBoxDots(ToDots(x1) + dx, ToDots(y1) + dy, ToDots(x2) + dx, ToDots(y2) + dy, mDrawWidth, mClipDots);
}

void Printer::SetClip(float x1, float y1, float x2, float y2) {
    const int ax = SnapToDot(ToDots(x1)), bx = SnapToDot(ToDots(x2));
    const int ay = SnapToDot(ToDots(y1)), by = SnapToDot(ToDots(y2));
    mClipDots = QRect(QPoint(std::min(ax, bx), std::min(ay, by)), QPoint(std::max(ax, bx), std::max(ay, by)))
                    .translated(mNudge);
}

void Printer::NewPage() { BeginNextPage(); }

// A job's time goes mostly into drawing the picture (each strip is encoded
// into the page then); ending the document writes the rest and hands it on.
constexpr double kDrawingShare = 0.85;

void Printer::PaintPicture(const Picture& picture, float x, float y, float width, float height) {
    const ProgressStage drawing(0.0, kDrawingShare);
    DrawPictureDots(picture, ToDots(x) + mNudge.x(), ToDots(y) + mNudge.y(), ToDots(width), ToDots(height),
                    mClipDots);
}

void Printer::PaintCopies(const Picture& picture, float x, float y, float width, float height,
                          const CopyBlock& block) {
    const int columns = std::max(block.columns, 1);
    if (mScaleMode != kPixels) {
        for (qint64 i = 0; i < block.count; ++i)
            PaintPicture(picture, x + float(i % columns * block.stepX), y + float(i / columns * block.stepY), width,
                         height);
        return;
    }
    const ProgressStage drawing(0.0, kDrawingShare);
    DrawCopiesDots(picture, double(x) + mNudge.x(), double(y) + mNudge.y(), width, height,
                   CopyBlock{columns, block.count, block.stepX, block.stepY}, mClipDots);
}

void Printer::DrawCopiesDots(const Picture& picture, double x, double y, double w, double h, const CopyBlock& block,
                             const QRect& clip) {
    // In dots the steps are whole, so x + step lands where the float sum of
    // a PaintPicture per copy lands.
    for (qint64 i = 0; i < block.count; ++i)
        DrawPictureDots(picture, x + double(i % block.columns * block.stepX),
                        y + double(i / block.columns * block.stepY), w, h, clip);
}

void Printer::EndDoc() {
    const ProgressStage finishing(kDrawingShare, 1.0);
    mOutcome = PrintOutcome{};
    FinishDocument();
}

}  // namespace platform

#include "platform/print/SystemPrinters.h"

namespace platform {
namespace {
PrinterPtr& Current() {
    static PrinterPtr current;
    return current;
}
}  // namespace

PrinterPtr CurrentPrinter() {
    if (!Current()) Current() = MakeSystemPrinter();
    return Current();
}

void SetCurrentPrinter(PrinterPtr printer) { Current() = std::move(printer); }

}  // namespace platform
