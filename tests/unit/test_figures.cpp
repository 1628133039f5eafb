// The panel's arithmetic and texts, without a widget.
#include "platform/Failure.h"
#include "platform/Printer.h"
#include "properties/Figures.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <cmath>
#include <limits>

// Readable texts in failure messages (found by argument-dependent lookup).
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace properties;

namespace {
const QLocale kDot(QLocale::English, QLocale::UnitedStates);
const QLocale kComma(QLocale::German, QLocale::Germany);
}  // namespace

TEST(Figures, FormatRoundedTwoDecimalsHalfToEven) {
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {0.3072, "0.31"},
        {6, "6"},
        {12.7000000000001, "12.7"},
        {0.30000000000000004, "0.3"},
        // Exact binary halves go to the even digit.
        {0.125, "0.12"},
        {0.375, "0.38"},
        {0.625, "0.62"},
        {2.5, "2.5"},
        {-0.125, "-0.12"},
        {-0.375, "-0.38"},
        {-2.71, "-2.71"},
        // Rounds to nothing: no "-0", no separator.
        {-0.004, "0"},
        {0, "0"},
        {0.004, "0"},
        {0.05, "0.05"},
        // No grouping, no exponent, at most 15 significant digits.
        {1234567.891, "1234567.89"},
        {12345678901234.56, "12345678901234.6"},
        {1e20, "100000000000000000000"},
        {123456789012345678.0, "123456789012346000"},
        {-1e20, "-100000000000000000000"},
        {32767, "32767"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatRounded(c.value, kDot), QString::fromLatin1(c.expected)) << c.value;
}

TEST(Figures, FormatRoundedUsesTheLocaleSeparatorOnly) {
    EXPECT_EQ(FormatRounded(0.3072, kComma), QStringLiteral("0,31"));
    EXPECT_EQ(FormatRounded(-1234567.5, kComma), QStringLiteral("-1234567,5"));  // no '.' grouping
    EXPECT_EQ(FormatRounded(6, kComma), QStringLiteral("6"));
    EXPECT_EQ(FormatPair(2.7093, 2.032, kCmSuffix, kComma), QStringLiteral("2,71 x 2,03 cm"));
    EXPECT_EQ(FormatPair(1.0666, 0.8, kInchSuffix, kDot), QStringLiteral("1.07 x 0.8 \""));
}

TEST(Figures, FormatRoundedRefusesValuesThatAreNotNumbers) {
    for (double v : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        try {
            FormatRounded(v, kDot);
            ADD_FAILURE() << v << " gave a text";
        } catch (const platform::Failure& f) {
            EXPECT_EQ(f.message(), QStringLiteral("Overflow"));
        }
    }
    // The largest finite values still have a text (no overflow inside the rounding).
    EXPECT_FALSE(FormatRounded(std::numeric_limits<double>::max(), kDot).contains(QLatin1Char('e')));
}

TEST(Figures, PaperNames) {
    struct Case {
        int16_t paper, orientation;
        const char* expected;
    };
    const Case cases[] = {
        {platform::kPaperA3, 1, "A3, Portrait"},       {platform::kPaperA4, 1, "A4, Portrait"},
        {platform::kPaperA5, 2, "A5, Landscape"},      {platform::kPaperLetter, 1, "Letter, Portrait"},
        {platform::kPaperB4, 1, "B4, Portrait"},       {platform::kPaperB5, 1, "B5, Portrait"},
        {platform::kPaperExecutive, 1, "Executive, Portrait"},
        {platform::kPaperTabloid, 1, "Tabloid, Portrait"},
        {platform::kPaperLegal, 1, "Other, Portrait"}, {platform::kPaperA4Small, 1, "Other, Portrait"},
        {0, 1, "Other, Portrait"},                     {-1, 1, "Other, Portrait"},
        {platform::kPaperUser, 1, "Other, Portrait"},
        // Anything but 1 is landscape.
        {platform::kPaperA4, 0, "A4, Landscape"},      {platform::kPaperA4, 3, "A4, Landscape"},
        {platform::kPaperA4, -1, "A4, Landscape"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PaperText(c.paper, c.orientation), QString::fromLatin1(c.expected))
            << c.paper << "/" << c.orientation;
}

TEST(Figures, PictureAndPrinterTexts) {
    EXPECT_EQ(PixelSizeText(640, 480), QStringLiteral("640 x 480 pixels"));
    EXPECT_EQ(PixelSizeText(32767, 1), QStringLiteral("32767 x 1 pixels"));  // no grouping
    EXPECT_EQ(MegapixelsText(640, 480, kDot), QStringLiteral("0.31 megapixels"));
    EXPECT_EQ(MegapixelsText(3000, 2000, kDot), QStringLiteral("6 megapixels"));
    EXPECT_EQ(MegapixelsText(32767, 32767, kDot), QStringLiteral("1073.68 megapixels"));  // no int16 overflow
    EXPECT_EQ(MegapixelsText(0, 0, kDot), QStringLiteral("0 megapixels"));
    EXPECT_EQ(ResolutionText(600), QStringLiteral("600 DPI"));
    EXPECT_EQ(ResolutionText(-4), QStringLiteral("-4 DPI"));
    EXPECT_EQ(PrinterHeading(QStringLiteral("HP <b>LaserJet</b>")), QStringLiteral("Printer HP <b>LaserJet</b>"));
}

TEST(Figures, PhysicalSizeNeedsAResolutionAndNoNegativePixels) {
    for (int16_t dpi : {int16_t(0), int16_t(-1), int16_t(-4)})
        EXPECT_FALSE(PhysicalSizeOf(640, 480, dpi).has_value()) << dpi;
    EXPECT_FALSE(PhysicalSizeOf(-1, 480, 600).has_value());
    EXPECT_FALSE(PhysicalSizeOf(640, -1, 600).has_value());

    const auto zero = PhysicalSizeOf(0, 0, 600);
    ASSERT_TRUE(zero.has_value());
    EXPECT_EQ(zero->widthCm, 0.0);

    const auto s = PhysicalSizeOf(3000, 2000, 600);
    ASSERT_TRUE(s.has_value());
    EXPECT_DOUBLE_EQ(s->widthInches, 5.0);
    EXPECT_NEAR(s->widthCm, 12.7, 1e-12);
    EXPECT_EQ(FormatPair(s->widthCm, s->heightCm, kCmSuffix, kDot), QStringLiteral("12.7 x 8.47 cm"));
}

TEST(Figures, PixelsFromHimetricGiveBackThePixelSize) {
    // At the pinned 96 dpi: 1 pixel = 2540 / 96 HIMETRIC.
    for (int px : {0, 1, 75, 225, 480, 640, 3000, 32767}) {
        const auto himetric = int32_t(std::lround(px * 2540.0 / 96.0));
        EXPECT_EQ(PixelsFromHimetricX(himetric), px);
        EXPECT_EQ(PixelsFromHimetricY(himetric), px);
    }
    for (int px : {32768, 40000}) {
        const auto himetric = int32_t(std::lround(px * 2540.0 / 96.0));
        EXPECT_THROW(PixelsFromHimetricX(himetric), platform::Failure) << px;
        EXPECT_THROW(PixelsFromHimetricY(himetric), platform::Failure) << px;
    }
}
