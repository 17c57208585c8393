#include "util/LeadingNumber.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

// Char is QChar-like (char16_t) or char; only ASCII matters for a number.
template <typename Char>
double parseLeading(const Char *p, qsizetype n)
{
    qsizetype i = 0;
    while (i < n && (p[i] == Char(' ') || p[i] == Char('\t')))
        ++i;

    bool negative = false;
    if (i < n && (p[i] == Char('+') || p[i] == Char('-'))) {
        negative = p[i] == Char('-');
        ++i;
    }
    // Fast path for the common case, a short whole number such as a stored colour: exact in a
    // double, so no general conversion is needed.
    {
        qsizetype j = i;
        quint64 whole = 0;
        while (j < n && j - i < 15 && p[j] >= Char('0') && p[j] <= Char('9'))
            whole = whole * 10 + quint64(p[j++] - Char('0'));
        const bool endsHere = j == n || (p[j] != Char('.') && (p[j] < Char('0') || p[j] > Char('9')));
        if (j > i && endsHere)
            return negative ? -double(whole) : double(whole);
    }

    std::string digits; // ASCII copy of the numeric prefix, for std::from_chars
    bool anyDigit = false;
    bool nonZeroIntegerPart = false;
    while (i < n && p[i] >= Char('0') && p[i] <= Char('9')) {
        nonZeroIntegerPart = nonZeroIntegerPart || p[i] != Char('0');
        digits.push_back(char(p[i]));
        anyDigit = true;
        ++i;
    }
    if (i < n && p[i] == Char('.')) {
        qsizetype j = i + 1;
        std::string fraction;
        while (j < n && p[j] >= Char('0') && p[j] <= Char('9')) {
            fraction.push_back(char(p[j]));
            ++j;
        }
        // "5." still reads as 5; "." alone is no number.
        if (!fraction.empty() || anyDigit) {
            digits.push_back('.');
            digits += fraction;
            anyDigit = anyDigit || !fraction.empty();
        }
    }
    if (!anyDigit)
        return 0.0;

    double value = 0.0;
    const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                     std::chars_format::fixed);
    if (res.ec == std::errc::result_out_of_range)
        value = nonZeroIntegerPart ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

template <typename Int>
bool roundTo(double value, Int *out)
{
    if (!std::isfinite(value))
        return false;
    const double r = std::nearbyint(value); // default rounding mode: ties to even
    if (r < double(std::numeric_limits<Int>::min()) || r > double(std::numeric_limits<Int>::max()))
        return false;
    *out = Int(r);
    return true;
}

} // namespace

double LeadingNumber(QStringView text)
{
    return parseLeading(text.utf16(), text.size());
}

double LeadingNumberUtf8(const char *text, qsizetype size)
{
    if (!text)
        return 0.0;
    return parseLeading(text, size);
}

bool RoundToInt32(double value, qint32 *out)
{
    return roundTo(value, out);
}

bool RoundToInt16(double value, qint16 *out)
{
    return roundTo(value, out);
}
