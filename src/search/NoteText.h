#pragma once

#include <QString>

// The text of a note body that search sees: what the preview shows, as the RTF reader reads it
// (never control words, font names or picture bytes); a plain-text body as it is. Runs under a
// QCoreApplication and in any thread: no layout or font is asked for.
namespace NoteText {

QString visibleText(const QString &body);

} // namespace NoteText
