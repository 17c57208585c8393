#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// How the settings read numbers stored as text. The leading number itself is the store's
// LeadingNumber (util/LeadingNumber.h), so both read numbers alike; rounding is half to even.
namespace Tools {

// Leading number of the text, rounded; nullopt when that lies outside 16 bits.
std::optional<qint16> LeadingInt16(const QString &text);

// The whole text (blanks around it allowed) as a number, rounded; nullopt when it is not
// numeric or lies outside 16 bits.
std::optional<qint16> WholeInt16(const QString &text);

// Leading number rounded; nullopt outside 32 bits.
std::optional<qint32> LeadingInt32(const QString &text);

} // namespace Tools
