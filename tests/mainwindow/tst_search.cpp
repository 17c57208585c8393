// The search box over the real window: typing, Enter, Esc, Ctrl+F, the results in the list, the
// hits marked in the preview, note commands on a result, and an older notebook's index.
#include "CommandTesting.h"
#include "WindowProbe.h"

#include "dialogs/frmOptions.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/SearchBox.h"
#include "search/ChineseVariants.h"
#include "search/NoteIndex.h"
#include "search/NoteSearch.h"
#include "util/NoteDate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <SQLiteCpp/Database.h>

using namespace CommandTesting;

namespace {

QString rtf(const QString &text)
{
    QString out = QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil 宋体;}}\\f0 ");
    for (const QChar c : text)
        out += c.unicode() < 128 ? QString(c) : QStringLiteral("\\u%1?").arg(c.unicode());
    return out + QStringLiteral("\\par}");
}

QList<GroupSpec> searchGroups()
{
    return {
        {QStringLiteral("工作"),
         {{QStringLiteral("会议记录"), rtf(QStringLiteral("你好世界，周一开会")), 0, QStringLiteral("一般"), 1,
           QStringLiteral("2026/3/2 09:15")},
          {QStringLiteral("Budget"), QStringLiteral("Install DEBIAN; debian is fine"), 0, QStringLiteral("一般"), 1,
           QStringLiteral("2026/5/1 08:00")},
          {QStringLiteral("周报"), rtf(QStringLiteral("本周完成")), 0, QStringLiteral("一般"), 1,
           QStringLiteral("2026/1/1 08:00")}}},
        {QStringLiteral("生活"),
         {{QStringLiteral("世界地图"), rtf(QStringLiteral("旅行计划 Ｄｅｂｉａｎ 光盘")), 0, QStringLiteral("一般"), 1,
           QStringLiteral("2026/1/9 18:00")}}},
    };
}

QStringList column(frmmain &w, int col)
{
    QStringList out;
    for (int r = 0; r < probe(w).noteList()->count(); ++r)
        out << probe(w).noteList()->model()->index(r, col).data().toString();
    return out;
}

// Typed key by key, as a keyboard (or an input method) delivers Chinese text.
void type(QWidget *box, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_A, QString(c), Qt::NoModifier);
}

QStringList marks(frmmain &w)
{
    QStringList out;
    for (const QTextEdit::ExtraSelection &s : probe(w).preview()->extraSelections())
        out << QStringLiteral("%1+%2").arg(s.cursor.selectionStart()).arg(s.cursor.selectionEnd() - s.cursor.selectionStart());
    return out;
}

// 5,000 notes in group 1 as a program before the index wrote them: all wait for the index, which
// the window then builds on a worker. Every third is about 世界, the others about 日记.
void addOlderNotes(const QString &book)
{
    SQLite::Database db(book.toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Statement add(db, "INSERT INTO Notes (nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, "
                              "nGroupID, nColor, nNote) VALUES (?, '2026/1/1 10:00', '2026/1/1 10:00', "
                              "'一般', 1, 1, '0', ?)");
    db.exec("BEGIN");
    for (int i = 0; i < 5000; ++i) {
        add.bind(1, QStringLiteral("旧记事%1").arg(i).toStdString());
        add.bind(2, rtf(i % 3 == 0 ? QStringLiteral("早年的世界") : QStringLiteral("早年的日记")).toStdString());
        add.exec();
        add.reset();
    }
    db.exec("COMMIT");
}

} // namespace

class tst_Search : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { h.reset(); }
    void results_data();
    void results();
    void keys();
    void variantsOptionRerunsTheSearch();
    void resultActions_data();
    void resultActions();
    void olderNotebookIndexedMeanwhile();
    void onlyTheLastSearchIsListed_data();
    void onlyTheLastSearchIsListed();
    void resultsAndListAgreeOnDates_data();
    void resultsAndListAgreeOnDates();

private:
    frmmain &open()
    {
        NoteIndex::attach(h->db);
        MainWindowHarness::mustMakeNotebook(book, searchGroups());
        frmmain &w = h->start({book});
        w.show();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            qWarning("the window never became active");
        return w;
    }
    std::unique_ptr<MainWindowHarness> h;
    QString book;
};

