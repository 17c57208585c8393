#include "dTxtHelper.h"

#include "exchange/TextFileCodec.h"
#include "settings/Colors.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMimeData>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

namespace {

// Lines of a block as laid out; a block not laid out yet still shows one line.
int blockLineCount(const QTextBlock &block)
{
    const QTextLayout *layout = block.layout();
    const int n = layout ? layout->lineCount() : 0;
    return n > 0 ? n : 1;
}

// Makes sure every block has its lines for the editor's current width.
void ensureLayout(const QTextEdit *editor)
{
    if (QAbstractTextDocumentLayout *layout = editor->document()->documentLayout())
        (void)layout->documentSize();
}

char32_t mapCase(char32_t ch, int mode, bool wordStart)
{
    switch (mode) {
    case 0: return QChar::toUpper(ch);
    case 1: return QChar::toLower(ch);
    case 2: return wordStart ? QChar::toUpper(ch) : QChar::toLower(ch);
    case 3: return QChar::toUpper(ch) == ch ? QChar::toLower(ch) : QChar::toUpper(ch);
    default: return ch;
    }
}

bool isWordChar(char32_t ch)
{
    return QChar::isLetterOrNumber(ch) || QChar::category(ch) == QChar::Mark_NonSpacing || ch == U'\''
        || ch == U'\u2019';
}

} // namespace

void dTxtHelper::SetEditor(QTextEdit *editor)
{
    m_editor = editor;
}

void dTxtHelper::WordWrap(bool wrap)
{
    if (!m_editor)
        return;
    m_editor->setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

QString dTxtHelper::ConvertText(const QString &text, int mode)
{
    QString out;
    out.reserve(text.size());
    bool previousIsWord = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t ch = text.at(i).unicode();
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(i + 1).unicode());
            ++i;
        }
        char32_t mapped = mapCase(ch, mode, !previousIsWord);
        // Keep the length: a mapping that changes the UTF-16 width leaves the character alone.
        if (QChar::requiresSurrogates(mapped) != QChar::requiresSurrogates(ch))
            mapped = ch;
        out.append(QChar::fromUcs4(mapped));
        previousIsWord = isWordChar(ch);
    }
    return out;
}

QString dTxtHelper::SwapCase(const QString &text)
{
    return ConvertText(text, 3);
}

void dTxtHelper::Convert(int mode)
{
    if (!m_editor)
        return;
    QTextCursor sel = m_editor->textCursor();
    const int start = sel.selectionStart();
    const int length = sel.selectionEnd() - start;
    const int caret = sel.position();
    QTextDocument *doc = m_editor->document();

    int from = start;
    int to = start + length;
    if (length == 0) {
        from = 0;
        to = doc->characterCount() - 1;
    }
    if (to > from && mode >= 0 && mode <= 3) {
        QTextCursor range(doc);
        range.setPosition(from);
        range.setPosition(to, QTextCursor::KeepAnchor);
        const QString original = range.selectedText();
        const QString converted = ConvertText(original, mode);
        // Replace fragment by fragment so each piece keeps its own character format.
        QTextCursor edit(doc);
        edit.beginEditBlock();
        for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() < to;
             block = block.next()) {
            for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment frag = it.fragment();
                const int a = qMax(from, frag.position());
                const int b = qMin(to, frag.position() + frag.length());
                if (a >= b)
                    continue;
                const QString piece = converted.mid(a - from, b - a);
                if (piece == original.mid(a - from, b - a))
                    continue;
                edit.setPosition(a);
                edit.setPosition(b, QTextCursor::KeepAnchor);
                edit.insertText(piece, frag.charFormat());
            }
        }
        edit.endEditBlock();
    }
    if (length > 0) {
        SelectText(start, length);
    } else {
        QTextCursor c = m_editor->textCursor();
        c.setPosition(qMin(caret, doc->characterCount() - 1));
        m_editor->setTextCursor(c);
    }
}

void dTxtHelper::Cut()
{
    if (m_editor)
        m_editor->cut();
}

void dTxtHelper::Clear()
{
    if (!m_editor)
        return;
    QTextCursor c = m_editor->textCursor();
    c.removeSelectedText();
    m_editor->setTextCursor(c);
}

