#include "exchange/TextFileCodec.h"
#include "editor/dTxtHelper.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QImage>
#include <QMimeData>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QUrl>
#include <QtTest>

#include <memory>

class TxtHelperTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTextEdit> m_edit;
    dTxtHelper m_helper;
    QTemporaryDir m_dir;

    void setText(const QString &text) { m_edit->setPlainText(text); }
    void select(int start, int length)
    {
        QTextCursor c = m_edit->textCursor();
        c.setPosition(start);
        c.setPosition(start + length, QTextCursor::KeepAnchor);
        m_edit->setTextCursor(c);
    }
    QString writeBytes(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return QString();
        return path;
    }
    QByteArray readBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Top of the caret in document coordinates, so scrolling does not move it.
    int docTop(const QTextCursor &c) { return m_edit->cursorRect(c).top() + m_edit->verticalScrollBar()->value(); }
    // Tops of the caret at every position: what the user sees as lines, measured apart from the helper.
    QList<int> visualLineTops()
    {
        QList<int> tops;
        QTextCursor c(m_edit->document());
        const int end = m_edit->document()->characterCount() - 1;
        for (int pos = 0; pos <= end; ++pos) {
            c.setPosition(pos);
            const int top = docTop(c);
            if (!tops.contains(top))
                tops.append(top);
        }
        return tops;
    }

