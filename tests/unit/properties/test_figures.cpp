// The panel's rounding and paper names, without a widget.
#include "platform/base/Failure.h"
#include "platform/picture/Picture.h"
#include "platform/base/Screen.h"
#include "platform/print/Printer.h"
#include "properties/Figures.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <algorithm>
#include <limits>

using properties::FormatRounded;

static std::string Str(const QString& s) { return s.toStdString(); }  // readable failure output

TEST(Figures, FormatRounded) {
    const QLocale dot = QLocale::c(), comma(QLocale::German, QLocale::Germany);
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {0.3072, "0.31"}, {6, "6"}, {12.7000000000001, "12.7"}, {0.30000000000000004, "0.3"},
        // Exact binary halves go to the even digit, on both sides of zero.
        {0.125, "0.12"}, {0.375, "0.38"}, {-0.125, "-0.12"}, {-0.375, "-0.38"},
        {-0.004, "0"},  // rounds to nothing: no "-0"
        // No grouping, no exponent, at most 15 significant digits.
        {1234567.891, "1234567.89"}, {12345678901234.56, "12345678901234.6"},
        {1e20, "100000000000000000000"}, {-123456789012345678.0, "-123456789012346000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(FormatRounded(c.value, dot)), c.expected) << c.value;
        std::string withComma = c.expected;
        std::replace(withComma.begin(), withComma.end(), '.', ',');
        EXPECT_EQ(Str(FormatRounded(c.value, comma)), withComma) << c.value;
    }
    for (double v : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
        EXPECT_THROW(FormatRounded(v, dot), platform::Failure) << v;
    EXPECT_FALSE(FormatRounded(std::numeric_limits<double>::max(), dot).contains(QLatin1Char('e')));
}

TEST(Figures, ResolutionTextGivesBothFiguresOfDotsThatAreNotSquare) {
    const struct {
        int16_t quality;
        QSize device;
        const char* text;
    } cases[] = {
        {600, QSize(600, 600), "600 DPI"},
        {600, QSize(), "600 DPI"},          // a device that does not tell
        {300, QSize(300, 600), "300 x 600 DPI"},
        {300, QSize(600, 300), "600 x 300 DPI"},  // turned for landscape
        {-4, QSize(), "-4 DPI"},           // a quality code
    };
    for (const auto& c : cases)
        EXPECT_EQ(properties::ResolutionText(c.quality, c.device).toStdString(), c.text);
}

TEST(Figures, PaperText) {
    struct Case {
        int16_t paper, orientation;
        const char* expected;
    };
    const Case cases[] = {
        {8, 1, "A3, Portrait"},   {9, 1, "A4, Portrait"},        {11, 2, "A5, Landscape"},
        {1, 1, "Letter, Portrait"}, {12, 1, "B4, Portrait"},     {13, 1, "B5, Portrait"},
        {7, 1, "Executive, Portrait"}, {3, 1, "Tabloid, Portrait"}, {5, 1, "Other, Portrait"},
        {0, 1, "Other, Portrait"}, {9, 0, "A4, Landscape"},      {9, 3, "A4, Landscape"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Str(properties::PaperText(c.paper, c.orientation)), c.expected) << c.paper;
}

TEST(Figures, PictureSizeSurvivesHimetricAtEveryScreenResolution) {
    // A picture's pixels go to HIMETRIC at the screen's resolution when it is
    // made and back to 16-bit pixels in the panel: the count must come back
    // whole on every common screen, not only at 96 dpi.
    const int sizes[] = {1, 2, 7, 75, 640, 4657, 6717, 32767};
    for (const double dpi : {96.0, 120.0, 144.0, 192.0}) {
        platform::SetScreenDpiForTesting(dpi);
        for (const int side : sizes) {
            const platform::Picture picture(QImage(side, 1, QImage::Format_RGB32));
            EXPECT_EQ(properties::PixelsFromHimetricX(picture.Width()), side) << dpi << " dpi";
            const platform::Picture tall(QImage(1, side, QImage::Format_RGB32));
            EXPECT_EQ(properties::PixelsFromHimetricY(tall.Height()), side) << dpi << " dpi";
        }
    }
    platform::SetScreenDpiForTesting(96.0);
}

TEST(Figures, LayoutSummary) {
    using platform::SheetOptions;
    const struct {
        SheetOptions sheet;
        const char* text;
    } cases[] = {
        {{}, "1 dot per pixel, 1 copy"},
        {{3, platform::kCopiesFill, 20, false, 0}, "3 dots per pixel, as many copies as fit, gap 20 dots"},
        {{1, 6, 0, false, 9}, "1 dot per pixel, 6 copies"},  // no overlap without a poster
        {{1, 1, 50, true, 0}, "1 dot per pixel, 1 copy, poster"},  // no gap with one copy
        {{16, 9999, 99999, true, 99999}, "16 dots per pixel, 9999 copies, gap 99999 dots, poster, overlap 99999 dots"},
    };
    for (const auto& c : cases) EXPECT_EQ(Str(properties::LayoutSummary(c.sheet)), c.text);
}

TEST(Figures, WrapCaptionBreaksWhereItCanAndAnywhereElse) {
    const auto tenPerChar = [](const QString& s) { return int(s.size()) * 10; };
    const struct {
        const char* text;
        int room;
        QStringList lines;
    } cases[] = {
        {"Printer PDF", 200, {"Printer PDF"}},
        {"", 200, {""}},
        {"Printer Office_Colour_Laser", 150, {"Printer Office_", "Colour_Laser"}},
        {"Printer ABCDEFGHIJKLMNOPQRST", 100, {"Printer", "ABCDEFGHIJ", "KLMNOPQRST"}},
        {"Printer a-b.c", 100, {"Printer a-", "b.c"}},
        {"WXYZ", 5, {"W", "X", "Y", "Z"}},  // narrower than a character: one a line
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const QStringList lines = properties::WrapCaption(QString::fromLatin1(c.text), c.room, tenPerChar);
        EXPECT_EQ(lines, c.lines);
        for (const QString& line : lines)
            if (line.size() > 1) EXPECT_LE(tenPerChar(line), c.room);
    }
}

// The panel's and --info's line for layouts an int could not count, answered
// by arithmetic: laid out tile by tile they took seconds and gigabytes.
TEST(Figures, SheetSummaryCountsPastInt) {
    using platform::SheetOptions;
    const QSize label(125, 125), a3(56133, 79400);  // a label at 300 dpi; A3 at 4800 dpi
    const struct {
        QSize area;
        int16_t pixels;
        SheetOptions sheet;
        const char* text;
    } cases[] = {
        {label, 2047, {4, 1, 0, true, 124}, "Poster of 8064 x 8064 pages"},
        {label, 2047, {16, 1, 0, true, 124}, "Poster of 32628 x 32628 pages"},
        {label, 2048, {16, 1, 0, true, 124}, "Too large at 16 dots per pixel"},
        {a3, 1, {1, platform::kCopiesFill, 0, false, 0}, "4456960200 copies fit on a sheet"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Str(properties::SheetSummary(c.area, 300, c.pixels, c.pixels, c.sheet)), c.text);
}
