// The toolbar dispatcher, the menu items that forward to it, and the seven group and note
// commands, run through the real window against a notebook in a temporary folder.
#include "CommandTesting.h"
#include "WindowProbe.h"

#include "mainwindow/NodeKeys.h"
#include "store/NotebookWorker.h"

#include <QAbstractItemView>
#include <QAction>
#include <QLabel>
#include <QToolBar>
#include <algorithm>
#include <QtTest>

using namespace CommandTesting;

Q_DECLARE_METATYPE(NoteSpec)
Q_DECLARE_METATYPE(GroupSpec)
Q_DECLARE_METATYPE(Cmd)

namespace {

const QString kNotice = QStringLiteral("提示");

NoteSpec note(const char *title)
{
    NoteSpec n;
    n.title = QString::fromUtf8(title);
    return n;
}

QList<GroupSpec> latinGroups()
{
    return {
        {QStringLiteral("Work"), {note("Alpha"), note("Beta"), note("Gamma")}},
        {QStringLiteral("Home"), {note("Milk")}},
        {QStringLiteral("Travel"), {}},
    };
}

QString duplicate(const QString &name)
{
    return QStringLiteral("该组 '") + name + QStringLiteral("' 已经存在\r\n请尝试其它名字");
}

// The first line of every message: a refused save goes on with the store's reason and a hint.
QStringList firstLines(const ScriptedPrompter &prompter)
{
    QStringList out;
    for (const QString &text : prompter.messageTexts())
        out << text.section(QStringLiteral("\r\n"), 0, 0);
    return out;
}

QString deleteQuestion(const QString &name)
{
    return QStringLiteral("注意：你正要删除组 '") + name
           + QStringLiteral("'\r\n\r\n删除该组会删除所有该组包含文档\r\n\r\n你确定要删除？");
}

} // namespace

class tst_Commands : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindowHarness> h;
    QString book;

    // The Latin notebook (or groups), opened at start-up: group "Work" and its first note selected.
    frmmain &open(const QList<GroupSpec> &groups = latinGroups())
    {
        book = h->path(QStringLiteral("book.qbf"));
        MainWindowHarness::mustMakeNotebook(book, groups);
        // A locked file should make a write fail at once, not after seconds.
        h->db.setBusyTimeout(50);
        frmmain &w = h->start({book});
        // The check after opening writes the keep limits: under that short timeout a read
        // meeting its commit would fail.
        if (!QTest::qWaitFor([&] { return w.findChildren<NotebookWorker *>().isEmpty(); }, 10000))
            qFatal("the check after opening did not end");
        return w;
    }

private Q_SLOTS:
    void init() { h = std::make_unique<MainWindowHarness>(); }
    void cleanup() { h.reset(); }

    void newGroup_data();
    void newGroup();
    void anotherNotebookAtThePath_data();
    void anotherNotebookAtThePath();
    void renameGroup_data();
    void renameGroup();
    void deleteGroup_data();
    void deleteGroup();
    void selectedNameKeptApart();
    void newNote_data();
    void newNote();
    void editNote_data();
    void editNote();
    void deleteNote_data();
    void deleteNote();
    void moveNote_data();
    void moveNote();
    void moveWithNowhereToGo();
    void refusedSaveKeepsTheEditor_data();
    void refusedSaveKeepsTheEditor();
    void editAfterSortKeepsTheNote_data();
    void editAfterSortKeepsTheNote();
    void popupMenuOncePerRightClick_data();
    void popupMenuOncePerRightClick();
    void noteMenuKeysInTheList_data();
    void noteMenuKeysInTheList();
    void menuRunsWhileButtonDisabled_data();
    void menuRunsWhileButtonDisabled();
    void nothingSelectedDoesNothing_data();
    void nothingSelectedDoesNothing();
    void dispatcherIgnoresNonCommands();
};

void tst_Commands::newGroup_data()
{
    QTest::addColumn<QList<GroupSpec>>("groups");
    QTest::addColumn<int>("selectBefore");
    QTest::addColumn<QString>("answer"); // "ok", "cancel", "close", "locked"
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("groupsAfter");
    QTest::addColumn<QString>("selectedAfter"); // text of the selected node
    QTest::addColumn<QStringList>("messages");

    const QStringList three = {QStringLiteral("Work"), QStringLiteral("Home"), QStringLiteral("Travel")};
    QTest::newRow("nominal: a group selected keeps its index")
        << latinGroups() << 3 << "ok" << "Books" << (three + QStringList{"Books"}) << "Home" << QStringList{};
    QTest::newRow("nominal: the root selected selects the new last node")
        << latinGroups() << 1 << "ok" << "Books" << (three + QStringList{"Books"}) << "Books" << QStringList{};
    QTest::newRow("nominal: the first group of an empty notebook is selected")
        << QList<GroupSpec>{} << 1 << "ok" << "日记" << QStringList{"日记"} << "日记" << QStringList{};
    QTest::newRow("robustness: a name differing only in case is a duplicate")
        << latinGroups() << 2 << "ok" << "HOME" << three << "Work" << QStringList{duplicate("HOME")};
    QTest::newRow("robustness: cancelled") << latinGroups() << 2 << "cancel" << "Books" << three << "Work"
                                           << QStringList{};
    QTest::newRow("robustness: the close box counts as cancelled, whatever came before")
        << latinGroups() << 2 << "close" << "Books" << three << "Work" << QStringList{};
    QTest::newRow("robustness: the store refuses")
        << latinGroups() << 2 << "locked" << "Books" << three << "Work"
        << QStringList{QStringLiteral("添加组发生错误 'Books'")};
}

