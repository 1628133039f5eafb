#include "printing/TestPage.h"

#include "platform/base/Failure.h"
#include "platform/base/Units.h"
#include "properties/Figures.h"
#include "printing/TestPageText.h"

#include <QFont>
#include <QLocale>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace printing {

using namespace testpage;

namespace {
// The nearest whole dot to `numerator / denominator` dots, both positive.
int NearestDot(double numerator, double denominator) {
    return int(std::lround(numerator / denominator));
}

// Lengths of the page in inches, turned into dots at `dpi`.
int Dots(double inches, int dpi) { return int(std::lround(inches * dpi)); }
int EvenDots(double inches, int dpi) { return std::max(2, Dots(inches, dpi) / 2 * 2); }


// Inches.
constexpr double kMargin = 0.15;          // from the frame to the rulers
constexpr double kRulerThickness = 0.7;
constexpr double kGap = 0.12;             // between elements
constexpr double kTextHeight = 2.1;       // room for the heading and eight lines
constexpr double kPatchSize = 0.9;
constexpr double kMinRulerLength = 1.0 / 2.54;  // at least one centimetre
constexpr double kFoldReach = 0.25;       // each side of the 0 tick
constexpr double kFoldMinor = 0.04;       // tick lengths
constexpr double kFoldHalf = 0.07;
constexpr double kFoldMajor = 0.10;

constexpr double kFoldTickMillimetres = 0.5;
// A scale shorter than this many ticks each side (no tick of five) is left out.
constexpr int kMinFoldTicks = 5;
}  // namespace

int CentimetreMarkDots(int n, int dpi) { return NearestDot(double(n) * dpi, 2.54); }
int MillimetreMarkDots(int n, int dpi) { return NearestDot(double(n) * dpi, 25.4); }
int InchMarkDots(int n, int dpi) { return n * dpi; }
int InchFractionMarkDots(int n, int perInch, int dpi) {
    return NearestDot(double(n) * dpi, double(perInch));
}

int InchMinorDivisions(int dpi) {
    for (int divisions : {16, 8, 4})
        if (dpi >= divisions * kMinMarkSpacingDots) return divisions;
    return 2;
}

std::vector<RulerMark> MetricMarks(int lengthDots, int dpi) {
    std::vector<RulerMark> marks;
    if (dpi <= 0) return marks;
    const bool millimetres = dpi >= 25.4 * kMinMarkSpacingDots;
    // Every position is worked out from the origin, never by adding steps, so
    // rounding errors cannot pile up along the ruler.
    for (int mm = 0;; ++mm) {
        const int position = MillimetreMarkDots(mm, dpi);
        if (position >= lengthDots) break;
        if (mm % 10 == 0)
            marks.push_back({CentimetreMarkDots(mm / 10, dpi), MarkKind::Major, mm / 10});
        else if (mm % 5 == 0)
            marks.push_back({position, MarkKind::Half, -1});
        else if (millimetres)
            marks.push_back({position, MarkKind::Minor, -1});
    }
    return marks;
}

std::vector<RulerMark> InchMarks(int lengthDots, int dpi) {
    std::vector<RulerMark> marks;
    if (dpi <= 0) return marks;
    const int divisions = InchMinorDivisions(dpi);
    for (int i = 0;; ++i) {
        const int position = InchFractionMarkDots(i, divisions, dpi);
        if (position >= lengthDots) break;
        if (i % divisions == 0)
            marks.push_back({InchMarkDots(i / divisions, dpi), MarkKind::Major, i / divisions});
        else if (i % (divisions / 2) == 0)
            marks.push_back({position, MarkKind::Half, -1});
        else
            marks.push_back({position, MarkKind::Minor, -1});
    }
    return marks;
}

bool PatternDotIsBlack(Pattern pattern, int x, int y) {
    switch (pattern) {
        case Pattern::Checkerboard1: return (x + y) % 2 == 0;
        case Pattern::VerticalStripes1: return x % 2 == 0;
        case Pattern::HorizontalStripes1: return y % 2 == 0;
        case Pattern::Checkerboard2: return (x / 2 + y / 2) % 2 == 0;
        case Pattern::VerticalStripes2: return (x / 2) % 2 == 0;
        case Pattern::HorizontalStripes2: return (y / 2) % 2 == 0;
    }
    return false;
}

