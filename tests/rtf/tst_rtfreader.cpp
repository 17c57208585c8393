// The reader: decoding, syntax, formatting, paragraphs, lists, tables and damaged input.
#include "rtf/Rtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextImageFormat>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QtTest>

namespace {

QString textOf(const QByteArray &body)
{
    return rtf::toPlainText(body);
}

// The character format at the first occurrence of needle.
QTextCharFormat formatAt(const QTextDocument &doc, const QString &needle)
{
    const QTextCursor found = doc.find(needle);
    if (found.isNull())
        return {};
    QTextCursor c(found);
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

QTextBlock blockWith(const QTextDocument &doc, const QString &needle)
{
    const QTextCursor found = doc.find(needle);
    return found.isNull() ? QTextBlock() : found.block();
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void text_data();
    void text();
    void characterFormat_data();
    void characterFormat();
    void paragraphFormat_data();
    void paragraphFormat();
    void bullets_data();
    void bullets();
    void listFollowedByAnotherKind();
    void table();
    void textBeforeATableStaysOutOfIt();
    void longTableKeepsItsRows_data();
    void longTableKeepsItsRows();
    void previewOfALongBody_data();
    void previewOfALongBody();
    void longBulletListStaysBulleted();
    void fontNameInCodePage();
    void storedTextBody_data();
    void storedTextBody();
    void manyLargePlaceholdersStaySmall();
    void boundsOnHostileInput_data();
    void boundsOnHostileInput();
};

void TestRtfReader::text_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    const QByteArray gbk = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0 ";
    QTest::newRow("nominal: GBK pairs") << gbk + "\\'d6\\'d0\\'ce\\'c4}" << QStringLiteral("中文");
    QTest::newRow("nominal: GBK trail byte written as ASCII") << gbk + "\\'81@}" << QStringLiteral("\u4e02");
    QTest::newRow("nominal: pair split by a group") << gbk + "\\'d6{\\'d0}}" << QStringLiteral("中");
    QTest::newRow("nominal: pair split by a format change") << gbk + "\\'d6{\\b\\'d0}\\'ce\\'c4}" << QStringLiteral("中文");
    QTest::newRow("nominal: pair split by a line break") << gbk + "\\'d6\r\n\\'d0}" << QStringLiteral("中");
    QTest::newRow("nominal: Big5 by charset 136")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset136 MingLiU;}}\\f1 \\'a4\\'a4\\'a4\\'e5}") << QStringLiteral("中文");
    QTest::newRow("nominal: Shift-JIS by charset 128")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f2\\fcharset128 MS Gothic;}}\\f2 \\'93\\'fa\\'96\\'7b}") << QStringLiteral("日本");
    QTest::newRow("nominal: Korean by charset 129")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset129 Gulim;}}\\f0 \\'c7\\'d1}") << QStringLiteral("한");
    QTest::newRow("nominal: cpg wins over fcharset")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0\\cpg936 X;}}\\f0 \\'d6\\'d0}") << QStringLiteral("中");
    // Mac code pages, as \ansicpg of the document or \cpg of a font.
    QTest::newRow("nominal: Mac Roman") << QByteArray("{\\rtf1\\mac\\ansicpg10000 caf\\'8e}") << QStringLiteral("café");
    QTest::newRow("nominal: Mac Japanese")
        << QByteArray("{\\rtf1\\mac\\ansicpg10001 \\'93\\'fa\\'96\\'7b\\'8c\\'ea}") << QStringLiteral("日本語");
    QTest::newRow("nominal: Mac Traditional Chinese by cpg")
        << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f0\\cpg10002 X;}}\\f0 \\'a4\\'a4\\'a4\\'e5}") << QStringLiteral("中文");
    QTest::newRow("nominal: Mac Korean") << QByteArray("{\\rtf1\\mac\\ansicpg10003 \\'c7\\'d1}") << QStringLiteral("한");
    QTest::newRow("nominal: Mac Simplified Chinese")
        << QByteArray("{\\rtf1\\mac\\ansicpg10008 \\'d6\\'d0\\'ce\\'c4}") << QStringLiteral("中文");
    QTest::newRow("nominal: footnote kept at the end, marked with its number")
        << QByteArray("{\\rtf1 Text{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} The note.} more."
                      "{\\super\\chftn}{\\footnote{\\super\\chftn} Second\\par one.}\\par End.}")
        << QStringLiteral("Text1 more.2\nEnd.\n[1] The note.\n[2] Second one.");
    QTest::newRow("nominal: document code page for charset 1")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset1 X;}}\\f0 \\'c4\\'e0}") << QStringLiteral("Да");
    QTest::newRow("nominal: font switch changes code page")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset134 B;}}\\f0 \\'e9\\f1 \\'d6\\'d0\\f0 \\'e9}")
        << QStringLiteral("é中é");
    QTest::newRow("nominal: unicode with fallback") << QByteArray("{\\rtf1 \\u20013?\\u25991?}") << QStringLiteral("中文");
    QTest::newRow("nominal: negative unicode") << QByteArray("{\\rtf1 a\\u-244?b}") << QStringLiteral("a\uff0cb");
    QTest::newRow("nominal: surrogate pair") << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << QStringLiteral("\U0001F600");
    QTest::newRow("nominal: uc2 skips two bytes")
        << QByteArray("{\\rtf1\\uc2\\u20013\\'d6\\'d0 x}") << QStringLiteral("中 x");
    QTest::newRow("nominal: uc0 skips nothing") << QByteArray("{\\rtf1\\uc0\\u20013 A}") << QStringLiteral("中A");
    QTest::newRow("nominal: uc is scoped to its group")
        << QByteArray("{\\rtf1{\\uc2\\u20013\\'d6\\'d0}\\u20013?}") << QStringLiteral("中中");
    QTest::newRow("nominal: fallback skipping stops at a group end")
        << QByteArray("{\\rtf1\\uc3{\\u20013}xy}") << QStringLiteral("中xy");
    QTest::newRow("nominal: control symbols")
        << QByteArray("{\\rtf1 a\\~b\\-c\\_d\\\\e\\{f\\}}") << QStringLiteral("a\u00a0b\u00adc\u2011d\\e{f}");
    QTest::newRow("nominal: tab and line") << QByteArray("{\\rtf1 a\\tab b\\line c}") << QStringLiteral("a\tb\nc");
    QTest::newRow("nominal: paragraphs") << QByteArray("{\\rtf1 a\\par b\\par}") << QStringLiteral("a\nb");
    QTest::newRow("nominal: CR and LF carry nothing") << QByteArray("{\\rtf1 a\r\nb\nc}") << QStringLiteral("abc");
    QTest::newRow("nominal: space ends a control word only once")
        << QByteArray("{\\rtf1\\b  two}") << QStringLiteral(" two");
    QTest::newRow("nominal: unknown starred destination skipped")
        << QByteArray("{\\rtf1{\\*\\foo hidden {\\bar deeper}}shown}") << QStringLiteral("shown");
    QTest::newRow("nominal: unknown plain word ignored") << QByteArray("{\\rtf1\\foo12 shown}") << QStringLiteral("shown");
    QTest::newRow("nominal: tables of the header skipped")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s0 Normal;}}"
                      "{\\info{\\title T}{\\author A}}body}")
        << QStringLiteral("body");
    QTest::newRow("nominal: binary data is not parsed")
        << QByteArray("{\\rtf1{\\*\\blob\\bin4 }{\\}x}after}") << QStringLiteral("after");
    QTest::newRow("nominal: hyperlink shows its result")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst{HYPERLINK \"http://a.b/\"}}{\\fldrslt{\\ul link}}}}") << QStringLiteral("link");
    QTest::newRow("nominal: shppict preferred over nonshppict")
        << QByteArray("{\\rtf1 a{\\*\\shppict{\\pict\\pngblip 00}}{\\nonshppict{\\pict\\wmetafile8 00}fallback}b}")
        << QStringLiteral("ab");
    QTest::newRow("nominal: Unicode half of upr") << QByteArray("{\\rtf1{\\upr{A}{\\*\\ud{\\u915?}}}}") << QStringLiteral("\u0393");
    QTest::newRow("nominal: hidden text") << QByteArray("{\\rtf1 a{\\v hidden}b}") << QStringLiteral("ab");
    QTest::newRow("nominal: old-style paragraph by backslash newline")
        << QByteArray("{\\rtf1 a\\\nb}") << QStringLiteral("a\nb");
    QTest::newRow("nominal: last paragraph mark starts no empty paragraph")
        << QByteArray("{\\rtf1 a\\par\\par}") << QStringLiteral("a\n");
    QTest::newRow("robustness: truncated file keeps what was read")
        << QByteArray("{\\rtf1 abc {\\b def") << QStringLiteral("abc def");
    QTest::newRow("robustness: truncated escape") << QByteArray("{\\rtf1 ab\\'") << QStringLiteral("ab");
    QTest::newRow("robustness: damaged escape") << QByteArray("{\\rtf1 a\\'zzb}") << QStringLiteral("azzb");
    QTest::newRow("robustness: lead byte without trail byte")
        << QByteArray("{\\rtf1\\ansicpg936 \\'d6\\par x}") << QStringLiteral("\ufffd\nx");
    QTest::newRow("robustness: unknown code page falls back to 1252")
        << QByteArray("{\\rtf1\\ansi\\ansicpg99999 \\'e9}") << QStringLiteral("é");
    QTest::newRow("robustness: unknown font uses document code page")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252\\f7 \\'e9}") << QStringLiteral("é");
    QTest::newRow("robustness: text after the closing brace") << QByteArray("{\\rtf1 a}tail") << QStringLiteral("a");
    QTest::newRow("robustness: stray closing braces") << QByteArray("{\\rtf1 a}}}b") << QStringLiteral("a");
    QTest::newRow("robustness: unicode out of range") << QByteArray("{\\rtf1 \\u99999999?x}") << QStringLiteral("\ufffdx");
    QTest::newRow("robustness: bin longer than the file") << QByteArray("{\\rtf1 a\\bin999999999 xyz") << QStringLiteral("a");
    QTest::newRow("robustness: negative bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << QStringLiteral("ab");
    QTest::newRow("robustness: plain text body") << QByteArray("not {\\rtf at all\nline") << QStringLiteral("not {\\rtf at all\nline");
    QTest::newRow("robustness: empty body") << QByteArray() << QString();
    QTest::newRow("robustness: header only") << QByteArray("{\\rtf1}") << QString();
    QTest::newRow("robustness: UTF-8 byte-order mark before the header")
        << QByteArray("\xef\xbb\xbf{\\rtf1 a}") << QStringLiteral("a");
}