void tst_Search::init()
{
    h = std::make_unique<MainWindowHarness>();
    book = h->path(QStringLiteral("s.qbf"));
}

void tst_Search::results_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("how"); // "pause": typed, then the pause; "enter": Enter at once
    QTest::addColumn<int>("scope");   // 0 whole notebook, 1 the selected group (工作)
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("clicked");        // the result then clicked (1-based)
    QTest::addColumn<QStringList>("marked"); // in its preview: start+length of each mark

    QTest::newRow("nominal: a title hit before a body hit, marked in the preview")
        << "世界" << "pause" << 0 << QStringList{"世界地图", "会议记录"} << QStringList{"生活", "工作"}
        << "找到 2 篇记事" << 2 << QStringList{"2+2"};
    QTest::newRow("nominal: Latin letters of any case, with Enter")
        << "debian" << "enter" << 0 << QStringList{"Budget", "世界地图"} << QStringList{"工作", "生活"}
        << "找到 2 篇记事" << 1 << QStringList{"8+6", "16+6"};
    QTest::newRow("nominal: full-width letters marked as the half-width ones")
        << "DEBIAN" << "pause" << 0 << QStringList{"Budget", "世界地图"} << QStringList{"工作", "生活"}
        << "找到 2 篇记事" << 2 << QStringList{"5+6"};
    QTest::newRow("nominal: the selected group only")
        << "世界" << "enter" << 1 << QStringList{"会议记录"} << QStringList{"工作"} << "找到 1 篇记事" << 1
        << QStringList{"2+2"};
    QTest::newRow("nominal: two terms at an ideographic space, both marked")
        << "周一　你好" << "pause" << 0 << QStringList{"会议记录"} << QStringList{"工作"} << "找到 1 篇记事"
        << 1 << QStringList{"0+2", "5+2"};
    QTest::newRow("boundary: nothing found") << "火星" << "pause" << 0 << QStringList{} << QStringList{}
                                             << "没有找到记事" << 0 << QStringList{};
}

// Typing waits for the pause, Enter does not; the results replace the list with their groups,
// and a clicked result shows its hits marked, the first in view.
void tst_Search::results()
{
    QFETCH(QString, typed);
    QFETCH(QString, how);
    QFETCH(int, scope);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, groups);
    QFETCH(QString, status);
    QFETCH(int, clicked);
    QFETCH(QStringList, marked);

    frmmain &w = open();
    QCOMPARE(probe(w).groupCaption()->text(), QStringLiteral("工作"));
    probe(w).searchBox()->scope()->setCurrentIndex(scope);
    w.run(Cmd::FindNotes);
    type(probe(w).searchBox()->edit(), typed);
    // Nothing runs while the user is still typing.
    QVERIFY(!w.showingResults());
    QVERIFY(probe(w).searchBox()->pause()->isActive());
    if (how == "enter") {
        QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Return);
        QVERIFY(w.showingResults());
        QVERIFY(!probe(w).searchBox()->pause()->isActive());
    } else {
        QTRY_VERIFY(w.showingResults());
    }
    QCOMPARE(column(w, 0), titles);
    QCOMPARE(probe(w).noteList()->model()->headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("分组"));
    QCOMPARE(column(w, 4), groups);
    QCOMPARE(probe(w).noteCount()->text(), status);

    if (clicked == 0)
        return;
    w.SelectItem(clicked);
    QCOMPARE(marks(w), marked);
    QCOMPARE(probe(w).preview()->textCursor().position(), marked.first().section(QLatin1Char('+'), 0, 0).toInt());

    // Sorting by a column keeps the results and their groups together.
    Q_EMIT probe(w).noteList()->columnClick(5);
    QCOMPARE(probe(w).noteList()->count(), titles.size());
    QVERIFY(w.showingResults());
}