QString PatternName(Pattern pattern) {
    switch (pattern) {
        case Pattern::Checkerboard1: return QStringLiteral("1-dot checks");
        case Pattern::VerticalStripes1: return QStringLiteral("1-dot columns");
        case Pattern::HorizontalStripes1: return QStringLiteral("1-dot rows");
        case Pattern::Checkerboard2: return QStringLiteral("2-dot checks");
        case Pattern::VerticalStripes2: return QStringLiteral("2-dot columns");
        case Pattern::HorizontalStripes2: return QStringLiteral("2-dot rows");
    }
    return QString();
}

int MarkLength(MarkKind kind, int thickness) {
    const double share = kind == MarkKind::Major ? 0.30 : kind == MarkKind::Half ? 0.20 : 0.12;
    return std::max(1, int(std::lround(share * thickness)));
}

int FoldTickStep(int dpi) { return std::max(2, int(std::lround(dpi * kFoldTickMillimetres / 25.4))); }

int FoldTickCount(int dpi) { return dpi <= 0 ? 0 : int(dpi * kFoldReach) / FoldTickStep(dpi); }

int FoldOrigin(double centre) { return int(std::floor(centre)); }

int FoldMarkLength(MarkKind kind, int dpi) {
    // Each kind at least two dots longer than the one below, however coarse
    // the device.
    const int minor = std::max(2, Dots(kFoldMinor, dpi));
    const int half = std::max(minor + 2, Dots(kFoldHalf, dpi));
    if (kind == MarkKind::Minor) return minor;
    if (kind == MarkKind::Half) return half;
    return std::max(half + 2, Dots(kFoldMajor, dpi));
}

std::vector<FoldMark> FoldMarks(int step, int count) {
    std::vector<FoldMark> marks;
    for (int i = -count; i <= count; ++i) {
        const MarkKind kind = i % 10 == 0 ? MarkKind::Major : i % 5 == 0 ? MarkKind::Half : MarkKind::Minor;
        marks.push_back({i * step, kind, kind == MarkKind::Major});
    }
    return marks;
}

namespace {

// `rect` moved along one axis (down when `vertical`) to the place nearest
// where it is that lies inside `inside` and at least `gap` dots from
// everything `taken`; an empty rectangle when there is none.
QRect NearestFree(const QRect& rect, bool vertical, const QRect& inside, const std::vector<QRect>& taken,
                  int gap) {
    const int reach = vertical ? inside.height() : inside.width();
    for (int d = 0; d <= reach; d = d > 0 ? -d : 1 - d) {
        const QRect r = rect.translated(vertical ? QPoint(0, d) : QPoint(d, 0));
        if (!inside.contains(r)) continue;
        const QRect clear = r.adjusted(-gap, -gap, gap, gap);
        if (std::none_of(taken.begin(), taken.end(), [&](const QRect& t) { return t.intersects(clear); }))
            return r;
    }
    return QRect();
}

// Places the two fold scales around the sheet's centre `centre` in the
// usable area `inside`, clear of `taken`.
void PlaceFoldScales(TestPageLayout& layout, QPointF centre, const QRect& inside, std::vector<QRect> taken,
                     int gap) {
    const int dpi = layout.dpi;
    const int step = FoldTickStep(dpi);
    const int major = FoldMarkLength(MarkKind::Major, dpi);
    const FoldText text = FoldTextAt(dpi);

    // Across: ticks over 2 x count x step + 1 columns, numbers centred under
    // the outermost ones; it may only move up or down.
    FoldScale across;
    across.origin = FoldOrigin(centre.x());
    across.step = step;
    const int roomX = std::min(across.origin - inside.left(), inside.right() - across.origin) - text.width / 2;
    across.count = std::min(FoldTickCount(dpi), roomX / step);
    if (across.count >= kMinFoldTicks) {
        const int half = across.count * step + text.width / 2;
        const QRect wanted(across.origin - half, FoldOrigin(centre.y()), 2 * half + 1,
                           major + text.gap + 2 * text.height);
        across.rect = NearestFree(wanted, true, inside, taken, gap);
        if (!across.rect.isEmpty()) {
            layout.foldAcross = across;
            taken.push_back(across.rect);
        }
    }

    // Down: ticks over 2 x count x step + 1 rows, numbers beside them half a
    // line above and below, the caption a line above; it may only move left
    // or right, and would rather stand just right of the scale across.
    FoldScale down;
    down.origin = FoldOrigin(centre.y());
    down.step = step;
    const int above = text.height / 2 + text.height;
    const int roomY = std::min(down.origin - inside.top() - above, inside.bottom() - down.origin - text.height / 2);
    down.count = std::min(FoldTickCount(dpi), roomY / step);
    if (down.count >= kMinFoldTicks) {
        const int reach = down.count * step;
        const int left = layout.foldAcross.rect.isEmpty() ? FoldOrigin(centre.x()) + gap
                                                          : layout.foldAcross.rect.right() + 1 + 2 * gap;
        const QRect wanted(left, down.origin - reach - above, major + text.gap + text.width,
                           2 * reach + 1 + above + text.height / 2);
        down.rect = NearestFree(wanted, false, inside, taken, gap);
        if (!down.rect.isEmpty()) layout.foldDown = down;
    }
}
}  // namespace