void TestRtfReader::text()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QCOMPARE(textOf(body), expected);
}

void TestRtfReader::characterFormat_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("property");
    QTest::addColumn<QVariant>("expected");

    const QByteArray colors = "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}";
    QTest::newRow("nominal: bold") << QByteArray("{\\rtf1 a{\\b X}}") << int(QTextFormat::FontWeight) << QVariant(int(QFont::Bold));
    QTest::newRow("nominal: bold off by b0")
        << QByteArray("{\\rtf1\\b a\\b0 X}") << int(QTextFormat::FontWeight) << QVariant();
    QTest::newRow("nominal: bold ends with its group")
        << QByteArray("{\\rtf1{\\b a}X}") << int(QTextFormat::FontWeight) << QVariant();
    QTest::newRow("nominal: italic") << QByteArray("{\\rtf1\\i X}") << int(QTextFormat::FontItalic) << QVariant(true);
    QTest::newRow("nominal: underline") << QByteArray("{\\rtf1\\ul X}") << int(QTextFormat::TextUnderlineStyle)
                                        << QVariant(int(QTextCharFormat::SingleUnderline));
    QTest::newRow("nominal: ulnone") << QByteArray("{\\rtf1\\ul a\\ulnone X}") << int(QTextFormat::TextUnderlineStyle)
                                     << QVariant();
    QTest::newRow("nominal: strike") << QByteArray("{\\rtf1\\strike X}") << int(QTextFormat::FontStrikeOut) << QVariant(true);
    QTest::newRow("nominal: font size in half points")
        << QByteArray("{\\rtf1\\fs21 X}") << int(QTextFormat::FontPointSize) << QVariant(10.5);
    QTest::newRow("nominal: default size 12 points")
        << QByteArray("{\\rtf1 X}") << int(QTextFormat::FontPointSize) << QVariant(12.0);
    QTest::newRow("nominal: colour from the table") << colors + "\\cf2 X}" << int(QTextFormat::ForegroundBrush)
                                                    << QVariant(QBrush(QColor(0, 0, 255)));
    QTest::newRow("nominal: colour 0 is automatic") << colors + "\\cf1 a\\cf0 X}" << int(QTextFormat::ForegroundBrush) << QVariant();
    QTest::newRow("nominal: highlight") << colors + "\\highlight1 X}" << int(QTextFormat::BackgroundBrush)
                                        << QVariant(QBrush(QColor(255, 0, 0)));
    QTest::newRow("nominal: superscript") << QByteArray("{\\rtf1\\super X}") << int(QTextFormat::TextVerticalAlignment)
                                          << QVariant(int(QTextCharFormat::AlignSuperScript));
    QTest::newRow("nominal: subscript") << QByteArray("{\\rtf1\\sub X}") << int(QTextFormat::TextVerticalAlignment)
                                        << QVariant(int(QTextCharFormat::AlignSubScript));
    QTest::newRow("nominal: nosupersub") << QByteArray("{\\rtf1\\super a\\nosupersub X}")
                                         << int(QTextFormat::TextVerticalAlignment) << QVariant();
    QTest::newRow("nominal: plain resets") << QByteArray("{\\rtf1\\b\\i\\fs40 a\\plain X}") << int(QTextFormat::FontPointSize)
                                           << QVariant(12.0);
    QTest::newRow("nominal: link target")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"http://x.y/z\"}{\\fldrslt X}}}")
        << int(QTextFormat::AnchorHref) << QVariant(QStringLiteral("http://x.y/z"));
    QTest::newRow("robustness: colour index beyond the table") << colors + "\\cf9 X}" << int(QTextFormat::ForegroundBrush)
                                                               << QVariant();
    QTest::newRow("robustness: huge font size bounded") << QByteArray("{\\rtf1\\fs99999999999 X}")
                                                        << int(QTextFormat::FontPointSize) << QVariant(1638.0);
    QTest::newRow("robustness: zero font size bounded") << QByteArray("{\\rtf1\\fs0 X}") << int(QTextFormat::FontPointSize)
                                                        << QVariant(1.0);
}

