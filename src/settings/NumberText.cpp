#include "settings/NumberText.h"

#include "util/LeadingNumber.h"

#include <QLocale>

namespace Tools {

std::optional<qint16> LeadingInt16(const QString &text)
{
    qint16 v = 0;
    if (!RoundToInt16(LeadingNumber(text), &v))
        return std::nullopt;
    return v;
}

std::optional<qint16> WholeInt16(const QString &text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text.trimmed(), &ok);
    qint16 v = 0;
    if (!ok || !RoundToInt16(value, &v)) // infinities and NaN fail the rounding
        return std::nullopt;
    return v;
}

std::optional<qint32> LeadingInt32(const QString &text)
{
    qint32 v = 0;
    if (!RoundToInt32(LeadingNumber(text), &v))
        return std::nullopt;
    return v;
}

} // namespace Tools