void tst_Commands::newGroup()
{
    QFETCH(QList<GroupSpec>, groups);
    QFETCH(int, selectBefore);
    QFETCH(QString, answer);
    QFETCH(QString, name);
    QFETCH(QStringList, groupsAfter);
    QFETCH(QString, selectedAfter);
    QFETCH(QStringList, messages);

    frmmain &w = open(groups);
    w.SelectNode(selectBefore);
    h->prompter.dialogScripts.enqueue(answer == "cancel" ? cancel()
                                      : answer == "close" ? closeBox()
                                                          : enterGroupName(name));
    QVERIFY(runLocked(answer == "locked", book, [&] { w.run(Cmd::AddGroup); }));

    QCOMPARE(h->prompter.dialogClasses, QStringList{"frmrename"});
    QCOMPARE(h->prompter.messageTexts(), messages);
    for (const auto &m : h->prompter.messages) {
        QCOMPARE(m.style, int(Prompter::Exclamation));
        QCOMPARE(m.title, kNotice);
    }
    QCOMPARE(groupNames(w), groupsAfter);
    QCOMPARE(readNotebook(book).groups, groupsAfter);
    QVERIFY(probe(w).groupTree()->node(probe(w).nodeIndex()));
    QCOMPARE(probe(w).groupTree()->node(probe(w).nodeIndex())->text(0), selectedAfter);
    QCOMPARE(probe(w).groupTree()->currentItem()->text(0), selectedAfter);
}

void tst_Commands::anotherNotebookAtThePath_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("nominal: the new one is opened") << int(Prompter::Yes);
    QTest::newRow("robustness: declined, the window keeps showing the old one") << int(Prompter::No);
}

// Another notebook renamed over the open one (both without a password) is never written; the
// window says what happened and offers to open it.
void tst_Commands::anotherNotebookAtThePath()
{
    QFETCH(int, answer);
    frmmain &w = open();
    const QString other = h->path(QStringLiteral("other.qbf"));
    MainWindowHarness::mustMakeNotebook(other, {{QStringLiteral("Elsewhere"), {}}});
    QVERIFY(QFile::rename(book, book + QStringLiteral(".old")) && QFile::rename(other, book));

    h->prompter.dialogScripts.enqueue(enterGroupName(QStringLiteral("Books")));
    h->prompter.msgAnswers.enqueue(Prompter::Ok);
    h->prompter.msgAnswers.enqueue(answer);
    w.run(Cmd::AddGroup);

    QCOMPARE(h->prompter.messageTexts(),
             (QStringList{QStringLiteral("添加组发生错误 'Books'"),
                          Notebook::ReplacedByAnother + QStringLiteral("\r\n要打开它吗？")}));
    QCOMPARE(readNotebook(book).groups, QStringList{QStringLiteral("Elsewhere")});
    QCOMPARE(groupNames(w), answer == Prompter::Yes ? QStringList{QStringLiteral("Elsewhere")}
                                                   : (QStringList{"Work", "Home", "Travel"}));
}

void tst_Commands::renameGroup_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("groupsAfter");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("nominal: renamed in place")
        << "ok" << "Office" << QStringList{"Office", "Home", "Travel"} << QStringList{};
    QTest::newRow("nominal: a Chinese name") << "ok" << "工作笔记" << QStringList{"工作笔记", "Home", "Travel"}
                                             << QStringList{};
    QTest::newRow("robustness: the same name in other case changes nothing")
        << "ok" << "WORK" << QStringList{"Work", "Home", "Travel"} << QStringList{};
    QTest::newRow("robustness: the name of another group in other case")
        << "ok" << "travel" << QStringList{"Work", "Home", "Travel"} << QStringList{duplicate("travel")};
    QTest::newRow("robustness: cancelled") << "cancel" << "Office" << QStringList{"Work", "Home", "Travel"}
                                           << QStringList{};
    QTest::newRow("robustness: close box") << "close" << "Office" << QStringList{"Work", "Home", "Travel"}
                                           << QStringList{};
    QTest::newRow("robustness: the store refuses")
        << "locked" << "Office" << QStringList{"Work", "Home", "Travel"} << QStringList{"重命名发生错误 'Work'"};
}

