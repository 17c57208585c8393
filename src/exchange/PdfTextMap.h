#pragma once

#include <QHash>
#include <QMap>
#include <QRawFont>
#include <QSet>
#include <QString>

class QTextDocument;

namespace exchange {

// Qt's PDF writer tells readers which character each glyph stands for by the lowest code point
// the font maps to that glyph. CJK fonts draw a radical and its ideograph with one glyph (U+2EDA
// ⻚ and U+9875 页), and a ligature glyph is named after its presentation form (U+FB01 ﬁ), so text
// copied or extracted from the PDF came out as radicals and ligature signs. Knowing the text that
// was drawn and the fonts that drew it, each such code point can be turned back into what the
// note holds.
class PdfTextMap
{
public:
    // Notes the characters of a document laid out for the PDF and the fonts its lines use
    // (fallback fonts included).
    void add(const QTextDocument &doc);
    // The code points the writer will name glyphs by that stand for other text, with that text.
    QHash<char16_t, QString> corrections() const;

private:
    QSet<char16_t> m_drawn;
    QMap<QString, QRawFont> m_fonts; // by family and style (glyph numbers do not depend on size), in order
};

} // namespace exchange
