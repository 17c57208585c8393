#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace exchange {

struct OutlineEntry
{
    QString title;
    int page = 0; // 0 based
};

// The bytes to append to a finished PDF (an incremental update) so that it carries the entries
// as bookmarks, shown when the file opens, and copied or extracted text gives the characters
// written: every code point of the fonts' text maps found in textCorrections (see PdfTextMap)
// stands for its text. Qt's PDF writer has no interface for either, so the update goes after
// what it wrote: the pages stay untouched, a new catalog names the outline, corrected text maps
// replace the fonts' ones. Empty when pdf is not laid out as Qt writes it (one page tree, a
// classic cross-reference).
QByteArray outlineUpdate(const QByteArray &pdf, const QList<OutlineEntry> &entries,
                         const QHash<char16_t, QString> &textCorrections);

} // namespace exchange