void tst_Commands::renameGroup()
{
    QFETCH(QString, answer);
    QFETCH(QString, name);
    QFETCH(QStringList, groupsAfter);
    QFETCH(QStringList, messages);

    frmmain &w = open();
    QCOMPARE(probe(w).nodeIndex(), 2);
    const int nodesBefore = probe(w).groupTree()->nodeCount();
    QTreeWidgetItem *node = probe(w).groupTree()->node(2);
    QString prefilled;
    h->prompter.dialogScripts.enqueue(answer == "cancel" ? cancel()
                                      : answer == "close" ? closeBox()
                                                          : enterGroupName(name, &prefilled));
    QVERIFY(runLocked(answer == "locked", book, [&] { probe(w).item("mnuRename1")->trigger(); }));

    QCOMPARE(h->prompter.messageTexts(), messages);
    if (answer == "ok" || answer == "locked")
        QCOMPARE(prefilled, QStringLiteral("Work"));
    QCOMPARE(groupNames(w), groupsAfter);
    QCOMPARE(readNotebook(book).groups, groupsAfter);
    // Renamed in place: the same node object, nothing reloaded, still selected.
    QCOMPARE(probe(w).groupTree()->node(2), node);
    QCOMPARE(probe(w).groupTree()->nodeCount(), nodesBefore);
    QCOMPARE(probe(w).nodeIndex(), 2);
    // The selected group's name follows the node.
    QCOMPARE(h->state.CurrentGroupName, groupsAfter.first());
}

void tst_Commands::deleteGroup_data()
{
    QTest::addColumn<QList<GroupSpec>>("groups");
    QTest::addColumn<int>("select");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QStringList>("groupsAfter");
    QTest::addColumn<int>("selectedAfter");
    QTest::addColumn<QStringList>("notesAfter"); // every note of the file

    const QStringList all = {"Alpha", "Beta", "Gamma", "Milk"};
    QTest::newRow("nominal: a later group, the first group is selected after")
        << latinGroups() << 3 << int(Prompter::Yes) << false << QStringList{"Work", "Travel"} << 2
        << QStringList{"Alpha", "Beta", "Gamma"};
    QTest::newRow("nominal: the first group and its notes")
        << latinGroups() << 2 << int(Prompter::Yes) << false << QStringList{"Home", "Travel"} << 2
        << QStringList{"Milk"};
    QTest::newRow("nominal: the last group left selects the root")
        << QList<GroupSpec>{{QStringLiteral("Only"), {note("n1")}}} << 2 << int(Prompter::Yes) << false
        << QStringList{} << 1 << QStringList{};
    QTest::newRow("robustness: answered No") << latinGroups() << 3 << int(Prompter::No) << false
                                             << QStringList{"Work", "Home", "Travel"} << 3 << all;
    QTest::newRow("robustness: the store refuses, nothing is lost")
        << latinGroups() << 2 << int(Prompter::Yes) << true << QStringList{"Work", "Home", "Travel"} << 2 << all;
}

void tst_Commands::deleteGroup()
{
    QFETCH(QList<GroupSpec>, groups);
    QFETCH(int, select);
    QFETCH(int, answer);
    QFETCH(bool, locked);
    QFETCH(QStringList, groupsAfter);
    QFETCH(int, selectedAfter);
    QFETCH(QStringList, notesAfter);

    frmmain &w = open(groups);
    w.SelectNode(select);
    const QString name = probe(w).groupTree()->node(select)->text(0);
    h->prompter.msgAnswers.enqueue(answer);
    QVERIFY(runLocked(locked, book, [&] { probe(w).item("mnuDelete1")->trigger(); }));

    QVERIFY(!h->prompter.messages.isEmpty());
    QCOMPARE(h->prompter.messages.first().text, deleteQuestion(name));
    QCOMPARE(h->prompter.messages.first().style, int(Prompter::Question));
    QCOMPARE(h->prompter.messages.first().title, kNotice);
    if (locked) {
        QCOMPARE(h->prompter.messages.size(), 2);
        QCOMPARE(h->prompter.messages.at(1).text, QStringLiteral("删除发生错误 '") + name + "'");
        QCOMPARE(h->prompter.messages.at(1).style, int(Prompter::Exclamation));
    } else {
        QCOMPARE(h->prompter.messages.size(), 1);
    }
    QCOMPARE(groupNames(w), groupsAfter);
    const FileContents file = readNotebook(book);
    QCOMPARE(file.groups, groupsAfter);
    QCOMPARE(file.notes, notesAfter);
    QCOMPARE(probe(w).nodeIndex(), selectedAfter);
}

