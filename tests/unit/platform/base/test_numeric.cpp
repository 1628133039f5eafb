#include "platform/base/Failure.h"
#include "platform/base/Numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace platform;

TEST(Numeric, CIntRoundsHalvesToEvenAndOverflowsOutside16Bits) {
    struct Case { double in; int out; };
    const Case cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
                          {2.4999, 2}, {2.5001, 3}, {32767.4, 32767}, {-32768.5, -32768},
                          {639.9999, 640}, {1009.5, 1010}};
    for (const Case& c : cases) EXPECT_EQ(CInt(c.in), c.out) << c.in;
    for (double bad : {32767.5, 40000.0, -32768.6, std::nan(""), double(INFINITY)}) {
        try {
            CInt(bad);
            ADD_FAILURE() << bad;
        } catch (const Failure& f) {
            EXPECT_EQ(f.message(), QStringLiteral("Overflow"));
        }
    }
}

TEST(Numeric, StrictAndLeadingConversions) {
    EXPECT_EQ(StrictInt16(QStringLiteral("1010")), 1010);
    EXPECT_EQ(StrictInt16(QStringLiteral(" 1009.5 ")), 1010);
    for (const char* bad : {"", "-", "1010abc", "abc", "40000"})
        EXPECT_THROW(StrictInt16(QString::fromLatin1(bad)), Failure) << bad;
    struct Case { const char* text; double value; };
    const Case cases[] = {{"1010abc", 1010}, {"  12 34x", 1234}, {"", 0}, {"abc", 0}, {"-5", -5},
                          {"3.5e2", 350}, {"7e", 7}, {".5", 0.5}, {".", 0}, {"-", 0}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(LeadingNumber(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(Numeric, SingleStoreAndCheckedDivision) {
    EXPECT_THROW(CSng(1e39), Failure);
    EXPECT_THROW(CSng(INFINITY), Failure);
    EXPECT_THROW(CSng(std::nan("")), Failure);
    EXPECT_FLOAT_EQ(CSng(1570.909090909), 1570.90909f);
    EXPECT_THROW(DivideChecked(1, 0), Failure);
    EXPECT_DOUBLE_EQ(DivideChecked(1, 4), 0.25);
}

TEST(Numeric, CountsInSixtyFourBitsFailInsteadOfWrapping) {
    constexpr qint64 kMax = std::numeric_limits<qint64>::max(), kIntMax = std::numeric_limits<int>::max();
    // 56133 x 79400 dots: the product an int wrapped to -2066526896.
    EXPECT_EQ(MulChecked(56133, 79400), 4456960200);
    EXPECT_EQ(MulChecked(kMax, 1), kMax);
    EXPECT_EQ(AddChecked(kMax - 1, 1), kMax);
    EXPECT_EQ(IntChecked(kIntMax), kIntMax);
    EXPECT_EQ(TruncateChecked(-2147483648.9), std::numeric_limits<int>::min());
    EXPECT_EQ(TruncateChecked(2147483647.9), kIntMax);
    const std::function<void()> wraps[] = {
        [] { MulChecked(qint64(1) << 32, qint64(1) << 31); }, [] { AddChecked(kMax, 1); },
        [] { IntChecked(qint64(kIntMax) + 1); },             [] { TruncateChecked(2147483648.0); },
        [] { TruncateChecked(std::nan("")); },
    };
    for (const auto& step : wraps) {
        try {
            step();
            ADD_FAILURE() << "no failure";
        } catch (const Failure& f) {
            EXPECT_EQ(f.message(), QStringLiteral("Overflow"));
        }
    }
}