void dTxtHelper::Copy()
{
    if (m_editor)
        m_editor->copy();
}

void dTxtHelper::Undo()
{
    if (m_editor)
        m_editor->undo();
}

void dTxtHelper::Paste()
{
    if (m_editor)
        m_editor->paste();
}

void dTxtHelper::SelectAll()
{
    if (!m_editor)
        return;
    SelectText(0, m_editor->document()->characterCount() - 1);
}

int dTxtHelper::SelPos() const
{
    return m_editor ? m_editor->textCursor().selectionStart() : 0;
}

void dTxtHelper::setSelPos(int position)
{
    if (!m_editor)
        return;
    QTextCursor c = m_editor->textCursor();
    c.setPosition(qBound(0, position, m_editor->document()->characterCount() - 1));
    m_editor->setTextCursor(c);
}

void dTxtHelper::SelectText(int start, int length)
{
    if (!m_editor)
        return;
    const int end = m_editor->document()->characterCount() - 1;
    const int a = qBound(0, start, end);
    const int b = qBound(a, start + qMax(0, length), end);
    QTextCursor c = m_editor->textCursor();
    c.setPosition(a);
    c.setPosition(b, QTextCursor::KeepAnchor);
    m_editor->setTextCursor(c);
    m_editor->setFocus();
}

bool dTxtHelper::CanPaste() const
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

int dTxtHelper::LineCount() const
{
    if (!m_editor)
        return 0;
    ensureLayout(m_editor);
    int n = 0;
    for (QTextBlock b = m_editor->document()->begin(); b.isValid(); b = b.next())
        n += blockLineCount(b);
    return n;
}

int dTxtHelper::lineFromChar(int position) const
{
    if (!m_editor)
        return 0;
    ensureLayout(m_editor);
    QTextDocument *doc = m_editor->document();
    position = qBound(0, position, doc->characterCount() - 1);
    const QTextBlock target = doc->findBlock(position);
    int line = 0;
    for (QTextBlock b = doc->begin(); b.isValid() && b != target; b = b.next())
        line += blockLineCount(b);
    const QTextLayout *layout = target.layout();
    if (layout && layout->lineCount() > 0) {
        const QTextLine tl = layout->lineForTextPosition(position - target.position());
        if (tl.isValid())
            line += tl.lineNumber();
        else
            line += layout->lineCount() - 1;
    }
    return line;
}

int dTxtHelper::lineStart(int line) const
{
    if (!m_editor || line < 0)
        return -1;
    ensureLayout(m_editor);
    for (QTextBlock b = m_editor->document()->begin(); b.isValid(); b = b.next()) {
        const int n = blockLineCount(b);
        if (line < n) {
            const QTextLayout *layout = b.layout();
            if (layout && layout->lineCount() > line)
                return b.position() + layout->lineAt(line).textStart();
            return b.position();
        }
        line -= n;
    }
    return -1;
}

int dTxtHelper::lineLength(int line) const
{
    if (!m_editor || line < 0)
        return 0;
    ensureLayout(m_editor);
    for (QTextBlock b = m_editor->document()->begin(); b.isValid(); b = b.next()) {
        const int n = blockLineCount(b);
        if (line < n) {
            const QTextLayout *layout = b.layout();
            if (!layout || layout->lineCount() <= line)
                return int(b.text().size());
            const QTextLine tl = layout->lineAt(line);
            QString text = b.text().mid(tl.textStart(), tl.textLength());
            // A soft line break ends the line but is not part of its text.
            if (text.endsWith(QChar::LineSeparator))
                text.chop(1);
            return int(text.size());
        }
        line -= n;
    }
    return 0;
}

int dTxtHelper::VisableLine() const
{
    if (!m_editor)
        return 0;
    ensureLayout(m_editor);
    const int top = m_editor->verticalScrollBar()->value();
    QAbstractTextDocumentLayout *docLayout = m_editor->document()->documentLayout();
    int line = 0;
    for (QTextBlock b = m_editor->document()->begin(); b.isValid(); b = b.next()) {
        const QRectF rect = docLayout->blockBoundingRect(b);
        const QTextLayout *layout = b.layout();
        const int n = blockLineCount(b);
        for (int i = 0; i < n; ++i) {
            qreal bottom = rect.bottom();
            if (layout && i < layout->lineCount()) {
                const QTextLine tl = layout->lineAt(i);
                bottom = rect.top() + tl.y() + tl.height();
            }
            if (bottom > top)
                return line;
            ++line;
        }
    }
    return qMax(0, line - 1);
}