// The group-name dialog hands its entry back in CurrentGroupName; the selected group's name must
// not be lost to it, or the next delete, rename or move would name the wrong group.
void tst_Commands::selectedNameKeptApart()
{
    frmmain &w = open();
    h->prompter.dialogScripts.enqueue(enterGroupName(QStringLiteral("home")));
    w.run(Cmd::AddGroup); // refused as a duplicate
    QCOMPARE(h->prompter.messageTexts(), QStringList{duplicate("home")});
    QCOMPARE(h->state.CurrentGroupName, QStringLiteral("Work"));

    QString prefilled;
    h->prompter.dialogScripts.enqueue(enterGroupName(QStringLiteral("Office"), &prefilled));
    w.run(Cmd::RenameGroup);
    QCOMPARE(prefilled, QStringLiteral("Work"));
    QCOMPARE(h->state.CurrentGroupName, QStringLiteral("Office"));

    // A rename to the same name leaves nothing behind either.
    h->prompter.dialogScripts.enqueue(enterGroupName(QStringLiteral("OFFICE")));
    w.run(Cmd::RenameGroup);
    QCOMPARE(h->state.CurrentGroupName, QStringLiteral("Office"));

    QStringList offered;
    w.SelectItem(1);
    h->prompter.dialogScripts.enqueue(moveTo(QStringLiteral("Home"), &offered));
    w.run(Cmd::MoveNote);
    QCOMPARE(offered, (QStringList{"Home", "Travel"}));

    h->prompter.msgAnswers.enqueue(Prompter::No);
    w.run(Cmd::DeleteGroup);
    QCOMPARE(h->prompter.messages.last().text, deleteQuestion(QStringLiteral("Office")));
}

void tst_Commands::newNote_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("listAfter");
    QTest::addColumn<int>("selectedAfter");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("nominal: becomes the selected last item")
        << "ok" << QStringList{"Alpha", "Beta", "Gamma", "新文档"} << 4 << QStringList{};
    QTest::newRow("robustness: cancelled") << "cancel" << QStringList{"Alpha", "Beta", "Gamma"} << 1
                                           << QStringList{};
    QTest::newRow("robustness: close box") << "close" << QStringList{"Alpha", "Beta", "Gamma"} << 1
                                           << QStringList{};
    QTest::newRow("robustness: the store refuses")
        << "locked" << QStringList{"Alpha", "Beta", "Gamma"} << 1 << QStringList{"添加新文档发生错误."};
}

void tst_Commands::newNote()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, listAfter);
    QFETCH(int, selectedAfter);
    QFETCH(QStringList, messages);

    frmmain &w = open();
    QCOMPARE(probe(w).itemIndex(), 1);
    h->prompter.dialogScripts.enqueue(answer == "cancel" ? cancel()
                                      : answer == "close" ? closeBox()
                                                          : writeNote(QStringLiteral("新文档"), QStringLiteral("正文")));
    QVERIFY(runLocked(answer == "locked", book, [&] { probe(w).item("mnuNewNote1")->trigger(); }));

    QCOMPARE(h->prompter.dialogClasses, QStringList{"frmAddNote"});
    QCOMPARE(firstLines(h->prompter), messages);
    QCOMPARE(titles(w), listAfter);
    QCOMPARE(probe(w).itemIndex(), selectedAfter);
    QCOMPARE(probe(w).noteList()->selectedIndex(), selectedAfter);
    QStringList file = {"Alpha", "Beta", "Gamma", "Milk"};
    if (answer == "ok")
        file << QStringLiteral("新文档");
    QCOMPARE(readNotebook(book).notes, file);
    if (answer == "ok") {
        QVERIFY(probe(w).preview()->toPlainText().contains(QStringLiteral("正文")));
        QCOMPARE(probe(w).noteCount()->text(), QStringLiteral("4 个文档"));
    }
}

void tst_Commands::editNote_data()
{
    QTest::addColumn<bool>("underRoot");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("listAfter");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("nominal: stays selected at its index")
        << false << "ok" << QStringList{"Alpha", "Beta 2", "Gamma"} << QStringList{};
    QTest::newRow("nominal: under the root the list still holds every note")
        << true << "ok" << QStringList{"Alpha", "Beta 2", "Gamma", "Milk"} << QStringList{};
    QTest::newRow("robustness: cancelled") << false << "cancel" << QStringList{"Alpha", "Beta", "Gamma"}
                                           << QStringList{};
    QTest::newRow("robustness: a file locked by another program cannot be read for editing")
        << false << "locked" << QStringList{"Alpha", "Beta", "Gamma"} << QStringList{"编辑文档发生错误"};
}

