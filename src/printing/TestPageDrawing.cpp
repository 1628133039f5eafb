// The calibration page drawn: rulers, fold scales, patterns and text, as
// one picture of the printable area at one pixel per dot.
#include "printing/TestPage.h"
#include "printing/TestPageText.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace printing {

using namespace testpage;

namespace {
void SetBlack(QImage& image, int x, int y) {
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height()) image.scanLine(y)[x] = 0;
}

void FillRows(QImage& image, int x, int y, int width, int height) {
    for (int row = y; row < y + height; ++row)
        for (int col = x; col < x + width; ++col) SetBlack(image, col, row);
}

QFont FontOfPixels(int pixels, bool bold = false) {
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// The marks of the top ruler: centimetres hang from the top edge, inches rise
// from the bottom edge, both edges drawn as base lines.
void DrawTopRuler(QImage& image, QPainter& painter, const QRect& r, int dpi) {
    const int t = r.height();
    FillRows(image, r.left(), r.top(), r.width(), 1);
    FillRows(image, r.left(), r.bottom(), r.width(), 1);
    const int majorLength = MarkLength(MarkKind::Major, t);
    const int labelGap = std::max(1, dpi / 50);
    const int labelHeight = std::max(1, (t - 2 * majorLength) / 2);
    painter.setFont(FontOfPixels(PixelSize(kSmallPoints, dpi)));
    for (const RulerMark& m : MetricMarks(r.width(), dpi)) {
        FillRows(image, r.left() + m.position, r.top(), 1, MarkLength(m.kind, t));
        if (m.label >= 0)
            painter.drawText(QRect(r.left() + m.position + labelGap, r.top() + majorLength, dpi, labelHeight)
                                 .intersected(r),
                             Qt::AlignLeft | Qt::AlignTop, QString::number(m.label));
    }
    for (const RulerMark& m : InchMarks(r.width(), dpi)) {
        const int length = MarkLength(m.kind, t);
        FillRows(image, r.left() + m.position, r.bottom() - length + 1, 1, length);
        if (m.label >= 0)
            painter.drawText(QRect(r.left() + m.position + labelGap, r.bottom() - majorLength - labelHeight + 1,
                                   dpi, labelHeight)
                                 .intersected(r),
                             Qt::AlignLeft | Qt::AlignBottom, QString::number(m.label));
    }
    // The units' names stand in the free corner left of the ruler's origin.
    const int cornerWidth = std::max(1, std::min(dpi, r.left() - labelGap - 2));
    painter.drawText(QRect(r.left() - labelGap - cornerWidth, r.top() + majorLength, cornerWidth, labelHeight),
                     Qt::AlignRight | Qt::AlignTop, QStringLiteral("cm"));
    painter.drawText(QRect(r.left() - labelGap - cornerWidth, r.bottom() - majorLength - labelHeight + 1,
                           cornerWidth, labelHeight),
                     Qt::AlignRight | Qt::AlignBottom, QStringLiteral("in"));
}

// The left ruler: centimetres reach right from the left edge, inches reach
// left from the right edge.
void DrawLeftRuler(QImage& image, QPainter& painter, const QRect& r, int dpi) {
    const int t = r.width();
    FillRows(image, r.left(), r.top(), 1, r.height());
    FillRows(image, r.right(), r.top(), 1, r.height());
    const int majorLength = MarkLength(MarkKind::Major, t);
    const int labelGap = std::max(1, dpi / 100);
    const int labelWidth = std::max(1, t - 2 * majorLength - 2 * labelGap);
    const int labelHeight = PixelSize(kRulerPoints, dpi) * 3 / 2;
    painter.setFont(FontOfPixels(PixelSize(kRulerPoints, dpi)));
    for (const RulerMark& m : MetricMarks(r.height(), dpi)) {
        FillRows(image, r.left(), r.top() + m.position, MarkLength(m.kind, t), 1);
        if (m.label >= 0)
            painter.drawText(QRect(r.left() + majorLength + labelGap, r.top() + m.position + labelGap,
                                   labelWidth / 2, labelHeight)
                                 .intersected(r),
                             Qt::AlignLeft | Qt::AlignTop, QString::number(m.label));
    }
    for (const RulerMark& m : InchMarks(r.height(), dpi)) {
        const int length = MarkLength(m.kind, t);
        FillRows(image, r.right() - length + 1, r.top() + m.position, length, 1);
        if (m.label >= 0)
            painter.drawText(QRect(r.right() - majorLength - labelGap - labelWidth / 2 + 1,
                                   r.top() + m.position + labelGap, labelWidth / 2, labelHeight)
                                 .intersected(r),
                             Qt::AlignRight | Qt::AlignTop, QString::number(m.label));
    }
}

// "+12", "0", "-12": the figure to add, signed.
QString FoldNumber(int offset) {
    return offset > 0 ? QStringLiteral("+%1").arg(offset) : QString::number(offset);
}

// Across: ticks hang from the top edge, numbers under the labelled ones,
// the caption "Right" under the 0. Down: ticks reach right from the left
// edge, numbers right of the labelled ones, the caption "Down" above.
void DrawFold(QImage& image, QPainter& painter, const FoldScale& f, int dpi, bool across) {
    const QRect& r = f.rect;
    const int major = FoldMarkLength(MarkKind::Major, dpi);
    const FoldText text = FoldTextAt(dpi);
    painter.setClipRect(r);
    painter.setFont(FontOfPixels(PixelSize(kRulerPoints, dpi)));
    const int numbers = (across ? r.top() : r.left()) + major + text.gap;
    for (const FoldMark& m : FoldMarks(f.step, f.count)) {
        const int at = f.origin + m.offset, length = FoldMarkLength(m.kind, dpi);
        if (across) FillRows(image, at, r.top(), 1, length);
        else FillRows(image, r.left(), at, length, 1);
        if (!m.labelled) continue;
        if (across)
            painter.drawText(QRect(at - text.width / 2, numbers, text.width, text.height),
                             Qt::AlignHCenter | Qt::AlignTop, FoldNumber(m.offset));
        else
            painter.drawText(QRect(numbers, at - text.height / 2, text.width, text.height),
                             Qt::AlignLeft | Qt::AlignVCenter, FoldNumber(m.offset));
    }
    if (across)
        painter.drawText(QRect(f.origin - text.width / 2, numbers + text.height, text.width, text.height),
                         Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Right"));
    else
        painter.drawText(QRect(r.left(), r.top(), r.width(), text.height), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("Down"));
    painter.setClipping(false);
}
}  // namespace

QImage DrawTestPage(const TestPageLayout& layout, const QStringList& lines) {
    const int dpi = layout.dpi;
    QImage image(layout.page, QImage::Format_Grayscale8);
    if (image.isNull()) platform::Fail(QStringLiteral("Not enough memory for the calibration page"));
    image.fill(255);
    const int dotsPerMetre = int(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    if (layout.frame.isEmpty()) return image;

    // The dot-exact parts are written dot by dot; only text goes through the
    // painter, and every text rectangle lies clear of them.
    const QRect f = layout.frame;
    FillRows(image, f.left(), f.top(), f.width(), 1);
    FillRows(image, f.left(), f.bottom(), f.width(), 1);
    FillRows(image, f.left(), f.top(), 1, f.height());
    FillRows(image, f.right(), f.top(), 1, f.height());

    for (const PatternPatch& p : layout.patches)
        for (int y = 0; y < p.rect.height(); ++y) {
            uchar* line = image.scanLine(p.rect.top() + y) + p.rect.left();
            for (int x = 0; x < p.rect.width(); ++x)
                line[x] = PatternDotIsBlack(p.pattern, x, y) ? 0 : 255;
        }

    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    if (!layout.topRuler.isEmpty()) DrawTopRuler(image, painter, layout.topRuler, dpi);
    if (!layout.leftRuler.isEmpty()) DrawLeftRuler(image, painter, layout.leftRuler, dpi);
    if (!layout.foldAcross.rect.isEmpty()) DrawFold(image, painter, layout.foldAcross, dpi, true);
    if (!layout.foldDown.rect.isEmpty()) DrawFold(image, painter, layout.foldDown, dpi, false);

    for (const PatternPatch& p : layout.patches) {
        painter.setFont(FontOfPixels(PixelSize(kSmallPoints, dpi)));
        painter.setClipRect(p.label);
        painter.drawText(p.label, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, PatternName(p.pattern));
    }

    if (!layout.text.isEmpty()) {
        painter.setClipRect(layout.text);
        int y = layout.text.top();
        for (int i = 0; i < lines.size(); ++i) {
            const QFont font = i == 0 ? FontOfPixels(PixelSize(kHeadingPoints, dpi), true)
                                      : FontOfPixels(PixelSize(kTextPoints, dpi));
            painter.setFont(font);
            const QRect bounds(layout.text.left(), y, layout.text.width(), layout.text.bottom() + 1 - y);
            const QRect used = painter.boundingRect(bounds, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                                                    lines[i]);
            painter.drawText(bounds, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, lines[i]);
            y = used.bottom() + 1 + (i == 0 ? PixelSize(kTextPoints, dpi) / 2 : 0);
        }
    }
    painter.end();
    return image;
}

}  // namespace printing
