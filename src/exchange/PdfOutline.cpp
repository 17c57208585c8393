#include "PdfOutline.h"

#include <QRegularExpression>

#include <vector>

namespace exchange {

namespace {

// Text of object n ("n 0 obj ... endobj"), or empty.
QByteArray objectBody(const QByteArray &pdf, qint64 n)
{
    const QByteArray head = QByteArray::number(n) + " 0 obj";
    qsizetype at = 0;
    while ((at = pdf.indexOf(head, at)) >= 0) {
        if (at == 0 || pdf[at - 1] == '\n' || pdf[at - 1] == '\r')
            break;
        at += head.size();
    }
    if (at < 0)
        return {};
    const qsizetype from = at + head.size();
    const qsizetype to = pdf.indexOf("endobj", from);
    return to < 0 ? QByteArray() : pdf.mid(from, to - from).trimmed();
}

QByteArray pdfText(const QString &text)
{
    // UTF-16BE with a byte-order mark, as hex: every character survives.
    QByteArray bytes("\xFE\xFF", 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xFF));
    }
    return '<' + bytes.toHex() + '>';
}

QByteArray hex4(uint v)
{
    return QByteArray::number(v, 16).toUpper().rightJustified(4, '0');
}

QByteArray utf16Hex(const QString &text)
{
    QByteArray hex;
    for (const QChar c : text)
        hex += hex4(c.unicode());
    return hex;
}

// The CMap with every corrected code point replaced by its text; empty when nothing changed.
// Entries are rewritten as "<first> <last> [<text> ...]", which takes text of any length.
QByteArray fixedToUnicode(const QByteArray &cmap, const QHash<char16_t, QString> &corrections)
{
    static const QRegularExpression hexRe(QStringLiteral("<([0-9A-Fa-f]+)>"));
    bool changed = false;
    bool inRange = false; // between "beginbfrange"/"beginbfchar" and their end
    QByteArrayList lines = cmap.split('\n');
    for (QByteArray &line : lines) {
        const QString text = QString::fromLatin1(line).trimmed();
        if (text.endsWith(QLatin1String("beginbfrange")) || text.endsWith(QLatin1String("beginbfchar")))
            inRange = true;
        else if (text.startsWith(QLatin1String("endbf")))
            inRange = false;
        if (!inRange || !text.startsWith(QLatin1Char('<')))
            continue;
        QStringList tokens;
        for (auto it = hexRe.globalMatch(text); it.hasNext();)
            tokens << it.next().captured(1);
        const bool array = text.contains(QLatin1Char('['));
        const bool bfchar = tokens.size() == 2 && !array;
        if (tokens.size() < 2 || (!array && !bfchar && tokens.size() != 3))
            continue;
        const uint from = tokens[0].toUInt(nullptr, 16);
        const uint to = bfchar ? from : tokens[1].toUInt(nullptr, 16);
        QStringList targets = tokens.mid(bfchar ? 1 : 2);
        if (!array && !bfchar) {
            // A run of consecutive code points.
            const uint first = targets[0].toUInt(nullptr, 16);
            targets.clear();
            for (uint i = 0; to >= from && i <= to - from; ++i)
                targets << QString::fromLatin1(hex4(first + i));
        }
        bool differs = false;
        QByteArrayList spelled;
        for (const QString &target : targets) {
            const auto fix = target.size() == 4 ? corrections.constFind(char16_t(target.toUInt(nullptr, 16)))
                                                : corrections.cend();
            differs |= fix != corrections.cend();
            spelled << '<' + (fix != corrections.cend() ? utf16Hex(*fix) : target.toLatin1()) + '>';
        }
        if (!differs)
            continue;
        line = bfchar ? '<' + hex4(from) + "> " + spelled[0]
                      : '<' + hex4(from) + "> <" + hex4(to) + "> [" + spelled.join(' ') + ']';
        changed = true;
    }
    return changed ? lines.join('\n') : QByteArray();
}

// Uncompressed contents of a stream object's body, or empty.
QByteArray streamData(const QByteArray &body)
{
    const qsizetype start = body.indexOf("stream");
    const qsizetype end = body.lastIndexOf("endstream");
    if (start < 0 || end < start)
        return {};
    qsizetype from = start + 6;
    if (body.mid(from, 2) == "\r\n")
        from += 2;
    else if (body.at(from) == '\n')
        ++from;
    QByteArray data = body.mid(from, end - from);
    if (data.endsWith('\n'))
        data.chop(1);
    if (!body.left(start).contains("/FlateDecode"))
        return data;
    // qUncompress wants the expected size first; it grows the buffer when that is too small.
    const quint32 hint = quint32(qMin<qsizetype>(data.size() * 8, 1 << 24));
    QByteArray sized(4, Qt::Uninitialized);
    sized[0] = char(hint >> 24);
    sized[1] = char(hint >> 16);
    sized[2] = char(hint >> 8);
    sized[3] = char(hint);
    return qUncompress(sized + data);
}

} // namespace

