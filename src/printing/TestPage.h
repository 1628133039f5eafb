#pragma once
// The calibration page: one page drawn at the device's own resolution that
// shows whether the printer really prints one dot per picture pixel. It holds
// one-dot checkerboards and stripes in both directions (with two-dot ones
// beside them for comparison), a ruler in centimetres and inches along the top
// and the left whose marks are placed in whole dots, a one-dot frame on the
// outermost dots of the printable area, two fold scales that tell how far
// the printer misplaces the page on the sheet, and the printer's figures as
// text.
//
// All positions are device dots with the origin at the printable area's
// top-left corner. The geometry lives in plain functions so it can be checked
// on its own and found again in a printed raster.
#include "platform/print/Printer.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace printing {

// Ruler mark positions in dots from the ruler's origin, each the nearest
// whole dot to the exact length (a distance in dots is never exactly half
// way for these lengths, so no tie rule is needed).
int CentimetreMarkDots(int n, int dpi);       // round(n x dpi / 2.54)
int MillimetreMarkDots(int n, int dpi);       // round(n x dpi / 25.4)
int InchMarkDots(int n, int dpi);             // n x dpi, exact
int InchFractionMarkDots(int n, int perInch, int dpi);  // round(n x dpi / perInch)

// Marks closer than this many dots would run together on paper; finer
// divisions are left out at low resolutions.
inline constexpr int kMinMarkSpacingDots = 4;

enum class MarkKind { Minor, Half, Major };
struct RulerMark {
    int position = 0;  // dots from the ruler's origin
    MarkKind kind = MarkKind::Minor;
    int label = -1;    // the whole centimetre or inch it marks; -1 for none
};

// Marks of a metric scale `lengthDots` long: a Major mark on each whole
// centimetre (labelled), a Half mark on each half centimetre, and a Minor
// mark on each millimetre when millimetres are at least kMinMarkSpacingDots
// apart. Positions lie in [0, lengthDots); ascending.
std::vector<RulerMark> MetricMarks(int lengthDots, int dpi);
// The same in inches: Major on each inch (labelled), Half on each half inch,
// Minor on the finest of 1/16, 1/8 or 1/4 inch that is kMinMarkSpacingDots
// apart.
std::vector<RulerMark> InchMarks(int lengthDots, int dpi);
// Divisions per inch of the Minor inch marks at this resolution (16, 8, 4 or
// 2 when none finer fit).
int InchMinorDivisions(int dpi);

// The test patterns, each tiled from its patch's top-left dot.
enum class Pattern {
    Checkerboard1,      // dot (x, y) black when x + y is even
    VerticalStripes1,   // one-dot black and white columns, first column black
    HorizontalStripes1, // one-dot black and white rows, first row black
    Checkerboard2,      // two-dot squares
    VerticalStripes2,
    HorizontalStripes2,
};
inline constexpr Pattern kPatterns[] = {Pattern::Checkerboard1, Pattern::VerticalStripes1,
                                        Pattern::HorizontalStripes1, Pattern::Checkerboard2,
                                        Pattern::VerticalStripes2, Pattern::HorizontalStripes2};
// Whether the dot at (x, y), counted from the patch's top-left, is black.
bool PatternDotIsBlack(Pattern pattern, int x, int y);
QString PatternName(Pattern pattern);

struct PatternPatch {
    Pattern pattern;
    QRect rect;   // the pattern itself; width and height even
    QRect label;  // its name, right under it
};

// Fold scales. The user folds the sheet in half edge to edge and reads, on
// each scale, the number at the crease: it is what to add to the printer's
// nudge, in dots. The tick t dots right of (below) where the sheet's centre
// line should be lands on the crease when everything printed lies t dots too
// far left (up), so it is labelled +t.

// Dots between ticks: the nearest to half a millimetre, at least 2.
int FoldTickStep(int dpi);
// Ticks each side of 0 for a scale reaching about a quarter inch either way.
int FoldTickCount(int dpi);
// The dot (column or row) of the 0 tick for a centre line `centre` dots from
// the printable area's origin: the dot the line passes through (the later
// one when it runs along a dot edge).
int FoldOrigin(double centre);
// Length in dots, across the scale, of a fold tick of `kind`.
int FoldMarkLength(MarkKind kind, int dpi);

struct FoldMark {
    int offset = 0;  // dots from the 0 tick, right or down
    MarkKind kind = MarkKind::Minor;  // Major every 10 ticks, Half every 5
    bool labelled = false;            // Major ticks carry their offset
};
// The ticks of a scale of `count` ticks each side of 0, `step` dots apart,
// ascending from -count x step.
std::vector<FoldMark> FoldMarks(int step, int count);

struct FoldScale {
    QRect rect;      // ticks, numbers and caption; empty when left out
    int origin = 0;  // the 0 tick's column (scale across) or row (scale down)
    int step = 0;
    int count = 0;   // ticks each side of 0
};

struct TestPageLayout {
    QSize page;                 // the printable area in dots
    int dpi = 0;
    QRect frame;                // one-dot outline on the area's outermost dots
    // Horizontal ruler: origin at its left edge. Centimetre marks hang from
    // its top edge, inch marks rise from its bottom edge.
    QRect topRuler;
    // Vertical ruler: origin at its top edge. Centimetre marks reach right
    // from its left edge, inch marks reach left from its right edge.
    QRect leftRuler;
    QRect text;                 // the printer's figures
    std::vector<PatternPatch> patches;  // those that fit, in kPatterns order
    // Read at the crease of the sheet folded left edge to right edge: ticks
    // hang down from the top edge, one column each, numbers and the caption
    // under them.
    FoldScale foldAcross;
    // Read at the crease of the sheet folded top edge to bottom edge: ticks
    // reach right from the left edge, one row each, numbers right of them,
    // the caption above.
    FoldScale foldDown;
};

// Places everything on a printable area of `page` dots at `dpi` whose
// sheet's centre is `sheetCentre` (dots from the area's origin; the area's
// own centre when not given). Elements that do not fit a small area are left
// out (a ruler, the text, patches, fold scales); whatever is placed lies
// inside the area, one dot clear of the frame, and no two elements overlap.
// The fold scales come last, each as near the sheet's centre as the rest
// leaves room for.
TestPageLayout LayoutTestPage(QSize page, int dpi, std::optional<QPointF> sheetCentre = std::nullopt);

// Length in dots of a ruler mark of `kind` on a ruler `thickness` dots thick.
int MarkLength(MarkKind kind, int thickness);

// The page as an image the size of the printable area, one pixel per dot,
// white paper with black marks. Patterns, frame and ruler marks are whole
// black dots; the text is drawn with `lines`, the first as a heading.
QImage DrawTestPage(const TestPageLayout& layout, const QStringList& lines);

// The text of the page for this printer: heading, name, paper, resolution,
// printable area, the nudge in use, and how to read the page.
QStringList TestPageLines(platform::Printer& printer);

// The resolution the page is drawn at: the printer's PrintQuality when it is
// one, otherwise its dots per inch worked out from the printable area.
int TestPageDpi(platform::Printer& printer);

// Where the sheet's centre lies for `printer`, in dots from its printable
// area's origin: from its Facts' sheet, or the area's centre when unknown.
QPointF TestPageSheetCentre(platform::Printer& printer);

// Draws the page for `printer` and prints it: the image at (0, 0), one pixel
// per dot, in dots (ScaleMode 3), then EndDoc. A failure cancels the document
// and is passed on.
void PrintTestPage(platform::Printer& printer);

}  // namespace printing
