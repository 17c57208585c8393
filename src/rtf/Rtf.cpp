#include "Rtf.h"
#include "RtfReader.h"
#include "FrameWalk.h"
#include "RtfWriter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

namespace rtf {

namespace {

bool isRtf(const QByteArray &body)
{
    qsizetype i = 0;
    // A byte-order mark or leading blanks before the header still make an RTF body.
    if (body.startsWith("\xef\xbb\xbf"))
        i = 3;
    while (i < body.size() && (body[i] == ' ' || body[i] == '\r' || body[i] == '\n' || body[i] == '\t'))
        ++i;
    return body.mid(i, 5) == "{\\rtf";
}

void appendFrameText(const QTextFrame *frame, QString &out);

void appendBlockText(const QTextBlock &block, QString &out)
{
    if (const QTextList *list = block.textList()) {
        const QTextListFormat::Style style = list->format().style();
        const bool bullet = style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
            || style == QTextListFormat::ListSquare;
        out += bullet ? QStringLiteral("\u2022") : list->itemText(block);
        out += QLatin1Char('\t');
    }
    QString text = block.text();
    text.remove(QChar::ObjectReplacementCharacter);
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    out += text;
}

void appendTableText(const QTextTable *table, QString &out)
{
    for (int r = 0; r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (c > 0)
                out += QLatin1Char('\t');
            if (cell.row() != r || cell.column() != c)
                continue; // covered by a merged cell
            QString cellText;
            for (auto it = cell.begin(); !it.atEnd(); ++it) {
                if (it.currentFrame()) {
                    appendFrameText(it.currentFrame(), cellText);
                } else {
                    if (!cellText.isEmpty())
                        cellText += QLatin1Char(' ');
                    appendBlockText(it.currentBlock(), cellText);
                }
            }
            out += cellText;
        }
        out += QLatin1Char('\n');
    }
}

void appendFrameText(const QTextFrame *frame, QString &out)
{
    rtf::walkFrame(
        frame, [&](const QTextTable *table) { appendTableText(table, out); },
        [&](const QTextBlock &block) {
            appendBlockText(block, out);
            out += QLatin1Char('\n');
        });
}

} // namespace

namespace {

// About a second of reading and laying out on a slow machine.
constexpr qint64 kPreviewUnits = 400000;

// Reads body into doc up to limit units (0 = all); true when it stopped early.
bool readBody(const QByteArray &body, QTextDocument *doc, qint64 limit)
{
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    bool cut = false;
    if (isRtf(body)) {
        RtfReader reader(doc);
        reader.setLimit(limit);
        reader.read(body);
        cut = reader.cut();
    } else {
        QString text = QString::fromUtf8(body);
        cut = limit > 0 && text.size() > limit;
        if (cut)
            text.truncate(limit);
        doc->setPlainText(text);
    }
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
    return cut;
}

// A stored body as the bytes the reader takes. RTF is 7-bit; a stored body carrying other
// characters (pasted or typed into the file by hand) has them read as the characters they are,
// whatever the document's code page. Anything else is plain text, as UTF-8.
QByteArray storedBytes(const QString &body)
{
    QStringView start(body);
    while (!start.isEmpty() && (start.front().isSpace() || start.front() == QChar::ByteOrderMark))
        start = start.mid(1);
    if (!start.startsWith(QLatin1String("{\\rtf")))
        return body.toUtf8();
    QByteArray bytes;
    bytes.reserve(start.size());
    for (const QChar ch : start) {
        const char16_t u = ch.unicode();
        if (u < 0x80) {
            bytes.append(char(u));
        } else {
            bytes.append("{\\uc0\\u");
            bytes.append(QByteArray::number(int(u)));
            bytes.append('}');
        }
    }
    return bytes;
}

} // namespace

void readInto(const QByteArray &body, QTextDocument *doc)
{
    if (doc)
        readBody(body, doc, 0);
}

void readInto(const QString &body, QTextDocument *doc)
{
    if (doc)
        readBody(storedBytes(body), doc, 0);
}

bool readPreview(const QString &body, QTextDocument *doc)
{
    if (!doc || !readBody(storedBytes(body), doc, kPreviewUnits))
        return false;
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor end(doc);
    end.movePosition(QTextCursor::End);
    QTextCharFormat note;
    note.setForeground(Qt::gray);
    end.insertBlock(QTextBlockFormat(), note);
    end.insertText(QStringLiteral("（记事太长，这里只显示了开头部分。）"), note);
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
    return true;
}

QString toPlainText(const QByteArray &body)
{
    QTextDocument doc;
    readInto(body, &doc);
    return plainText(&doc);
}

QString plainText(const QTextDocument *doc)
{
    QString out;
    appendFrameText(doc->rootFrame(), out);
    // The document's last block carries no paragraph mark of its own.
    if (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    return out;
}

QString writeText(const QTextDocument *doc)
{
    return QString::fromLatin1(write(doc));
}

QByteArray write(const QTextDocument *doc)
{
    if (!doc)
        return {};
    RtfWriter writer(doc);
    return writer.write();
}

int documentCodePage(const QTextDocument *doc)
{
    const int cp = doc ? doc->property("rtfCodePage").toInt() : 0;
    return cp > 0 ? cp : 936;
}

} // namespace rtf
