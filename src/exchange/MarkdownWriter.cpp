#include "MarkdownWriter.h"
#include "rtf/FrameWalk.h"

#include <QFontInfo>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <array>

namespace exchange {

namespace {

// Marks that are structure anywhere: emphasis, code, links, HTML, entities, table cells, escapes.
bool alwaysMarkup(QChar c)
{
    return QStringView(u"\\`*_[]<>~|&").contains(c);
}

// Marks that are structure at the start of a line: headings, lists, rules, heading underlines.
bool lineStartMarkup(QChar c)
{
    return c == u'#' || c == u'-' || c == u'+' || c == u'=';
}

// Text with a backslash before each character Markdown would read as structure; blanks that
// indent a line are left out (four of them would make code of the paragraph). A line separator
// becomes a hard break, the next line indented by continuation.
QString escaped(QStringView text, bool lineStart, const QString &continuation)
{
    QString out;
    out.reserve(text.size() + 16);
    bool wordStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar::LineSeparator || c == u'\n') {
            out += QStringLiteral("\\\n") + continuation;
            lineStart = wordStart = true;
            continue;
        }
        if (lineStart && (c == u' ' || c == u'\t'))
            continue;
        lineStart = false;
        if (wordStart && c.isDigit()) {
            // "1." and "2)" start a numbered list.
            qsizetype end = i;
            while (end < text.size() && text[end].isDigit())
                ++end;
            out += text.mid(i, end - i);
            i = end - 1;
            if (end < text.size() && (text[end] == u'.' || text[end] == u')')) {
                out += QLatin1Char('\\');
                out += text[end];
                i = end;
            }
            wordStart = false;
            continue;
        }
        if (alwaysMarkup(c) || (wordStart && lineStartMarkup(c)))
            out += QLatin1Char('\\');
        out += c;
        wordStart = c.isSpace();
    }
    return out;
}

enum Mark { Bold, Italic, Strike, MarkCount };
const char *const kMarks[MarkCount] = {"**", "*", "~~"};

bool isCodeBlock(const QTextBlockFormat &f)
{
    return f.nonBreakableLines() || f.hasProperty(QTextFormat::BlockCodeFence)
        || f.hasProperty(QTextFormat::BlockCodeLanguage);
}

bool isMonospace(const QTextCharFormat &f)
{
    return f.fontFixedPitch() || QFontInfo(f.font()).fixedPitch();
}

// The text of one block with its emphasis, links, code and pictures. Emphasis marks never touch
// a blank (Markdown would not read them as marks there): blanks at the ends of a run go outside.
class InlineWriter
{
public:
    explicit InlineWriter(const QString &continuation) : m_continuation(continuation) {}

    QString write(const QTextBlock &block, bool lineStart)
    {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                const QTextImageFormat image = format.toImageFormat();
                QString alt = image.stringProperty(QTextFormat::ImageAltText);
                if (alt.isEmpty())
                    alt = QStringLiteral("image");
                for (int i = 0; i < fragment.length(); ++i)
                    m_out += QStringLiteral("![%1](%2)").arg(escaped(alt, false, QString()), address(image.name()));
                lineStart = false;
                continue;
            }
            const QString text = fragment.text();
            qsizetype begin = 0, end = text.size();
            while (begin < end && text[begin].isSpace() && text[begin] != QChar::LineSeparator)
                ++begin;
            while (end > begin && text[end - 1].isSpace() && text[end - 1] != QChar::LineSeparator)
                --end;
            if (begin > 0) {
                setMarks({});
                m_out += escaped(QStringView(text).left(begin), lineStart, m_continuation);
            }
            if (end > begin) {
                writeRun(QStringView(text).mid(begin, end - begin), format, lineStart && begin == 0);
                lineStart = false;
            }
            if (end < text.size()) {
                setMarks({});
                m_out += escaped(QStringView(text).mid(end), false, m_continuation);
            }
        }
        setMarks({});
        return m_out;
    }

