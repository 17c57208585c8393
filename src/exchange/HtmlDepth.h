#pragma once

#include <QString>

namespace exchange {

// Deepest nesting of HTML elements an imported page keeps.
constexpr int MaxHtmlDepth = 128;

// The page with the tags of elements nested deeper than maxDepth left out (their text stays; a
// left-out block ends the line). Qt's HTML reader takes time that grows with the square of the
// nesting, so a page of 32,000 nested elements would take most of a minute.
QString flattenDeepHtml(const QString &html, int maxDepth = MaxHtmlDepth);

} // namespace exchange
