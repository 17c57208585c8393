#include "HtmlDepth.h"

#include <QHash>
#include <QList>

namespace exchange {

namespace {

bool isVoid(QStringView name)
{
    static const QStringList names{
        QStringLiteral("area"), QStringLiteral("base"), QStringLiteral("br"), QStringLiteral("col"),
        QStringLiteral("embed"), QStringLiteral("hr"), QStringLiteral("img"), QStringLiteral("input"),
        QStringLiteral("link"), QStringLiteral("meta"), QStringLiteral("param"), QStringLiteral("source"),
        QStringLiteral("track"), QStringLiteral("wbr")};
    return names.contains(name);
}

// Elements whose text is never markup.
bool isRawText(QStringView name)
{
    return name == u"script" || name == u"style" || name == u"textarea" || name == u"title";
}

// Elements that start a new line: left out, they are replaced by a line break.
bool isBlock(QStringView name)
{
    static const QStringList names{
        QStringLiteral("address"), QStringLiteral("blockquote"), QStringLiteral("center"), QStringLiteral("dd"),
        QStringLiteral("div"), QStringLiteral("dl"), QStringLiteral("dt"), QStringLiteral("h1"), QStringLiteral("h2"),
        QStringLiteral("h3"), QStringLiteral("h4"), QStringLiteral("h5"), QStringLiteral("h6"), QStringLiteral("li"),
        QStringLiteral("ol"), QStringLiteral("p"), QStringLiteral("pre"), QStringLiteral("table"),
        QStringLiteral("td"), QStringLiteral("th"), QStringLiteral("tr"), QStringLiteral("ul")};
    return names.contains(name);
}

// Elements whose end tag may be left out: a second one closes the first.
bool closesItsLike(QStringView name)
{
    return name == u"p" || name == u"li" || name == u"dt" || name == u"dd" || name == u"tr" || name == u"td"
        || name == u"th" || name == u"option";
}

// End of the tag that starts at from ('<'), quotes of attribute values respected; -1 when none.
qsizetype tagEnd(const QString &html, qsizetype from)
{
    QChar quote;
    for (qsizetype i = from + 1; i < html.size(); ++i) {
        const QChar c = html[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'>') {
            return i;
        }
    }
    return -1;
}

} // namespace

QString flattenDeepHtml(const QString &html, int maxDepth)
{
    QString out;
    out.reserve(html.size());
    QList<QString> open;                   // the elements kept open, never more than maxDepth
    QHash<QString, int> left;              // open elements whose tags were left out, by name
    bool textSinceBreak = false;
    qsizetype i = 0;
    while (i < html.size()) {
        const qsizetype lt = html.indexOf(u'<', i);
        const qsizetype textEnd = lt < 0 ? html.size() : lt;
        for (qsizetype k = i; k < textEnd && !textSinceBreak; ++k)
            textSinceBreak = !html[k].isSpace();
        out += QStringView(html).mid(i, textEnd - i);
        if (lt < 0)
            break;
        if (QStringView(html).mid(lt, 4) == u"<!--") {
            const qsizetype end = html.indexOf(QStringLiteral("-->"), lt + 4);
            i = end < 0 ? html.size() : end + 3;
            out += QStringView(html).mid(lt, i - lt);
            continue;
        }
        const bool closing = lt + 1 < html.size() && html[lt + 1] == u'/';
        const qsizetype nameStart = lt + (closing ? 2 : 1);
        qsizetype nameEnd = nameStart;
        while (nameEnd < html.size() && (html[nameEnd].isLetterOrNumber() || html[nameEnd] == u'-'))
            ++nameEnd;
        if (nameEnd == nameStart || !html[nameStart].isLetter()) {
            // Not a tag ("a < b", "<!DOCTYPE ...>"): its '<' kept as it is. Its end is not looked
            // for, or a page of unclosed '<' would be read again from each.
            out += html[lt];
            i = lt + 1;
            continue;
        }
        const qsizetype end = tagEnd(html, lt);
        if (end < 0) {
            // A tag never closed: so is every later one, and the rest is kept as it is.
            out += QStringView(html).mid(lt);
            break;
        }
        const QString name = html.mid(nameStart, nameEnd - nameStart).toLower();
        const QStringView tag = QStringView(html).mid(lt, end + 1 - lt);
        i = end + 1;
        bool keep = true;
        if (closing) {
            if (const qsizetype at = open.lastIndexOf(name); at >= 0 && (left.value(name) == 0 || at == open.size() - 1)) {
                open.resize(at);
            } else if (left.value(name) > 0) {
                --left[name];
                keep = false;
            }
        } else if (isRawText(name)) {
            // Nothing nests inside: kept with its text up to and with its end tag.
            const qsizetype close = html.indexOf(QStringLiteral("</") + name, i, Qt::CaseInsensitive);
            const qsizetype closeEnd = close < 0 ? -1 : tagEnd(html, close);
            const qsizetype stop = closeEnd < 0 ? html.size() : closeEnd + 1;
            out += tag;
            out += QStringView(html).mid(i, stop - i);
            i = stop;
            continue;
        } else if (!isVoid(name) && !tag.endsWith(u"/>")) {
            if (closesItsLike(name) && !open.isEmpty() && open.last() == name)
                open.removeLast();
            if (open.size() < maxDepth) {
                open << name;
            } else {
                ++left[name];
                keep = false;
            }
        }
        if (keep) {
            out += tag;
        } else if (isBlock(name) && textSinceBreak) {
            out += QStringLiteral("<br>");
            textSinceBreak = false;
        }
        if (keep && isBlock(name))
            textSinceBreak = false;
    }
    return out;
}

} // namespace exchange