private:
    static QString address(const QString &name)
    {
        // Pictures are relative addresses already encoded; anything else is made one.
        const QUrl url(name);
        QString encoded = QString::fromUtf8(url.toEncoded());
        encoded.replace(QLatin1Char('('), QStringLiteral("%28")).replace(QLatin1Char(')'), QStringLiteral("%29"));
        return encoded;
    }

    void writeRun(QStringView text, const QTextCharFormat &format, bool lineStart)
    {
        std::array<bool, MarkCount> wanted{format.fontWeight() >= QFont::DemiBold, format.fontItalic(),
                                           format.fontStrikeOut()};
        setMarks(wanted);
        QString body;
        if (isMonospace(format)) {
            // Nothing is escaped in code: the fence is longer than any run of backticks in it.
            qsizetype longest = 0, run = 0;
            for (const QChar c : text) {
                run = c == u'`' ? run + 1 : 0;
                longest = qMax(longest, run);
            }
            const QString fence(longest + 1, QLatin1Char('`'));
            const bool pad = text.startsWith(u'`') || text.endsWith(u'`');
            body = fence + (pad ? QStringLiteral(" ") : QString()) + text.toString()
                + (pad ? QStringLiteral(" ") : QString()) + fence;
            body.replace(QChar::LineSeparator, QLatin1Char(' '));
        } else {
            body = escaped(text, lineStart, m_continuation);
        }
        if (format.isAnchor() && !format.anchorHref().isEmpty())
            body = QStringLiteral("[%1](%2)").arg(body, address(format.anchorHref()));
        m_out += body;
    }

    // Closes the marks not wanted (the innermost first), then opens the ones missing.
    void setMarks(const std::array<bool, MarkCount> &wanted)
    {
        while (!m_open.isEmpty()) {
            bool keep = true;
            for (const Mark m : std::as_const(m_open))
                keep = keep && wanted[m];
            if (keep)
                break;
            m_out += QLatin1String(kMarks[m_open.takeLast()]);
        }
        for (int m = 0; m < MarkCount; ++m) {
            if (wanted[m] && !m_open.contains(Mark(m))) {
                m_open << Mark(m);
                m_out += QLatin1String(kMarks[m]);
            }
        }
    }

    QString m_continuation;
    QString m_out;
    QList<Mark> m_open;
};

class Writer
{
public:
    QString write(const QTextDocument *doc)
    {
        writeFrame(doc->rootFrame());
        while (m_out.endsWith(QLatin1String("\n\n")))
            m_out.chop(1);
        return m_out;
    }

private:
    void writeFrame(const QTextFrame *frame)
    {
        rtf::walkFrame(
            frame, [this](const QTextTable *table) { writeTable(table); },
            [this](const QTextBlock &block) { writeBlock(block); });
    }

    // A blank line between blocks, except between the items of a list.
    void separate(bool listItem)
    {
        if (!m_out.isEmpty() && !(listItem && m_lastWasItem) && !m_out.endsWith(QLatin1String("\n\n")))
            m_out += QLatin1Char('\n');
        m_lastWasItem = listItem;
    }

    void writeBlock(const QTextBlock &block)
    {
        const QTextBlockFormat format = block.blockFormat();
        if (isCodeBlock(format)) {
            separate(false);
            QString text = block.text();
            text.replace(QChar::LineSeparator, QLatin1Char('\n'));
            // A fence longer than any run of tildes in the code.
            qsizetype longest = 0, run = 0;
            for (const QChar c : std::as_const(text)) {
                run = c == u'~' ? run + 1 : 0;
                longest = qMax(longest, run);
            }
            const QString fence(qMax<qsizetype>(3, longest + 1), QLatin1Char('~'));
            m_out += fence + QLatin1Char('\n') + text + QLatin1Char('\n') + fence + QLatin1Char('\n');
            return;
        }
        QString prefix;
        QString continuation;
        if (const QTextList *list = block.textList()) {
            const QTextListFormat lf = list->format();
            const QString indent(4 * qMax(0, lf.indent() - 1), QLatin1Char(' '));
            const bool bullet = lf.style() == QTextListFormat::ListDisc || lf.style() == QTextListFormat::ListCircle
                || lf.style() == QTextListFormat::ListSquare;
            prefix = indent + (bullet ? QStringLiteral("- ")
                                      : QStringLiteral("%1. ").arg(list->itemNumber(block) + 1));
            continuation = QString(prefix.size(), QLatin1Char(' '));
        } else if (format.headingLevel() > 0) {
            prefix = QString(qMin(6, format.headingLevel()), QLatin1Char('#')) + QLatin1Char(' ');
        }
        const QString text = InlineWriter(continuation).write(block, true);
        if (text.isEmpty() && !block.textList())
            return; // Markdown has no empty paragraphs
        separate(block.textList() != nullptr);
        m_out += prefix + text + QLatin1Char('\n');
    }

    void writeTable(const QTextTable *table)
    {
        separate(false);
        for (int r = 0; r < table->rows(); ++r) {
            QString row = QStringLiteral("|");
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                QStringList parts;
                if (cell.row() == r && cell.column() == c) {
                    for (auto it = cell.begin(); !it.atEnd(); ++it) {
                        if (it.currentBlock().isValid())
                            parts << InlineWriter(QString()).write(it.currentBlock(), false);
                    }
                }
                // A cell is one line: its paragraphs and breaks become blanks.
                row += QLatin1Char(' ') + parts.join(QLatin1Char(' ')).replace(QStringLiteral("\\\n"), QStringLiteral(" "))
                    + QStringLiteral(" |");
            }
            m_out += row + QLatin1Char('\n');
            if (r == 0)
                m_out += QStringLiteral("|") + QStringLiteral("---|").repeated(table->columns()) + QLatin1Char('\n');
        }
        m_out += QLatin1Char('\n');
        m_lastWasItem = false;
    }

    QString m_out;
    bool m_lastWasItem = false;
};

} // namespace

QString writeMarkdown(const QTextDocument *doc)
{
    return Writer().write(doc);
}

} // namespace exchange
