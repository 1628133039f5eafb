// The calibration page: ruler positions, pattern dots, layout, the drawn page
// and its print job.
#include "platform/base/Failure.h"
#include "support/RecordingPrinter.h"
#include "printing/TestPage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace printing;

namespace {
// round(n x dpi / 2.54) in integers only: n x dpi x 100 / 254 to the nearest.
int ExactCentimetre(int n, int dpi) { return (2 * n * dpi * 100 + 254) / 508; }

const int kResolutions[] = {72, 96, 150, 200, 300, 360, 600, 720, 1200, 2400};

struct PageCase {
    const char* name;
    int width, height, dpi;
    bool full;  // rulers, text, all six patches and both fold scales fit
    QPointF centre;  // the sheet's, from the area's origin; (0, 0): the area's
};
const PageCase kPages[] = {
    // The test queue's A4: margins left 18, right 13, top 23, bottom 36 points.
    {"A4 at 600 dpi", 4700, 6525, 600, true, {2329.17, 3316.67}},
    {"Letter at 300 dpi", 2475, 3150, 300, true, {1200, 1550}},
    // The same A4 turned: its bottom margin is on the left.
    {"A4 landscape at 600 dpi", 6525, 4700, 600, true, {3208.33, 2329.17}},
    {"A4 at 1200 dpi", 9322, 13432, 1200, true, {}},
    {"label at 203 dpi", 400, 240, 203, false, {}},
    {"two inches at 600 dpi", 1200, 1200, 600, false, {}},
    {"one inch at 600 dpi", 600, 600, 600, false, {}},
    {"a few dots", 5, 3, 300, false, {}},
};

TestPageLayout LayoutOf(const PageCase& c) {
    return c.centre.isNull() ? LayoutTestPage(QSize(c.width, c.height), c.dpi)
                             : LayoutTestPage(QSize(c.width, c.height), c.dpi, c.centre);
}

bool Black(const QImage& page, int x, int y) { return page.pixelColor(x, y).value() == 0; }
}  // namespace

TEST(TestPageRuler, CentimetreMarksAreTheNearestDot) {
    for (int dpi : kResolutions)
        for (int n = 0; n <= 60; ++n)
            EXPECT_EQ(CentimetreMarkDots(n, dpi), ExactCentimetre(n, dpi)) << n << " cm at " << dpi;
    EXPECT_EQ(CentimetreMarkDots(1, 600), 236);
    EXPECT_EQ(CentimetreMarkDots(10, 600), 2362);
    EXPECT_EQ(CentimetreMarkDots(1, 300), 118);
    EXPECT_EQ(CentimetreMarkDots(19, 300), 2244);  // 2244.09
}

TEST(TestPageRuler, InchMarksAreExactAndFractionsNearest) {
    for (int dpi : kResolutions) {
        for (int n = 0; n <= 12; ++n) EXPECT_EQ(InchMarkDots(n, dpi), n * dpi);
        for (int n = 0; n <= 64; ++n)  // sixteenths, integers only
            EXPECT_EQ(InchFractionMarkDots(n, 16, dpi), (2 * n * dpi + 16) / 32) << n << "/16 at " << dpi;
    }
    EXPECT_EQ(InchFractionMarkDots(1, 16, 300), 19);  // 18.75
    EXPECT_EQ(MillimetreMarkDots(1, 300), 12);        // 11.81
}

TEST(TestPageRuler, FinerDivisionsOnlyWhereTheyStayApart) {
    const struct {
        int dpi, divisions;
    } cases[] = {{2400, 16}, {600, 16}, {300, 16}, {64, 16}, {63, 8}, {32, 8}, {31, 4}, {16, 4}, {15, 2}};
    for (const auto& c : cases) EXPECT_EQ(InchMinorDivisions(c.dpi), c.divisions) << c.dpi;

    for (int dpi : kResolutions) {
        const auto metric = MetricMarks(30 * dpi, dpi);
        const auto inches = InchMarks(30 * dpi, dpi);
        for (const auto* marks : {&metric, &inches})
            for (size_t i = 1; i < marks->size(); ++i)
                EXPECT_GE((*marks)[i].position - (*marks)[i - 1].position, kMinMarkSpacingDots) << dpi;
        const bool millimetres = std::any_of(metric.begin(), metric.end(),
                                             [](const RulerMark& m) { return m.kind == MarkKind::Minor; });
        EXPECT_EQ(millimetres, dpi >= 102) << dpi;  // 4 dots a millimetre from 101.6 dpi
    }
}

