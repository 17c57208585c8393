// Clicks on the group tree and the note list, and the state each one leaves behind.
#include "MainWindowHarness.h"
#include "WindowProbe.h"

#include "controls/SortHeader.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NodeKeys.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QTextEdit>
#include <QTreeView>
#include <QtTest>

namespace {

QPoint nodePoint(GroupTree *tree, int index)
{
    return tree->visualItemRect(tree->node(index)).center();
}

void clickNode(frmmain &w, int index, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(probe(w).groupTree()->viewport(), button, {}, nodePoint(probe(w).groupTree(), index));
}

QAbstractItemView *listView(frmmain &w)
{
    return probe(w).noteList()->activeView();
}

void pressItem(frmmain &w, int index, Qt::MouseButton button = Qt::LeftButton)
{
    QAbstractItemView *v = listView(w);
    const QRect r = v->visualRect(probe(w).noteList()->model()->index(index - 1, 0));
    QTest::mouseClick(v->viewport(), button, {}, r.center());
}

void pressEmptyListArea(frmmain &w, Qt::MouseButton button)
{
    QAbstractItemView *v = listView(w);
    QTest::mouseClick(v->viewport(), button, {}, QPoint(v->viewport()->width() - 5, v->viewport()->height() - 5));
}

QStringList titles(frmmain &w)
{
    QStringList out;
    for (int i = 0; i < probe(w).noteList()->count(); ++i)
        out << probe(w).noteList()->model()->item(i).text;
    return out;
}

// Enabled states as a compact string: one character per entry, '1' or '0'.
QString states(frmmain &w, const QList<Cmd> &buttons, const QList<QAction *> &items)
{
    QString s;
    for (Cmd b : buttons)
        s += w.action(b)->isEnabled() ? '1' : '0';
    s += '|';
    for (QAction *a : items)
        s += a->isEnabled() ? '1' : '0';
    return s;
}

QString commandStates(frmmain &w)
{
    return states(w, {Cmd::AddGroup, Cmd::DeleteGroup, Cmd::AddNote, Cmd::EditNote, Cmd::DeleteNote},
                  {probe(w).item("mnuMove"), probe(w).item("mnuDelete1"), probe(w).item("mnuRename1"),
                   probe(w).item("mnuNewNote1"), probe(w).item("mnuEdit1"), probe(w).item("mnuDelete2"),
                   probe(w).item("mnuMove1")});
}

} // namespace

class tst_TreeList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void nodeClick_data();
    void nodeClick();
    void itemClickMakesTheCurrentNote_data();
    void itemClickMakesTheCurrentNote();
    void popupMenus_data();
    void popupMenus();
    void selectNodeOutOfRangeOnlyEmptiesThePreview();
    void groupNameExists_data();
    void groupNameExists();
    void sortToggle_data();
    void sortToggle();
    void dateColumnsSortByDate_data();
    void dateColumnsSortByDate();
    void columnColours();
    void iconLayoutSharesTheList();
    void keysAndDoubleClicks_data();
    void keysAndDoubleClicks();
    void arrowKeysSelectLikeClicks();

private:
    std::unique_ptr<MainWindowHarness> h;
    frmmain *w = nullptr;
};

void tst_TreeList::init()
{
    h = std::make_unique<MainWindowHarness>();
    QCOMPARE(h->showOnSample(QStringLiteral("t.qbf")), QString());
    w = h->window.get();
}

void tst_TreeList::cleanup()
{
    h.reset();
    w = nullptr;
}

void tst_TreeList::nodeClick_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<int>("items");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("enabled"); // buttons add group, delete group, add note, edit note,
                                          // delete note | mnuMove mnuDelete1 mnuRename1
                                          // mnuNewNote1 mnuEdit1 mnuDelete2 mnuMove1

    QTest::newRow("nominal: a group lists its notes") << 2 << 3 << "3 个文档" << "工作" << "11100|0111000";
    QTest::newRow("nominal: the root lists every note, group commands off")
        << 1 << 4 << "4 个文档" << "t.qbf" << "10000|0000000";
    QTest::newRow("nominal: an empty group") << 4 << 0 << "0 个文档" << "空组" << "11100|0111000";
}