void TestRtfReader::characterFormat()
{
    QFETCH(QByteArray, body);
    QFETCH(int, property);
    QFETCH(QVariant, expected);
    QTextDocument doc;
    rtf::readInto(body, &doc);
    const QTextCharFormat f = formatAt(doc, QStringLiteral("X"));
    QVERIFY(f.isValid());
    QCOMPARE(f.property(property), expected);
}

void TestRtfReader::paragraphFormat_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("property");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("nominal: centred") << QByteArray("{\\rtf1\\qc X\\par}") << int(QTextFormat::BlockAlignment)
                                      << QVariant(int(Qt::AlignHCenter));
    QTest::newRow("nominal: right") << QByteArray("{\\rtf1\\qr X}") << int(QTextFormat::BlockAlignment) << QVariant(int(Qt::AlignRight));
    QTest::newRow("nominal: justified") << QByteArray("{\\rtf1\\qj X}") << int(QTextFormat::BlockAlignment)
                                        << QVariant(int(Qt::AlignJustify));
    QTest::newRow("nominal: pard resets alignment")
        << QByteArray("{\\rtf1\\qc a\\par\\pard X}") << int(QTextFormat::BlockAlignment) << QVariant(int(Qt::AlignLeft));
    QTest::newRow("nominal: alignment carries to the next paragraph")
        << QByteArray("{\\rtf1\\qr a\\par X}") << int(QTextFormat::BlockAlignment) << QVariant(int(Qt::AlignRight));
    QTest::newRow("nominal: properties at the mark apply to the paragraph")
        << QByteArray("{\\rtf1 X\\qc\\par}") << int(QTextFormat::BlockAlignment) << QVariant(int(Qt::AlignHCenter));
    QTest::newRow("nominal: left indent in twips") << QByteArray("{\\rtf1\\li720 X}") << int(QTextFormat::BlockLeftMargin)
                                                   << QVariant(48.0);
    QTest::newRow("nominal: right indent") << QByteArray("{\\rtf1\\ri300 X}") << int(QTextFormat::BlockRightMargin)
                                           << QVariant(20.0);
    QTest::newRow("nominal: first-line indent") << QByteArray("{\\rtf1\\fi-360 X}") << int(QTextFormat::TextIndent)
                                                << QVariant(-24.0);
    QTest::newRow("nominal: space before") << QByteArray("{\\rtf1\\sb150 X}") << int(QTextFormat::BlockTopMargin)
                                           << QVariant(10.0);
    QTest::newRow("nominal: space after") << QByteArray("{\\rtf1\\sa150 X}") << int(QTextFormat::BlockBottomMargin)
                                          << QVariant(10.0);
    QTest::newRow("nominal: multiple line spacing") << QByteArray("{\\rtf1\\sl360\\slmult1 X}")
                                                    << int(QTextFormat::LineHeight) << QVariant(150.0);
    QTest::newRow("nominal: exact line spacing") << QByteArray("{\\rtf1\\sl-300\\slmult0 X}")
                                                 << int(QTextFormat::LineHeightType)
                                                 << QVariant(int(QTextBlockFormat::FixedHeight));
    QTest::newRow("robustness: absurd indent bounded") << QByteArray("{\\rtf1\\li2000000000 X}")
                                                       << int(QTextFormat::BlockLeftMargin) << QVariant(2112.0);
}

