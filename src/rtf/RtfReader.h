#pragma once

#include "CodePage.h"
#include "RtfPicture.h"
#include "RtfTokenizer.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextList>
#include <QTextTable>

#include <memory>
#include <vector>

class QTextDocument;

namespace rtf {

// Character properties as RTF states them; compared to merge runs of equal format.
struct CharState
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int fontSize = 24; // half-points
    int font = -1;     // -1: the default font
    int fg = 0;        // colour table index; 0 is automatic
    int bg = 0;
    int vAlign = 0;    // 0 normal, 1 superscript, 2 subscript
    int href = -1;     // index into the reader's link targets
    bool operator==(const CharState &) const = default;
};

enum class ListKind { None = 0, Bullet, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };

struct ParaState
{
    int align = 0; // 0 left, 1 centre, 2 right, 3 justify
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0, sl = 0; // twips
    bool slMult = false;
    bool inTable = false;
    int tableDepth = 0; // \itapN: 2 and more is a table inside a cell
    ListKind list = ListKind::None;
    bool operator==(const ParaState &) const = default;
};

// Reads RTF into a QTextDocument. Control words are looked up in one table and handled by small
// member functions; text is collected and inserted once per run of equal format.
class RtfReader
{
public:
    explicit RtfReader(QTextDocument *doc);
    ~RtfReader();
    RtfReader(const RtfReader &) = delete;
    RtfReader &operator=(const RtfReader &) = delete;

    void read(const QByteArray &rtf);
    // Stops reading once the document holds about this much (characters, with paragraphs and
    // table cells counted as several); 0 = everything. cut() tells whether it stopped early.
    void setLimit(qint64 units) { m_limit = units; }
    bool cut() const { return m_cut; }

private:
    // Where the content of a group goes.
    enum class Dest { Text, Skip, FontTable, ColorTable, Picture, ListText, PnProps, FieldInst, Footnote };

    struct Group
    {
        CharState chr;
        ParaState para;
        Dest dest = Dest::Text;
        int uc = 1;
        bool opensPicture = false;
        bool opensPn = false;
        bool opensListText = false;
        bool opensFontEntry = false;
        bool inUnicodePair = false;
    };

    using Handler = void (RtfReader::*)(const RtfToken &tok, int arg);
    struct Font { QString name; int charset = -1; int codePage = 0; };

    // token handlers
    void finishDocument();
    void onGroupOpen();
    void onGroupClose();
    void onControlWord(const RtfToken &tok);
    void onControlSymbol(char symbol);
    void onBytes(const char *data, qsizetype size);
    void onBinary(const RtfToken &tok);

    // control words, dispatched through the table in RtfReaderWords.cpp
    struct Word { const char *name; Handler fn; int arg; };
    static const Word *lookup(const char *name);
    void cwIgnoredDestination(const RtfToken &, int);
    void cwTextDestination(const RtfToken &, int);
    void cwUnicodePair(const RtfToken &, int);
    void cwUnicodeDestination(const RtfToken &, int);
    void cwFontTable(const RtfToken &, int);
    void cwColorTable(const RtfToken &, int);
    void cwColorPart(const RtfToken &tok, int shift);
    void cwFont(const RtfToken &tok, int);
    void cwFontCharset(const RtfToken &tok, int);
    void cwFontCodePage(const RtfToken &tok, int);
    void cwDefaultFont(const RtfToken &tok, int);
    void cwAnsiCodePage(const RtfToken &tok, int);
    void cwCharsetWord(const RtfToken &, int codePage);
    void cwUnicode(const RtfToken &tok, int);
    void cwUnicodeSkip(const RtfToken &tok, int);
    void cwCharText(const RtfToken &, int ch);
    void cwPar(const RtfToken &, int);
    void cwPard(const RtfToken &, int);
    void cwPlain(const RtfToken &, int);
    void cwAlign(const RtfToken &, int align);
    void cwParaNumber(const RtfToken &tok, int which);
    void cwSlMult(const RtfToken &tok, int);
    void cwCharToggle(const RtfToken &tok, int which);
    void cwUnderlineOff(const RtfToken &, int);
    void cwFontSize(const RtfToken &tok, int);
    void cwForeground(const RtfToken &tok, int);
    void cwBackground(const RtfToken &tok, int);
    void cwVAlign(const RtfToken &, int v);
    void cwPnText(const RtfToken &, int);
    void cwListText(const RtfToken &, int);
    void cwPn(const RtfToken &, int);
    void cwPnKind(const RtfToken &, int kind);
    void cwField(const RtfToken &, int);
    void cwFieldInst(const RtfToken &, int);
    void cwFieldResult(const RtfToken &, int);
    void cwFootnote(const RtfToken &, int);
    void cwFootnoteMark(const RtfToken &, int);
    void cwPict(const RtfToken &, int);
    void cwPictBlip(const RtfToken &tok, int blip);
    void cwPictNumber(const RtfToken &tok, int which);
    void cwInTable(const RtfToken &, int);
    void cwTableDepth(const RtfToken &tok, int);
    void cwRowDefaults(const RtfToken &, int);
    void cwCellX(const RtfToken &tok, int);
    void cwCell(const RtfToken &, int);
    void cwRow(const RtfToken &, int);

private:
    Group &top() { return m_groups.back(); }

