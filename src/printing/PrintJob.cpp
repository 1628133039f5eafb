#include "printing/PrintJob.h"

#include "platform/base/Failure.h"
#include "platform/base/Numeric.h"
#include "platform/base/Progress.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>

namespace printing {
namespace {

using platform::Printer;

// Guides through the outermost rows and columns of the picture at (x, y) of
// w x h dots, out to the printable area's edges: two box outlines whose far
// sides lie 100 dots outside the area, so what shows is two vertical lines on
// the first and last columns and two horizontal lines on the first and last
// rows, across the whole area.
void VerticalGuides(Printer& printer, float x, int w, float H) {
    printer.LineBox(x, -100.0f, x + float(w) - 1.0f, H + 100.0f);
}
void HorizontalGuides(Printer& printer, float y, int h, float W) {
    printer.LineBox(-100.0f, y, W + 100.0f, y + float(h) - 1.0f);
}

// The part of a job's progress one page of `pages` takes: pages share what
// the drawing takes (the last page is written when the document ends). One
// page needs no stage of its own.
void EnterPage(std::optional<platform::ProgressStage>& stage, qint64 page, qint64 pages) {
    constexpr double kDrawing = 0.85;  // of the job, as Printer gives drawing
    if (pages > 1) stage.emplace(kDrawing * double(page) / double(pages), kDrawing * double(page + 1) / double(pages));
}

// "row 2, column 3": the label of a poster's page (both counted from 1).
QString PosterPageLabel(int row, int column) { return QStringLiteral("row %1, column %2").arg(row).arg(column); }

// The label as black text on white, about `heightDots` tall, unsmoothed so
// a one-bit device prints it as it is.
QImage PosterLabelImage(const QString& text, int heightDots) {
    QFont font;
    font.setPixelSize(std::max(6, heightDots * 3 / 4));
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font);
    QImage image(std::max(1, metrics.horizontalAdvance(text) + 2), std::max(1, metrics.height()),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(1, metrics.ascent()), text);
    return image;
}

void PrintCopies(Printer& printer, const platform::Picture& picture, QSize scaled, bool cutGuides,
                 const platform::SheetOptions& sheet, float W, float H) {
    const platform::CopyGrid g =
        platform::LayOutCopies(QSize(platform::TruncateChecked(W), platform::TruncateChecked(H)), scaled, sheet.copies, sheet.gapDots);
    for (qint64 page = 0; page < g.pages; ++page) {
        std::optional<platform::ProgressStage> stage;
        EnterPage(stage, page, g.pages);
        const qint64 copies = g.CopiesOn(page);
        // Both within the sheet's columns and rows of copies.
        const int columns = int(std::min<qint64>(copies, g.columns)), rows = int((copies + g.columns - 1) / g.columns);
        if (cutGuides) {
            printer.SetDrawWidth(1);
            for (int c = 0; c < columns; ++c)
                VerticalGuides(printer, g.left + float(qint64(c) * g.stepX), scaled.width(), H);
            for (int r = 0; r < rows; ++r)
                HorizontalGuides(printer, g.top + float(qint64(r) * g.stepY), scaled.height(), W);
        }
        // After the guides, so the pictures cover them where they cross.
        printer.PaintCopies(picture, g.left, g.top, float(scaled.width()), float(scaled.height()),
                            platform::CopyBlock{g.columns, copies, g.stepX, g.stepY});
        if (page + 1 < g.pages) printer.NewPage();
    }
}

void PrintPoster(Printer& printer, const platform::Picture& picture, QSize scaled, const platform::SheetOptions& sheet,
                 QSize area) {
    const int band = platform::PosterBandDots(printer.DotsPerInch());
    const platform::PosterPlan plan = platform::LayOutPoster(area, scaled, sheet.overlapDots, band);
    const int b = plan.band;
    // Marks a little clear of the tile, half the band long; without a band
    // they lie under the picture at the area's edges.
    const int offset = b > 0 ? std::max(1, b / 8) : 0;
    const int length = b > 0 ? b / 2 : std::max(2, band / 2);
    printer.SetDrawWidth(1);
    // Each tile from the plan's formula as its page comes: nothing is kept
    // per page.
    const qint64 pages = plan.Pages();
    for (qint64 i = 0; i < pages; ++i) {
        std::optional<platform::ProgressStage> stage;
        EnterPage(stage, i, pages);
        const QRect tile = plan.tiles[i];
        const QPoint origin(b, b);
        for (const QRect& m : platform::RegistrationMarks(origin, tile.size(), offset, length))
            printer.LineBox(float(m.left()), float(m.top()), float(m.right()), float(m.bottom()));
        if (b > 0) {
            // The label in the band above the tile, right of its corner mark.
            const int row = int(i / plan.columns) + 1, column = int(i % plan.columns) + 1;
            const QImage text = PosterLabelImage(PosterPageLabel(row, column), b - 2 * offset - 1);
            const platform::Picture label(text);
            const int x = b + 2 * offset, y = std::max(0, (b - offset - text.height()) / 2);
            printer.SetClip(float(x), 0.0f, float(area.width() - 1), float(b - offset - 1));
            printer.PaintPicture(label, float(x), float(y), float(text.width()), float(text.height()));
        }
        // The tile: the whole picture placed so this part lands on the tile,
        // cut off at the tile's edges.
        printer.SetClip(float(b), float(b), float(b + tile.width() - 1), float(b + tile.height() - 1));
        printer.PaintPicture(picture, float(b - tile.left()), float(b - tile.top()), float(scaled.width()),
                             float(scaled.height()));
        printer.ClearClip();
        if (i + 1 < pages) printer.NewPage();
    }
}

}  // namespace