void tst_TreeList::nodeClick()
{
    QFETCH(int, node);
    QFETCH(int, items);
    QFETCH(QString, status);
    QFETCH(QString, caption);
    QFETCH(QString, enabled);

    // Start from a clicked note, so the click has something to take away.
    pressItem(*w, 1);
    QVERIFY(w->action(Cmd::EditNote)->isEnabled());

    clickNode(*w, node);
    QCOMPARE(probe(*w).groupTree()->selectedIndex(), node);
    QCOMPARE(probe(*w).nodeIndex(), node);
    QCOMPARE(probe(*w).noteList()->count(), items);
    QCOMPARE(probe(*w).noteCount()->text(), status);
    QCOMPARE(probe(*w).groupCaption()->text(), caption);
    QCOMPARE(commandStates(*w), enabled);
    // The preview is emptied by every node click.
    QCOMPARE(probe(*w).preview()->toPlainText(), QString());
    QCOMPARE(probe(*w).noteCaption()->text(), QString());
    QVERIFY(!probe(*w).noteIcon()->isVisible());
    if (node > 1) {
        QCOMPARE(h->state.CurrentGroupName, caption);
        QCOMPARE(probe(*w).groupId(), GroupTree::keyOf(probe(*w).groupTree()->node(node)).mid(1).toLongLong());
    }
    QVERIFY(h->popups.isEmpty());
    QCOMPARE(probe(*w).treeButton(), 1);
}

void tst_TreeList::itemClickMakesTheCurrentNote_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("preview");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("priority");

    QTest::newRow("nominal: RTF body") << 2 << 1 << "会议记录" << "周一开会 agenda" << 3 << "重要";
    QTest::newRow("nominal: plain-text body") << 2 << 2 << "Budget" << "plain body text" << 5 << "一般";
    QTest::newRow("nominal: empty body") << 2 << 3 << "alpha plan" << "" << 2 << "私密";
    QTest::newRow("nominal: a note listed under the root") << 1 << 4 << "购物清单" << "牛奶 面包" << 7 << "普通";
}

void tst_TreeList::itemClickMakesTheCurrentNote()
{
    QFETCH(int, node);
    QFETCH(int, item);
    QFETCH(QString, title);
    QFETCH(QString, preview);
    QFETCH(int, icon);
    QFETCH(QString, priority);

    clickNode(*w, node);
    pressItem(*w, item);
    QCOMPARE(probe(*w).itemIndex(), item);
    QCOMPARE(probe(*w).noteList()->selectedIndex(), item);
    QCOMPARE(h->state.note.NoteTitle, title);
    QCOMPARE(int(h->state.note.NoteIcon), icon);
    QCOMPARE(h->state.note.NotePriority, priority);
    QCOMPARE(probe(*w).noteId(), probe(*w).noteList()->model()->item(item - 1).key.mid(1).toLongLong());
    QCOMPARE(h->db.LoadNoteBody(probe(*w).noteId()), h->state.note.NoteBody);
    QCOMPARE(probe(*w).preview()->toPlainText().trimmed(), preview);
    QCOMPARE(probe(*w).noteCaption()->text(), title + QStringLiteral(" 文档内容"));
    QVERIFY(probe(*w).noteIcon()->isVisible());
    // Even under the root, a clicked note can be edited, deleted and moved.
    QCOMPARE(commandStates(*w).mid(3, 2), QStringLiteral("11"));
    QCOMPARE(commandStates(*w).right(3), QStringLiteral("111"));
    QVERIFY(h->popups.isEmpty());
}