    // text path
    void addText(QStringView text);
    void addChars(QStringView text);
    void flushBytes();
    void flushRun();
    void resolveListText();
    CodePageCodec &codecFor(int codePage);
    int currentCodePage();
    QTextCharFormat charFormat(const CharState &c);

    // document building (RtfReaderDoc.cpp)
    void beginContent();
    void endParagraph();
    void applyBlockFormat();
    void ensureTableContext();
    void leaveTable();
    void trimTable();
    void insertPicture();
    void finishFontEntry();
    void appendFootnotes();

    QTextDocument *m_doc;
    QTextCursor m_cursor;
    std::vector<Group> m_groups;
    int m_overflowDepth = 0; // groups beyond the depth we keep
    int m_overflowSkipFrom = 0; // the overflow depth of a destination being skipped, or 0
    bool m_starNext = false;
    bool m_finished = false;
    qint64 m_limit = 0;
    qint64 m_used = 0;
    bool m_cut = false;
    int m_skip = 0;           // fallback units still to skip after \uN

    // document-wide tables
    int m_ansiCodePage = 1252;
    int m_defaultFont = 0;
    QHash<int, Font> m_fonts;
    int m_codePageFont = 0;    // the font whose code page is remembered, while valid
    int m_codePageOfFont = 0;
    bool m_codePageValid = false;
    int m_fontEntry = -1;
    QByteArray m_fontNameBytes;
    std::vector<QColor> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;
    QList<QString> m_hrefs;

    // text collected, not yet in the document
    QByteArray m_bytes;
    CharState m_bytesChar;
    int m_bytesCodePage = 0;
    QString m_run;
    CharState m_runChar;
    QHash<int, std::shared_ptr<CodePageCodec>> m_codecs;
    CodePageCodec *m_activeCodec = nullptr;
    CharState m_formatChar;
    QTextCharFormat m_format;
    bool m_formatValid = false;

    // current paragraph
    bool m_blockPending = false; // a paragraph ended; the next one is not in the document yet
    QString m_listText;       // text of a {\pntext} or {\listtext} group, decided on later
    CharState m_listTextChar;
    bool m_listTextPending = false;
    bool m_bulletPending = false;
    // Qt deletes a list that loses its last item, so the pointer must notice.
    QPointer<QTextList> m_list;
    ListKind m_listKind = ListKind::None;
    ListKind m_pnKind = ListKind::None;

    // fields
    QString m_fieldInst;

    // footnotes, shown at the end of the note
    QStringList m_footnotes;

    // pictures
    PictureData m_pict;
    int m_hexNibble = -1;
    qint64 m_decodedBytes = 0;

    // tables
    QPointer<QTextTable> m_table;
    int m_row = 0, m_col = 0;
    bool m_rowPending = false;
    std::vector<int> m_cellX;
};

} // namespace rtf