void TestRtfReader::paragraphFormat()
{
    QFETCH(QByteArray, body);
    QFETCH(int, property);
    QFETCH(QVariant, expected);
    QTextDocument doc;
    rtf::readInto(body, &doc);
    const QTextBlock block = blockWith(doc, QStringLiteral("X"));
    QVERIFY(block.isValid());
    QVariant actual = block.blockFormat().property(property);
    if (property == QTextFormat::BlockAlignment)
        actual = int(block.blockFormat().alignment());
    QCOMPARE(actual, expected);
}

void TestRtfReader::bullets_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("items");
    QTest::addColumn<QString>("text");

    const QByteArray pnBullet = "{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'b7}}";
    QTest::newRow("nominal: rich-edit bullets")
        << QByteArray("{\\rtf1 intro\\par\\pard" + pnBullet + "\\fi-200\\li200 one\\par{\\pntext\\f1\\'b7\\tab}two\\par\\pard after}")
        << int(QTextListFormat::ListDisc) << 2 << QStringLiteral("intro\n•\tone\n•\ttwo\nafter");
    QTest::newRow("nominal: rich-edit numbering")
        << QByteArray("{\\rtf1\\pard{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxta.}}one\\par"
                      "{\\pntext 2.\\tab}two\\par}")
        << int(QTextListFormat::ListDecimal) << 2 << QStringLiteral("1.\tone\n2.\ttwo");
    QTest::newRow("nominal: word list text as bullet")
        << QByteArray("{\\rtf1{\\listtext\\pard\\plain\\f3 \\'b7\\tab}\\pard\\ls1\\ilvl0 one\\par"
                      "{\\listtext\\pard\\plain\\f3 \\'b7\\tab}\\pard\\ls1 two\\par}")
        << int(QTextListFormat::ListDisc) << 2 << QStringLiteral("•\tone\n•\ttwo");
    QTest::newRow("nominal: word numbers stay as written")
        << QByteArray("{\\rtf1{\\listtext\\pard\\plain 10.\\tab}\\pard\\ls2 ten\\par}")
        << int(QTextListFormat::ListStyleUndefined) << 0 << QStringLiteral("10.\tten");
}

