#include "platform/base/Numeric.h"

#include "platform/base/Failure.h"

#include <cmath>
#include <limits>

namespace platform {

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    // nearbyint honours the current rounding mode, which is round-to-nearest-
    // even unless someone changed it; do not rely on that.
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5) return floor;
    if (diff > 0.5) return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

int16_t CInt(double value) {
    const double r = RoundHalfEven(value);
    if (std::isnan(r) || r < -32768.0 || r > 32767.0) Fail(kOverflow);
    return static_cast<int16_t>(r);
}

float CSng(double value) {
    if (std::isnan(value) || std::fabs(value) > std::numeric_limits<float>::max()) Fail(kOverflow);
    return static_cast<float>(value);
}

double DivideChecked(double dividend, double divisor) {
    if (divisor == 0.0) Fail(kDivisionByZero);
    return dividend / divisor;
}

std::optional<double> ParseNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);  // C locale: '.' as separator
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

int16_t StrictInt16(const QString& text) {
    const auto v = ParseNumber(text);
    if (!v) Fail(QStringLiteral("Type mismatch"));
    return CInt(*v);
}

qint64 MulChecked(qint64 a, qint64 b) {
    qint64 product = 0;
    if (__builtin_mul_overflow(a, b, &product)) Fail(kOverflow);
    return product;
}

qint64 AddChecked(qint64 a, qint64 b) {
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) Fail(kOverflow);
    return sum;
}

int IntChecked(qint64 value) {
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) Fail(kOverflow);
    return int(value);
}

int TruncateChecked(double value) {
    // The bounds are exact in double; NaN fails both comparisons.
    if (!(value > double(std::numeric_limits<int>::min()) - 1.0 && value < double(std::numeric_limits<int>::max()) + 1.0))
        Fail(kOverflow);
    return int(value);
}

double LeadingNumber(const QString& text) {
    // Blanks anywhere are ignored, as the classic Val does ("1 010" is 1010).
    QString s;
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t')) s.append(c);
    int i = 0;
    const int n = s.size();
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) ++i;
    const int digitsStart = i;
    while (i < n && s[i].isDigit() && s[i].unicode() < 128) ++i;
    if (i < n && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && s[i].isDigit() && s[i].unicode() < 128) ++i;
    }
    if (i == digitsStart || (i == digitsStart + 1 && s[digitsStart] == QLatin1Char('.'))) return 0.0;
    // Optional exponent, only when followed by digits.
    int j = i;
    if (j < n && (s[j] == QLatin1Char('e') || s[j] == QLatin1Char('E'))) {
        int k = j + 1;
        if (k < n && (s[k] == QLatin1Char('+') || s[k] == QLatin1Char('-'))) ++k;
        const int expDigits = k;
        while (k < n && s[k].isDigit() && s[k].unicode() < 128) ++k;
        if (k > expDigits) i = k;
    }
    bool ok = false;
    const double v = s.left(i).toDouble(&ok);
    return ok ? v : 0.0;
}

}  // namespace platform
