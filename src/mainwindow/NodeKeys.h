#pragma once

#include "util/LeadingNumber.h"

#include <QString>
#include <cmath>

// Tree nodes and list items carry keys "k<ID>"; the root node's key is "M_TOP".
namespace keys {

inline const QString &root()
{
    static const QString k = QStringLiteral("M_TOP");
    return k;
}

// The number from the key's second character on; 0 when there is none (or it is unusable).
inline qint64 idOf(const QString &key)
{
    const double v = LeadingNumber(QStringView(key).mid(1));
    if (!std::isfinite(v) || v < 0 || v > 9.0e15)
        return 0;
    return qint64(v);
}

} // namespace keys