void TestRtfReader::bullets()
{
    QFETCH(QByteArray, body);
    QFETCH(int, style);
    QFETCH(int, items);
    QFETCH(QString, text);
    QTextDocument doc;
    rtf::readInto(body, &doc);
    QCOMPARE(rtf::plainText(&doc), text);
    QList<QTextList *> lists;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b.textList() && !lists.contains(b.textList()))
            lists.append(b.textList());
    }
    if (style == QTextListFormat::ListStyleUndefined) {
        QVERIFY(lists.isEmpty());
        return;
    }
    QCOMPARE(lists.size(), 1);
    QCOMPARE(int(lists.first()->format().style()), style);
    QCOMPARE(lists.first()->count(), items);
}

void TestRtfReader::listFollowedByAnotherKind()
{
    // Found by fuzzing: a bullet list, then a numbered item opened and left unfinished at the end
    // of a truncated body. The reader kept a pointer to a list Qt could delete under it.
    const QByteArray body = "{\\rtf1\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1}Bullet\\par\r\n"
                            "{\\pntext\\f1\\'B7\\tab}Bullet 2\\par\r\n\\pard \r\n{\\pntext\\f0 1.\\tab}"
                            "{\\*\\pn\\pnlvlbody\\pnr\r\n}\r\nlast";
    QTextDocument first;
    rtf::readInto(body, &first);
    QTextDocument second;
    rtf::readInto(rtf::write(&first), &second);
    for (const QTextDocument *doc : {&first, &second}) {
        QCOMPARE(rtf::plainText(doc), QStringLiteral("•\tBullet\n•\tBullet 2\n1.\tlast"));
        QVERIFY(doc->lastBlock().textList());
        QCOMPARE(doc->lastBlock().textList()->format().style(), QTextListFormat::ListDecimal);
        QCOMPARE(doc->firstBlock().textList()->count(), 2);
    }
}

