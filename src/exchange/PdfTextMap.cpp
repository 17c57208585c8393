#include "PdfTextMap.h"

#include <QGlyphRun>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <vector>

namespace exchange {

void PdfTextMap::add(const QTextDocument &doc)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        for (const QChar c : text)
            m_drawn.insert(c.unicode());
        // Qt 6.4 gives no runs when asked without a range.
        for (const QGlyphRun &run : block.layout()->glyphRuns(0, int(text.size()))) {
            const QRawFont font = run.rawFont();
            const QString key = font.familyName() + QLatin1Char('\n') + font.styleName();
            if (!m_fonts.contains(key))
                m_fonts.insert(key, font);
        }
    }
}

QHash<char16_t, QString> PdfTextMap::corrections() const
{
    QHash<char16_t, QString> out;
    // The writer names glyphs by code points of the first plane only, never by a surrogate.
    std::vector<QChar> plane;
    plane.reserve(0x10000);
    for (uint u = 1; u < 0x10000; ++u) {
        if (!QChar::isSurrogate(u))
            plane.push_back(QChar(char16_t(u)));
    }
    const auto indexOf = [](char16_t c) { return size_t(c) - 1 - (c > 0xDFFF ? 0x800 : 0); };
    std::vector<quint32> glyphs(plane.size());
    // Fonts in the order of their names, so the same notes always give the same file.
    for (const QRawFont &font : m_fonts) {
        int count = int(glyphs.size());
        if (!font.glyphIndexesForChars(plane.data(), int(plane.size()), glyphs.data(), &count)
            || count != int(plane.size()))
            continue;
        // The lowest code point of each glyph: the one the writer will name it by.
        QHash<quint32, char16_t> lowest;
        for (size_t i = plane.size(); i-- > 0;) {
            if (glyphs[i] != 0)
                lowest.insert(glyphs[i], plane[i].unicode());
        }
        for (const char16_t c : m_drawn) {
            if (c == 0 || QChar::isSurrogate(c))
                continue;
            const char16_t named = lowest.value(glyphs[indexOf(c)]);
            // A code point that was drawn itself keeps its name: one glyph, one meaning.
            if (named != 0 && named != c && !m_drawn.contains(named) && !out.contains(named))
                out.insert(named, QString(QChar(c)));
        }
    }
    // A ligature glyph is shaped from the letters it joins; they are what was written.
    for (char16_t c = 0xFB00; c <= 0xFB17; ++c) {
        if (!m_drawn.contains(c) && QChar::decompositionTag(c) == QChar::Compat)
            out.insert(c, QChar::decomposition(c));
    }
    return out;
}

} // namespace exchange
