#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// How numbers stored as text are read back.
namespace Tools {

// Leading blanks skipped, then the longest prefix that forms a number (sign, digits, one point as
// the decimal separator, an exponent followed by digits); 0 when there is none.
double LeadingNumber(const QString &text);

// Nearest integer, a tie going to the even one (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double value);

// Leading number of the text, rounded half to even; nullopt when that lies outside 16 bits.
std::optional<qint16> LeadingInt16(const QString &text);

// The whole text (blanks around it allowed) as a number, rounded half to even; nullopt when it is
// not numeric or lies outside 16 bits.
std::optional<qint16> WholeInt16(const QString &text);

// Leading number rounded half to even; nullopt outside 32 bits.
std::optional<qint32> LeadingInt32(const QString &text);

} // namespace Tools