TestPageLayout LayoutTestPage(QSize page, int dpi, std::optional<QPointF> sheetCentre) {
    TestPageLayout layout;
    layout.page = page;
    layout.dpi = dpi;
    const int W = page.width();
    const int H = page.height();
    if (W <= 0 || H <= 0 || dpi <= 0) return layout;
    layout.frame = QRect(0, 0, W, H);

    // Two dots at least: the frame's dot and one clear dot.
    const int margin = std::max(2, Dots(kMargin, dpi));
    const int thickness = std::max(1, Dots(kRulerThickness, dpi));
    const int gap = std::max(1, Dots(kGap, dpi));
    const int minRuler = std::max(1, Dots(kMinRulerLength, dpi));

    // The rulers start just past the corner the other one leaves free.
    const int x0 = margin + thickness + gap;
    const int y0 = margin + thickness + gap;
    const int right = W - margin;   // one past the last usable column
    const int bottom = H - margin;  // one past the last usable row
    if (right - x0 >= minRuler && bottom - margin >= thickness)
        layout.topRuler = QRect(x0, margin, right - x0, thickness);
    if (bottom - y0 >= minRuler && right - margin >= thickness)
        layout.leftRuler = QRect(margin, y0, thickness, bottom - y0);

    const int contentWidth = right - x0;
    int y = y0;
    const int textHeight = Dots(kTextHeight, dpi);
    if (contentWidth > 0 && bottom - y >= textHeight) {
        layout.text = QRect(x0, y, contentWidth, textHeight);
        y += textHeight + gap;
    }

    const int patch = EvenDots(kPatchSize, dpi);
    // Two lines of the small type under each patch.
    const int labelHeight = int(std::lround(PixelSize(kSmallPoints, dpi) * 2.6));
    const int step = patch + 2 * gap;
    int x = x0;
    for (Pattern pattern : kPatterns) {
        if (x + patch > right) {
            x = x0;
            y += patch + labelHeight + gap;
        }
        if (x + patch > right || y + patch + labelHeight > bottom) break;
        layout.patches.push_back(
            {pattern, QRect(x, y, patch, patch), QRect(x - gap, y + patch, patch + 2 * gap, labelHeight)});
        x += step;
    }
    // A label may reach half a gap beyond its patch on either side; keep it
    // inside the usable area.
    for (PatternPatch& p : layout.patches)
        p.label = p.label.intersected(QRect(x0, y0, contentWidth, bottom - y0));

    std::vector<QRect> taken;
    for (const QRect& r : {layout.topRuler, layout.leftRuler, layout.text})
        if (!r.isEmpty()) taken.push_back(r);
    for (const PatternPatch& p : layout.patches) {
        taken.push_back(p.rect);
        taken.push_back(p.label);
    }
    PlaceFoldScales(layout, sheetCentre.value_or(QPointF(W / 2.0, H / 2.0)),
                    QRect(margin, margin, W - 2 * margin, H - 2 * margin), std::move(taken), gap);
    return layout;
}