void tst_TreeList::popupMenus_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QStringList>("popups");
    // mnuEditNote mnuDel mnuMove mnuHistory mnuExportNote1 afterwards, "" = not checked
    QTest::addColumn<QString>("noteMenu");

    QTest::newRow("nominal: right click on a group") << "right-group" << QStringList{"mnuGroup"} << "";
    QTest::newRow("nominal: right then left click shows the menu once")
        << "right-left-group" << QStringList{"mnuGroup"} << "";
    QTest::newRow("nominal: no menu for the root") << "right-root" << QStringList{} << "";
    QTest::newRow("nominal: right click on a note shows its menu once")
        << "right-item" << QStringList{"mnuNote"} << "11111";
    QTest::newRow("nominal: right press beside the clicked note") << "right-empty" << QStringList{"mnuNote"}
                                                                  << "11111";
    QTest::newRow("robustness: right press on an empty list offers nothing to edit")
        << "right-empty-group" << QStringList{"mnuNote"} << "00000";
    QTest::newRow("robustness: another group's notes, none clicked: no note row acts on the old note")
        << "right-empty-other-group" << QStringList{"mnuNote"} << "00000";
    QTest::newRow("robustness: no note menu while no group exists")
        << "right-no-groups" << QStringList{} << "";
    QTest::newRow("robustness: arrow keys after a right click show no menu")
        << "right-item-then-key" << QStringList{"mnuNote"} << "11111";
}

void tst_TreeList::popupMenus()
{
    QFETCH(QString, gesture);
    QFETCH(QStringList, popups);
    QFETCH(QString, noteMenu);

    if (gesture == "right-group") {
        clickNode(*w, 3, Qt::RightButton);
        QCOMPARE(probe(*w).groupTree()->selectedIndex(), 3);
        QCOMPARE(probe(*w).noteList()->count(), 1); // refilled before the menu
    } else if (gesture == "right-left-group") {
        clickNode(*w, 3, Qt::RightButton);
        clickNode(*w, 2);
    } else if (gesture == "right-root") {
        clickNode(*w, 1, Qt::RightButton);
        QCOMPARE(probe(*w).groupTree()->selectedIndex(), 1);
    } else if (gesture == "right-item") {
        pressItem(*w, 2, Qt::RightButton);
        QCOMPARE(probe(*w).noteList()->selectedIndex(), 2);
        QCOMPARE(h->state.note.NoteTitle, QStringLiteral("Budget"));
    } else if (gesture == "right-empty") {
        pressEmptyListArea(*w, Qt::RightButton);
    } else if (gesture == "right-empty-group") {
        clickNode(*w, 4);
        pressEmptyListArea(*w, Qt::RightButton);
    } else if (gesture == "right-empty-other-group") {
        QVERIFY(probe(*w).noteId() > 0); // the first group's note, clicked at start
        clickNode(*w, 3);
        QVERIFY(probe(*w).noteList()->count() > 0);
        pressEmptyListArea(*w, Qt::RightButton);
    } else if (gesture == "right-no-groups") {
        MainWindowHarness bare;
        const QString book = bare.path(QStringLiteral("bare.qbf"));
        QCOMPARE(MainWindowHarness::makeNotebook(book, {}), QString());
        frmmain &b = bare.start({book});
        b.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b));
        QCOMPARE(probe(b).groupTree()->nodeCount(), 1);
        pressEmptyListArea(b, Qt::RightButton);
        QCOMPARE(bare.popups, popups);
        return;
    } else if (gesture == "right-item-then-key") {
        pressItem(*w, 1, Qt::RightButton);
        QTest::keyClick(listView(*w), Qt::Key_Down);
        QCOMPARE(probe(*w).noteList()->selectedIndex(), 2);
        QCOMPARE(h->state.note.NoteTitle, QStringLiteral("Budget"));
    }
    QCOMPARE(h->popups, popups);
    if (!noteMenu.isEmpty())
        QCOMPARE(states(*w, {},
                        {probe(*w).item("mnuEditNote"), probe(*w).item("mnuDel"), probe(*w).item("mnuMove"),
                         probe(*w).item("mnuHistory"), probe(*w).item("mnuExportNote1")}),
                 QStringLiteral("|") + noteMenu);
}

void tst_TreeList::selectNodeOutOfRangeOnlyEmptiesThePreview()
{
    QCOMPARE(probe(*w).noteList()->count(), 3);
    QVERIFY(!probe(*w).preview()->toPlainText().isEmpty());
    w->SelectNode(9);
    QCOMPARE(probe(*w).preview()->toPlainText(), QString());
    QCOMPARE(probe(*w).noteList()->count(), 3);
    QCOMPARE(probe(*w).nodeIndex(), 2);
    QCOMPARE(probe(*w).groupTree()->selectedIndex(), 2);
}

