#pragma once

#include <QLocale>
#include <QPointer>
#include <QString>
#include <QTextEdit>
#include <QtGlobal>

// Editing operations on one rich-text box that the box does not offer directly: clipboard,
// undo queries, selection and line queries (lines as the user sees them, wrapped lines count),
// case conversion, plain-text files, colouring the whole text, tab stops and word wrap.
// Positions and lengths count characters of the box's plain text (a paragraph break is one).
class dTxtHelper
{
public:
    void WordWrap(bool wrap);
    // 0 upper, 1 lower, 2 proper case, 3 swap case; of the selection, or of the whole text when
    // nothing is selected. Character formatting and pictures are kept.
    void Convert(int mode);
    void Cut();
    void Clear();
    void Copy();
    void Undo();
    void Paste();
    void SelectAll();
    int SelPos() const;
    void setSelPos(int position);
    void SelectText(int start, int length);
    void SetEditor(QTextEdit *editor);
    QTextEdit *Editor() const { return m_editor; }

    bool CanPaste() const;
    int LineCount() const;
    int VisableLine() const;
    // 1-based line holding the end of the selection.
    int LineIndex() const;
    // Length of the line holding the start of the selection, plus 1.
    int LineLength() const;

    // The file members answer false and leave the box unchanged when the file cannot be read or
    // written; errorString() then says why.
    bool LoadFromFile(const QString &fileName);
    bool SaveToFile(const QString &fileName);
    bool SaveSelection(const QString &fileName);
    QString errorString() const { return m_error; }

    bool CanUndo() const;
    bool CanReDo() const;
    int GotoLine() const { return m_gotoLine; }
    void setGotoLine(int line);
    // Text of a 1-based line, at most 255 characters; "" for a line that does not exist.
    QString GetLineText(int line) const;
    // Colours the whole text; colour is 0x00BBGGRR.
    void ForeColor(qint32 color);
    // Tab stop distance in dialog units (a quarter of the average character width).
    void TabStops(int distance);

    // Locale whose legacy code page is used for text files that are not UTF-8.
    void setLegacyLocale(const QLocale &locale) { m_locale = locale; }
    QLocale legacyLocale() const { return m_locale; }

    static QString SwapCase(const QString &text);
    // Case conversion keeping the text's length, so positions stay valid. Mode outside 0..3: unchanged.
    static QString ConvertText(const QString &text, int mode);

    // Character position where a 0-based line starts; -1 when there is no such line.
    int lineStart(int line) const;
    // 0-based line holding a character position (the end of the text is on the last line).
    int lineFromChar(int position) const;
    // Length of the 0-based line, without its line break.
    int lineLength(int line) const;

private:
    QString plainTextForFile(QString text) const;
    bool writeFile(const QString &fileName, const QString &text);

    QPointer<QTextEdit> m_editor;
    int m_gotoLine = 0;
    QString m_error;
    QLocale m_locale = QLocale::system();
};