private Q_SLOTS:
    void init()
    {
        m_edit = std::make_unique<QTextEdit>();
        m_edit->resize(400, 200);
        m_edit->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_edit.get()));
        m_helper = dTxtHelper();
        m_helper.SetEditor(m_edit.get());
    }
    void cleanup() { m_edit.reset(); }

    void convert_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("expected");

        QTest::newRow("nominal: upper case of the whole text") << "aBc dEf" << 0 << 0 << 0 << "ABC DEF";
        QTest::newRow("nominal: lower case of a selection") << "HELLO WORLD" << 0 << 5 << 1 << "hello WORLD";
        QTest::newRow("nominal: proper case") << "hello WORLD" << 0 << 0 << 2 << "Hello World";
        QTest::newRow("nominal: proper case keeps apostrophes inside a word") << "don't STOP" << 0 << 0 << 2
                                                                              << "Don't Stop";
        QTest::newRow("nominal: swap case") << "aBc1" << 0 << 0 << 3 << "AbC1";
        QTest::newRow("nominal: three selected characters") << "abcdef" << 1 << 3 << 0 << "aBCDef";
        QTest::newRow("nominal: over a paragraph break") << "ab\ncd" << 1 << 3 << 0 << "aB\nCd";
        QTest::newRow("robustness: unknown mode changes nothing") << "aBc" << 0 << 2 << 7 << "aBc";
        QTest::newRow("robustness: Chinese next to letters survives a swap") << "中文abc記事" << 0 << 0 << 3
                                                                           << "中文ABC記事";
        QTest::newRow("robustness: characters outside the basic plane") << "x\U0001F600y" << 0 << 0 << 0
                                                                        << "X\U0001F600Y";
        QTest::newRow("robustness: empty text") << "" << 0 << 0 << 0 << "";
    }
    void convert()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(int, mode);
        QFETCH(QString, expected);
        setText(text);
        select(selStart, selLength);
        m_helper.Convert(mode);
        QCOMPARE(m_edit->toPlainText(), expected);
        const QTextCursor c = m_edit->textCursor();
        // The same range is selected again; with nothing selected nothing is selected after.
        QCOMPARE(c.selectionStart(), selStart);
        QCOMPARE(c.selectionEnd() - c.selectionStart(), selLength);
    }

    void convertKeepsFormattingAndPictures()
    {
        setText(QStringLiteral("bold plain"));
        QTextCursor c(m_edit->document());
        c.setPosition(0);
        c.setPosition(4, QTextCursor::KeepAnchor);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        c.mergeCharFormat(bold);
        c.setPosition(10);
        QImage img(8, 8, QImage::Format_RGB32);
        img.fill(Qt::red);
        m_edit->document()->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pic")), img);
        QTextImageFormat pic;
        pic.setName(QStringLiteral("pic"));
        c.insertImage(pic);
        select(10, 0);

        m_helper.Convert(0);

        QCOMPARE(m_edit->toPlainText(), QStringLiteral("BOLD PLAIN") + QChar::ObjectReplacementCharacter);
        QTextCursor probe(m_edit->document());
        probe.setPosition(2);
        QCOMPARE(probe.charFormat().fontWeight(), int(QFont::Bold));
        probe.setPosition(7);
        QCOMPARE(probe.charFormat().fontWeight(), int(QFont::Normal));
        probe.setPosition(11);
        QVERIFY(probe.charFormat().isImageFormat());
        QCOMPARE(m_edit->textCursor().position(), 10);
    }

    void lines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<int>("lineIndex");
        QTest::addColumn<int>("lineLength");

        QTest::newRow("nominal: empty control") << "" << 0 << 0 << 1 << 1 << 1;
        QTest::newRow("nominal: caret on the third line") << "a\nbb\nccc" << 5 << 0 << 3 << 3 << 4;
        QTest::newRow("nominal: selection ending on the third line") << "a\nbb\nccc" << 0 << 6 << 3 << 3 << 2;
        QTest::newRow("nominal: caret at the very end") << "a\nbb\n" << 5 << 0 << 3 << 3 << 1;
        QTest::newRow("nominal: Chinese text") << "中文\n记事本" << 4 << 0 << 2 << 2 << 4;
    }
    void lines()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(int, lineCount);
        QFETCH(int, lineIndex);
        QFETCH(int, lineLength);
        setText(text);
        select(selStart, selLength);
        QCOMPARE(m_helper.LineCount(), lineCount);
        QCOMPARE(m_helper.LineIndex(), lineIndex);
        QCOMPARE(m_helper.LineLength(), lineLength);
    }

    void wrappedLinesCountAsTheUserSeesThem()
    {
        m_edit->resize(140, 200);
        QString text;
        for (int i = 0; i < 30; ++i)
            text += QStringLiteral("word%1 ").arg(i);
        setText(text + QStringLiteral("\nlast"));
        const QList<int> tops = visualLineTops();
        QVERIFY2(tops.size() > 4, "the paragraph should wrap in a narrow box");
        QCOMPARE(m_helper.LineCount(), tops.size());

        // GotoLine and GetLineText agree with the caret's position on screen.
        for (int line = 1; line <= tops.size(); ++line) {
            m_helper.setGotoLine(line);
            QCOMPARE(m_helper.GotoLine(), line);
            QCOMPARE(docTop(m_edit->textCursor()), tops.at(line - 1));
            const int start = m_edit->textCursor().position();
            if (start > 0) {
                QTextCursor before(m_edit->document());
                before.setPosition(start - 1);
                QVERIFY(docTop(before) < tops.at(line - 1)
                        || m_edit->document()->findBlock(start - 1) != m_edit->document()->findBlock(start));
            }
            QCOMPARE(m_helper.LineIndex(), line);
            const QString lineText = m_helper.GetLineText(line);
            QVERIFY(text.contains(lineText.trimmed()) || lineText == QLatin1String("last"));
        }
        QCOMPARE(m_helper.GetLineText(tops.size()), QStringLiteral("last"));
        // Joined, the wrapped lines give back the paragraph.
        QString joined;
        for (int line = 1; line < tops.size(); ++line)
            joined += m_helper.GetLineText(line);
        QCOMPARE(joined, text);
    }

    void wordWrap_data()
    {
        QTest::addColumn<bool>("wrap");
        QTest::newRow("nominal: wrapping on") << true;
        QTest::newRow("nominal: wrapping off") << false;
    }
    void wordWrap()
    {
        QFETCH(bool, wrap);
        m_edit->resize(140, 200);
        setText(QString(20, QLatin1Char(' ')).replace(QLatin1Char(' '), QStringLiteral("word ")) + "\nend");
        m_helper.WordWrap(!wrap);
        m_helper.WordWrap(wrap);
        QCOMPARE(m_helper.LineCount() > 2, wrap);
        QCOMPARE(m_helper.LineCount(), visualLineTops().size());
        m_helper.WordWrap(true);
    }

    void tabStops_data()
    {
        QTest::addColumn<int>("distance");
        QTest::addColumn<int>("units");
        QTest::newRow("nominal: 16 dialog units") << 16 << 16;
        QTest::newRow("nominal: 64 dialog units") << 64 << 64;
        QTest::newRow("robustness: 0 gives the default of 32") << 0 << 32;
    }
    void tabStops()
    {
        QFETCH(int, distance);
        QFETCH(int, units);
        m_helper.TabStops(distance);
        const qreal quarter = QFontMetricsF(m_edit->document()->defaultFont()).averageCharWidth() / 4.0;
        QCOMPARE(m_edit->tabStopDistance(), units * quarter);
    }

    void gotoLine_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("caret");

        QTest::newRow("nominal: first line") << 1 << 0;
        QTest::newRow("nominal: second line") << 2 << 4;
        QTest::newRow("nominal: last line") << 3 << 8;
        QTest::newRow("robustness: past the last line keeps the caret") << 9 << 2;
    }
    void gotoLine()
    {
        QFETCH(int, line);
        QFETCH(int, caret);
        setText(QStringLiteral("abc\ndef\nghi"));
        select(2, 0);
        m_helper.setGotoLine(line);
        QCOMPARE(m_edit->textCursor().position(), caret);
        QVERIFY(!m_edit->textCursor().hasSelection());
        QCOMPARE(m_helper.GotoLine(), line);
    }

    void getLineText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("expected");

        QTest::newRow("nominal: first line") << "abc\ndef" << 1 << "abc";
        QTest::newRow("nominal: second line") << "abc\ndef" << 2 << "def";
        QTest::newRow("nominal: empty line") << "abc\n\ndef" << 2 << "";
        QTest::newRow("nominal: Chinese") << "标题\n正文内容" << 2 << "正文内容";
        QTest::newRow("robustness: line past the end") << "abc" << 3 << "";
        QTest::newRow("robustness: line zero") << "abc" << 0 << "";
        QTest::newRow("robustness: long line is cut at 255") << QString(300, QLatin1Char('x')) << 1
                                                             << QString(255, QLatin1Char('x'));
    }
    void getLineText()
    {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(QString, expected);
        // Wide enough that the long line stays one line.
        m_helper.WordWrap(false);
        setText(text);
        QCOMPARE(m_helper.GetLineText(line), expected);
    }

    void canPaste_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("expected");
        QTest::newRow("nominal: text") << "text" << true;
        QTest::newRow("robustness: empty text") << "empty" << false;
        QTest::newRow("robustness: picture only") << "image" << false;
    }
    void canPaste()
    {
        QFETCH(QString, kind);
        QFETCH(bool, expected);
        QClipboard *cb = QGuiApplication::clipboard();
        if (kind == QLatin1String("text")) {
            cb->setText(QStringLiteral("x"));
        } else if (kind == QLatin1String("empty")) {
            cb->setText(QString());
        } else {
            QImage img(4, 4, QImage::Format_RGB32);
            img.fill(Qt::blue);
            cb->setImage(img);
        }
        QCOMPARE(m_helper.CanPaste(), expected);
    }

    void clipboardAndUndo()
    {
        setText(QStringLiteral("cut me"));
        m_helper.SelectText(0, 3);
        m_helper.Cut();
        QCOMPARE(m_edit->toPlainText(), QStringLiteral(" me"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("cut"));
        QVERIFY(m_helper.CanUndo());
        QVERIFY(!m_helper.CanReDo());
        m_helper.Undo();
        QCOMPARE(m_edit->toPlainText(), QStringLiteral("cut me"));
        QVERIFY(m_helper.CanReDo());
        m_helper.SelectAll();
        QCOMPARE(m_edit->textCursor().selectedText(), QStringLiteral("cut me"));
        m_helper.setSelPos(4);
        QCOMPARE(m_helper.SelPos(), 4);
        m_helper.SelectText(4, 2);
        m_helper.Clear();
        QCOMPARE(m_edit->toPlainText(), QStringLiteral("cut "));
        m_helper.setSelPos(0);
        m_helper.Paste();
        QCOMPARE(m_edit->toPlainText(), QStringLiteral("cutcut "));
    }

    void visibleLine()
    {
        QStringList lines;
        for (int i = 0; i < 200; ++i)
            lines << QString::number(i);
        setText(lines.join(QLatin1Char('\n')));
        m_edit->verticalScrollBar()->setValue(0);
        QCOMPARE(m_helper.VisableLine(), 0);
        m_edit->verticalScrollBar()->setValue(m_edit->verticalScrollBar()->maximum());
        const int first = m_helper.VisableLine();
        QVERIFY(first > 100);
        // The line at the top of the viewport is the one the helper names.
        const QTextCursor top = m_edit->cursorForPosition(QPoint(5, 2));
        QCOMPARE(top.block().text(), QString::number(first));
    }

    void foreColor()
    {
        setText(QStringLiteral("one\ntwo"));
        select(1, 2);
        m_helper.ForeColor(0x0000FF); // red in 0x00BBGGRR
        QTextCursor probe(m_edit->document());
        for (int pos : {1, 3, 6}) {
            probe.setPosition(pos);
            QCOMPARE(probe.charFormat().foreground().color(), QColor(255, 0, 0));
        }
        QCOMPARE(m_edit->textCursor().position(), 0);
        QVERIFY(!m_edit->textCursor().hasSelection());
    }

    void loadFromFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");

        const QString chinese = QStringLiteral("中文记事本\n第二行");
        QTest::newRow("nominal: UTF-8 without byte-order mark") << chinese.toUtf8() << "C" << chinese;
        QTest::newRow("nominal: UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBF") + chinese.toUtf8()
                                                             << "en_US" << chinese;
        QTest::newRow("nominal: GB18030 in a Chinese locale")
            << exchange::encodeWith(chinese, "GB18030") << "zh_CN" << chinese;
        QTest::newRow("nominal: GB18030 four-byte character") << exchange::encodeWith(QStringLiteral("𠀀"), "GB18030")
                                                               << "zh_CN" << QStringLiteral("𠀀");
        QTest::newRow("nominal: Big5 in Taiwan") << exchange::encodeWith(QStringLiteral("記事本"), "Big5") << "zh_TW"
                                                 << QStringLiteral("記事本");
        QTest::newRow("nominal: GBK outside a Chinese locale (C)") << exchange::encodeWith(chinese, "GB18030") << "C"
                                                                  << chinese;
        QTest::newRow("nominal: GBK outside a Chinese locale (Russian)")
            << exchange::encodeWith(chinese, "GB18030") << "ru_RU" << chinese;
        QTest::newRow("nominal: Shift_JIS in Japan") << exchange::encodeWith(QStringLiteral("日本語のメモ"), "Shift_JIS")
                                                     << "ja_JP" << QStringLiteral("日本語のメモ");
        QTest::newRow("robustness: no GB18030, so the Russian code page")
            << exchange::encodeWith(QStringLiteral("Щ."), "windows-1251") << "ru_RU" << QStringLiteral("Щ.");
        QTest::newRow("nominal: windows-1252 in an English locale") << QByteArray("caf\xE9") << "en_US"
                                                                    << QStringLiteral("café");
        QTest::newRow("nominal: UTF-16 with byte-order mark")
            << QByteArray("\xFF\xFE\x2D\x4E\x61\x00", 6) << "C" << QStringLiteral("中a");
        QTest::newRow("robustness: empty file") << QByteArray() << "zh_CN" << QString();
    }
    void loadFromFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        m_edit->setHtml(QStringLiteral("<b>old</b> content"));
        const QString path = writeBytes(QStringLiteral("in.txt"), bytes);
        QVERIFY(!path.isEmpty());
        m_helper.setLegacyLocale(QLocale(locale));
        QVERIFY(m_helper.LoadFromFile(path));
        QCOMPARE(m_edit->toPlainText(), expected);
        // The old formatting is gone with the old text.
        QTextCursor probe(m_edit->document());
        probe.movePosition(QTextCursor::End);
        QVERIFY(probe.charFormat().fontWeight() != QFont::Bold);
    }

    void loadMissingFileChangesNothing()
    {
        setText(QStringLiteral("keep me"));
        QVERIFY(!m_helper.LoadFromFile(m_dir.filePath(QStringLiteral("missing.txt"))));
        QVERIFY(!m_helper.errorString().isEmpty());
        QCOMPARE(m_edit->toPlainText(), QStringLiteral("keep me"));
    }

    void saveToFile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<bool>("selectionOnly");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("nominal: whole text as UTF-8") << "中文\nabc" << 0 << 0 << false
                                                      << QStringLiteral("中文\nabc").toUtf8();
        QTest::newRow("nominal: selection over a paragraph break") << "中文\nabc" << 1 << 4 << true
                                                                   << QStringLiteral("文\nab").toUtf8();
        QTest::newRow("robustness: nothing selected writes an empty file") << "abc" << 1 << 0 << true
                                                                            << QByteArray();
    }
    void saveToFile()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(bool, selectionOnly);
        QFETCH(QByteArray, expected);
        setText(text);
        select(selStart, selLength);
        const QString path = m_dir.filePath(QStringLiteral("out.txt"));
        writeBytes(QStringLiteral("out.txt"), "previous content that is longer");
        QVERIFY(selectionOnly ? m_helper.SaveSelection(path) : m_helper.SaveToFile(path));
        QCOMPARE(readBytes(path), expected);
        // What we write we read back unchanged, whatever the locale.
        m_helper.setLegacyLocale(QLocale(QStringLiteral("zh_CN")));
        QVERIFY(m_helper.LoadFromFile(path));
        QCOMPARE(m_edit->toPlainText(), QString::fromUtf8(expected));
    }

    void saveIntoMissingFolderFails()
    {
        setText(QStringLiteral("abc"));
        QVERIFY(!m_helper.SaveToFile(m_dir.filePath(QStringLiteral("no/such/folder/out.txt"))));
        QVERIFY(!m_helper.errorString().isEmpty());
    }

    void legacyCodePage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("nominal: mainland China") << "zh_CN" << QByteArray("GB18030");
        QTest::newRow("nominal: Singapore Chinese") << "zh_SG" << QByteArray("GB18030");
        QTest::newRow("nominal: Hong Kong") << "zh_HK" << QByteArray("Big5");
        QTest::newRow("nominal: Russian") << "ru_RU" << QByteArray("windows-1251");
        QTest::newRow("nominal: Japanese") << "ja_JP" << QByteArray("Shift_JIS");
        QTest::newRow("robustness: C locale") << "C" << QByteArray("windows-1252");
    }
    void legacyCodePage()
    {
        QFETCH(QString, locale);
        QFETCH(QByteArray, expected);
        QCOMPARE(exchange::legacyCodePageName(QLocale(locale)), expected);
    }

    void unboundHelperDoesNothing()
    {
        dTxtHelper unbound;
        unbound.Convert(0);
        unbound.SelectAll();
        QCOMPARE(unbound.LineCount(), 0);
        QCOMPARE(unbound.GetLineText(1), QString());
        QVERIFY(!unbound.LoadFromFile(m_dir.filePath(QStringLiteral("x.txt"))));
        QVERIFY(!unbound.SaveToFile(m_dir.filePath(QStringLiteral("x.txt"))));
    }
};

QTEST_MAIN(TxtHelperTest)
#include "tst_txthelper.moc"
