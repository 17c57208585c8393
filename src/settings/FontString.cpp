#include "settings/FontString.h"

#include "settings/NumberText.h"
#include "util/LeadingNumber.h"

#include <QFontInfo>
#include <charconv>
#include <cmath>

namespace Tools {

namespace {

std::optional<bool> flagField(const QStringList &fields, int index)
{
    if (index >= fields.size())
        return std::nullopt;
    return LeadingNumber(fields.at(index)) != 0.0;
}

} // namespace

FontSpec ParseFontString(const QString &text)
{
    FontSpec parsed;
    if (!text.isEmpty())
        parsed.fields = text.split(u',');
    parsed.fieldCount = int(parsed.fields.size());
    const QStringList &f = parsed.fields;
    // An empty name would make the font engine pick anything; keep the current face instead.
    if (!f.isEmpty() && !f.at(0).isEmpty())
        parsed.name = f.at(0);
    if (f.size() > 1) {
        const double points = LeadingNumber(f.at(1));
        if (std::isfinite(points) && points > 0)
            parsed.size = points;
    }
    parsed.bold = flagField(f, 2);
    parsed.italic = flagField(f, 3);
    parsed.underline = flagField(f, 4);
    parsed.strike = flagField(f, 5);
    if (f.size() == 7)
        parsed.color = LeadingInt32(f.at(6));
    return parsed;
}

std::optional<QString> FontSpec::caption() const
{
    if (fields.size() < 2)
        return std::nullopt;
    return fields.at(0) + u',' + fields.at(1);
}

void FontSpec::applyTo(QFont &font) const
{
    if (name)
        font.setFamily(*name);
    if (size)
        font.setPointSizeF(*size);
    if (bold)
        font.setBold(*bold);
    if (italic)
        font.setItalic(*italic);
    if (underline)
        font.setUnderline(*underline);
    if (strike)
        font.setStrikeOut(*strike);
}

QString FontSizeText(double points)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<float>(points),
                                   std::chars_format::fixed);
    if (res.ec != std::errc())
        return QString::number(points);
    return QString::fromLatin1(buf, res.ptr - buf);
}

QString ComposeFontString(const QFont &font, std::optional<qint32> color)
{
    double points = font.pointSizeF();
    if (points <= 0) // a pixel-sized font: ask what it comes to in points
        points = QFontInfo(font).pointSizeF();
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    QStringList f = {font.family(), FontSizeText(points), flag(font.bold()), flag(font.italic()),
                     flag(font.underline()), flag(font.strikeOut())};
    if (color)
        f << QString::number(*color);
    return f.join(u',');
}

} // namespace Tools