void tst_Commands::editNote()
{
    QFETCH(bool, underRoot);
    QFETCH(QString, answer);
    QFETCH(QStringList, listAfter);
    QFETCH(QStringList, messages);

    frmmain &w = open();
    if (underRoot)
        w.SelectNode(1);
    w.SelectItem(2);
    h->prompter.dialogScripts.enqueue(answer == "cancel" ? cancel() : writeNote(QStringLiteral("Beta 2")));
    QVERIFY(runLocked(answer == "locked", book, [&] { probe(w).item("mnuEdit1")->trigger(); }));

    // A file locked before the command cannot even be read: no editor opens on a guess.
    QCOMPARE(h->prompter.dialogClasses, answer == "locked" ? QStringList{} : QStringList{"frmAddNote"});
    QCOMPARE(firstLines(h->prompter), messages);
    QCOMPARE(titles(w), listAfter);
    QCOMPARE(probe(w).itemIndex(), 2);
    QCOMPARE(probe(w).noteList()->selectedIndex(), 2);
    // The current-note fields hold the selected note as stored.
    QCOMPARE(h->state.note.NoteTitle, answer == "ok" ? QStringLiteral("Beta 2") : QStringLiteral("Beta"));
}

void tst_Commands::deleteNote_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QStringList>("listAfter");
    QTest::addColumn<QStringList>("messages");

    const QString question = QStringLiteral("你确定要删除'Beta'");
    QTest::newRow("nominal: deleted") << int(Prompter::Yes) << false << QStringList{"Alpha", "Gamma"}
                                      << QStringList{question};
    QTest::newRow("robustness: answered No") << int(Prompter::No) << false << QStringList{"Alpha", "Beta", "Gamma"}
                                             << QStringList{question};
    QTest::newRow("robustness: the store refuses")
        << int(Prompter::Yes) << true << QStringList{"Alpha", "Beta", "Gamma"}
        << QStringList{question, QStringLiteral("删除文档'Beta发生错误'")};
}

void tst_Commands::deleteNote()
{
    QFETCH(int, answer);
    QFETCH(bool, locked);
    QFETCH(QStringList, listAfter);
    QFETCH(QStringList, messages);

    frmmain &w = open();
    w.SelectItem(2);
    h->prompter.msgAnswers.enqueue(answer);
    QVERIFY(runLocked(locked, book, [&] { probe(w).item("mnuDelete2")->trigger(); }));
    QCOMPARE(h->prompter.messageTexts(), messages);
    QCOMPARE(h->prompter.messages.first().style, int(Prompter::Question));
    QCOMPARE(titles(w), listAfter);
    QCOMPARE(readNotebook(book).notes, listAfter + QStringList{"Milk"});
    QCOMPARE(probe(w).nodeIndex(), 2);
}

void tst_Commands::moveNote_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("listAfter");
    QTest::addColumn<QStringList>("fileAfter");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("nominal: leaves the list for the chosen group")
        << "ok" << QStringList{"Alpha", "Gamma"} << QStringList{"Alpha", "Beta", "Gamma", "Milk"} << QStringList{};
    QTest::newRow("robustness: cancelled") << "cancel" << QStringList{"Alpha", "Beta", "Gamma"}
                                           << QStringList{"Alpha", "Beta", "Gamma", "Milk"} << QStringList{};
    QTest::newRow("robustness: the store refuses")
        << "locked" << QStringList{"Alpha", "Beta", "Gamma"} << QStringList{"Alpha", "Beta", "Gamma", "Milk"}
        << QStringList{"移动文档请注意：有一个错误"};
}

void tst_Commands::moveNote()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, listAfter);
    QFETCH(QStringList, fileAfter);
    QFETCH(QStringList, messages);

    frmmain &w = open();
    w.SelectItem(2);
    QStringList offered;
    h->prompter.dialogScripts.enqueue(answer == "cancel" ? cancel() : moveTo(QStringLiteral("Home"), &offered));
    QVERIFY(runLocked(answer == "locked", book, [&] { probe(w).item("mnuMove1")->trigger(); }));
    QCOMPARE(h->prompter.dialogClasses, QStringList{"frmmove"});
    QCOMPARE(h->prompter.messageTexts(), messages);
    if (answer != "cancel")
        QCOMPARE(offered, (QStringList{"Home", "Travel"})); // not the group it is in
    QCOMPARE(titles(w), listAfter);
    if (answer == "ok") {
        w.SelectNode(3);
        QCOMPARE(titles(w), (QStringList{"Beta", "Milk"}));
    }
    QCOMPARE(readNotebook(book).notes, fileAfter);
}

// With a single group the move dialog has nothing to offer; even a forced OK moves nothing and
// says nothing.
void tst_Commands::moveWithNowhereToGo()
{
    frmmain &w = open({{QStringLiteral("Only"), {note("n1"), note("n2")}}});
    QCOMPARE(probe(w).itemIndex(), 1);
    QStringList offered;
    h->prompter.dialogScripts.enqueue([&offered](QDialog *d) {
        auto *combo = d->findChild<QComboBox *>(QStringLiteral("cboMove"));
        for (int i = 0; i < combo->count(); ++i)
            offered << combo->itemText(i);
        qobject_cast<frmmove *>(d)->cmdOK_Click();
        return d->result();
    });
    w.run(Cmd::MoveNote);
    QVERIFY(offered.isEmpty());
    QVERIFY(h->prompter.messages.isEmpty());
    QCOMPARE(titles(w), (QStringList{"n1", "n2"}));
    QCOMPARE(readNotebook(book).notes, (QStringList{"n1", "n2"}));
}