int TestPageDpi(platform::Printer& printer) {
    const int16_t quality = printer.PrintQuality();
    if (quality > 0) return quality;
    return int(std::lround(printer.DotsPerInch()));
}

QStringList TestPageLines(platform::Printer& printer) {
    const QLocale c = QLocale::c();
    const platform::PrintableArea area = printer.Area();
    const int16_t quality = printer.PrintQuality();
    const QString resolution =
        quality > 0 ? QStringLiteral("%1 dots per inch").arg(quality)
                    : QStringLiteral("quality code %1, about %2 dots per inch").arg(quality).arg(TestPageDpi(printer));
    auto two = [&](double v) { return c.toString(v, 'f', 2); };
    const QPoint nudge = printer.Nudge();
    return {
        QStringLiteral("Ombrastele calibration page"),
        QStringLiteral("Printer: %1").arg(printer.DeviceName()),
        QStringLiteral("Paper: %1").arg(properties::PaperText(printer.PaperSize(), printer.Orientation())),
        QStringLiteral("Resolution: %1").arg(resolution),
        QStringLiteral("Printable area: %1 x %2 dots, %3 x %4 cm, %5 x %6 inches")
            .arg(area.widthDots)
            .arg(area.heightDots)
            .arg(two(area.widthInches * platform::kCentimetersPerInch))
            .arg(two(area.heightInches * platform::kCentimetersPerInch))
            .arg(two(area.widthInches))
            .arg(two(area.heightInches)),
        QStringLiteral("Every patch below should look an even grey. Lines, moire or blotches in the "
                       "1-dot patches mean the printer does not print one dot per pixel."),
        QStringLiteral("The rulers' marks are placed in dots: 10 cm on a ruler must measure 10 cm, "
                       "and 5 inches 5 inches. The outer frame lies on the edge of the printable area."),
        QStringLiteral("%1 Fold the sheet in half edge to edge, each way: the number where the crease "
                       "crosses the Right and the Down scale near the middle (a tick every %2 dots) is what "
                       "to add to the nudge, in File > Nudge...")
            .arg(nudge.isNull() ? QStringLiteral("Nudge: none.")
                                : QStringLiteral("Nudge: %1, %2 dots.").arg(nudge.x()).arg(nudge.y()))
            .arg(FoldTickStep(TestPageDpi(printer))),
    };
}

QPointF TestPageSheetCentre(platform::Printer& printer) {
    const QRectF sheet = printer.Facts().sheet;
    if (!sheet.isEmpty()) return sheet.center();
    const platform::PrintableArea area = printer.Area();
    return QPointF(area.widthDots / 2.0, area.heightDots / 2.0);
}

void PrintTestPage(platform::Printer& printer) {
    try {
        printer.SetScaleMode(platform::kPixels);
        const platform::PrintableArea area = printer.Area();
        if (area.widthDots <= 0 || area.heightDots <= 0)
            platform::Fail(QStringLiteral("The printer reports no printable area"));
        const int dpi = TestPageDpi(printer);
        const TestPageLayout layout =
            LayoutTestPage(QSize(area.widthDots, area.heightDots), dpi, TestPageSheetCentre(printer));
        const platform::Picture page(DrawTestPage(layout, TestPageLines(printer)));
        printer.PaintPicture(page, 0.0f, 0.0f, float(area.widthDots), float(area.heightDots));
        printer.EndDoc();
    } catch (...) {
        printer.KillDoc();
        throw;
    }
}

}  // namespace printing
