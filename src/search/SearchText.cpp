#include "search/SearchText.h"

#include <algorithm>

namespace SearchText {

namespace {

char32_t foldCodePoint(char32_t c)
{
    // Wide (full-width) and narrow (half-width) forms decompose to their ordinary form.
    const QChar::Decomposition tag = QChar::decompositionTag(c);
    if (tag == QChar::Wide || tag == QChar::Narrow) {
        const QString d = QChar::decomposition(c);
        if (!d.isEmpty()) {
            const char32_t base = d.at(0).isHighSurrogate() && d.size() > 1
                ? QChar::surrogateToUcs4(d.at(0), d.at(1))
                : d.at(0).unicode();
            if (QChar::requiresSurrogates(base) == QChar::requiresSurrogates(c))
                c = base;
        }
    }
    if (QChar::script(c) == QChar::Script_Latin) {
        const char32_t f = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(f) == QChar::requiresSurrogates(c))
            c = f;
    }
    return c;
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QChar(0x3000);
}

void appendHex(std::string &out, char32_t c)
{
    static const char digits[] = "0123456789abcdef";
    // Four digits for the basic plane; "z" and six digits beyond it, so runs stay unambiguous.
    int width = 4;
    if (c > 0xFFFF) {
        out += 'z';
        width = 6;
    }
    for (int shift = (width - 1) * 4; shift >= 0; shift -= 4)
        out += digits[(c >> shift) & 0xF];
}

std::vector<char32_t> codePoints(QStringView s)
{
    std::vector<char32_t> out;
    out.reserve(std::size_t(s.size()));
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            out.push_back(QChar::surrogateToUcs4(c, s[i + 1]));
            ++i;
        } else {
            out.push_back(c.unicode());
        }
    }
    return out;
}

std::string gram(const std::vector<char32_t> &cps, std::size_t from, std::size_t n)
{
    std::string g;
    g.reserve(n * 4);
    for (std::size_t k = from; k < from + n; ++k)
        appendHex(g, cps[k]);
    return g;
}

} // namespace

QString fold(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x80) {
            out += c.isUpper() ? c.toLower() : c; // the common case, without table look-ups
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            const char32_t f = foldCodePoint(QChar::surrogateToUcs4(c, text[i + 1]));
            out += QChar(QChar::highSurrogate(f));
            out += QChar(QChar::lowSurrogate(f));
            ++i;
        } else if (c.isSurrogate()) {
            out += c;
        } else {
            out += QChar(char16_t(foldCodePoint(c.unicode())));
        }
    }
    return out;
}

QStringList terms(const QString &query)
{
    const QString q = fold(query); // a full-width quote or space acts as the ordinary one
    QStringList out;
    QString current;
    bool quoted = false;
    auto finish = [&] {
        if (!current.isEmpty())
            out << current;
        current.clear();
    };
    for (const QChar c : q) {
        if (c == QLatin1Char('"')) {
            finish();
            quoted = !quoted;
        } else if (!quoted && isBlank(c)) {
            finish();
        } else {
            current += c;
        }
    }
    finish();
    out.removeDuplicates();
    return out;
}

void addGrams(QStringView folded, std::vector<quint64> &out)
{
    // A run packed in 63 bits: three slots of 21 bits, each a code point plus one (0 = none).
    const std::vector<char32_t> cps = codePoints(folded);
    out.reserve(out.size() + cps.size() * 3);
    for (std::size_t i = 0; i < cps.size(); ++i) {
        quint64 key = 0;
        for (std::size_t n = 0; n < 3 && i + n < cps.size(); ++n) {
            key |= quint64(cps[i + n] + 1) << (42 - 21 * n);
            out.push_back(key);
        }
    }
}

void appendGram(std::string &out, quint64 key)
{
    for (int shift = 42; shift >= 0; shift -= 21) {
        const quint64 slot = (key >> shift) & 0x1FFFFF;
        if (slot)
            appendHex(out, char32_t(slot - 1));
    }
}

std::vector<std::string> termGrams(QStringView term)
{
    const std::vector<char32_t> cps = codePoints(term);
    std::vector<std::string> out;
    if (cps.empty())
        return out;
    if (cps.size() <= 2) {
        out.push_back(gram(cps, 0, cps.size()));
        return out;
    }
    for (std::size_t i = 0; i + 3 <= cps.size(); ++i)
        out.push_back(gram(cps, i, 3));
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

bool needsCheck(QStringView term)
{
    return codePoints(term).size() >= 4;
}

QList<Range> hits(const QString &text, const QStringList &terms)
{
    const QString folded = fold(text);
    QList<Range> found;
    for (const QString &term : terms) {
        if (term.isEmpty())
            continue;
        for (qsizetype at = folded.indexOf(term); at >= 0; at = folded.indexOf(term, at + 1))
            found.append({at, term.size()});
    }
    std::sort(found.begin(), found.end(),
              [](const Range &a, const Range &b) { return a.start < b.start; });
    QList<Range> merged;
    for (const Range &r : found) {
        if (!merged.isEmpty() && r.start <= merged.last().start + merged.last().length) {
            Range &last = merged.last();
            last.length = std::max(last.start + last.length, r.start + r.length) - last.start;
        } else {
            merged.append(r);
        }
    }
    return merged;
}

} // namespace SearchText