void tst_Commands::refusedSaveKeepsTheEditor_data()
{
    QTest::addColumn<QString>("command");  // "add" or "edit" (of Beta)
    QTest::addColumn<bool>("retry");       // OK again once the file is free, else give up
    QTest::addColumn<QStringList>("fileAfter");

    QTest::newRow("robustness: a refused new note is saved by the retry")
        << "add" << true << QStringList{"Alpha", "Beta", "Gamma", "Milk", "Typed"};
    QTest::newRow("robustness: a refused new note given up, the next edit opens the selected note")
        << "add" << false << QStringList{"Alpha", "Beta 2", "Gamma", "Milk"};
    QTest::newRow("robustness: a refused edit is saved by the retry")
        << "edit" << true << QStringList{"Alpha", "Typed", "Gamma", "Milk"};
}

// The file is locked by another program while OK is pressed: the editor stays open with what was
// typed, says why, and saves on the next OK; given up, it leaves nothing behind for the next command.
void tst_Commands::refusedSaveKeepsTheEditor()
{
    QFETCH(QString, command);
    QFETCH(bool, retry);
    QFETCH(QStringList, fileAfter);

    frmmain &w = open();
    w.SelectItem(2);
    bool lockTaken = false;
    QString titleAfterRefusal, bodyAfterRefusal;
    h->prompter.dialogScripts.enqueue([&](QDialog *d) {
        auto *editor = qobject_cast<frmAddNote *>(d);
        auto *title = ChildLookup::child<QLineEdit>(*d, "txtTitle");
        auto *body = ChildLookup::child<QTextEdit>(*d, "txtNote");
        title->setText(QStringLiteral("Typed"));
        body->setPlainText(QStringLiteral("typed body"));
        {
            WriteLock lock(book);
            lockTaken = lock.ok();
            editor->cmdOK_Click();
        }
        titleAfterRefusal = title->text();
        bodyAfterRefusal = body->toPlainText();
        if (d->result() == QDialog::Accepted)
            return d->result();
        if (retry) {
            editor->cmdOK_Click();
        } else {
            h->prompter.msgAnswers.enqueue(Prompter::Yes); // throw the typed note away
            d->reject();
        }
        return d->result();
    });
    w.run(command == "add" ? Cmd::AddNote : Cmd::EditNote);
    QVERIFY(lockTaken);
    QCOMPARE(titleAfterRefusal, QStringLiteral("Typed"));
    QCOMPARE(bodyAfterRefusal, QStringLiteral("typed body"));
    const ScriptedPrompter::Message refusal = h->prompter.messages.first();
    QVERIFY2(refusal.text.startsWith(command == "add" ? QStringLiteral("添加新文档发生错误.\r\n")
                                                      : QStringLiteral("编辑文档发生错误\r\n")),
             qPrintable(refusal.text));
    QVERIFY2(refusal.text.endsWith(QStringLiteral("可以再按“确定”重试，或复制内容另存。")), qPrintable(refusal.text));
    QCOMPARE(refusal.style, int(Prompter::Exclamation));
    QCOMPARE(refusal.parentClass, QStringLiteral("frmAddNote")); // said over the editor, still open
    QCOMPARE(h->state.note.NoteTitle, retry ? QStringLiteral("Typed") : QStringLiteral("Beta"));

    if (!retry) {
        // The next edit starts from the selected note as stored, and writes over it alone.
        QString shown;
        h->prompter.dialogScripts.enqueue([&shown](QDialog *d) {
            shown = ChildLookup::child<QLineEdit>(*d, "txtTitle")->text();
            return writeNote(QStringLiteral("Beta 2"))(d);
        });
        w.run(Cmd::EditNote);
        QCOMPARE(shown, QStringLiteral("Beta"));
    }
    QCOMPARE(readNotebook(book).notes, fileAfter);
    QCOMPARE(h->prompter.messages.size(), retry ? 1 : 2);
}

void tst_Commands::editAfterSortKeepsTheNote_data()
{
    QTest::addColumn<bool>("underRoot");
    QTest::addColumn<QString>("command"); // "edit" or "add"
    QTest::addColumn<QString>("selected"); // title of the current note afterwards

    QTest::newRow("nominal: edit in a group") << false << "edit" << "Gamma 2";
    QTest::newRow("nominal: edit under the root") << true << "edit" << "Gamma 2";
    QTest::newRow("nominal: a new note is selected") << false << "add" << "Delta";
}

