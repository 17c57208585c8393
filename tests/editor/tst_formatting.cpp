#include "EditorTesting.h"

#include "rtf/Rtf.h"
#include "settings/DateText.h"

#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QImageWriter>
#include <QMimeData>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>

#include "exchange/TextFileCodec.h"

class FormattingTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<EditorFixture> f;
    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return QString();
        return path;
    }
    static QByteArray pictureBytes(int w, int h, const char *format)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(QColor(30, 120, 200));
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        QImageWriter writer(&buf, format);
        return writer.write(img) ? bytes : QByteArray();
    }
    QStringList checkedAlignment() const
    {
        QStringList on;
        for (const char *key : {"M_LEFT", "M_CENTER", "M_RIGHT"})
            if (f->button(key)->isChecked())
                on << QString::fromLatin1(key);
        return on;
    }
    // Body "plain BOLD under": plain 10 pt, BOLD bold italic 14 pt in the list's fourth font, under
    // underlined 12 pt.
    void buildMixedBody()
    {
        QTextEdit *body = f->body();
        body->clear();
        QTextCursor c(body->document());
        QTextCharFormat plain;
        plain.setFontPointSize(10);
        plain.setFontFamilies(QStringList{f->combo("cboFont")->itemText(2)});
        c.insertText(QStringLiteral("plain "), plain);
        QTextCharFormat bold = plain;
        bold.setFontWeight(QFont::Bold);
        bold.setFontItalic(true);
        bold.setFontPointSize(14);
        bold.setFontFamilies(QStringList{f->combo("cboFont")->itemText(3)});
        c.insertText(QStringLiteral("BOLD"), bold);
        QTextCharFormat under = plain;
        under.setFontUnderline(true);
        under.setFontPointSize(12);
        c.insertText(QStringLiteral(" under"), plain);
        c.insertText(QStringLiteral(" odd"), [&] { QTextCharFormat o = plain; o.setFontPointSize(13); return o; }());
        c.setPosition(11);
        c.setPosition(16, QTextCursor::KeepAnchor);
        c.mergeCharFormat(under);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        f = std::make_unique<EditorFixture>();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup() { f.reset(); }

    void alignmentGroup_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<int>("alignment");
        QTest::newRow("nominal: centre") << QStringList{"M_CENTER"} << "M_CENTER" << int(Qt::AlignHCenter);
        QTest::newRow("nominal: centre twice stays pressed") << QStringList{"M_CENTER", "M_CENTER"} << "M_CENTER"
                                                             << int(Qt::AlignHCenter);
        QTest::newRow("nominal: right") << QStringList{"M_RIGHT"} << "M_RIGHT" << int(Qt::AlignRight);
        QTest::newRow("nominal: right then left") << QStringList{"M_RIGHT", "M_LEFT"} << "M_LEFT"
                                                  << int(Qt::AlignLeft);
        QTest::newRow("robustness: left while already left") << QStringList{"M_LEFT"} << "M_LEFT"
                                                             << int(Qt::AlignLeft);
    }
    void alignmentGroup()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QString, pressed);
        QFETCH(int, alignment);
        f->open(true);
        f->body()->setPlainText(QStringLiteral("one\ntwo\nthree"));
        f->select(1, 4); // paragraphs one and two
        for (const QString &key : clicks)
            f->button(key.toLatin1().constData())->trigger();
        QCOMPARE(checkedAlignment(), QStringList{pressed});
        const QTextDocument *doc = f->body()->document();
        QCOMPARE(int(doc->findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask), alignment);
        QCOMPARE(int(doc->findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask), alignment);
        // The paragraph outside the selection keeps its alignment.
        QCOMPARE(int(doc->findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask),
                 int(Qt::AlignLeft));
    }

    void clickIntoAParagraphShowsItsAlignment_data()
    {
        QTest::addColumn<int>("block");
        QTest::addColumn<QString>("pressed");
        QTest::newRow("nominal: right-aligned paragraph") << 0 << "M_RIGHT";
        QTest::newRow("nominal: centred paragraph") << 1 << "M_CENTER";
        QTest::newRow("nominal: left-aligned paragraph") << 2 << "M_LEFT";
    }
    void clickIntoAParagraphShowsItsAlignment()
    {
        QFETCH(int, block);
        QFETCH(QString, pressed);
        // A stored note with its three alignments, opened for an edit.
        QTextDocument stored;
        QTextCursor w(&stored);
        w.insertText(QStringLiteral("right side"));
        w.insertBlock();
        w.insertText(QStringLiteral("centre"));
        w.insertBlock();
        w.insertText(QStringLiteral("left"));
        for (const auto &[number, alignment] : {std::pair{0, Qt::AlignRight}, std::pair{1, Qt::AlignHCenter},
                                                std::pair{2, Qt::AlignLeft}}) {
            QTextCursor c(stored.findBlockByNumber(number));
            QTextBlockFormat bf;
            bf.setAlignment(alignment);
            c.mergeBlockFormat(bf);
        }
        f->stored.NoteTitle = QStringLiteral("t");
        f->stored.NoteBody = rtf::writeText(&stored);
        f->open(false);
        QTextEdit *body = f->body();
        if (block == 2) { // start from another button state so the click has something to change
            f->button("M_LEFT")->setChecked(false);
            f->button("M_RIGHT")->setChecked(true);
        }
        const QTextBlock target = body->document()->findBlockByNumber(block);
        QTextCursor at(target);
        at.setPosition(target.position() + 2);
        QTest::mouseClick(body->viewport(), Qt::LeftButton, {}, body->cursorRect(at).center());
        QCOMPARE(body->textCursor().block().blockNumber(), block);
        QCOMPARE(checkedAlignment(), QStringList{pressed});
        // Looking is no edit: nothing to undo, nothing to ask about when leaving.
        QVERIFY(!body->document()->isUndoAvailable());
        QVERIFY(!body->document()->isModified());
        QTest::keyClick(body, Qt::Key_Escape);
        QVERIFY(f->prompter.messages.isEmpty());
        QVERIFY(!f->dlg->isVisible());
    }

    void selectionRefresh_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("presetPressed");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<bool>("underline");
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("font");

        // The size list is preset to "72" and the font list to item 0, so unchanged values show.
        QTest::newRow("nominal: plain selection") << 0 << 5 << true << false << false << false << "10" << 2;
        QTest::newRow("nominal: bold selection") << 6 << 4 << false << true << true << false << "14" << 3;
        QTest::newRow("nominal: caret inside bold text") << 8 << 0 << false << true << true << false << "14" << 3;
        QTest::newRow("nominal: underlined selection") << 11 << 5 << true << false << false << true << "12" << 2;
        // "in BO": bold, italic, size and font are mixed; underline is off throughout.
        QTest::newRow("robustness: mixed selection keeps pressed") << 3 << 5 << true << true << true << false
                                                                   << "72" << 0;
        QTest::newRow("robustness: mixed selection keeps released") << 3 << 5 << false << false << false << false
                                                                    << "72" << 0;
        QTest::newRow("robustness: size not in the list shows the first") << 17 << 3 << true << false << false
                                                                          << false << "8" << 2;
    }
    void selectionRefresh()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(bool, presetPressed);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFETCH(bool, underline);
        QFETCH(QString, size);
        QFETCH(int, font);
        f->open(true);
        buildMixedBody();
        f->select(0, 0);
        for (const char *key : {"M_BOLD", "M_ITALIC", "M_UNDERLINE"})
            f->button(key)->setChecked(presetPressed);
        f->combo("cboSize")->setCurrentIndex(15);
        f->combo("cboFont")->setCurrentIndex(0);
        const QString before = f->body()->document()->toHtml();
        f->select(start, length);
        QCOMPARE(f->button("M_BOLD")->isChecked(), bold);
        QCOMPARE(f->button("M_ITALIC")->isChecked(), italic);
        QCOMPARE(f->button("M_UNDERLINE")->isChecked(), underline);
        QCOMPARE(f->combo("cboSize")->currentText(), size);
        QCOMPARE(f->combo("cboFont")->currentIndex(), font);
        // Showing the selection's formatting does not change it.
        QCOMPARE(f->body()->document()->toHtml(), before);
    }

    void fontListShowsTheStandInOfAMissingFont()
    {
        f->open(true);
        // The database may name the stand-in with its foundry ("Nimbus Sans [urw]"); the list has it bare.
        const QString actual = QFontInfo(QFont(QStringLiteral("Arial"))).family().section(QStringLiteral(" ["), 0, 0);
        // The new note's default font is Arial; where the system draws it with another font, that one shows.
        QCOMPARE(f->combo("cboFont")->currentText().toLower(), actual.toLower());
        f->combo("cboFont")->setCurrentIndex(f->combo("cboFont")->count() - 1);
        f->body()->setPlainText(QStringLiteral("text"));
        f->select(1, 2);
        QVERIFY(f->combo("cboFont")->currentText().startsWith(actual, Qt::CaseInsensitive));
    }

    void characterButtons_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("nominal: bold") << "M_BOLD";
        QTest::newRow("nominal: italic") << "M_ITALIC";
        QTest::newRow("nominal: underline") << "M_UNDERLINE";
    }
    void characterButtons()
    {
        QFETCH(QString, key);
        f->open(true);
        f->body()->setPlainText(QStringLiteral("abc def"));
        f->select(4, 3);
        QAction *button = f->button(key.toLatin1().constData());
        const auto attribute = [&](int pos) {
            QTextCursor c(f->body()->document());
            c.setPosition(pos);
            const QTextCharFormat fmt = c.charFormat();
            return key == QLatin1String("M_BOLD") ? fmt.fontWeight() == QFont::Bold
                 : key == QLatin1String("M_ITALIC") ? fmt.fontItalic() : fmt.fontUnderline();
        };
        button->trigger();
        QVERIFY(button->isChecked());
        QVERIFY(attribute(6));
        QVERIFY(!attribute(2));
        button->trigger();
        QVERIFY(!attribute(6));
        // At the caret the attribute applies to what is typed next.
        f->select(7, 0);
        button->trigger();
        f->body()->setFocus();
        QTest::keyClicks(f->body(), QStringLiteral("xy"));
        QVERIFY(attribute(9));
        QVERIFY(!attribute(6));
    }

    void sizeAndFontLists()
    {
        f->open(true);
        QTextEdit *body = f->body();
        body->setPlainText(QStringLiteral("abc def"));
        f->select(0, 3);
        QComboBox *sizes = f->combo("cboSize");
        sizes->setCurrentIndex(15);
        Q_EMIT sizes->activated(15);
        QTextCursor c(body->document());
        c.setPosition(2);
        QCOMPARE(c.charFormat().fontPointSize(), 72.0);
        c.setPosition(6);
        QVERIFY(c.charFormat().fontPointSize() != 72.0);

        QComboBox *fonts = f->combo("cboFont");
        const QString family = fonts->itemText(fonts->count() - 1);
        f->select(7, 0);
        fonts->setCurrentIndex(fonts->count() - 1);
        Q_EMIT fonts->activated(fonts->count() - 1);
        QCOMPARE(QApplication::focusWidget(), body);
        QTest::keyClicks(body, QStringLiteral("zz"));
        c.setPosition(9);
        QCOMPARE(c.charFormat().fontFamilies().toStringList().value(0), family);
    }

    void textColour_data()
    {
        QTest::addColumn<bool>("answered");
        QTest::newRow("nominal: colour chosen") << true;
        QTest::newRow("robustness: dialog cancelled") << false;
    }
    void textColour()
    {
        QFETCH(bool, answered);
        f->open(true);
        f->body()->setPlainText(QStringLiteral("abc def"));
        f->select(0, 3);
        f->prompter.colorAnswers.enqueue(answered ? std::optional<QColor>(QColor(200, 10, 20)) : std::nullopt);
        f->title()->setFocus();
        f->button("M_COL")->trigger();
        QTextCursor c(f->body()->document());
        c.setPosition(2);
        if (answered) {
            QCOMPARE(c.charFormat().foreground().color(), QColor(200, 10, 20));
            QCOMPARE(QApplication::focusWidget(), f->body());
        } else {
            QVERIFY(!c.charFormat().hasProperty(QTextFormat::ForegroundBrush));
            QCOMPARE(QApplication::focusWidget(), f->title());
        }
    }

    void bullets()
    {
        f->open(true);
        f->body()->setPlainText(QStringLiteral("one\ntwo\nthree"));
        f->select(1, 5);
        QAction *bullet = f->button("M_BULLET");
        bullet->trigger();
        QVERIFY(bullet->isChecked());
        const QTextDocument *doc = f->body()->document();
        QTextList *list = doc->findBlockByNumber(0).textList();
        QVERIFY(list);
        QCOMPARE(doc->findBlockByNumber(1).textList(), list);
        QCOMPARE(doc->findBlockByNumber(2).textList(), nullptr);
        QCOMPARE(list->format().style(), QTextListFormat::ListDisc);
        bullet->trigger();
        QVERIFY(!bullet->isChecked());
        QCOMPARE(doc->findBlockByNumber(0).textList(), nullptr);
        QCOMPARE(doc->findBlockByNumber(1).textList(), nullptr);
        QCOMPARE(doc->toPlainText(), QStringLiteral("one\ntwo\nthree"));
    }

    void bulletsOverASelection_data()
    {
        QTest::addColumn<int>("bulleted"); // paragraph already bulleted before the click; -1 none
        QTest::addColumn<bool>("backwards");
        QTest::newRow("nominal: last paragraph bulleted, dragged down") << 1 << false;
        QTest::newRow("nominal: last paragraph bulleted, dragged up") << 1 << true;
        QTest::newRow("nominal: first paragraph bulleted, dragged down") << 0 << false;
        QTest::newRow("nominal: first paragraph bulleted, dragged up") << 0 << true;
        QTest::newRow("nominal: none bulleted, dragged up") << -1 << true;
    }
    void bulletsOverASelection()
    {
        QFETCH(int, bulleted);
        QFETCH(bool, backwards);
        f->open(true);
        f->body()->setPlainText(QStringLiteral("one\ntwo\nthree"));
        QTextDocument *doc = f->body()->document();
        if (bulleted >= 0) {
            QTextListFormat disc;
            disc.setStyle(QTextListFormat::ListDisc);
            QTextCursor(doc->findBlockByNumber(bulleted)).createList(disc);
        }
        // Paragraphs one and two, dragged either way.
        if (backwards)
            f->select(5, -4);
        else
            f->select(1, 4);
        QAction *bullet = f->button("M_BULLET");
        QVERIFY(!bullet->isChecked());
        bullet->trigger();
        QTextList *list = doc->findBlockByNumber(0).textList();
        QVERIFY(list);
        QCOMPARE(doc->findBlockByNumber(1).textList(), list);
        QCOMPARE(list->count(), 2);
        QCOMPARE(doc->findBlockByNumber(2).textList(), nullptr);
        QCOMPARE(doc->toPlainText(), QStringLiteral("one\ntwo\nthree"));
        // One click, one undo step.
        f->body()->undo();
        QCOMPARE(doc->findBlockByNumber(bulleted == 0 ? 1 : 0).textList(), nullptr);
    }

    void pastePictureOnlyClipboard_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("clipboard");
        QTest::newRow("nominal: paste button, image") << "button" << "image";
        QTest::newRow("nominal: Ctrl+V, image") << "ctrl+v" << "image";
        QTest::newRow("nominal: Ctrl+V, PNG bytes only") << "ctrl+v" << "png";
    }
    void pastePictureOnlyClipboard()
    {
        QFETCH(QString, how);
        QFETCH(QString, clipboard);
        QClipboard *cb = QGuiApplication::clipboard();
        if (clipboard == QLatin1String("image")) {
            QImage img(24, 12, QImage::Format_RGB32);
            img.fill(Qt::darkGreen);
            cb->setImage(img);
        } else {
            auto *data = new QMimeData;
            data->setData(QStringLiteral("image/png"), pictureBytes(24, 12, "png"));
            cb->setMimeData(data);
        }
        const QStringList formatsBefore = cb->mimeData()->formats();
        f->open(true);
        QTextEdit *body = f->body();
        body->setPlainText(QStringLiteral("a|b"));
        f->select(1, 1);
        QVERIFY(f->button("M_PASTE")->isEnabled());
        if (how == QLatin1String("button"))
            f->button("M_PASTE")->trigger();
        else
            QTest::keyClick(body, Qt::Key_V, Qt::ControlModifier);

        QCOMPARE(body->toPlainText(), QStringLiteral("a") + QChar::ObjectReplacementCharacter + QStringLiteral("b"));
        QTextCursor c(body->document());
        c.setPosition(2);
        QVERIFY(c.charFormat().isImageFormat());
        QCOMPARE(int(c.charFormat().toImageFormat().width()), 24);
        QVERIFY(f->prompter.messages.isEmpty());
        // The clipboard still holds the user's picture and nothing else.
        QCOMPARE(cb->mimeData()->formats(), formatsBefore);
        QVERIFY(!cb->mimeData()->hasText());
        // Stored like a picture from a file.
        QVERIFY(rtf::writeText(body->document()).contains(QStringLiteral("\\pngblip")));
    }

    void pasteButtonReadsTheClipboardOnlyWhenItChanges()
    {
        QClipboard *cb = QGuiApplication::clipboard();
        f->open(true);
        f->body()->setPlainText(QStringLiteral("abc def"));
        QVERIFY(!f->button("M_PASTE")->isEnabled());
        // A change nobody announces: caret moves keep the answer they had instead of asking again.
        cb->blockSignals(true);
        cb->setText(QStringLiteral("unannounced"));
        cb->blockSignals(false);
        for (int i = 0; i < 4; ++i)
            f->select(i, i % 2);
        QVERIFY(!f->button("M_PASTE")->isEnabled());
        // The announced change is seen at once.
        cb->setText(QStringLiteral("announced"));
        QVERIFY(f->button("M_PASTE")->isEnabled());
        cb->clear();
        QVERIFY(!f->button("M_PASTE")->isEnabled());
    }

    void fontFromTheListGoesInByItsBareName()
    {
        f->open(true);
        QComboBox *fonts = f->combo("cboFont");
        QSet<QString> seen;
        for (int i = 0; i < fonts->count(); ++i) {
            const QString name = fonts->itemText(i);
            QVERIFY2(!name.contains(QLatin1String(" [")), qPrintable(name));
            QVERIFY2(!seen.contains(name), qPrintable(name));
            seen.insert(name);
        }
        // A family as the font database names it when several foundries make it.
        fonts->insertItem(0, QStringLiteral("C059 [UKWN]"));
        fonts->setCurrentIndex(0);
        Q_EMIT fonts->activated(0);
        QTest::keyClicks(f->body(), QStringLiteral("serif"));
        const QString rtf = rtf::writeText(f->body()->document());
        QVERIFY2(rtf.contains(QStringLiteral(" C059;")), qPrintable(rtf));
        QVERIFY2(!rtf.contains(QStringLiteral("UKWN")), qPrintable(rtf));
    }

    void clipboardButtons_data()
    {
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("cutCopy");
        QTest::addColumn<bool>("paste");
        QTest::newRow("nominal: selection and text on the clipboard") << 3 << "x" << true << true;
        QTest::newRow("nominal: no selection, empty clipboard") << 0 << "" << false << false;
        QTest::newRow("nominal: no selection, text on the clipboard") << 0 << "x" << false << true;
        QTest::newRow("nominal: picture on the clipboard") << 2 << "<image>" << true << true;
    }
    void clipboardButtons()
    {
        QFETCH(int, selLength);
        QFETCH(QString, clipboard);
        QFETCH(bool, cutCopy);
        QFETCH(bool, paste);
        if (clipboard == QLatin1String("<image>")) {
            QImage img(4, 4, QImage::Format_RGB32);
            img.fill(Qt::green);
            QGuiApplication::clipboard()->setImage(img);
        } else {
            QGuiApplication::clipboard()->setText(clipboard);
        }
        f->open(true);
        f->body()->setPlainText(QStringLiteral("abc def"));
        f->select(1, selLength);
        QCOMPARE(f->button("M_CUT")->isEnabled(), cutCopy);
        QCOMPARE(f->button("M_CPY")->isEnabled(), cutCopy);
        QCOMPARE(f->button("M_PASTE")->isEnabled(), paste);
    }

    void cutCopyPaste()
    {
        f->open(true);
        QVERIFY(!f->button("M_PASTE")->isEnabled());
        f->body()->setPlainText(QStringLiteral("abc def"));
        f->select(4, 3);
        f->button("M_CPY")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("def"));
        QVERIFY(f->button("M_PASTE")->isEnabled());
        f->select(0, 4);
        f->button("M_CUT")->trigger();
        QCOMPARE(f->body()->toPlainText(), QStringLiteral("def"));
        QVERIFY(!f->button("M_CUT")->isEnabled());
        f->select(3, 0);
        f->button("M_PASTE")->trigger();
        QCOMPARE(f->body()->toPlainText(), QStringLiteral("defabc "));
    }

    void clearBody_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("after");
        QTest::newRow("nominal: empty body asks nothing") << "" << int(Prompter::Yes) << false << "";
        QTest::newRow("nominal: No keeps the text") << "keep" << int(Prompter::No) << true << "keep";
        QTest::newRow("nominal: Yes empties the body") << "gone" << int(Prompter::Yes) << true << "";
    }
    void clearBody()
    {
        QFETCH(QString, text);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(QString, after);
        f->stored.NoteTitle = QStringLiteral("t");
        f->stored.NoteBody = text;
        f->stored.NoteIcon = 5;
        frmAddNote &dlg = f->open(false);
        f->prompter.msgAnswers.enqueue(answer);
        f->button("M_NEW")->trigger();
        QCOMPARE(f->prompter.messages.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(f->prompter.messages.first().text, QStringLiteral("你要清除内容吗？"));
            QCOMPARE(f->prompter.messages.first().style, 36);
            QCOMPARE(f->prompter.messages.first().title, dlg.windowTitle());
        }
        QCOMPARE(f->body()->toPlainText(), after);
        QCOMPARE(f->title()->text(), QStringLiteral("t"));
        QCOMPARE(f->combo("CboIcon")->currentIndex(), 4);
    }

    void openDocument_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("message");

        QTextDocument rich;
        rich.setHtml(QStringLiteral("<p>富文本 <b>bold</b></p>"));
        QTest::newRow("nominal: RTF file") << "a.rtf" << rtf::write(&rich) << "富文本 bold" << false;
        QTest::newRow("nominal: UTF-8 text file") << "a.txt" << QStringLiteral("文本\n第二行").toUtf8()
                                                  << "文本\n第二行" << false;
        QTest::newRow("nominal: GB18030 text file") << "b.txt"
                                                    << exchange::encodeWith(QStringLiteral("国标文本"), "GB18030")
                                                    << "国标文本" << false;
        QTest::newRow("robustness: binary file is refused") << "c.txt" << QByteArray("\x89PNG\0\0\x01", 7)
                                                            << "old body" << true;
        QTest::newRow("robustness: missing file") << "" << QByteArray() << "old body" << true;
        QTest::newRow("robustness: cancelled chooser") << "<cancel>" << QByteArray() << "old body" << false;
    }
    void openDocument()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QFETCH(bool, message);
        f->open(true);
        f->dlg->TextHelper().setLegacyLocale(QLocale(QStringLiteral("zh_CN")));
        f->body()->setPlainText(QStringLiteral("old body"));
        QString path;
        if (file == QLatin1String("<cancel>"))
            path = QString();
        else if (file.isEmpty())
            path = m_dir.filePath(QStringLiteral("missing.rtf"));
        else
            path = writeFile(file, bytes);
        f->prompter.openAnswers.enqueue(path);
        f->button("M_OPEN")->trigger();
        QCOMPARE(f->prompter.fileCaptions, QStringList{QStringLiteral("打开文档")});
        QCOMPARE(f->prompter.fileFilters, QStringList{QStringLiteral("RTF文档(*.rtf);;TXT文档(*.txt)")});
        QCOMPARE(f->body()->toPlainText(), expected);
        QCOMPARE(f->prompter.messages.size(), message ? 1 : 0);
        if (message) {
            QCOMPARE(f->prompter.messages.first().style, 48);
            QCOMPARE(f->prompter.messages.first().title, QStringLiteral("提示"));
            QVERIFY(f->prompter.messages.first().text.contains(path));
        }
        if (file == QLatin1String("a.rtf")) {
            QTextCursor c(f->body()->document());
            c.setPosition(6);
            QCOMPARE(c.charFormat().fontWeight(), int(QFont::Bold));
        }
    }

    void insertPicture_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("inserted");
        QTest::addColumn<int>("width");

        QTest::newRow("nominal: PNG") << "a.png" << pictureBytes(20, 10, "png") << true << 20;
        QTest::newRow("nominal: JPEG") << "a.jpg" << pictureBytes(30, 12, "jpg") << true << 30;
        QTest::newRow("nominal: BMP") << "a.bmp" << pictureBytes(16, 16, "bmp") << true << 16;
        QTest::newRow("nominal: very wide picture") << "wide.png" << pictureBytes(3000, 60, "png") << true << 3000;
        QTest::newRow("robustness: not a picture") << "text.jpg" << QByteArray("just some text") << false << 0;
        QTest::newRow("robustness: truncated picture") << "cut.png" << pictureBytes(40, 40, "png").left(30) << false
                                                       << 0;
        QTest::newRow("robustness: missing file") << "" << QByteArray() << false << 0;
    }
    void insertPicture()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, inserted);
        QFETCH(int, width);
        QGuiApplication::clipboard()->setText(QStringLiteral("the user's clipboard"));
        f->open(true);
        QTextEdit *body = f->body();
        body->setPlainText(QStringLiteral("before XX after"));
        f->select(7, 2);
        const QString path = file.isEmpty() ? m_dir.filePath(QStringLiteral("missing.png")) : writeFile(file, bytes);
        f->prompter.openAnswers.enqueue(path);
        f->button("M_IMAGE")->trigger();

        QCOMPARE(f->prompter.fileCaptions, QStringList{QStringLiteral("打开图片")});
        // The chooser starts on one filter that shows every picture, whatever its type.
        const QStringList filters = f->prompter.fileFilters.value(0).split(QStringLiteral(";;"));
        QVERIFY(filters.first().startsWith(QStringLiteral("所有图片(")));
        const QStringList patterns = filters.first().section(QLatin1Char('('), 1).chopped(1).split(QLatin1Char(' '));
        for (const QString &name : {QFileInfo(path).fileName(), QStringLiteral("b.jpeg"), QStringLiteral("c.gif")})
            QVERIFY2(QDir::match(patterns, name), qPrintable(name));
        QCOMPARE(filters.mid(1), QStringList({QStringLiteral("BMP 图片(*.bmp)"), QStringLiteral("Gif 图片(*.gif)"),
                                              QStringLiteral("JPEG 图片(*.jpg)"), QStringLiteral("PNG 图片(*.png)")}));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("the user's clipboard"));
        if (!inserted) {
            QCOMPARE(body->toPlainText(), QStringLiteral("before XX after"));
            QCOMPARE(f->prompter.messages.size(), 1);
            QCOMPARE(f->prompter.messages.first().style, 48);
            QVERIFY(f->prompter.messages.first().text.contains(path));
            return;
        }
        QVERIFY(f->prompter.messages.isEmpty());
        QCOMPARE(body->toPlainText(), QStringLiteral("before ") + QChar::ObjectReplacementCharacter
                                          + QStringLiteral(" after"));
        QTextCursor c(body->document());
        c.setPosition(8);
        QVERIFY(c.charFormat().isImageFormat());
        const QTextImageFormat shown = c.charFormat().toImageFormat();
        QVERIFY(shown.width() <= body->viewport()->width());
        if (width <= body->viewport()->width() - 40)
            QCOMPARE(int(shown.width()), width);

        // The note keeps the picture at its own size, whatever it is shown at.
        QTextDocument back;
        rtf::readInto(rtf::writeText(body->document()), &back);
        QTextCursor b(&back);
        b.setPosition(8);
        QVERIFY(b.charFormat().isImageFormat());
        const QImage stored = back.resource(QTextDocument::ImageResource,
                                            QUrl(b.charFormat().toImageFormat().name())).value<QImage>();
        QCOMPARE(stored.width(), width);
    }

    void insertDate()
    {
        f->open(true);
        f->body()->setPlainText(QStringLiteral("at: XYZ!"));
        f->select(4, 3);
        const QString before = frmAddNote::generalDateText(QDateTime::currentDateTime());
        f->button("M_DATE")->trigger();
        const QString after = frmAddNote::generalDateText(QDateTime::currentDateTime());
        const QString text = f->body()->toPlainText();
        QVERIFY2(text == QStringLiteral("at: ") + before + QLatin1Char('!')
                     || text == QStringLiteral("at: ") + after + QLatin1Char('!'),
                 qPrintable(text));
    }

    void generalDateText_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nominal: Chinese") << "zh_CN" << "2024/3/9 17:05:42";
        QTest::newRow("nominal: English") << "en_US" << "3/9/24 5:05:42 PM";
        QTest::newRow("nominal: C writes as Chinese") << "C" << "2024/3/9 17:05:42";
    }
    void generalDateText()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        const QDateTime when(QDate(2024, 3, 9), QTime(17, 5, 42));
        // Date and a clock time with seconds, and no time zone.
        QCOMPARE(Tools::GeneralDateText(when, Tools::DateLocale(QLocale(locale))), expected);
    }
};

QTEST_MAIN(FormattingTest)
#include "tst_formatting.moc"