void tst_TreeList::groupNameExists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");

    QTest::newRow("nominal: same text") << "Work" << true;
    QTest::newRow("nominal: other letter case") << "WORK" << true;
    QTest::newRow("nominal: Chinese name") << "家" << true;
    QTest::newRow("robustness: trailing blank is another name") << "Work " << false;
    QTest::newRow("robustness: the root's text never matches") << "g.qbf" << false;
    QTest::newRow("robustness: empty name") << "" << false;
}

void tst_TreeList::groupNameExists()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    MainWindowHarness g;
    const QString book = g.path(QStringLiteral("g.qbf"));
    QCOMPARE(MainWindowHarness::makeNotebook(book, {{QStringLiteral("work"), {}}, {QStringLiteral("家"), {}}}),
             QString());
    frmmain &gw = g.start({book});
    QCOMPARE(probe(gw).groupNameExists(name), exists);
}

void tst_TreeList::sortToggle_data()
{
    QTest::addColumn<QList<int>>("columns"); // header sections clicked, 1-based; 0 = click the group again
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<int>("iconColumn"); // 0-based
    QTest::addColumn<int>("image");      // 0 ascending, 1 descending

    const QString meeting = QStringLiteral("会议记录");
    QTest::newRow("nominal: as stored before any click")
        << QList<int>{} << QStringList{meeting, "Budget", "alpha plan"} << 0 << 1;
    QTest::newRow("nominal: the user's first click sorts ascending")
        << QList<int>{1} << QStringList{"alpha plan", "Budget", meeting} << 0 << 0;
    QTest::newRow("nominal: the second click descends")
        << QList<int>{1, 1} << QStringList{meeting, "Budget", "alpha plan"} << 0 << 1;
    QTest::newRow("nominal: the direction does not restart per column")
        << QList<int>{1, 2} << QStringList{meeting, "alpha plan", "Budget"} << 1 << 1;
    QTest::newRow("nominal: a date column sorts")
        << QList<int>{1, 1, 3} << QStringList{"Budget", "alpha plan", meeting} << 2 << 0;
    QTest::newRow("robustness: a refill switches sorting off, the image stays")
        << QList<int>{1, 0} << QStringList{meeting, "Budget", "alpha plan"} << 0 << 0;
}

void tst_TreeList::sortToggle()
{
    QFETCH(QList<int>, columns);
    QFETCH(QStringList, order);
    QFETCH(int, iconColumn);
    QFETCH(int, image);

    QHeaderView *header = probe(*w).noteList()->reportView()->header();
    for (int c : columns) {
        if (c == 0) {
            clickNode(*w, 2);
            continue;
        }
        const int x = header->sectionViewportPosition(c - 1) + header->sectionSize(c - 1) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    QCOMPARE(titles(*w), order);
    QCOMPARE(probe(*w).noteList()->header()->sortIconColumn(), iconColumn);
    const QImage shown
        = probe(*w).noteList()->header()->sortIcon().pixmap(probe(*w).sortImages().at(image).size()).toImage();
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32),
             probe(*w).sortImages().at(image).toImage().convertToFormat(QImage::Format_ARGB32));
}

void tst_TreeList::dateColumnsSortByDate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("column"); // 0-based
    QTest::addColumn<QStringList>("dates");
    QTest::addColumn<QStringList>("ascending");

    QTest::newRow("nominal: months of two digits after one digit")
        << "zh_CN" << 1 << QStringList{"2026/12/7 22:47", "2026/2/1 08:30", "2025/12/31 23:59"}
        << QStringList{"2025/12/31 23:59", "2026/2/1 08:30", "2026/12/7 22:47"};
    QTest::newRow("nominal: the clock decides within a day")
        << "zh_CN" << 2 << QStringList{"2026/2/1 18:00", "2026/2/1 08:30"}
        << QStringList{"2026/2/1 08:30", "2026/2/1 18:00"};
    QTest::newRow("nominal: another locale's own short date")
        << "en_US" << 1 << QStringList{"12/7/26 22:47", "2/1/26 08:30"} << QStringList{"2/1/26 08:30", "12/7/26 22:47"};
    QTest::newRow("robustness: texts that are no date come after, by text")
        << "zh_CN" << 1 << QStringList{"later", "2026/12/7 22:47", "Earlier", "2026/2/1 08:30"}
        << QStringList{"2026/2/1 08:30", "2026/12/7 22:47", "Earlier", "later"};
}