void tst_Commands::editAfterSortKeepsTheNote()
{
    QFETCH(bool, underRoot);
    QFETCH(QString, command);
    QFETCH(QString, selected);

    frmmain &w = open();
    if (underRoot)
        w.SelectNode(1);
    // Two clicks on the title column: descending, so no note keeps its stored place but Beta.
    Q_EMIT probe(w).noteList()->columnClick(1);
    Q_EMIT probe(w).noteList()->columnClick(1);
    QCOMPARE(titles(w).first(), QString::fromLatin1(underRoot ? "Milk" : "Gamma"));
    w.SelectNote(keys::idOf(probe(w).noteList()->model()->item(titles(w).indexOf(QStringLiteral("Gamma"))).key));
    const qint64 gamma = probe(w).noteId();

    if (command == "edit") {
        h->prompter.dialogScripts.enqueue(writeNote(QStringLiteral("Gamma 2")));
        probe(w).item("mnuEdit1")->trigger();
        QCOMPARE(probe(w).noteId(), gamma);
    } else {
        h->prompter.dialogScripts.enqueue(writeNote(QStringLiteral("Delta")));
        probe(w).item("mnuNewNote1")->trigger();
    }
    QCOMPARE(h->state.note.NoteTitle, selected);
    QCOMPARE(probe(w).noteList()->model()->item(probe(w).noteList()->selectedIndex() - 1).title, selected);
    QCOMPARE(probe(w).itemIndex(), probe(w).noteList()->selectedIndex());
}

void tst_Commands::popupMenuOncePerRightClick_data()
{
    QTest::addColumn<QString>("clicked"); // "group" or "note"
    QTest::addColumn<QString>("item");    // chosen in the menu

    QTest::newRow("nominal: 新建组 from the group menu") << "group" << "mnuNewGroup";
    QTest::newRow("nominal: 删除 from the group menu") << "group" << "mnuDelete";
    QTest::newRow("nominal: 编辑 from the note menu") << "note" << "mnuEditNote";
    QTest::newRow("nominal: 新建记事本 from the note menu") << "note" << "mnuNewNote";
}

void tst_Commands::popupMenuOncePerRightClick()
{
    QFETCH(QString, clicked);
    QFETCH(QString, item);

    frmmain &w = open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    h->prompter.msgAnswers.enqueue(Prompter::Yes);
    h->prompter.dialogScripts.enqueue(item == "mnuNewGroup" ? enterGroupName(QStringLiteral("Extra"))
                                                            : writeNote(QStringLiteral("Written")));
    QStringList shown;
    w.setPopupMenu([&](QMenu *menu, const QPoint &) {
        shown << menu->objectName();
        if (shown.size() == 1)
            w.findChild<QAction *>(item)->trigger();
    });
    if (clicked == "group") {
        QTest::mouseClick(probe(w).groupTree()->viewport(), Qt::RightButton, {},
                          probe(w).groupTree()->visualItemRect(probe(w).groupTree()->node(2)).center());
    } else {
        QAbstractItemView *list = probe(w).noteList()->activeView();
        QTest::mouseClick(list->viewport(), Qt::RightButton, {},
                          list->visualRect(probe(w).noteList()->model()->index(1, 0)).center());
    }
    QCOMPARE(shown, QStringList{clicked == "group" ? "mnuGroup" : "mnuNote"});
    // The command did run.
    QVERIFY(h->prompter.dialogClasses.size() + h->prompter.messages.size() > 0);
}

void tst_Commands::noteMenuKeysInTheList_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("node"); // selected before the key, with its first note
    QTest::addColumn<QStringList>("listAfter");

    QTest::newRow("nominal: Ctrl+O edits") << int(Qt::Key_O) << 2 << QStringList{"Written", "Beta", "Gamma"};
    QTest::newRow("nominal: Ctrl+D deletes") << int(Qt::Key_D) << 2 << QStringList{"Beta", "Gamma"};
    QTest::newRow("nominal: under the root") << int(Qt::Key_O) << 1 << QStringList{"Written", "Beta", "Gamma", "Milk"};
    QTest::newRow("robustness: no note to act on") << int(Qt::Key_O) << 4 << QStringList{};
}

