#pragma once

#include <QStringView>
#include <QtGlobal>

// The number a text starts with: leading blanks (spaces, tabs) are skipped, then the longest
// prefix of the form [+|-]digits[.digits] (or [+|-].digits) is read; a point is the only decimal
// separator and there is no exponent or thousands separator. Text with no such prefix reads as 0.
// Locale-independent. A prefix too large for a double reads as +/-infinity.
double LeadingNumber(QStringView text);

// The same over UTF-8 bytes, so the store can read columns without building a QString first.
double LeadingNumberUtf8(const char *text, qsizetype size);

// Nearest integer, a tie going to the even one (as the conversions of stored numbers expect).
// False, leaving *out alone, for NaN, infinities and values outside the target range.
bool RoundToInt32(double value, qint32 *out);
bool RoundToInt16(double value, qint16 *out);