void tst_TreeList::dateColumnsSortByDate()
{
    QFETCH(QString, locale);
    QFETCH(int, column);
    QFETCH(QStringList, dates);
    QFETCH(QStringList, ascending);

    NoteListModel m;
    m.setDateLocale(QLocale(locale));
    for (const QString &d : dates) {
        NoteItem item;
        item.text = d;
        (column == 1 ? item.sub1 : item.sub2) = d;
        m.addItem(item);
    }
    m.flush();
    const auto shown = [&] {
        QStringList out;
        for (int r = 0; r < m.rowCount(); ++r)
            out << m.item(r).text;
        return out;
    };
    m.sort(column, Qt::AscendingOrder);
    QCOMPARE(shown(), ascending);
    m.sort(column, Qt::DescendingOrder);
    QStringList descending(ascending.rbegin(), ascending.rend());
    QCOMPARE(shown(), descending);
}

void tst_TreeList::columnColours()
{
    NoteListModel *m = probe(*w).noteList()->model();
    // Row 1: note colour red, priority "重要" green; row 2: black note, priority "一般" red.
    const QColor red(255, 0, 0), green(0, 128, 0), black(0, 0, 0);
    for (int col = 0; col < 3; ++col)
        QCOMPARE(m->data(m->index(0, col), Qt::ForegroundRole).value<QBrush>().color(), red);
    QCOMPARE(m->data(m->index(0, 3), Qt::ForegroundRole).value<QBrush>().color(), green);
    QCOMPARE(m->data(m->index(1, 0), Qt::ForegroundRole).value<QBrush>().color(), black);
    QCOMPARE(m->data(m->index(1, 3), Qt::ForegroundRole).value<QBrush>().color(), red);
    // The icon is the note's own from the strip.
    const QIcon icon = m->data(m->index(0, 0), Qt::DecorationRole).value<QIcon>();
    QCOMPARE(icon.pixmap(16, 16).toImage(), probe(*w).noteIcons().at(2).pixmap(16, 16).toImage());
}

void tst_TreeList::iconLayoutSharesTheList()
{
    w->run(Cmd::IconView);
    QCOMPARE(probe(*w).noteList()->View(), 0);
    QCOMPARE(probe(*w).noteList()->currentWidget(), probe(*w).noteList()->iconView());
    QCOMPARE(h->readSetting(QStringLiteral("ListView")), QStringLiteral("0"));
    pressItem(*w, 3);
    QCOMPARE(h->state.note.NoteTitle, QStringLiteral("alpha plan"));
    // Back in the report the same note is the selected one.
    w->run(Cmd::ReportView);
    QCOMPARE(probe(*w).noteList()->View(), 3);
    QCOMPARE(h->readSetting(QStringLiteral("ListView")), QStringLiteral("3"));
    QCOMPARE(probe(*w).noteList()->reportView()->currentIndex().row(), 2);
}

void tst_TreeList::keysAndDoubleClicks_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QString>("message"); // start of the one message expected, "" = none
    QTest::addColumn<QStringList>("dialogs");

    const QStringList none;
    const QStringList rename{QStringLiteral("frmrename")};
    const QStringList editor{QStringLiteral("frmAddNote")};
    QTest::newRow("nominal: Delete on a group asks to delete it")
        << "tree-del" << QStringLiteral("注意：你正要删除组 '工作'") << none;
    QTest::newRow("nominal: F2 on a group renames it") << "tree-f2" << "" << rename;
    QTest::newRow("nominal: double click on a group renames it") << "tree-dbl" << "" << rename;
    QTest::newRow("robustness: Delete on the root does nothing") << "root-del" << "" << none;
    QTest::newRow("robustness: F2 on the root does nothing") << "root-f2" << "" << none;
    QTest::newRow("robustness: double click on the root does nothing") << "root-dbl" << "" << none;
    QTest::newRow("nominal: Delete on a clicked note asks to delete it")
        << "list-del" << QStringLiteral("你确定要删除'会议记录'") << none;
    QTest::newRow("nominal: Enter edits the clicked note") << "list-enter" << "" << editor;
    QTest::newRow("nominal: F2 edits the clicked note") << "list-f2" << "" << editor;
    QTest::newRow("nominal: double click edits the note") << "list-dbl" << "" << editor;
    QTest::newRow("robustness: Delete before a note was clicked does nothing") << "list-del-unclicked" << ""
                                                                                << none;
    QTest::newRow("robustness: Enter before a note was clicked does nothing")
        << "list-enter-unclicked" << "" << none;
}