QByteArray outlineUpdate(const QByteArray &pdf, const QList<OutlineEntry> &entries,
                         const QHash<char16_t, QString> &textCorrections)
{
    if (entries.isEmpty())
        return {};
    const qsizetype tail = pdf.lastIndexOf("trailer");
    const qsizetype start = pdf.lastIndexOf("startxref");
    if (tail < 0 || start < tail)
        return {};
    const QByteArray trailer = pdf.mid(tail, start - tail);
    static const QRegularExpression sizeRe(QStringLiteral("/Size\\s+(\\d+)"));
    static const QRegularExpression rootRe(QStringLiteral("/Root\\s+(\\d+)\\s+0\\s+R"));
    static const QRegularExpression infoRe(QStringLiteral("/Info\\s+(\\d+\\s+0\\s+R)"));
    static const QRegularExpression pagesRe(QStringLiteral("/Pages\\s+(\\d+)\\s+0\\s+R"));
    static const QRegularExpression kidsRe(QStringLiteral("/Kids\\s*\\[([^\\]]*)\\]"));
    static const QRegularExpression refRe(QStringLiteral("(\\d+)\\s+0\\s+R"));
    const QString trailerText = QString::fromLatin1(trailer);
    const auto size = sizeRe.match(trailerText);
    const auto root = rootRe.match(trailerText);
    bool ok = false;
    const qint64 previous = pdf.mid(start + 9, 24).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
    if (!size.hasMatch() || !root.hasMatch() || !ok)
        return {};
    const qint64 rootId = root.captured(1).toLongLong();
    const QByteArray catalog = objectBody(pdf, rootId);
    const auto pagesRef = pagesRe.match(QString::fromLatin1(catalog));
    if (!catalog.startsWith("<<") || !catalog.endsWith(">>") || !pagesRef.hasMatch())
        return {};
    const auto kids = kidsRe.match(QString::fromLatin1(objectBody(pdf, pagesRef.captured(1).toLongLong())));
    if (!kids.hasMatch())
        return {};
    std::vector<qint64> pages;
    for (auto it = refRe.globalMatch(kids.captured(1)); it.hasNext();)
        pages.push_back(it.next().captured(1).toLongLong());

    const qint64 first = size.captured(1).toLongLong(); // the outline root; its items follow
    const qint64 count = entries.size();
    QByteArray out = "\n";
    std::vector<std::pair<qint64, qint64>> offsets; // object number, where it starts
    auto write = [&](qint64 number, const QByteArray &body) {
        offsets.emplace_back(number, pdf.size() + out.size());
        out += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    qint64 next = first;
    auto object = [&](const QByteArray &body) { write(next++, body); };

    static const QRegularExpression toUnicodeRe(QStringLiteral("/ToUnicode\\s+(\\d+)\\s+0\\s+R"));
    QList<qint64> maps;
    for (auto it = toUnicodeRe.globalMatch(QString::fromLatin1(pdf)); it.hasNext();) {
        const qint64 n = it.next().captured(1).toLongLong();
        if (maps.contains(n))
            continue;
        maps << n;
        const QByteArray fixed = fixedToUnicode(streamData(objectBody(pdf, n)), textCorrections);
        if (!fixed.isEmpty())
            write(n, "<< /Length " + QByteArray::number(fixed.size()) + " >>\nstream\n" + fixed + "\nendstream");
    }
    object("<< /Type /Outlines /First " + QByteArray::number(first + 1) + " 0 R /Last "
           + QByteArray::number(first + count) + " 0 R /Count " + QByteArray::number(count) + " >>");
    for (qint64 i = 0; i < count; ++i) {
        const OutlineEntry &e = entries[i];
        const qint64 page = pages.empty() ? 0 : pages[size_t(qBound<qint64>(0, qint64(e.page), qint64(pages.size()) - 1))];
        QByteArray item = "<< /Title " + pdfText(e.title) + " /Parent " + QByteArray::number(first) + " 0 R";
        if (i > 0)
            item += " /Prev " + QByteArray::number(first + i) + " 0 R";
        if (i + 1 < count)
            item += " /Next " + QByteArray::number(first + i + 2) + " 0 R";
        item += " /Dest [" + QByteArray::number(page) + " 0 R /XYZ null null null] >>";
        object(item);
    }
    // The catalog again under its own number, now naming the outline.
    write(rootId, catalog.chopped(2) + " /Outlines " + QByteArray::number(first) + " 0 R /PageMode /UseOutlines >>");

    const qsizetype xref = pdf.size() + out.size();
    out += "xref\n";
    for (const auto &[number, at] : offsets)
        out += QByteArray::number(number) + " 1\n" + QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(next) + " /Root "
        + QByteArray::number(rootId) + " 0 R";
    const auto info = infoRe.match(trailerText);
    if (info.hasMatch())
        out += " /Info " + info.captured(1).toLatin1();
    out += " /Prev " + QByteArray::number(previous) + " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

} // namespace exchange