TEST(TestPageRuler, MajorMarksCarryTheirNumberAndEveryMarkFits) {
    for (int dpi : {300, 600}) {
        const int length = 2000;
        int centimetres = 0;
        for (const RulerMark& m : MetricMarks(length, dpi)) {
            EXPECT_GE(m.position, 0);
            EXPECT_LT(m.position, length);
            if (m.kind != MarkKind::Major) {
                EXPECT_EQ(m.label, -1);
                continue;
            }
            EXPECT_EQ(m.label, centimetres);
            EXPECT_EQ(m.position, ExactCentimetre(centimetres, dpi));
            ++centimetres;
        }
        // Every whole centimetre short of the end: 2000 dots is 8.47 cm at
        // 600 dpi and 16.93 cm at 300 dpi.
        EXPECT_EQ(centimetres, dpi == 600 ? 9 : 17);
        int inches = 0;
        for (const RulerMark& m : InchMarks(length, dpi))
            if (m.kind == MarkKind::Major) EXPECT_EQ(m.position, dpi * inches++);
        EXPECT_EQ(inches, dpi == 600 ? 4 : 7);
    }
    EXPECT_TRUE(MetricMarks(1000, 0).empty());
    EXPECT_TRUE(InchMarks(0, 600).empty());
}

TEST(TestPageFold, TicksAboutHalfAMillimetreApartOutToAQuarterInch) {
    const struct {
        int dpi, step, count;
    } cases[] = {{72, 2, 9}, {203, 4, 12}, {300, 6, 12}, {360, 7, 12}, {2400, 47, 12}};
    for (const auto& c : cases) EXPECT_EQ(std::pair(FoldTickStep(c.dpi), FoldTickCount(c.dpi)), std::pair(c.step, c.count));
    EXPECT_EQ(FoldOrigin(2329.17), 2329);  // the dot the centre line passes through
    EXPECT_EQ(FoldOrigin(1200.0), 1200);

    const std::vector<FoldMark> marks = FoldMarks(12, 12);
    std::vector<int> labelled, half;
    for (const FoldMark& m : marks) {
        if (m.labelled) labelled.push_back(m.offset);
        if (m.kind == MarkKind::Half) half.push_back(m.offset);
    }
    EXPECT_EQ(marks.size(), 25u);
    EXPECT_EQ(std::pair(marks.front().offset, marks.back().offset), std::pair(-144, 144));
    EXPECT_EQ(labelled, (std::vector<int>{-120, 0, 120}));
    EXPECT_EQ(half, (std::vector<int>{-60, 60}));
}

TEST(TestPagePattern, OneDotPatternsAlternateEveryDot) {
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool c = PatternDotIsBlack(Pattern::Checkerboard1, x, y);
            EXPECT_NE(c, PatternDotIsBlack(Pattern::Checkerboard1, x + 1, y));
            EXPECT_NE(c, PatternDotIsBlack(Pattern::Checkerboard1, x, y + 1));
            const bool v = PatternDotIsBlack(Pattern::VerticalStripes1, x, y);
            EXPECT_NE(v, PatternDotIsBlack(Pattern::VerticalStripes1, x + 1, y));
            EXPECT_EQ(v, PatternDotIsBlack(Pattern::VerticalStripes1, x, y + 1));
            const bool h = PatternDotIsBlack(Pattern::HorizontalStripes1, x, y);
            EXPECT_EQ(h, PatternDotIsBlack(Pattern::HorizontalStripes1, x + 1, y));
            EXPECT_NE(h, PatternDotIsBlack(Pattern::HorizontalStripes1, x, y + 1));
            // Two-dot patterns repeat every four dots and change every two.
            for (Pattern p : {Pattern::Checkerboard2, Pattern::VerticalStripes2, Pattern::HorizontalStripes2}) {
                EXPECT_EQ(PatternDotIsBlack(p, x, y), PatternDotIsBlack(p, x + 4, y + 4));
                EXPECT_EQ(PatternDotIsBlack(p, 2 * (x / 2), 2 * (y / 2)), PatternDotIsBlack(p, x, y));
            }
        }
    for (Pattern p : kPatterns) {
        EXPECT_TRUE(PatternDotIsBlack(p, 0, 0)) << PatternName(p).toStdString();
        EXPECT_FALSE(PatternName(p).isEmpty());
    }
}

