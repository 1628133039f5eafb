#pragma once
// Numeric conventions: whole-number figures are signed 16-bit; converting a
// floating value rounds to nearest with exact halves to the even neighbour and
// fails with "Overflow" outside -32768..32767. Geometry is single precision,
// intermediates double.
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <optional>

namespace platform {

// Nearest whole number, exact halves to the even neighbour.
double RoundHalfEven(double value);

// Rounds to a signed 16-bit integer; throws Failure("Overflow") outside the
// range or for NaN.
int16_t CInt(double value);

// Stores a double into a single; throws Failure("Overflow") when the value is
// beyond the single's range (infinities included) and for NaN.
float CSng(double value);

// Quotient that fails with "Division by zero" instead of yielding an infinity.
double DivideChecked(double dividend, double divisor);

// Strict conversion of a text to a 16-bit integer: the whole text (blanks
// around it allowed) must read as a decimal number; throws otherwise.
int16_t StrictInt16(const QString& text);

// The number at the start of a text, blanks ignored; 0 when it does not
// begin with one.
double LeadingNumber(const QString& text);

// Reads a decimal number (C locale, the form the program writes); empty
// when the text is not a number.
std::optional<double> ParseNumber(const QString& text);

// Counts and sizes (pixels, dots, copies, tiles, pages, bytes) are multiplied
// and added in 64 bits through these, never in int: a result beyond 64 bits
// throws Failure("Overflow") instead of wrapping, and so does a count brought
// back to int that does not fit. Callers that answer a user turn the failure
// into a refusal.
qint64 MulChecked(qint64 a, qint64 b);
qint64 AddChecked(qint64 a, qint64 b);
int IntChecked(qint64 value);
// A floating figure (a printable area in dots) cut to a whole int, towards
// zero; throws Failure("Overflow") for NaN or beyond int.
int TruncateChecked(double value);

}  // namespace platform