// 繁简通用 switched on in the options dialog applies to the results shown at once.
void tst_Search::variantsOptionRerunsTheSearch()
{
    if (ChineseVariants::of(QStringLiteral("會議")).size() < 2)
        QSKIP("no Traditional/Simplified conversion data (libopencc-data)");
    frmmain &w = open();
    w.run(Cmd::FindNotes);
    type(probe(w).searchBox()->edit(), QStringLiteral("會議"));
    QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Return);
    QCOMPARE(probe(w).noteCount()->text(), QStringLiteral("没有找到记事"));

    h->prompter.dialogScripts.enqueue([](QDialog *d) {
        ChildLookup::child<QCheckBox>(*d, "chkVariants")->setChecked(true);
        qobject_cast<frmOptions *>(d)->cmdOK_Click();
        return d->result();
    });
    w.run(Cmd::Options);
    QCOMPARE(h->readSetting(QStringLiteral("SearchVariants")), QStringLiteral("1"));
    QVERIFY(w.showingResults());
    QCOMPARE(column(w, 0), QStringList{QStringLiteral("会议记录")});
}

// Ctrl+F puts the caret in the box with its text selected; Esc there ends the search, back at
// the group and note chosen before, and never quits even when Esc is set to quit.
void tst_Search::keys()
{
    h->writeSetting(QStringLiteral("QuickExit"), QStringLiteral("1"));
    frmmain &w = open();
    QCOMPARE(h->settings.gQuickExit, 1);
    w.SelectItem(2);
    QCOMPARE(probe(w).noteCaption()->text(), QStringLiteral("Budget 文档内容"));
    QVERIFY(probe(w).searchBox()->isEnabled());

    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(probe(w).searchBox()->edit()->hasFocus());
    type(probe(w).searchBox()->edit(), QStringLiteral("世界"));
    QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Return);
    QCOMPARE(probe(w).noteList()->count(), 2);
    w.SelectItem(1);
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(probe(w).searchBox()->edit()->hasFocus());
    QCOMPARE(probe(w).searchBox()->edit()->selectedText(), QStringLiteral("世界"));

    QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Escape);
    QVERIFY(w.isVisible());
    QVERIFY(!w.showingResults());
    QCOMPARE(probe(w).searchBox()->edit()->text(), QString());
    QCOMPARE(probe(w).groupCaption()->text(), QStringLiteral("工作"));
    QCOMPARE(probe(w).noteCount()->text(), QStringLiteral("3 个文档"));
    QCOMPARE(probe(w).noteList()->model()->columnCount(), 4);
    QCOMPARE(probe(w).noteCaption()->text(), QStringLiteral("Budget 文档内容"));
    QVERIFY(probe(w).preview()->extraSelections().isEmpty());

    // Emptying the box by hand does the same.
    type(probe(w).searchBox()->edit(), QStringLiteral("周"));
    QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Return);
    QCOMPARE(column(w, 0), (QStringList{"周报", "会议记录"}));
    QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Backspace);
    QVERIFY(!w.showingResults());
    QCOMPARE(probe(w).noteList()->count(), 3);

    // Asking for the box brings back a hidden toolbar.
    w.run(Cmd::ShowToolbar);
    QVERIFY(probe(w).toolbar()->isHidden());
    w.run(Cmd::FindNotes);
    QVERIFY(!probe(w).toolbar()->isHidden());
    QTRY_VERIFY(probe(w).searchBox()->edit()->hasFocus());

    // With no notebook open there is nothing to search.
    MainWindowHarness none;
    QVERIFY(!probe(none.start({none.path(QStringLiteral("none.qbf"))})).searchBox()->isEnabled());
}

void tst_Search::resultActions_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("clicked");         // of the results 世界地图 (生活), 会议记录 (工作)
    QTest::addColumn<QString>("target");      // of a move: the group chosen, never the note's own
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<QString>("selected"); // the note shown afterwards

    QTest::newRow("nominal: an edited result is listed as it is now")
        << "edit" << 2 << "" << QStringList{"世界新闻", "世界地图"} << QStringList{"工作", "生活"} << "世界新闻";
    QTest::newRow("nominal: a moved result shows its new group")
        << "move" << 2 << "生活" << QStringList{"世界地图", "会议记录"} << QStringList{"生活", "生活"} << "会议记录";
    QTest::newRow("nominal: a result moved into the group selected in the tree")
        << "move" << 1 << "工作" << QStringList{"世界地图", "会议记录"} << QStringList{"工作", "工作"} << "世界地图";
    QTest::newRow("nominal: a deleted result leaves the results")
        << "delete" << 2 << "" << QStringList{"世界地图"} << QStringList{"生活"} << "";
}

