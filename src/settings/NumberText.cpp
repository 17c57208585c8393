#include "settings/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace Tools {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Reads the number that starts at `pos` (sign, digits, one point, exponent). Returns the index
// just past it, or `pos` when no digit of a mantissa is there.
qsizetype scanNumber(const QString &text, qsizetype pos, double &value)
{
    qsizetype i = pos;
    const qsizetype n = text.size();
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    const qsizetype mantissaStart = i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) { ++i; ++digits; }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i])) { ++i; ++digits; }
    }
    if (digits == 0)
        return pos;
    qsizetype end = i;
    // An exponent counts only when digits follow it: "2e" is the number 2 and a letter.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j]))
                ++j;
            end = j;
        }
    }
    const std::string ascii = text.mid(mantissaStart, end - mantissaStart).toStdString();
    double parsed = 0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), parsed);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large becomes infinite (and so out of any range); too small is zero.
        const auto e = ascii.find_first_of("eE");
        const bool tiny = e != std::string::npos && ascii.find('-', e) != std::string::npos;
        parsed = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    value = negative ? -parsed : parsed;
    return end;
}

std::optional<qint64> roundedInRange(double value, qint64 lo, qint64 hi)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = RoundHalfEven(value);
    if (r < double(lo) || r > double(hi))
        return std::nullopt;
    return qint64(r);
}

} // namespace

double LeadingNumber(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    double value = 0;
    scanNumber(text, i, value);
    return value;
}

double RoundHalfEven(double value)
{
    const double fl = std::floor(value);
    const double diff = value - fl;
    if (diff < 0.5)
        return fl;
    if (diff > 0.5)
        return fl + 1;
    return std::fmod(fl, 2.0) == 0.0 ? fl : fl + 1;
}

std::optional<qint16> LeadingInt16(const QString &text)
{
    const auto v = roundedInRange(LeadingNumber(text), std::numeric_limits<qint16>::min(),
                                  std::numeric_limits<qint16>::max());
    return v ? std::optional<qint16>(qint16(*v)) : std::nullopt;
}

std::optional<qint16> WholeInt16(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    double value = 0;
    qsizetype end = scanNumber(text, i, value);
    if (end == i)
        return std::nullopt;
    while (end < text.size() && isBlank(text[end]))
        ++end;
    if (end != text.size())
        return std::nullopt;
    const auto v = roundedInRange(value, std::numeric_limits<qint16>::min(),
                                  std::numeric_limits<qint16>::max());
    return v ? std::optional<qint16>(qint16(*v)) : std::nullopt;
}

std::optional<qint32> LeadingInt32(const QString &text)
{
    const auto v = roundedInRange(LeadingNumber(text), std::numeric_limits<qint32>::min(),
                                  std::numeric_limits<qint32>::max());
    return v ? std::optional<qint32>(qint32(*v)) : std::nullopt;
}

} // namespace Tools
