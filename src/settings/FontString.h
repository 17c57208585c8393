#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

// The font string: "name,size,bold,italic,underline,strikethrough[,colour]", no spaces, no quoting.
// Seven fields carry a 0x00BBGGRR colour; any other count carries none.
namespace Tools {

struct FontSpec
{
    QStringList fields;  // as split at every comma; empty for an empty string
    int fieldCount = 0;
    // Each part is present only when its field is there and usable; an absent part leaves the
    // font property it stands for unchanged.
    std::optional<QString> name;
    std::optional<double> size; // points, > 0
    std::optional<bool> bold, italic, underline, strike;
    std::optional<qint32> color; // only with exactly seven fields

    // What a sample label shows: field 1, a comma and field 2 as written; nullopt under two fields.
    std::optional<QString> caption() const;
    // Sets every present part on `font`.
    void applyTo(QFont &font) const;
};

FontSpec ParseFontString(const QString &text);

// Size as the shortest decimal that reads back to the same single-precision number: 8, 10.5.
QString FontSizeText(double points);

// Six fields without a colour, seven with one.
QString ComposeFontString(const QFont &font, std::optional<qint32> color = std::nullopt);

} // namespace Tools
