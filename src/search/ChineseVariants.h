#pragma once

#include <QString>
#include <QStringList>

// Traditional and Simplified Chinese as one for search: a term's other script forms.
namespace ChineseVariants {

// The forms of a folded search term that count as it: the term itself first, then its
// Simplified and its Traditional form (folded too), repeats dropped. Without the conversion data
// the term alone (logged once).
QStringList of(const QString &term);

} // namespace ChineseVariants