void TestRtfReader::table()
{
    QTextDocument doc;
    rtf::readInto(QByteArray("{\\rtf1 before\\par\\trowd\\cellx1500\\cellx4500\\pard\\intbl a\\cell b\\cell\\row"
                             "\\trowd\\cellx1500\\cellx4500\\pard\\intbl c\\par c2\\cell d\\cell\\row\\pard after\\par}"),
                  &doc);
    QTextTable *table = nullptr;
    int blocksBefore = 0;
    for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        if ((table = qobject_cast<QTextTable *>(it.currentFrame())))
            break;
        ++blocksBefore;
    }
    QVERIFY(table);
    QCOMPARE(blocksBefore, 1); // no empty paragraph between the text and the table
    QCOMPARE(table->rows(), 2);
    QCOMPARE(table->columns(), 2);
    const auto cellText = [table](int r, int c) {
        QTextCursor cur = table->cellAt(r, c).firstCursorPosition();
        cur.setPosition(table->cellAt(r, c).lastCursorPosition().position(), QTextCursor::KeepAnchor);
        return cur.selectedText();
    };
    QCOMPARE(cellText(0, 0), QStringLiteral("a"));
    QCOMPARE(cellText(0, 1), QStringLiteral("b"));
    QCOMPARE(cellText(1, 0), QStringLiteral("c\u2029c2"));
    QCOMPARE(cellText(1, 1), QStringLiteral("d"));
    const QList<QTextLength> widths = table->format().columnWidthConstraints();
    QCOMPARE(widths.size(), 2);
    QCOMPARE(widths.at(0).rawValue(), 100.0);
    QCOMPARE(widths.at(1).rawValue(), 200.0);
    QCOMPARE(rtf::plainText(&doc), QStringLiteral("before\na\tb\nc c2\td\nafter"));
}

void TestRtfReader::textBeforeATableStaysOutOfIt()
{
    // The paragraph before the table has no mark of its own: its text must not move into a cell.
    QTextDocument doc;
    rtf::readInto(QByteArray("{\\rtf1 A\\trowd\\cellx1000\\pard\\intbl x\\cell\\row\\pard B}"), &doc);
    QCOMPARE(rtf::plainText(&doc), QStringLiteral("A\nx\nB"));
}