// Editing, moving and deleting a result keep the results shown, run again over the change.
void tst_Search::resultActions()
{
    QFETCH(QString, command);
    QFETCH(int, clicked);
    QFETCH(QString, target);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, groups);
    QFETCH(QString, selected);

    frmmain &w = open();
    type(probe(w).searchBox()->edit(), QStringLiteral("世界"));
    QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Return);
    QCOMPARE(column(w, 0), (QStringList{"世界地图", "会议记录"}));
    w.SelectItem(clicked);
    QStringList offered;
    if (command == "edit") {
        h->prompter.dialogScripts.enqueue(writeNote(QStringLiteral("世界新闻")));
        w.run(Cmd::EditNote);
    } else if (command == "move") {
        h->prompter.dialogScripts.enqueue(moveTo(target, &offered));
        w.run(Cmd::MoveNote);
        QCOMPARE(offered, QStringList{target});
    } else {
        h->prompter.msgAnswers.enqueue(Prompter::Yes);
        w.run(Cmd::DeleteNote);
    }
    QVERIFY(w.showingResults());
    QCOMPARE(column(w, 0), titles);
    QCOMPARE(column(w, 4), groups);
    QCOMPARE(probe(w).noteCount()->text(), QStringLiteral("找到 %1 篇记事").arg(titles.size()));
    QCOMPARE(probe(w).noteCaption()->text(), selected.isEmpty() ? QString() : selected + QStringLiteral(" 文档内容"));
}

// A notebook written without the index (every note waiting for it) is indexed by a worker while
// the window is used; a search meanwhile is exact all the same.
void tst_Search::olderNotebookIndexedMeanwhile()
{
    MainWindowHarness::mustMakeNotebook(book, {{QStringLiteral("旧"), {}}});
    addOlderNotes(book);
    NoteIndex::attach(h->db);
    frmmain &w = h->start({book});
    w.show();
    auto *progress = w.findChild<QLabel *>(QStringLiteral("lblIndex"));
    QVERIFY(!progress->isHidden());

    // While the worker builds, a search runs beside it and the list follows when it is done;
    // Esc meanwhile drops it.
    type(probe(w).searchBox()->edit(), QStringLiteral("世界"));
    QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Return);
    QCOMPARE(probe(w).noteCount()->text(), QStringLiteral("正在搜索..."));
    QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Escape);
    QCOMPARE(probe(w).noteCount()->text(), QStringLiteral("5000 个文档"));

    // Cancelled, the build keeps what it did; the next open resumes it.
    Q_EMIT progress->linkActivated(QStringLiteral("cancel"));
    QTRY_VERIFY(progress->isHidden());
    const qint64 left = NoteSearch(h->db).unindexed();
    QVERIFY(left > 0);
    type(probe(w).searchBox()->edit(), QStringLiteral("世界"));
    QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(probe(w).noteCount()->text(), QStringLiteral("找到 1667 篇记事，只列出前 500 篇"), 60000);
    QCOMPARE(NoteSearch(h->db).unindexed(), left);

    h->prompter.openAnswers.enqueue(book);
    w.run(Cmd::OpenNotebook);
    QVERIFY(!progress->isHidden());
    type(probe(w).searchBox()->edit(), QStringLiteral("世界"));
    QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(probe(w).noteCount()->text(), QStringLiteral("找到 1667 篇记事，只列出前 500 篇"), 60000);
    QCOMPARE(probe(w).noteList()->count(), 500);
    QTRY_VERIFY_WITH_TIMEOUT(progress->isHidden(), 60000);
    QCOMPARE(NoteSearch(h->db).unindexed(), 0);
}

void tst_Search::onlyTheLastSearchIsListed_data()
{
    // Each step: "?text" types text into the emptied box and presses Enter; "group" narrows the
    // scope to the selected group (旧); "esc" ends the search.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("first"); // the first result's title

    QTest::newRow("nominal: the query typed last")
        << QStringList{"?世界", "?日记"} << "找到 3333 篇记事，只列出前 500 篇" << "旧记事4999";
    QTest::newRow("robustness: the same query in a narrower scope")
        << QStringList{"?世界", "group"} << "找到 1667 篇记事，只列出前 500 篇" << "旧记事4998";
    QTest::newRow("robustness: a query ended, then another asked")
        << QStringList{"?日记", "esc", "?世界"} << "找到 1668 篇记事，只列出前 500 篇" << "世界新闻";
}