void tst_TreeList::keysAndDoubleClicks()
{
    QFETCH(QString, gesture);
    QFETCH(QString, message);
    QFETCH(QStringList, dialogs);

    h->prompter.msgAnswers.enqueue(Prompter::No); // never let a confirmation go through
    const int groups = probe(*w).groupTree()->nodeCount();
    if (gesture.startsWith("tree")) {
        clickNode(*w, 2);
    } else if (gesture.startsWith("root")) {
        clickNode(*w, 1);
    } else if (gesture.endsWith("unclicked")) {
        clickNode(*w, 2);
    } else {
        clickNode(*w, 2);
        pressItem(*w, 1);
    }
    const QString what = gesture.section('-', 1, 1);
    if (gesture.startsWith("tree") || gesture.startsWith("root")) {
        if (what == "del")
            QTest::keyClick(probe(*w).groupTree(), Qt::Key_Delete);
        else if (what == "f2")
            QTest::keyClick(probe(*w).groupTree(), Qt::Key_F2);
        else
            QTest::mouseDClick(probe(*w).groupTree()->viewport(), Qt::LeftButton, {},
                               nodePoint(probe(*w).groupTree(), probe(*w).groupTree()->selectedIndex()));
    } else {
        if (what == "del")
            QTest::keyClick(listView(*w), Qt::Key_Delete);
        else if (what == "enter")
            QTest::keyClick(listView(*w), Qt::Key_Return);
        else if (what == "f2")
            QTest::keyClick(listView(*w), Qt::Key_F2);
        else
            QTest::mouseDClick(listView(*w)->viewport(), Qt::LeftButton, {},
                               listView(*w)->visualRect(probe(*w).noteList()->model()->index(0, 0)).center());
    }
    QCOMPARE(h->prompter.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(h->prompter.messages.first().text.startsWith(message),
                 qPrintable(h->prompter.messages.first().text));
    QCOMPARE(h->prompter.dialogClasses, dialogs);
    // Nothing was confirmed, so nothing changed.
    QCOMPARE(probe(*w).groupTree()->nodeCount(), groups);
    QCOMPARE(h->db.LoadNoteBody(keys::idOf(probe(*w).noteList()->model()->item(0).key)).isEmpty(), false);
}

void tst_TreeList::arrowKeysSelectLikeClicks()
{
    QCOMPARE(probe(*w).groupTree()->selectedIndex(), 2);
    QTest::keyClick(probe(*w).groupTree(), Qt::Key_Down);
    QCOMPARE(probe(*w).groupTree()->selectedIndex(), 3);
    QCOMPARE(probe(*w).groupCaption()->text(), QStringLiteral("生活"));
    QCOMPARE(probe(*w).noteList()->count(), 1);
    QCOMPARE(probe(*w).noteCount()->text(), QStringLiteral("1 个文档"));

    QTest::keyClick(listView(*w), Qt::Key_Down); // moves onto the only note
    QTest::keyClick(listView(*w), Qt::Key_Home);
    QCOMPARE(probe(*w).noteList()->selectedIndex(), 1);
    QCOMPARE(h->state.note.NoteTitle, QStringLiteral("购物清单"));
    QVERIFY(w->action(Cmd::EditNote)->isEnabled());
    QVERIFY(h->popups.isEmpty());
}

QTEST_MAIN(tst_TreeList)
#include "tst_treelist.moc"