void TestRtfReader::longTableKeepsItsRows_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("tables");
    QTest::newRow("nominal: 1000 rows, one table") << 1000 << QList<int>{1000};
    // Qt rebuilds a table's cell grid on every change of shape; a longer table goes on as tables
    // of at most 1000 rows, or reading grows with the square of the rows.
    QTest::newRow("robustness: 2500 rows, three tables") << 2500 << QList<int>{1000, 1000, 500};
}

void TestRtfReader::longTableKeepsItsRows()
{
    QFETCH(int, rows);
    QFETCH(QList<int>, tables);
    // Rows are added in batches while reading; the tables must end with exactly the rows written.
    QByteArray body = "{\\rtf1\\trowd\\cellx1000\\cellx2000 ";
    for (int r = 0; r < rows; ++r)
        body += "\\intbl r" + QByteArray::number(r) + "\\cell x\\cell\\row ";
    QByteArray withText = body + "\\pard after}";
    body += "}";
    for (const QByteArray &b : {body, withText}) {
        QTextDocument doc;
        rtf::readInto(b, &doc);
        QList<int> sizes;
        int row = 0;
        for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
            auto *table = qobject_cast<QTextTable *>(it.currentFrame());
            if (!table)
                continue;
            sizes << table->rows();
            QCOMPARE(table->columns(), 2);
            for (int r = 0; r < table->rows(); ++r, ++row) {
                QTextCursor cell = table->cellAt(r, 0).firstCursorPosition();
                cell.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
                QCOMPARE(cell.selectedText(), QStringLiteral("r%1").arg(row));
            }
        }
        QCOMPARE(sizes, tables);
    }
}

void TestRtfReader::longBulletListStaysBulleted()
{
    // Very long lists are split into lists of the same kind while reading; every item keeps its
    // bullet and its place.
    QByteArray body = "{\\rtf1\\pard{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt}";
    QString expected;
    for (int i = 0; i < 2500; ++i) {
        body += "i" + QByteArray::number(i) + "\\par{\\pntext\\'b7\\tab}";
        expected += QStringLiteral("•\ti%1\n").arg(i);
    }
    body += "\\pard end}";
    QTextDocument doc;
    rtf::readInto(body, &doc);
    QCOMPARE(rtf::plainText(&doc), expected + QStringLiteral("end"));
    QCOMPARE(doc.firstBlock().textList()->format().style(), QTextListFormat::ListDisc);
}

void TestRtfReader::fontNameInCodePage()
{
    QTextDocument doc;
    rtf::readInto(QByteArray("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                             "\\f0 X}"),
                  &doc);
    QCOMPARE(formatAt(doc, QStringLiteral("X")).fontFamilies().toStringList(), QStringList{QStringLiteral("宋体")});
    QCOMPARE(rtf::documentCodePage(&doc), 936);
}

void TestRtfReader::storedTextBody_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nominal: RTF stored as text") << QStringLiteral("{\\rtf1 \\u20013?}") << QStringLiteral("中");
    QTest::newRow("robustness: non-ASCII characters inside RTF text")
        << QStringLiteral("{\\rtf1\\ansicpg936 中文 é}") << QStringLiteral("中文 é");
    QTest::newRow("nominal: plain text note") << QStringLiteral("第一行\n第二行") << QStringLiteral("第一行\n第二行");
    QTest::newRow("robustness: byte-order mark before RTF text") << QStringLiteral("\ufeff{\\rtf1 a}") << QStringLiteral("a");
}

void TestRtfReader::storedTextBody()
{
    QFETCH(QString, body);
    QFETCH(QString, expected);
    QTextDocument doc;
    rtf::readInto(body, &doc);
    QCOMPARE(rtf::plainText(&doc), expected);
}