TEST(TestPageLayoutTest, EverythingInsideClearOfTheFrameAndApart) {
    for (const PageCase& c : kPages) {
        SCOPED_TRACE(c.name);
        const TestPageLayout l = LayoutOf(c);
        EXPECT_EQ(l.frame, QRect(0, 0, c.width, c.height));
        std::vector<QRect> parts;
        for (const QRect& r : {l.topRuler, l.leftRuler, l.text, l.foldAcross.rect, l.foldDown.rect})
            if (!r.isEmpty()) parts.push_back(r);
        for (const PatternPatch& p : l.patches) {
            EXPECT_EQ(p.rect.width() % 2, 0);
            EXPECT_EQ(p.rect.height() % 2, 0);
            parts.push_back(p.rect);
            parts.push_back(p.label);
        }
        const QRect inner = l.frame.adjusted(2, 2, -2, -2);
        for (size_t i = 0; i < parts.size(); ++i) {
            EXPECT_TRUE(inner.contains(parts[i])) << i;
            for (size_t j = i + 1; j < parts.size(); ++j) EXPECT_FALSE(parts[i].intersects(parts[j])) << i << ", " << j;
        }
        if (c.full) {
            EXPECT_FALSE(l.topRuler.isEmpty());
            EXPECT_FALSE(l.leftRuler.isEmpty());
            EXPECT_FALSE(l.text.isEmpty());
            ASSERT_EQ(l.patches.size(), std::size(kPatterns));
            for (size_t i = 0; i < l.patches.size(); ++i) EXPECT_EQ(l.patches[i].pattern, kPatterns[i]);
            // Patches big enough to judge by eye: at least three quarters of an inch.
            EXPECT_GE(l.patches[0].rect.width(), c.dpi * 3 / 4);
            // Rulers long enough for a 10 cm check on the shorter side.
            EXPECT_GT(std::min(l.topRuler.width(), l.leftRuler.height()), CentimetreMarkDots(10, c.dpi));
        }
        // A fold scale's 0 is on the sheet's centre line; its ticks reach a
        // quarter inch each way when there is room.
        const QPointF centre = c.centre.isNull() ? QPointF(c.width / 2.0, c.height / 2.0) : c.centre;
        for (const FoldScale* f : {&l.foldAcross, &l.foldDown}) {
            const bool across = f == &l.foldAcross;
            if (c.full) EXPECT_EQ(f->count, FoldTickCount(c.dpi)) << across;
            if (f->rect.isEmpty()) continue;
            EXPECT_EQ(f->origin, int(std::floor(across ? centre.x() : centre.y()))) << across;
        }
    }
    EXPECT_TRUE(LayoutTestPage(QSize(0, 100), 600).frame.isEmpty());
}

TEST(TestPageDrawing, DotsAreWhereTheLayoutSays) {
    for (const PageCase& c : {kPages[1], kPages[4]}) {
        SCOPED_TRACE(c.name);
        const TestPageLayout l = LayoutOf(c);
        const QImage page = DrawTestPage(l, {QStringLiteral("Heading"), QStringLiteral("Printer: Test")});
        ASSERT_EQ(page.size(), QSize(c.width, c.height));

        for (int x = 0; x < c.width; ++x) EXPECT_TRUE(Black(page, x, 0) && Black(page, x, c.height - 1)) << x;
        for (int y = 0; y < c.height; ++y) EXPECT_TRUE(Black(page, 0, y) && Black(page, c.width - 1, y)) << y;
        // Nothing drawn on the dot just inside the frame.
        for (int x = 1; x < c.width - 1; ++x) EXPECT_FALSE(Black(page, x, 1) || Black(page, x, c.height - 2)) << x;

        for (const PatternPatch& p : l.patches)
            for (int y = 0; y < p.rect.height(); ++y)
                for (int x = 0; x < p.rect.width(); ++x) {
                    const int v = page.pixelColor(p.rect.left() + x, p.rect.top() + y).value();
                    ASSERT_EQ(v, PatternDotIsBlack(p.pattern, x, y) ? 0 : 255)
                        << PatternName(p.pattern).toStdString() << " at " << x << ", " << y;
                }

        // The fold scales' ticks: one dot each at its offset from the 0 tick,
        // and nothing else on the scale's first row (column) that far out.
        for (const FoldScale* f : {&l.foldAcross, &l.foldDown}) {
            if (f->rect.isEmpty()) continue;
            std::set<int> ticks, expected;
            for (const FoldMark& m : FoldMarks(f->step, f->count)) expected.insert(m.offset);
            for (int a = -(f->count + 1) * f->step; a <= (f->count + 1) * f->step; ++a)
                if (f == &l.foldAcross ? Black(page, f->origin + a, f->rect.top())
                                       : Black(page, f->rect.left(), f->origin + a))
                    ticks.insert(a);
            EXPECT_EQ(ticks, expected);
        }

        if (l.topRuler.isEmpty()) continue;
        // Just below the half-centimetre marks only the centimetre marks
        // cross the row; just above the half-inch marks only the inches.
        const QRect r = l.topRuler;
        const int t = r.height();
        std::set<int> cm, expectedCm, in, expectedIn;
        for (int x = 0; x < r.width(); ++x) {
            if (Black(page, r.left() + x, r.top() + MarkLength(MarkKind::Half, t))) cm.insert(x);
            if (Black(page, r.left() + x, r.bottom() - MarkLength(MarkKind::Half, t))) in.insert(x);
        }
        for (int n = 0; ExactCentimetre(n, c.dpi) < r.width(); ++n) expectedCm.insert(ExactCentimetre(n, c.dpi));
        for (int n = 0; n * c.dpi < r.width(); ++n) expectedIn.insert(n * c.dpi);
        EXPECT_EQ(cm, expectedCm);
        EXPECT_EQ(in, expectedIn);
        // The same down the left ruler.
        const QRect v = l.leftRuler;
        std::set<int> vcm, vin;
        for (int y = 0; y < v.height(); ++y) {
            if (Black(page, v.left() + MarkLength(MarkKind::Half, v.width()), v.top() + y)) vcm.insert(y);
            if (Black(page, v.right() - MarkLength(MarkKind::Half, v.width()), v.top() + y)) vin.insert(y);
        }
        std::set<int> expectedVcm, expectedVin;
        for (int n = 0; ExactCentimetre(n, c.dpi) < v.height(); ++n) expectedVcm.insert(ExactCentimetre(n, c.dpi));
        for (int n = 0; n * c.dpi < v.height(); ++n) expectedVin.insert(n * c.dpi);
        EXPECT_EQ(vcm, expectedVcm);
        EXPECT_EQ(vin, expectedVin);

        // The text is there: ink inside its rectangle.
        if (l.text.isEmpty()) continue;
        bool ink = false;
        for (int y = l.text.top(); y <= l.text.bottom() && !ink; ++y)
            for (int x = l.text.left(); x <= l.text.right() && !ink; ++x) ink = page.pixelColor(x, y).value() < 128;
        EXPECT_TRUE(ink);
    }
}