void tst_Commands::noteMenuKeysInTheList()
{
    QFETCH(int, key);
    QFETCH(int, node);
    QFETCH(QStringList, listAfter);

    frmmain &w = open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SelectNode(node);
    w.SelectItem(1);
    h->prompter.dialogScripts.enqueue(writeNote(QStringLiteral("Written")));
    h->prompter.msgAnswers.enqueue(Prompter::Yes);
    QTest::keyClick(probe(w).noteList()->activeView(), Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(titles(w), listAfter);
}

void tst_Commands::menuRunsWhileButtonDisabled_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<Cmd>("button");
    QTest::addColumn<QString>("shows"); // dialog class, or "question"

    QTest::newRow("nominal: new group (pop-up)") << "mnuNewGroup" << Cmd::AddGroup << "frmrename";
    QTest::newRow("nominal: new group (Action menu)") << "mnuNew1" << Cmd::AddGroup << "frmrename";
    QTest::newRow("nominal: delete group (pop-up)") << "mnuDelete" << Cmd::DeleteGroup << "question";
    QTest::newRow("nominal: delete group (Action menu)") << "mnuDelete1" << Cmd::DeleteGroup << "question";
    QTest::newRow("nominal: new note (tree pop-up)") << "mnuNewNote3" << Cmd::AddNote << "frmAddNote";
    QTest::newRow("nominal: new note (list pop-up)") << "mnuNewNote" << Cmd::AddNote << "frmAddNote";
    QTest::newRow("nominal: new note (Action menu)") << "mnuNewNote1" << Cmd::AddNote << "frmAddNote";
    QTest::newRow("nominal: edit note (pop-up)") << "mnuEditNote" << Cmd::EditNote << "frmAddNote";
    QTest::newRow("nominal: edit note (Action menu)") << "mnuEdit1" << Cmd::EditNote << "frmAddNote";
    QTest::newRow("nominal: delete note (pop-up)") << "mnuDel" << Cmd::DeleteNote << "question";
    QTest::newRow("nominal: delete note (Action menu)") << "mnuDelete2" << Cmd::DeleteNote << "question";
}

void tst_Commands::menuRunsWhileButtonDisabled()
{
    QFETCH(QString, item);
    QFETCH(Cmd, button);
    QFETCH(QString, shows);

    frmmain &w = open();
    w.action(button)->setEnabled(false);
    auto *action = w.findChild<QAction *>(item);
    QVERIFY(action);
    action->setEnabled(true); // the item itself is available; only the button is not
    h->prompter.msgAnswers.enqueue(Prompter::No);
    action->trigger();
    if (shows == "question") {
        QCOMPARE(h->prompter.messages.size(), 1);
        QCOMPARE(h->prompter.messages.first().style, int(Prompter::Question));
        QVERIFY(h->prompter.dialogClasses.isEmpty());
    } else {
        QCOMPARE(h->prompter.dialogClasses, QStringList{shows});
    }
}

void tst_Commands::nothingSelectedDoesNothing_data()
{
    QTest::addColumn<QString>("item");
    // Under the root no group is selected, and after a group click no note is.
    QTest::newRow("robustness: rename with the root selected") << "mnuRename";
    QTest::newRow("robustness: delete group with the root selected") << "mnuDelete";
    QTest::newRow("robustness: new note with the root selected") << "mnuNewNote";
    QTest::newRow("robustness: edit with no note selected") << "mnuEditNote";
    QTest::newRow("robustness: delete with no note selected") << "mnuDel";
    QTest::newRow("robustness: move with no note selected") << "mnuMove";
    QTest::newRow("robustness: history with no note selected") << "mnuHistory";
}

void tst_Commands::nothingSelectedDoesNothing()
{
    QFETCH(QString, item);
    frmmain &w = open();
    w.SelectNode(1);
    QVERIFY(probe(w).noteList()->count() > 0);
    QCOMPARE(probe(w).noteList()->selectedIndex(), 0);
    auto *action = w.findChild<QAction *>(item);
    QVERIFY(action);
    action->setEnabled(true);
    action->trigger();
    QVERIFY(h->prompter.messages.isEmpty());
    QVERIFY(h->prompter.dialogClasses.isEmpty());
    QCOMPARE(readNotebook(book).notes, (QStringList{"Alpha", "Beta", "Gamma", "Milk"}));
    QCOMPARE(readNotebook(book).groups, (QStringList{"Work", "Home", "Travel"}));
}

void tst_Commands::dispatcherIgnoresNonCommands()
{
    frmmain &w = open();
    // A separator and a foreign action are no commands.
    const QList<QAction *> buttons = probe(w).toolbar()->actions();
    QAction *separator = *std::find_if(buttons.cbegin(), buttons.cend(), [](QAction *a) { return a->isSeparator(); });
    Q_EMIT probe(w).toolbar()->actionTriggered(separator);
    QAction stray(QStringLiteral("x"));
    stray.setObjectName(QStringLiteral("add_group")); // keys are compared exactly
    Q_EMIT probe(w).toolbar()->actionTriggered(&stray);
    QVERIFY(h->prompter.dialogClasses.isEmpty());

    // A real command still runs.
    h->prompter.dialogScripts.enqueue(writeNote(QStringLiteral("Delta")));
    w.run(Cmd::AddNote);
    QCOMPARE(titles(w).last(), QStringLiteral("Delta"));
}

QTEST_MAIN(tst_Commands)
#include "tst_commands.moc"
