#pragma once

#include <QString>

class QTextDocument;

namespace exchange {

// CommonMark with pipe tables, written by us rather than by Qt: Qt's writer puts text out as it is
// (so "# 不是标题" or "<n>" typed in a note came back as a heading or vanished as a tag), and its
// wrapping at 80 columns drops a character where a long word follows a blank. Here every character
// Markdown would read as structure is escaped, lines are never wrapped, and indentation, which
// Markdown cannot say, is left out. Kept: headings, bold, italic, strike-through, code, lists,
// links, tables and pictures.
QString writeMarkdown(const QTextDocument *doc);

} // namespace exchange