TEST(TestPagePrinting, OnePictureTheSizeOfTheAreaAtTheOriginInDots) {
    platform::RecordingPrinter printer;
    printer.area = {8.25, 10.5, 2475, 3150};
    printer.printQuality = 300;
    printer.SetScaleMode(platform::kInches);
    PrintTestPage(printer);
    EXPECT_EQ(printer.ScaleMode(), platform::kPixels);
    ASSERT_EQ(printer.ops.size(), 2u);
    const auto& op = printer.ops[0];
    EXPECT_EQ(op.kind, platform::RecordingPrinter::Op::Picture);
    EXPECT_EQ(op.x1, 0);
    EXPECT_EQ(op.y1, 0);
    EXPECT_EQ(op.x2, 2475);
    EXPECT_EQ(op.y2, 3150);
    EXPECT_EQ(printer.ops[1].kind, platform::RecordingPrinter::Op::EndDoc);
    EXPECT_EQ(printer.documentsEnded, 1);
}

TEST(TestPagePrinting, ResolutionFromTheAreaWhenTheDeviceGivesAQualityCode) {
    platform::RecordingPrinter printer;
    printer.printQuality = -4;
    EXPECT_EQ(TestPageDpi(printer), 600);  // 4661 dots over 7.77 inches
    const QStringList lines = TestPageLines(printer);
    EXPECT_TRUE(lines.join('\n').contains(QStringLiteral("quality code -4, about 600 dots per inch")));
    EXPECT_TRUE(lines.join('\n').contains(QStringLiteral("Printer: Test Printer")));
    EXPECT_TRUE(lines.join('\n').contains(QStringLiteral("Paper: A4, Portrait")));
    EXPECT_TRUE(lines.join('\n').contains(QStringLiteral("4661 x 6716 dots")));
    EXPECT_TRUE(lines.join('\n').contains(QStringLiteral("Nudge: none.")));
    EXPECT_TRUE(lines.join('\n').contains(QStringLiteral("a tick every 12 dots")));
    printer.SetNudge(QPoint(3, -14));
    EXPECT_TRUE(TestPageLines(printer).join('\n').contains(QStringLiteral("Nudge: 3, -14 dots.")));
}

TEST(TestPagePrinting, AFailureCancelsTheDocument) {
    const char* members[] = {"Area", "PaintPicture", "EndDoc"};
    for (const char* member : members) {
        platform::RecordingPrinter printer;
        printer.failWhen = [member](const char* m) {
            if (std::string(m) == member) platform::Fail(QStringLiteral("device gone"));
        };
        EXPECT_THROW(PrintTestPage(printer), platform::Failure) << member;
        EXPECT_EQ(printer.documentsEnded, 0) << member;
        EXPECT_FALSE(printer.documentOpen()) << member;
    }
    platform::RecordingPrinter empty;
    empty.area = {0, 0, 0, 0};
    EXPECT_THROW(PrintTestPage(empty), platform::Failure);
}
