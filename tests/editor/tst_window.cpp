#include "EditorTesting.h"

#include "rtf/Rtf.h"
#include "settings/DateText.h"
#include "settings/Colors.h"

#include <QDateTime>
#include <QDir>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolBar>

class WindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<EditorFixture> f;

    static QString rtfBody(const QString &plain)
    {
        QTextDocument doc;
        doc.setPlainText(plain);
        return rtf::writeText(&doc);
    }

private Q_SLOTS:
    void init() { f = std::make_unique<EditorFixture>(); }
    void cleanup() { f.reset(); }

    void addModeStartsEmpty()
    {
        frmAddNote &dlg = f->open(true);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("新建记事本"));
        QCOMPARE(f->title()->text(), QString());
        QCOMPARE(f->title()->maxLength(), 50);
        QCOMPARE(dlg.titleColor(), 0);
        QCOMPARE(f->body()->toPlainText(), QString());
        QCOMPARE(f->combo("cboPriority")->currentText(), QStringLiteral("一般"));
        QCOMPARE(f->combo("CboIcon")->currentIndex(), 0);
        QCOMPARE(f->combo("cboSize")->currentText(), QStringLiteral("8"));
        QVERIFY(f->button("M_LEFT")->isChecked());
        QVERIFY(!f->button("M_CENTER")->isChecked());
        QVERIFY(!f->button("M_RIGHT")->isChecked());
    }

    void listsAndCaptions()
    {
        f->open(true);
        QComboBox *priority = f->combo("cboPriority");
        QStringList names;
        for (int i = 0; i < priority->count(); ++i)
            names << priority->itemText(i);
        QCOMPARE(names, (QStringList{QStringLiteral("一般"), QStringLiteral("普通"), QStringLiteral("重要"),
                                     QStringLiteral("非常重要"), QStringLiteral("私密")}));
        QComboBox *sizes = f->combo("cboSize");
        QStringList sizeTexts;
        for (int i = 0; i < sizes->count(); ++i)
            sizeTexts << sizes->itemText(i);
        QCOMPARE(sizeTexts.join(QLatin1Char(' ')), QStringLiteral("8 9 10 11 12 14 16 18 20 22 24 26 28 36 48 72"));
        QComboBox *icons = f->combo("CboIcon");
        QCOMPARE(icons->count(), 24);
        for (int i = 0; i < 24; ++i) {
            QCOMPARE(icons->itemText(i), QString());
            QCOMPARE(icons->itemIcon(i).pixmap(16).toImage(), f->icons.at(i).pixmap(16).toImage());
        }
        // Every family once, a family made by several foundries ("C059 [UKWN]") by its bare name.
        QStringList families;
        for (const QString &listed : QFontDatabase::families()) {
            const QString bare = listed.section(QStringLiteral(" ["), 0, 0);
            if (!families.contains(bare))
                families.append(bare);
        }
        QStringList listed;
        for (int i = 0; i < f->combo("cboFont")->count(); ++i)
            listed << f->combo("cboFont")->itemText(i);
        QCOMPARE(listed, families);

        const QList<QPair<const char *, QString>> labels = {
            {"lblTitle", QStringLiteral("文档标题")}, {"lblColor", QStringLiteral("文档标题颜色")},
            {"Label2", QStringLiteral("优先")},       {"Label3", QStringLiteral("文档图标")}};
        for (const auto &l : labels)
            QCOMPARE(f->child<QLabel>(l.first)->text(), l.second);
        QCOMPARE(f->child<QPushButton>("cmdOK")->text(), QStringLiteral("确定"));
        QCOMPARE(f->child<QPushButton>("cmdCancel")->text(), QStringLiteral("取消"));
        QCOMPARE(f->child<QPushButton>("cmdOpen")->text(), QStringLiteral(". . ."));
        QCOMPARE(f->child<QPushButton>("cmdOpen")->toolTip(), QStringLiteral("Choose Color"));
        QCOMPARE(f->child<QLabel>("PColor")->toolTip(), QStringLiteral("Choose Color"));
        QCOMPARE(f->combo("cboPriority")->toolTip(), QStringLiteral("Choose priority"));
        QCOMPARE(f->combo("CboIcon")->toolTip(), QStringLiteral("Choose icon"));
        QCOMPARE(f->combo("cboFont")->toolTip(), QStringLiteral("字体"));
        QCOMPARE(f->combo("cboSize")->toolTip(), QStringLiteral("字体大小"));
    }

    void toolbarButtons_data()
    {
        QTest::addColumn<int>("toolbar");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("check");
        QTest::addColumn<QString>("tooltip");
        const struct { int bar, pos; const char *key; bool check; const char *tip; } rows[] = {
            {1, 1, "M_NEW", false, "新建"},          {1, 2, "M_OPEN", false, "打开"},
            {1, 4, "M_CUT", false, "剪切"},          {1, 5, "M_CPY", false, "复制"},
            {1, 6, "M_PASTE", false, "粘贴"},        {2, 1, "M_BOLD", true, "粗体"},
            {2, 2, "M_ITALIC", true, "斜体"},        {2, 3, "M_UNDERLINE", true, "下划线"},
            {2, 4, "M_COL", false, "文档内容颜色"},  {2, 6, "M_LEFT", true, "左对齐"},
            {2, 7, "M_CENTER", true, "居中"},        {2, 8, "M_RIGHT", true, "右对齐"},
            {2, 10, "M_BULLET", true, "标点"},       {2, 11, "M_IMAGE", false, "插入图片"},
            {2, 12, "M_DATE", false, "插入时间/日期"},
        };
        for (const auto &r : rows)
            QTest::addRow("nominal: %s", r.key) << r.bar << r.pos << QString::fromLatin1(r.key) << r.check
                                                << QString::fromUtf8(r.tip);
        QTest::newRow("nominal: separator 1/3") << 1 << 3 << QString() << false << QString();
        QTest::newRow("nominal: separator 2/5") << 2 << 5 << QString() << false << QString();
        QTest::newRow("nominal: separator 2/9") << 2 << 9 << QString() << false << QString();
    }
    void toolbarButtons()
    {
        QFETCH(int, toolbar);
        QFETCH(int, position);
        QFETCH(QString, key);
        QFETCH(bool, check);
        QFETCH(QString, tooltip);
        frmAddNote &dlg = f->open(true);
        QAction *a = dlg.toolbarButton(toolbar, position);
        QVERIFY(a);
        if (key.isEmpty()) {
            QVERIFY(a->isSeparator());
            return;
        }
        QCOMPARE(a->objectName(), key);
        QCOMPARE(a->isCheckable(), check);
        QCOMPARE(a->toolTip(), tooltip);
        QVERIFY2(!a->icon().isNull(), "every button has its picture");
        QCOMPARE(dlg.toolbarButton(toolbar, 13), nullptr);
    }

    void editModeShowsTheNote_data()
    {
        QTest::addColumn<QString>("priority");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("priorityIndex");
        QTest::addColumn<int>("iconIndex");
        QTest::addColumn<QString>("bodyText");

        QTest::newRow("nominal: stored note") << "重要" << 5 << rtfBody(QStringLiteral("正文 body")) << 2 << 4
                                              << "正文 body";
        QTest::newRow("nominal: last icon, last priority") << "私密" << 24 << rtfBody(QStringLiteral("x")) << 4
                                                           << 23 << "x";
        QTest::newRow("robustness: unknown priority shows the first") << "紧急" << 3 << QString() << 0 << 2 << "";
        QTest::newRow("robustness: icon 0 shows icon 1") << "普通" << 0 << QString() << 1 << 0 << "";
        QTest::newRow("robustness: icon 99 shows icon 1") << "普通" << 99 << QString() << 1 << 0 << "";
        QTest::newRow("robustness: body that is not RTF shows as text") << "一般" << 1 << "plain 文本\nline"
                                                                        << 0 << 0 << "plain 文本\nline";
    }
    void editModeShowsTheNote()
    {
        QFETCH(QString, priority);
        QFETCH(int, icon);
        QFETCH(QString, body);
        QFETCH(int, priorityIndex);
        QFETCH(int, iconIndex);
        QFETCH(QString, bodyText);
        f->stored.NoteTitle = QStringLiteral("abc");
        f->stored.NoteColor = 0x00336699;
        f->stored.NotePriority = priority;
        f->stored.NoteIcon = qint16(icon);
        f->stored.NoteBody = body;
        frmAddNote &dlg = f->open(false);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("编辑文档 abc"));
        QCOMPARE(f->title()->text(), QStringLiteral("abc"));
        QCOMPARE(dlg.titleColor(), 0x00336699);
        QCOMPARE(f->child<QLabel>("PColor")->palette().color(QPalette::Window), QColor(0x99, 0x66, 0x33));
        QCOMPARE(f->combo("cboPriority")->currentIndex(), priorityIndex);
        QCOMPARE(f->combo("CboIcon")->currentIndex(), iconIndex);
        QCOMPARE(f->body()->toPlainText(), bodyText);
    }

    void editModeKeepsTheFirstParagraphsAlignment_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QString>("pressed");
        QTest::newRow("nominal: centred") << int(Qt::AlignHCenter) << "M_CENTER";
        QTest::newRow("nominal: right") << int(Qt::AlignRight) << "M_RIGHT";
        QTest::newRow("nominal: left") << int(Qt::AlignLeft) << "M_LEFT";
        QTest::newRow("robustness: justified shows left and stays justified") << int(Qt::AlignJustify) << "M_LEFT";
    }
    void editModeKeepsTheFirstParagraphsAlignment()
    {
        QFETCH(int, alignment);
        QFETCH(QString, pressed);
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("heading\nbody"));
        QTextCursor c(&doc);
        QTextBlockFormat bf;
        bf.setAlignment(Qt::Alignment(alignment));
        c.mergeBlockFormat(bf);
        f->stored.NoteTitle = QStringLiteral("t");
        f->stored.NoteBody = rtf::writeText(&doc);
        f->open(false);
        QStringList on;
        for (const char *key : {"M_LEFT", "M_CENTER", "M_RIGHT"})
            if (f->button(key)->isChecked())
                on << QString::fromLatin1(key);
        QCOMPARE(on, QStringList{pressed});
        QTest::mouseClick(f->child<QPushButton>("cmdOK"), Qt::LeftButton);
        QTextDocument back;
        rtf::readInto(f->dlg->note().NoteBody, &back);
        QCOMPARE(int(back.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask), alignment);
    }

    void editingWithoutChangesKeepsTheBody()
    {
        QTextDocument doc;
        doc.setHtml(QStringLiteral("<p>第一段 <b>粗体</b></p><p align=\"right\">second</p><p></p><p>end</p>"));
        f->stored.NoteTitle = QStringLiteral("t");
        f->stored.NoteBody = rtf::writeText(&doc);
        const QString firstText = doc.toPlainText();
        QString body = f->stored.NoteBody;
        for (int round = 0; round < 3; ++round) {
            f->stored.NoteBody = body;
            f->open(false);
            QCOMPARE(f->body()->toPlainText(), firstText);
            QTest::mouseClick(f->child<QPushButton>("cmdOK"), Qt::LeftButton);
            QCOMPARE(f->dlg->result(), int(QDialog::Accepted));
            if (round > 0)
                QCOMPARE(f->dlg->note().NoteBody, body);
            body = f->dlg->note().NoteBody;
        }
    }

    void editModeKeepsALongStoredTitle()
    {
        const QString longTitle(70, QLatin1Char('t'));
        f->stored.NoteTitle = longTitle;
        f->open(false);
        QCOMPARE(f->title()->text(), longTitle);
        QTest::mouseClick(f->child<QPushButton>("cmdOK"), Qt::LeftButton);
        QCOMPARE(f->dlg->note().NoteTitle, longTitle);
    }

    void titleCheck_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("stored");

        QTest::newRow("nominal: plain title") << "abc" << true << "abc";
        QTest::newRow("nominal: inner blanks kept, outer removed") << "  a  b c " << true << "a  b c";
        QTest::newRow("nominal: Chinese title") << "记事 本" << true << "记事 本";
        QTest::newRow("nominal: 50 characters") << QString(50, QChar(0x5B57)) << true << QString(50, QChar(0x5B57));
        QTest::newRow("robustness: 51 characters keep the first 50") << QString(50, QLatin1Char('a')) + "b" << true
                                                                     << QString(50, QLatin1Char('a'));
        QTest::newRow("robustness: empty title refused") << "" << false << "";
        QTest::newRow("robustness: blank title refused") << "    " << false << "";
        QTest::newRow("nominal: an ideographic space is text") << "\u3000" << true << "\u3000";
        QTest::newRow("nominal: outer blanks go, ideographic spaces and tabs stay")
            << " \u3000记\t " << true << "\u3000记\t";
    }
    void titleCheck()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(QString, stored);
        frmAddNote &dlg = f->open(true);
        EditorFixture::type(f->title(), typed);
        QTest::mouseClick(f->child<QPushButton>("cmdOK"), Qt::LeftButton);
        QVERIFY(f->prompter.messages.isEmpty());
        if (accepted) {
            QCOMPARE(f->dlg->note().NoteTitle, stored);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QVERIFY(!dlg.isVisible());
            QCOMPARE(f->prompter.beeps, 0);
            return;
        }
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(dlg.isVisible());
        QCOMPARE(f->prompter.beeps, 1);
        QCOMPARE(f->title()->palette().color(QPalette::Base), QColor(191, 219, 255));
        QCOMPARE(QApplication::focusWidget(), f->title());
        // Clicking the title box takes the warning away.
        QTest::mouseClick(f->title(), Qt::LeftButton);
        QCOMPARE(f->title()->palette().color(QPalette::Base), QColor(Qt::white));
    }

    void keysInTheTitleBox()
    {
        f->open(true);
        QTest::keyClicks(f->title(), QStringLiteral("t"));
        QTest::keyClick(f->title(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f->body());
        QCOMPARE(f->title()->text(), QStringLiteral("t"));
        QCOMPARE(f->body()->toPlainText(), QString());
        f->title()->setFocus();
        QTest::keyClick(f->title(), Qt::Key_Return);
        QCOMPARE(f->dlg->result(), int(QDialog::Accepted));
        QCOMPARE(f->dlg->note().NoteTitle, QStringLiteral("t"));
    }

    void enterOnAnEmptyTitleIsRefused()
    {
        frmAddNote &dlg = f->open(true);
        QTest::keyClick(f->title(), Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(dlg.isVisible());
        QCOMPARE(f->prompter.beeps, 1);
    }

    void acceptWritesEveryValue()
    {
        f->open(true);
        EditorFixture::type(f->title(), QStringLiteral(" 周报 "));
        f->prompter.colorAnswers.enqueue(QColor(10, 20, 30));
        QTest::mouseClick(f->child<QPushButton>("cmdOpen"), Qt::LeftButton);
        f->combo("cboPriority")->setCurrentIndex(3);
        f->combo("CboIcon")->setCurrentIndex(7);

        // Body: "plain " + bold "粗体" + a centred second paragraph at 72 points.
        QTextEdit *body = f->body();
        body->setFocus();
        QTest::keyClicks(body, QStringLiteral("plain "));
        f->button("M_BOLD")->trigger();
        EditorFixture::type(body, QStringLiteral("粗体"));
        f->button("M_BOLD")->trigger();
        QTest::keyClick(body, Qt::Key_Return);
        f->button("M_CENTER")->trigger();
        QTest::keyClicks(body, QStringLiteral("big"));
        f->select(9, 3);
        f->combo("cboSize")->setCurrentIndex(15);
        Q_EMIT f->combo("cboSize")->activated(15);

        const QString before = frmAddNote::dateTimeText(QDateTime::currentDateTime());
        QTest::mouseClick(f->child<QPushButton>("cmdOK"), Qt::LeftButton);
        const QString after = frmAddNote::dateTimeText(QDateTime::currentDateTime());

        const CurrentNote &n = f->dlg->note();
        QCOMPARE(f->dlg->result(), int(QDialog::Accepted));
        QCOMPARE(n.NoteTitle, QStringLiteral("周报"));
        QCOMPARE(n.NoteColor, 0x001E140A);
        QVERIFY2(n.NoteAddDate == before || n.NoteAddDate == after, qPrintable(n.NoteAddDate));
        QCOMPARE(n.NoteLastUpdate, n.NoteAddDate);
        QVERIFY(n.NoteAddDate.endsWith(QDateTime::currentDateTime().toString(QStringLiteral("hh:mm")))
                || n.NoteAddDate == before);
        QCOMPARE(n.NotePriority, QStringLiteral("非常重要"));
        QCOMPARE(n.NoteIcon, qint16(8));
        QVERIFY(n.NoteBody.startsWith(QStringLiteral("{\\rtf")));

        QTextDocument back;
        rtf::readInto(n.NoteBody, &back);
        QCOMPARE(back.toPlainText(), QStringLiteral("plain 粗体\nbig"));
        QTextCursor probe(&back);
        probe.setPosition(3);
        QCOMPARE(probe.charFormat().fontWeight(), int(QFont::Normal));
        probe.setPosition(8);
        QCOMPARE(probe.charFormat().fontWeight(), int(QFont::Bold));
        probe.setPosition(11);
        QCOMPARE(probe.charFormat().fontPointSize(), 72.0);
        QCOMPARE(back.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        QCOMPARE(back.lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    }

    void dateTimeTextFormat()
    {
        const QDateTime when(QDate(2024, 3, 9), QTime(7, 5, 59));
        const QString text = frmAddNote::dateTimeText(when);
        QCOMPARE(text, Tools::DateLocale().toString(when.date(), QLocale::ShortFormat) + QStringLiteral(" 07:05"));
        const QDateTime evening(QDate(2024, 3, 9), QTime(19, 30));
        QVERIFY(frmAddNote::dateTimeText(evening).endsWith(QStringLiteral(" 19:30")));
    }

    void nothingIsStored_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("nominal: Cancel after typing") << "cancel";
        QTest::newRow("nominal: close box") << "close";
        QTest::newRow("nominal: Escape") << "escape";
        QTest::newRow("robustness: close box after a refused empty title") << "refused-close";
    }
    void nothingIsStored()
    {
        QFETCH(QString, how);
        frmAddNote &dlg = f->open(true);
        int saves = 0;
        dlg.setSaver([&saves](const CurrentNote &) {
            ++saves;
            return QString();
        });
        QTextEdit *body = f->body();
        body->setFocus();
        QTest::keyClicks(body, QStringLiteral("typed text"));
        if (how == QLatin1String("refused-close")) {
            QTest::mouseClick(f->child<QPushButton>("cmdOK"), Qt::LeftButton);
            QVERIFY(dlg.isVisible());
        } else {
            f->title()->setText(QStringLiteral("typed title"));
        }
        f->prompter.msgAnswers.enqueue(Prompter::Yes);
        if (how == QLatin1String("cancel"))
            QTest::mouseClick(f->child<QPushButton>("cmdCancel"), Qt::LeftButton);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(&dlg, Qt::Key_Escape);
        else
            QVERIFY(dlg.close());
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(saves, 0);
        QCOMPARE(f->prompter.messages.size(), 1);
    }

    void endingAskedOnlyWhenChanged_data()
    {
        QTest::addColumn<bool>("isNew");
        QTest::addColumn<QString>("change"); // none, title, body, title-back
        QTest::addColumn<QString>("how");    // escape-body, escape-title, close, cancel
        QTest::addColumn<int>("answer");     // 0: no question expected
        QTest::addColumn<bool>("ends");

        const int yes = Prompter::Yes;
        const int no = Prompter::No;
        QTest::newRow("nominal: Esc in the body after typing, No returns") << true << "body" << "escape-body" << no
                                                                           << false;
        QTest::newRow("nominal: Esc in the body after typing, Yes discards") << true << "body" << "escape-body"
                                                                             << yes << true;
        QTest::newRow("nominal: close box after a new title, No returns") << true << "title" << "close" << no
                                                                          << false;
        QTest::newRow("nominal: Cancel after editing the body, No returns") << false << "body" << "cancel" << no
                                                                            << false;
        QTest::newRow("nominal: Esc in the title after changing it, Yes") << false << "title" << "escape-title"
                                                                          << yes << true;
        QTest::newRow("nominal: unchanged new note, Esc in the body") << true << "none" << "escape-body" << 0 << true;
        QTest::newRow("nominal: unchanged edited note, close box") << false << "none" << "close" << 0 << true;
        QTest::newRow("nominal: unchanged edited note, Cancel") << false << "none" << "cancel" << 0 << true;
        QTest::newRow("robustness: title changed and typed back") << false << "title-back" << "escape-title" << 0
                                                                  << true;
        QTest::newRow("nominal: only the priority changed, Esc asks") << false << "priority" << "escape-title" << no
                                                                      << false;
        QTest::newRow("nominal: only the icon changed, close box asks") << false << "icon" << "close" << no << false;
        QTest::newRow("nominal: only the colour changed, Cancel asks") << true << "colour" << "cancel" << yes << true;
        QTest::newRow("robustness: priority changed and chosen back") << false << "priority-back" << "escape-title"
                                                                      << 0 << true;
    }
    void endingAskedOnlyWhenChanged()
    {
        QFETCH(bool, isNew);
        QFETCH(QString, change);
        QFETCH(QString, how);
        QFETCH(int, answer);
        QFETCH(bool, ends);
        f->stored.NoteTitle = QStringLiteral("ab");
        f->stored.NoteBody = rtfBody(QStringLiteral("stored body"));
        f->stored.NoteIcon = 2;
        frmAddNote &dlg = f->open(isNew);
        QTextEdit *body = f->body();
        QLineEdit *title = f->title();
        if (change == QLatin1String("body")) {
            body->setFocus();
            QTest::keyClicks(body, QStringLiteral("typed"));
        } else if (change == QLatin1String("title")) {
            title->setFocus();
            QTest::keyClicks(title, QStringLiteral("x"));
        } else if (change == QLatin1String("title-back")) {
            title->setFocus();
            QTest::keyClick(title, Qt::Key_End);
            QTest::keyClick(title, Qt::Key_Backspace);
            QTest::keyClicks(title, QStringLiteral("b"));
        } else if (change.startsWith(QLatin1String("priority"))) {
            QComboBox *priority = f->combo("cboPriority");
            const int was = priority->currentIndex();
            priority->setCurrentIndex(was + 1);
            if (change.endsWith(QLatin1String("back")))
                priority->setCurrentIndex(was);
        } else if (change == QLatin1String("icon")) {
            f->combo("CboIcon")->setCurrentIndex(9);
        } else if (change == QLatin1String("colour")) {
            f->prompter.colorAnswers.enqueue(QColor(200, 10, 10));
            QTest::mouseClick(f->child<QPushButton>("cmdOpen"), Qt::LeftButton);
        }
        const QString typedTitle = title->text();
        const QString typedBody = body->toPlainText();
        if (answer)
            f->prompter.msgAnswers.enqueue(answer);
        if (how == QLatin1String("escape-body"))
            QTest::keyClick(body, Qt::Key_Escape);
        else if (how == QLatin1String("escape-title"))
            QTest::keyClick(title, Qt::Key_Escape);
        else if (how == QLatin1String("close"))
            dlg.close();
        else
            QTest::mouseClick(f->child<QPushButton>("cmdCancel"), Qt::LeftButton);

        if (answer) {
            QCOMPARE(f->prompter.messages.size(), 1);
            QCOMPARE(f->prompter.messages.first().text, QStringLiteral("文档已修改，要放弃修改吗？"));
            QCOMPARE(f->prompter.messages.first().style, int(Prompter::QuestionDefaultNo));
            QCOMPARE(f->prompter.messages.first().title, QStringLiteral("提示"));
        } else {
            QVERIFY(f->prompter.messages.isEmpty());
        }
        QCOMPARE(dlg.isVisible(), !ends);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        if (!ends) {
            // Back in the editor with everything typed still there; OK stores it.
            QCOMPARE(title->text(), typedTitle);
            QCOMPARE(body->toPlainText(), typedBody);
            if (title->text().isEmpty())
                title->setText(QStringLiteral("t"));
            QTest::mouseClick(f->child<QPushButton>("cmdOK"), Qt::LeftButton);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QTextDocument back;
            rtf::readInto(f->dlg->note().NoteBody, &back);
            QCOMPARE(back.toPlainText(), typedBody);
        }
    }

    void fileChoosersStartInTheNotebooksFolder_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<bool>("isThere");
        QTest::newRow("nominal: the notebook's folder") << "notebooks" << true;
        QTest::newRow("robustness: folder gone, home instead") << "gone" << false;
        QTest::newRow("robustness: none given, home instead") << "" << false;
    }
    void fileChoosersStartInTheNotebooksFolder()
    {
        QFETCH(QString, given);
        QFETCH(bool, isThere);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("notebooks")));
        const QString folder = given.isEmpty() ? QString() : dir.filePath(given);
        f->open(true);
        f->dlg->setFileFolder(folder);
        // Both choosers cancelled: only where they started matters here.
        f->button("M_IMAGE")->trigger();
        f->button("M_OPEN")->trigger();
        const QString expected = isThere ? QDir(folder).absolutePath() : QDir::homePath();
        QCOMPARE(f->prompter.fileFolders, QStringList({expected, expected}));
    }

    void runThroughThePrompter()
    {
        frmAddNote dlg(f->state, f->prompter, f->icons, nullptr);
        f->prompter.dialogScripts.enqueue([](QDialog *d) {
            d->findChild<QLineEdit *>(QStringLiteral("txtTitle"))->setText(QStringLiteral("scripted"));
            QTest::mouseClick(d->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
            return d->result();
        });
        QCOMPARE(f->prompter.exec(&dlg), int(QDialog::Accepted));
        QCOMPARE(f->prompter.dialogClasses, QStringList{QStringLiteral("frmAddNote")});
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.note().NoteTitle, QStringLiteral("scripted"));
        QCOMPARE(dlg.note().NotePriority, QStringLiteral("一般"));
        QCOMPARE(dlg.note().NoteIcon, qint16(1));
        QCOMPARE(dlg.note().NoteColor, 0);
    }

    void colourChooser_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("nominal: the button") << "button" << true << true << qint32(0x00FF8040);
        QTest::newRow("nominal: left click on the colour box") << "left" << true << true << qint32(0x00FF8040);
        QTest::newRow("robustness: right click does nothing") << "right" << true << false << qint32(0x00123456);
        QTest::newRow("robustness: cancelled dialog keeps the colour") << "button" << false << true
                                                                       << qint32(0x00123456);
    }
    void colourChooser()
    {
        QFETCH(QString, how);
        QFETCH(bool, answered);
        QFETCH(bool, asked);
        QFETCH(qint32, expected);
        f->stored.NoteTitle = QStringLiteral("t");
        f->stored.NoteColor = 0x00123456;
        frmAddNote &dlg = f->open(false);
        f->prompter.colorAnswers.enqueue(answered ? std::optional<QColor>(QColor(0x40, 0x80, 0xFF)) : std::nullopt);
        if (how == QLatin1String("button"))
            QTest::mouseClick(f->child<QPushButton>("cmdOpen"), Qt::LeftButton);
        else
            QTest::mouseClick(f->child<QLabel>("PColor"), how == QLatin1String("left") ? Qt::LeftButton : Qt::RightButton,
                              {}, QPoint(5, 5));
        QCOMPARE(f->prompter.colorAnswers.isEmpty(), asked);
        QCOMPARE(dlg.titleColor(), expected);
        QCOMPARE(f->child<QLabel>("PColor")->palette().color(QPalette::Window), Tools::ColorFromBgr(expected));
    }

    void findInList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("nominal: exact") << "Times" << 1;
        QTest::newRow("nominal: letter case ignored") << "ARIAL" << 2;
        QTest::newRow("nominal: first of two equal items") << "twice" << 3;
        QTest::newRow("robustness: miss gives 0") << "Courier" << 0;
        QTest::newRow("robustness: empty text finds nothing") << "" << 0;
    }
    void findInList()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QComboBox combo;
        combo.addItems({QStringLiteral("Sans"), QStringLiteral("Times"), QStringLiteral("Arial"),
                        QStringLiteral("Twice"), QStringLiteral("twice")});
        QCOMPARE(frmAddNote::FindInList(&combo, text), expected);
    }

    void layoutFollowsTheWindow_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("nominal: larger window") << QSize(900, 640);
        QTest::newRow("nominal: design size") << QSize(578, 364);
    }
    void layoutFollowsTheWindow()
    {
        QFETCH(QSize, size);
        frmAddNote &dlg = f->open(true);
        dlg.resize(size);
        QTRY_COMPARE(dlg.size(), size);
        auto *ok = f->child<QPushButton>("cmdOK");
        auto *cancel = f->child<QPushButton>("cmdCancel");
        auto *bottom = f->child<QWidget>("pBottom");
        QCOMPARE(bottom->geometry(), QRect(0, size.height() - 37, size.width(), 37));
        QCOMPARE(cancel->geometry().right() + 1, size.width() - 4);
        QCOMPARE(cancel->x() - (ok->geometry().right() + 1), 8);
        QCOMPARE(f->title()->geometry().right() + 1, size.width() - 8);
        QCOMPARE(f->body()->geometry().right() + 1, size.width() - 4);
        QCOMPARE(f->body()->geometry().bottom() + 1, size.height() - 37 - 8);
        QCOMPARE(f->child<QWidget>("Line3D2")->geometry().right() + 1, size.width() - 4);
        QCOMPARE(f->child<QWidget>("Line3D1")->width(), size.width());
    }

    void tinyWindowKeepsLastSizes()
    {
        frmAddNote &dlg = f->open(true);
        dlg.resize(600, 400);
        QTRY_COMPARE(dlg.width(), 600);
        const QSize bodyBefore = f->body()->size();
        dlg.setMinimumSize(0, 0);
        // Too small for the body either way: it keeps its last size rather than failing.
        dlg.resize(6, 100);
        QTRY_COMPARE(dlg.size(), QSize(6, 100));
        QCOMPARE(f->body()->size(), bodyBefore);
        QVERIFY(f->title()->width() > 0);
        dlg.resize(600, 400);
        QTRY_COMPARE(f->body()->size(), bodyBefore);
    }

    void grabForReview()
    {
        const QString out = qEnvironmentVariable("QB_EDITOR_GRAB");
        if (out.isEmpty())
            QSKIP("set QB_EDITOR_GRAB to a PNG path to save pictures of the editor");
        f->stored.NoteTitle = QStringLiteral("周会记录 Weekly notes");
        f->stored.NoteColor = 0x000000C0;
        f->stored.NotePriority = QStringLiteral("重要");
        f->stored.NoteIcon = 4;
        f->stored.NoteBody = rtfBody(QStringLiteral("会议纪要：\n讨论新版本的发布计划\nReview the bug list\n"));
        frmAddNote &dlg = f->open(false);
        f->select(0, 5);
        f->button("M_BOLD")->trigger();
        f->select(7, 20);
        f->button("M_BULLET")->trigger();
        // A picture far wider than the body.
        QImage wide(2400, 300, QImage::Format_RGB32);
        wide.fill(QColor(70, 140, 210));
        const QString picture = QDir::temp().filePath(QStringLiteral("qb-editor-wide.png"));
        QVERIFY(wide.save(picture));
        f->select(f->body()->document()->characterCount() - 1, 0);
        f->prompter.openAnswers.enqueue(picture);
        f->button("M_IMAGE")->trigger();
        f->select(2, 2);
        QTest::qWait(100);
        QVERIFY(dlg.grab().save(out));

        // A new note whose empty title was refused.
        f->open(true);
        QTest::mouseClick(f->child<QPushButton>("cmdOK"), Qt::LeftButton);
        QTest::qWait(50);
        QString second = out;
        second.replace(QLatin1String(".png"), QLatin1String("-new.png"));
        QVERIFY(f->dlg->grab().save(second));
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