// While the index is being built every search runs on a worker; one asked for meanwhile takes the
// place of the one running, whose answer never reaches the list, even for the same text.
void tst_Search::onlyTheLastSearchIsListed()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, status);
    QFETCH(QString, first);
    MainWindowHarness::mustMakeNotebook(
        book, {{QStringLiteral("旧"), {}},
               {QStringLiteral("新"), {{QStringLiteral("世界新闻"), rtf(QStringLiteral("今天")), 0, QStringLiteral("一般"),
                                        1, QStringLiteral("2026/2/1 08:00")}}}});
    addOlderNotes(book);
    NoteIndex::attach(h->db);
    frmmain &w = h->start({book});
    w.show();
    QVERIFY(!w.findChild<QLabel *>(QStringLiteral("lblIndex"))->isHidden());
    // Every time the list is filled with results.
    int fills = 0;
    NoteListModel *model = probe(w).noteList()->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, [&] { fills += model->groupColumn() ? 1 : 0; });

    QLineEdit *box = probe(w).searchBox()->edit();
    for (const QString &step : steps) {
        if (step == QLatin1String("esc")) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (step == QLatin1String("group")) {
            probe(w).searchBox()->scope()->setCurrentIndex(1);
            Q_EMIT probe(w).searchBox()->scope()->activated(1);
        } else {
            box->clear();
            type(box, step.mid(1));
            QTest::keyClick(box, Qt::Key_Return);
        }
        if (step != QLatin1String("esc"))
            QCOMPARE(probe(w).noteCount()->text(), QStringLiteral("正在搜索..."));
    }
    QTRY_COMPARE_WITH_TIMEOUT(probe(w).noteCount()->text(), status, 60000);
    QCOMPARE(fills, 1);
    QCOMPARE(column(w, 0).value(0), first);
}

void tst_Search::resultsAndListAgreeOnDates_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("nominal: month first, two-digit year") << "en_US";
    QTest::newRow("nominal: day first") << "en_GB";
    QTest::newRow("nominal: day first with points, two-digit year") << "de_DE";
    QTest::newRow("nominal: year first") << "zh_CN";
}

// Notes stamped in the user's locale: the results rank by date as the list sorts by 修改时间,
// newest first, and both are right.
void tst_Search::resultsAndListAgreeOnDates()
{
    QFETCH(QString, locale);
    const QLocale before;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
    const QList<QDateTime> newestFirst = {QDateTime(QDate(2030, 1, 2), QTime(0, 0)),
                                          QDateTime(QDate(2026, 2, 1), QTime(7, 0)),
                                          QDateTime(QDate(2026, 1, 12), QTime(8, 0)),
                                          QDateTime(QDate(2001, 12, 31), QTime(23, 59))};
    GroupSpec group{QStringLiteral("工作"), {}};
    // Written oldest first, so that neither the IDs nor the texts give the order.
    for (auto it = newestFirst.rbegin(); it != newestFirst.rend(); ++it)
        group.notes.append({it->toString(QStringLiteral("yyyy-MM-dd")), QStringLiteral("到期"), 0,
                            QStringLiteral("一般"), 1, Tools::NoteDateText(*it)});
    NoteIndex::attach(h->db);
    MainWindowHarness::mustMakeNotebook(book, {group});
    frmmain &w = h->start({book});
    QStringList expected;
    for (const QDateTime &d : newestFirst)
        expected << d.toString(QStringLiteral("yyyy-MM-dd"));

    Q_EMIT probe(w).noteList()->columnClick(3);
    if (column(w, 0) != expected)
        Q_EMIT probe(w).noteList()->columnClick(3); // the direction flips on each click
    QCOMPARE(column(w, 0), expected);

    w.run(Cmd::FindNotes);
    type(probe(w).searchBox()->edit(), QStringLiteral("到期"));
    QTest::keyClick(probe(w).searchBox()->edit(), Qt::Key_Return);
    QVERIFY(w.showingResults());
    QCOMPARE(column(w, 0), expected);
}

QTEST_MAIN(tst_Search)
#include "tst_search.moc"