void TestRtfReader::manyLargePlaceholdersStaySmall()
{
    // Each metafile differs, so none shares an image; each claims 2000 by 2000 pixels.
    QByteArray body = "{\\rtf1 ";
    for (int i = 0; i < 300; ++i)
        body += "{\\pict\\wmetafile8\\picwgoal30000\\pichgoal30000 " + QByteArray::number(100000 + i) + "}";
    body += "}";
    QTextDocument doc;
    rtf::readInto(body, &doc);
    QTextCursor c(&doc);
    c.setPosition(1);
    const QTextImageFormat f = c.charFormat().toImageFormat();
    QCOMPARE(f.width(), 2000.0);
    const QImage shown = doc.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
    QVERIFY(!shown.isNull());
    QVERIFY(shown.width() <= 160 && shown.height() <= 160);
    QCOMPARE(doc.characterCount(), 301);
}

void TestRtfReader::boundsOnHostileInput_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("mustContain");
    QTest::newRow("robustness: very deep nesting")
        << QByteArray("{\\rtf1 a") + QByteArray(200000, '{') + "b" + QByteArray(200000, '}') + "c}" << QStringLiteral("abc");
    QTest::newRow("robustness: deep nesting with a skipped destination beyond the depth kept")
        << QByteArray("{\\rtf1 a") + QByteArray(5000, '{') + "{\\*\\x hidden}b" + QByteArray(5000, '}') + "c}"
        << QStringLiteral("abc");
    QTest::newRow("robustness: huge picture dimensions")
        << QByteArray("{\\rtf1 a{\\pict\\wbitmap0\\picw2000000000\\pich2000000000\\picbpp32 00ff}b}") << QStringLiteral("ab");
    QTest::newRow("robustness: many columns")
        << QByteArray("{\\rtf1\\trowd") + QByteArray("\\cellx100").repeated(500) + "\\intbl " + QByteArray("x\\cell ").repeated(500)
               + "\\row}"
        << QStringLiteral("x");
    QTest::newRow("robustness: long control word")
        << QByteArray("{\\rtf1 a\\") + QByteArray(10000, 'z') + " b}" << QStringLiteral("ab");
}

void TestRtfReader::boundsOnHostileInput()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, mustContain);
    QTextDocument doc;
    rtf::readInto(body, &doc);
    QString text = rtf::plainText(&doc);
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    QVERIFY2(text.startsWith(mustContain.left(1)) && text.contains(mustContain.right(1)), qPrintable(text.left(80)));
    if (mustContain == QLatin1String("abc"))
        QCOMPARE(text, mustContain);
}

void TestRtfReader::previewOfALongBody_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("cut");
    const QString head = QStringLiteral("{\\rtf1\\ansi ");
    QTest::newRow("nominal: short body shown whole") << head + QStringLiteral("a\\par b}") << false;
    QTest::newRow("robustness: many paragraphs")
        << head + QStringLiteral("some text\\par ").repeated(30000) + u'}' << true;
    QTest::newRow("robustness: many table rows")
        << head + QStringLiteral("\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell\\row ").repeated(12000) + u'}'
        << true;
    QTest::newRow("robustness: one long paragraph") << head + QString(600000, u'x') + u'}' << true;
    QTest::newRow("robustness: long plain text") << QString(600000, u'y') << true;
}

// The preview shows the beginning of a body too long to show quickly, and says so; reading for
// the editor keeps everything.
void TestRtfReader::previewOfALongBody()
{
    QFETCH(QString, body);
    QFETCH(bool, cut);
    const QString note = QStringLiteral("（记事太长，这里只显示了开头部分。）");
    QTextDocument whole, shown;
    rtf::readInto(body, &whole);
    QCOMPARE(rtf::readPreview(body, &shown), cut);
    const QString all = rtf::plainText(&whole), part = rtf::plainText(&shown);
    QVERIFY(!all.contains(note));
    if (!cut) {
        QCOMPARE(part, all);
        return;
    }
    QVERIFY(part.endsWith(note));
    QVERIFY2(shown.characterCount() < 600000, qPrintable(QString::number(shown.characterCount())));
    QVERIFY(shown.blockCount() < 30000);
    // What is shown is the body's beginning, as the whole read has it.
    const QString begin = part.left(part.size() - note.size() - 1);
    QVERIFY(begin.size() > 1000);
    QCOMPARE(all.left(begin.size() - 200), begin.left(begin.size() - 200));
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