Placement CentreInPrintableArea(float W, float H, int16_t w, int16_t h) {
    // Single-precision throughout, the picture size converted first.
    return Placement{(W - float(w)) / 2.0f, (H - float(h)) / 2.0f};
}

namespace {
// The printable area in dots; empty when a side passes int (a printer's
// figures gone wrong), which is never cut to int.
std::optional<QSize> AreaDots(Printer& printer) {
    printer.SetScaleMode(platform::kPixels);
    const double width = printer.ScaleWidth(), height = printer.ScaleHeight();
    try {
        return QSize(platform::TruncateChecked(width), platform::TruncateChecked(height));
    } catch (const platform::Failure&) {
        return std::nullopt;
    }
}
}  // namespace

platform::LayoutCheck CheckJob(Printer& printer, int16_t w, int16_t h, const platform::SheetOptions& sheet) {
    const std::optional<QSize> area = AreaDots(printer);
    if (!area) return platform::TooLargeToCount();
    return platform::CheckLayout(sheet, *area, QSize(w, h), platform::PosterBandDots(printer.DotsPerInch()));
}

CutOffFacts CheckCutOff(Printer& printer, int16_t w, int16_t h, const platform::SheetOptions& sheet) {
    CutOffFacts facts;
    facts.area = AreaDots(printer).value_or(QSize());
    facts.picture = platform::ScaledSize(w, h, sheet.dotsPerPixel);
    facts.cutOff = !facts.picture.isEmpty() && facts.area.isValid() && platform::CutOff(sheet, facts.area, facts.picture);
    return facts;
}

void RunPrintJob(platform::Printer& printer, const platform::Picture& picture, int16_t w, int16_t h,
                 bool cutGuides, const platform::SheetOptions& sheet) {
    try {
        if (const platform::LayoutCheck check = CheckJob(printer, w, h, sheet); !check.refusal.isEmpty())
            platform::Fail(check.RefusalSentence());
        printer.SetScaleMode(platform::kPixels);
        const float W = printer.ScaleWidth();
        const float H = printer.ScaleHeight();
        const QSize scaled = platform::ScaledSize(w, h, sheet.dotsPerPixel);
        const QSize area = *AreaDots(printer);  // CheckJob refused any other
        if (platform::NeedsPoster(sheet, area, scaled))
            PrintPoster(printer, picture, scaled, sheet, area);
        else
            PrintCopies(printer, picture, scaled, cutGuides, sheet, W, H);
        printer.EndDoc();
    } catch (...) {
        printer.ClearClip();
        printer.KillDoc();
        throw;
    }
}

}  // namespace printing
