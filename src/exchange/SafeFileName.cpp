#include "SafeFileName.h"


namespace exchange {

namespace {

bool forbidden(char32_t c)
{
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == '/' || c == '\\' || c == ':'
        || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|';
}

// Device names Windows keeps for itself, with or without an extension.
bool reservedName(const QString &name)
{
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QSet<QString> reserved = [] {
        QSet<QString> s{QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                        QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
        for (int i = 0; i <= 9; ++i) {
            s.insert(QStringLiteral("COM%1").arg(i));
            s.insert(QStringLiteral("LPT%1").arg(i));
        }
        return s;
    }();
    return reserved.contains(stem);
}

void trimEnds(QString &s)
{
    qsizetype from = 0;
    while (from < s.size() && (s[from] == QLatin1Char('.') || s[from].isSpace()))
        ++from;
    qsizetype to = s.size();
    while (to > from && (s[to - 1] == QLatin1Char('.') || s[to - 1].isSpace()))
        --to;
    s = s.mid(from, to - from);
}

} // namespace

QString safeFileName(const QString &title, int maxBytes)
{
    QString out;
    out.reserve(title.size());
    const QList<uint> chars = title.toUcs4(); // a lone surrogate comes out as U+FFFD
    int bytes = 0;
    for (const uint c : chars) {
        const char32_t kept = forbidden(c) ? U'_' : c;
        const int size = kept < 0x80 ? 1 : kept < 0x800 ? 2 : kept < 0x10000 ? 3 : 4;
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        if (QChar::requiresSurrogates(kept)) {
            out += QChar(QChar::highSurrogate(kept));
            out += QChar(QChar::lowSurrogate(kept));
        } else {
            out += QChar(char16_t(kept));
        }
    }
    trimEnds(out);
    if (out.isEmpty())
        out = QStringLiteral("未命名");
    if (reservedName(out))
        out.prepend(QLatin1Char('_'));
    return out;
}

QString FolderNames::take(const QString &title, const QString &ext)
{
    const int extBytes = int(ext.toUtf8().size());
    for (int n = 1;; ++n) {
        const QString suffix = n == 1 ? QString() : QStringLiteral(" (%1)").arg(n);
        const QString name = safeFileName(title, MaxNameBytes - extBytes - int(suffix.size())) + suffix + ext;
        if (!m_taken.contains(name.toCaseFolded())) {
            m_taken.insert(name.toCaseFolded());
            return name;
        }
    }
}

} // namespace exchange