int dTxtHelper::LineIndex() const
{
    if (!m_editor)
        return 0;
    return lineFromChar(m_editor->textCursor().selectionEnd()) + 1;
}

int dTxtHelper::LineLength() const
{
    if (!m_editor)
        return 0;
    return lineLength(lineFromChar(m_editor->textCursor().selectionStart())) + 1;
}

bool dTxtHelper::LoadFromFile(const QString &fileName)
{
    m_error.clear();
    if (!m_editor) {
        m_error = QStringLiteral("no editor");
        return false;
    }
    const std::optional<QByteArray> bytes = exchange::readWholeFile(fileName, &m_error);
    if (!bytes)
        return false;
    m_editor->setPlainText(exchange::decodeTextFile(*bytes, m_locale));
    return true;
}

QString dTxtHelper::plainTextForFile(QString text) const
{
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    // Pictures have no place in a text file.
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

bool dTxtHelper::writeFile(const QString &fileName, const QString &text)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = file.errorString();
        return false;
    }
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

bool dTxtHelper::SaveToFile(const QString &fileName)
{
    m_error.clear();
    if (!m_editor) {
        m_error = QStringLiteral("no editor");
        return false;
    }
    return writeFile(fileName, plainTextForFile(m_editor->document()->toPlainText()));
}

bool dTxtHelper::SaveSelection(const QString &fileName)
{
    m_error.clear();
    if (!m_editor) {
        m_error = QStringLiteral("no editor");
        return false;
    }
    return writeFile(fileName, plainTextForFile(m_editor->textCursor().selectedText()));
}

bool dTxtHelper::CanUndo() const
{
    return m_editor && m_editor->document()->isUndoAvailable();
}

bool dTxtHelper::CanReDo() const
{
    return m_editor && m_editor->document()->isRedoAvailable();
}

void dTxtHelper::setGotoLine(int line)
{
    m_gotoLine = line;
    if (!m_editor)
        return;
    // Line 0 or less means the caret's own line, as for the edit box.
    const int index = line - 1 < 0 ? lineFromChar(m_editor->textCursor().position()) : line - 1;
    const int pos = lineStart(index);
    if (pos < 0)
        return;
    QTextCursor c = m_editor->textCursor();
    c.setPosition(pos);
    m_editor->setTextCursor(c);
    m_editor->setFocus();
}

QString dTxtHelper::GetLineText(int line) const
{
    const int index = line - 1;
    const int start = lineStart(index);
    if (start < 0)
        return QString();
    QTextCursor c(m_editor->document());
    c.setPosition(start);
    c.setPosition(start + lineLength(index), QTextCursor::KeepAnchor);
    return c.selectedText().left(255);
}

void dTxtHelper::ForeColor(qint32 color)
{
    if (!m_editor)
        return;
    // No repaint in between, so the whole-text selection never flashes on screen.
    const bool updates = m_editor->updatesEnabled();
    m_editor->setUpdatesEnabled(false);
    QTextCursor c(m_editor->document());
    c.select(QTextCursor::Document);
    QTextCharFormat fmt;
    fmt.setForeground(Tools::ColorFromBgr(color));
    c.mergeCharFormat(fmt);
    QTextCursor caret = m_editor->textCursor();
    caret.setPosition(0);
    m_editor->setTextCursor(caret);
    m_editor->setUpdatesEnabled(updates);
}

void dTxtHelper::TabStops(int distance)
{
    if (!m_editor)
        return;
    // Dialog units; 0 asks for the edit box's default of 32.
    const int units = distance > 0 ? distance : 32;
    const qreal avg = QFontMetricsF(m_editor->document()->defaultFont()).averageCharWidth();
    m_editor->setTabStopDistance(units * avg / 4.0);
}
