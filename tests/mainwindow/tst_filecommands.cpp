// New, open, back up and compact, through the real window: notebooks in a temporary folder, file
// choosers and password prompts answered by the scripted prompter.
#include "CommandTesting.h"
#include "WindowProbe.h"

#include "dialogs/frmPws1.h"
#include "mainwindow/CommandSupport.h"
#include "store/NotebookWorker.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QLabel>
#include <QProgressDialog>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <future>
#include <sqlite3.h>
#include <thread>

using namespace CommandTesting;

namespace {

const QString kNotice = QStringLiteral("提示");
const QString kDamaged = QStringLiteral("数据库文件存在错误.");
const QString kFilter = QStringLiteral("数据库文件(*.qbf)");

QString legacyDir()
{
    return QStringLiteral(QB_SHARED_DIR "/legacy-qbf");
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Which of the file commands' items are available: the Backup and Add group buttons, then
// mnuBackup, mnuNew1, mnuPws, mnuCompact, one character each.
QString fileStates(frmmain &w)
{
    QString s;
    for (Cmd c : {Cmd::BackupNotebook, Cmd::AddGroup})
        s += w.action(c)->isEnabled() ? '1' : '0';
    s += '|';
    for (QAction *a :
         {probe(w).item("mnuBackup"), probe(w).item("mnuNew1"), probe(w).item("mnuPws"), probe(w).item("mnuCompact")})
        s += a->isEnabled() ? '1' : '0';
    return s;
}

const QStringList kSampleNotes = {"会议记录", "Budget", "alpha plan", "购物清单"};

} // namespace

class tst_FileCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindowHarness> h;
    QString book;

    // The sample notebook opened at start-up (first group and its first note selected), once the
    // work after opening (which gives a new notebook its keep limits) is done.
    frmmain &open(const QString &password = {})
    {
        book = h->path(QStringLiteral("book.qbf"));
        MainWindowHarness::mustMakeNotebook(book, MainWindowHarness::sampleGroups(), password);
        frmmain &w = h->start({book});
        if (!QTest::qWaitFor([&] { return w.findChildren<NotebookWorker *>().isEmpty(); }, 10000))
            qWarning("the work after opening did not end");
        return w;
    }

private Q_SLOTS:
    void init() { h = std::make_unique<MainWindowHarness>(); }
    void cleanup() { h.reset(); }

    void newDatabase_data();
    void newDatabase();
    void openDatabase_data();
    void openDatabase();
    void lockedStaysLocked();
    void openLegacy_data();
    void openLegacy();
    void backup_data();
    void backup();
    void compact_data();
    void compact();
    void compactReclaimsSpace();
    void choosersStartInTheNotebooksFolder_data();
    void choosersStartInTheNotebooksFolder();
    void commandsRefuseDuringBackup_data();
    void commandsRefuseDuringBackup();
    void chooserFilter_data();
    void chooserFilter();
    void progress_data();
    void progress();
    void oldKindOfPasswordOffersEncryption_data();
    void oldKindOfPasswordOffersEncryption();
};

void tst_FileCommands::newDatabase_data()
{
    QTest::addColumn<QString>("target"); // "" = cancelled chooser
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("nominal: a new file, exactly as named") << "new-one" << false << QStringList{};
    QTest::newRow("nominal: a Chinese file name") << "新建笔记.qbf" << false << QStringList{};
    QTest::newRow("robustness: an existing file is left alone")
        << "taken.qbf" << true
        << QStringList{QStringLiteral("创建数据库请注意：有一个错误或\r\nPossible reason(s):\r\n已经存在")};
    QTest::newRow("robustness: cancelled") << "" << false << QStringList{};
}

void tst_FileCommands::newDatabase()
{
    QFETCH(QString, target);
    QFETCH(bool, existing);
    QFETCH(QStringList, messages);

    frmmain &w = open();
    const QString path = target.isEmpty() ? QString() : h->path(target);
    QByteArray before;
    if (existing) {
        QVERIFY(writeFile(path, "someone else's file"));
        before = digest(path);
    }
    h->prompter.saveAnswers.enqueue(path);
    probe(w).item("mnuNew")->trigger();

    QCOMPARE(h->prompter.fileCaptions, QStringList{"New Database"});
    QCOMPARE(h->prompter.fileFilters, QStringList{kFilter});
    QCOMPARE(h->prompter.messageTexts(), messages);
    for (const auto &m : h->prompter.messages)
        QCOMPARE(m.style, int(Prompter::Exclamation));
    if (existing)
        QCOMPARE(digest(path), before);
    else if (!path.isEmpty())
        QVERIFY(readNotebook(path).opened);
    // The open notebook stays open and shown.
    QCOMPARE(probe(*h->window).notebookPath(), book);
    QVERIFY(h->db.isOpen());
    QCOMPARE(groupNames(w), (QStringList{"工作", "生活", "空组"}));
}

void tst_FileCommands::openDatabase_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("switched");   // the window's notebook is the chosen file afterwards
    QTest::addColumn<bool>("isOpen");
    QTest::addColumn<QStringList>("groups"); // tree after the root
    QTest::addColumn<int>("selectedNode");
    QTest::addColumn<QString>("states");

    const QStringList sample = {"工作", "生活", "空组"};
    QTest::newRow("nominal: another notebook") << "other" << QStringList{} << true << true
                                               << QStringList{"Inbox", "Later"} << 2 << "11|1111";
    QTest::newRow("nominal: a notebook without groups selects the root")
        << "empty" << QStringList{} << true << true << QStringList{} << 1 << "11|1111";
    QTest::newRow("nominal: a password given") << "password-ok" << QStringList{} << true << true
                                               << QStringList{"Inbox", "Later"} << 2 << "11|1111";
    QTest::newRow("robustness: a password prompt cancelled leaves the window empty")
        << "password-cancel" << QStringList{} << true << false << QStringList{} << 0 << "00|0000";
    QTest::newRow("robustness: garbage keeps the notebook shown")
        << "garbage" << QStringList{kDamaged} << false << true << sample << 2 << "11|1111";
    QTest::newRow("robustness: an empty file") << "zero" << QStringList{kDamaged} << false << true << sample << 2
                                               << "11|1111";
    QTest::newRow("robustness: a database of another program")
        << "foreign" << QStringList{kDamaged} << false << true << sample << 2 << "11|1111";
    QTest::newRow("robustness: a file that is gone") << "missing" << QStringList{kDamaged} << false << true
                                                     << sample << 2 << "11|1111";
    QTest::newRow("robustness: a cancelled chooser changes nothing")
        << "cancel" << QStringList{} << false << true << sample << 2 << "11|1111";
}

void tst_FileCommands::openDatabase()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, messages);
    QFETCH(bool, switched);
    QFETCH(bool, isOpen);
    QFETCH(QStringList, groups);
    QFETCH(int, selectedNode);
    QFETCH(QString, states);

    frmmain &w = open();
    const QString chosen = h->path(QStringLiteral("chosen.qbf"));
    NoteSpec todo;
    todo.title = QStringLiteral("todo");
    const QList<GroupSpec> otherGroups = {{QStringLiteral("Inbox"), {todo}}, {QStringLiteral("Later"), {}}};
    if (kind == "other")
        QVERIFY(MainWindowHarness::makeNotebook(chosen, otherGroups).isEmpty());
    else if (kind == "empty")
        QVERIFY(MainWindowHarness::makeNotebook(chosen, {}).isEmpty());
    else if (kind.startsWith("password"))
        QVERIFY(MainWindowHarness::makeNotebook(chosen, otherGroups, QStringLiteral("Open Sesame")).isEmpty());
    else if (kind == "garbage")
        QVERIFY(writeFile(chosen, QByteArray(5000, '\x7f')));
    else if (kind == "zero")
        QVERIFY(writeFile(chosen, {}));
    else if (kind == "foreign") {
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(chosen).constData(), &db);
        sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    if (kind == "password-ok")
        h->prompter.dialogScripts.enqueue(typePassword(QStringLiteral("Open Sesame")));
    if (kind == "password-cancel")
        h->prompter.dialogScripts.enqueue(cancel());
    // Something to re-apply: every outcome but a cancelled chooser changes what the enabling
    // follows (the notebook is closed on the way), and the enabling must follow it.
    if (kind != "cancel") {
        w.action(Cmd::BackupNotebook)->setEnabled(false);
        probe(w).item("mnuCompact")->setEnabled(false);
    }
    h->prompter.openAnswers.enqueue(kind == "cancel" ? QString() : chosen);

    probe(w).item("mnuOpen")->trigger();

    QCOMPARE(h->prompter.fileCaptions, QStringList{"打开数据库文件"});
    QCOMPARE(h->prompter.fileFilters, QStringList{kFilter});
    QCOMPARE(h->prompter.messageTexts(), messages);
    for (const auto &m : h->prompter.messages) {
        QCOMPARE(m.style, int(Prompter::Exclamation));
        QCOMPARE(m.title, kNotice);
    }
    QCOMPARE(probe(*h->window).notebookPath(), switched ? chosen : book);
    QCOMPARE(h->db.isOpen(), isOpen);
    QCOMPARE(groupNames(w), groups);
    QCOMPARE(fileStates(w), states);
    if (selectedNode > 0) {
        QCOMPARE(probe(w).nodeIndex(), selectedNode);
        QCOMPARE(probe(w).groupTree()->currentItem(), probe(w).groupTree()->node(selectedNode));
    } else {
        QCOMPARE(probe(w).groupTree()->nodeCount(), 0);
        QCOMPARE(probe(w).noteList()->count(), 0);
        QVERIFY(probe(w).groupCaption()->text().isEmpty());
        QVERIFY(probe(w).preview()->toPlainText().isEmpty());
    }
    if (kind == "other" || kind == "password-ok") {
        QCOMPARE(titles(w), QStringList{"todo"});
        QCOMPARE(probe(w).itemIndex(), 1);
        QCOMPARE(probe(w).noteList()->selectedIndex(), 1);
    }
    if (!switched && kind != "cancel") {
        // The previous notebook is really open again: a new group reaches its file.
        h->prompter.dialogScripts.enqueue(enterGroupName(QStringLiteral("Again")));
        w.run(Cmd::AddGroup);
        QCOMPARE(readNotebook(book).groups, (QStringList{"工作", "生活", "空组", "Again"}));
    }
}

// A notebook whose password was not given stays locked when a failed open falls back to it.
void tst_FileCommands::lockedStaysLocked()
{
    h->prompter.dialogScripts.enqueue(cancel());
    frmmain &w = open(QStringLiteral("pw"));
    QVERIFY(!h->db.isOpen());
    QCOMPARE(fileStates(w), QStringLiteral("00|0000"));

    const QString garbage = h->path(QStringLiteral("garbage.qbf"));
    QVERIFY(writeFile(garbage, "not a notebook at all"));
    h->prompter.openAnswers.enqueue(garbage);
    w.run(Cmd::OpenNotebook);
    QCOMPARE(h->prompter.messageTexts(), QStringList{kDamaged});
    QCOMPARE(probe(*h->window).notebookPath(), book);
    QVERIFY(!h->db.isOpen());
    QCOMPARE(probe(w).groupTree()->nodeCount(), 0);
    QCOMPARE(fileStates(w), QStringLiteral("00|0000"));

    // None of the commands reaches it now.
    const QByteArray before = digest(book);
    w.run(Cmd::AddGroup);
    w.run(Cmd::BackupNotebook);
    w.run(Cmd::CompactNotebook);
    w.run(Cmd::SetPassword);
    QVERIFY(h->prompter.dialogClasses.size() == 1); // only the start-up prompt
    QCOMPARE(h->prompter.messages.size(), 1);
    QCOMPARE(digest(book), before);
}

void tst_FileCommands::openLegacy_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("converted");

    QTest::newRow("nominal: converted and opened") << int(Prompter::Yes) << true;
    QTest::newRow("robustness: declined, no damage message") << int(Prompter::No) << false;
}

void tst_FileCommands::openLegacy()
{
    QFETCH(int, answer);
    QFETCH(bool, converted);
    if (!QFileInfo::exists(legacyDir()))
        QSKIP("the older notebook files are not present beside the repository");

    frmmain &w = open();
    const QString old = h->path(QStringLiteral("old.qbf"));
    QVERIFY(QFile::copy(legacyDir() + QStringLiteral("/notes-fixture.qbf"), old));
    QFile::setPermissions(old, QFile::permissions(old) | QFileDevice::WriteOwner);
    h->prompter.msgAnswers.enqueue(answer);
    h->prompter.openAnswers.enqueue(old);
    w.run(Cmd::OpenNotebook);

    QVERIFY(!h->prompter.messages.isEmpty());
    QCOMPARE(h->prompter.messages.first().style, int(Prompter::Question));
    QVERIFY(!h->prompter.messageTexts().contains(kDamaged));
    QVERIFY(h->db.isOpen());
    if (converted) {
        QVERIFY(probe(*h->window).notebookPath() != old);
        QVERIFY(probe(*h->window).notebookPath() != book);
        QVERIFY(probe(w).groupTree()->nodeCount() > 1);
        QCOMPARE(probe(w).nodeIndex(), 2);
    } else {
        QCOMPARE(h->prompter.messages.size(), 1);
        QCOMPARE(probe(*h->window).notebookPath(), book);
        QCOMPARE(groupNames(w), (QStringList{"工作", "生活", "空组"}));
    }
}

void tst_FileCommands::backup_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("messageStart"); // "" = no message
    QTest::addColumn<bool>("written");

    QTest::newRow("nominal: a new file") << "new" << "" << true;
    QTest::newRow("nominal: an existing file is replaced without a question") << "existing" << "" << true;
    QTest::newRow("robustness: onto the open notebook itself is refused")
        << "itself" << QStringLiteral("不能备份到正在使用的数据库文件本身") << false;
    QTest::newRow("robustness: onto the open notebook under another name")
        << "itself-relative" << QStringLiteral("不能备份到正在使用的数据库文件本身") << false;
    QTest::newRow("robustness: a folder that does not exist")
        << "nofolder" << QStringLiteral("备份数据库发生错误") << false;
    QTest::newRow("robustness: a folder in the way")
        << "folder" << QStringLiteral("备份数据库发生错误") << false;
    QTest::newRow("robustness: cancelled") << "cancel" << "" << false;
}

void tst_FileCommands::backup()
{
    QFETCH(QString, kind);
    QFETCH(QString, messageStart);
    QFETCH(bool, written);

    frmmain &w = open();
    QString target = h->path(QStringLiteral("copy.qbf"));
    if (kind == "existing")
        QVERIFY(writeFile(target, "an older backup"));
    if (kind == "itself")
        target = book;
    if (kind == "itself-relative")
        target = h->path(QStringLiteral("sub/../book.qbf"));
    if (kind == "nofolder")
        target = h->path(QStringLiteral("no/such/folder/copy.qbf"));
    if (kind == "folder")
        QVERIFY(QDir().mkpath(h->path(QStringLiteral("copy.qbf/inside"))));
    if (kind == "itself-relative")
        QVERIFY(QDir().mkpath(h->path(QStringLiteral("sub"))));
    if (kind == "cancel")
        target.clear();
    const QByteArray before = digest(book);
    const int nodes = probe(w).groupTree()->nodeCount();

    h->prompter.saveAnswers.enqueue(target);
    w.run(Cmd::BackupNotebook);

    QCOMPARE(h->prompter.fileCaptions, QStringList{"Backup"});
    QCOMPARE(h->prompter.fileFilters, QStringList{kFilter});
    if (messageStart.isEmpty()) {
        QVERIFY2(h->prompter.messages.isEmpty(), qPrintable(h->prompter.messageTexts().join('/')));
    } else {
        QCOMPARE(h->prompter.messages.size(), 1);
        QVERIFY2(h->prompter.messages.first().text.startsWith(messageStart),
                 qPrintable(h->prompter.messages.first().text));
        QCOMPARE(h->prompter.messages.first().style, int(Prompter::Exclamation));
    }
    if (written) {
        const FileContents copy = readNotebook(target);
        QVERIFY(copy.opened);
        QCOMPARE(copy.notes, kSampleNotes);
    } else if (kind == "folder") {
        QVERIFY(QFileInfo(target).isDir());
    }
    // The original is as it was, open, and still shown.
    QCOMPARE(digest(book), before);
    QVERIFY(h->db.isOpen());
    QCOMPARE(probe(*h->window).notebookPath(), book);
    QCOMPARE(probe(w).groupTree()->nodeCount(), nodes);
    QCOMPARE(readNotebook(book).notes, kSampleNotes);
}

void tst_FileCommands::compact_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("succeeds");

    QTest::newRow("nominal: in place") << "plain" << true;
    QTest::newRow("nominal: a file called tmp.mdb beside it is left alone") << "stale" << true;
    QTest::newRow("nominal: the notebook is itself called tmp.mdb") << "named-tmp" << true;
    QTest::newRow("robustness: another program holds the file, the original stays whole") << "blocked" << false;
}

void tst_FileCommands::compact()
{
    QFETCH(QString, kind);
    QFETCH(bool, succeeds);

    if (kind == "named-tmp") {
        book = h->path(QStringLiteral("tmp.mdb"));
        QVERIFY(MainWindowHarness::makeNotebook(book, MainWindowHarness::sampleGroups()).isEmpty());
        h->start({book});
    } else {
        open();
    }
    frmmain &w = *h->window;
    const QString temp = h->path(QStringLiteral("tmp.mdb"));
    if (kind == "stale")
        QVERIFY(writeFile(temp, "a file of the user's"));
    // Another program holds the write lock longer than the compaction waits, then lets go so
    // that the notebook can be opened again.
    std::thread holder;
    if (kind == "blocked") {
        // The window's check for damage after the open is done first: a worker stopped while it
        // waits on the lock would hold up the compaction past the lock's end.
        QTRY_VERIFY_WITH_TIMEOUT(w.findChildren<NotebookWorker *>().isEmpty(), 10000);
        std::promise<void> locked;
        holder = std::thread([path = book, &locked] {
            sqlite3 *other = nullptr;
            sqlite3_open(QFile::encodeName(path).constData(), &other);
            sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
            locked.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(6500));
            sqlite3_close(other);
        });
        locked.get_future().wait();
    }
    const int nodes = probe(w).groupTree()->nodeCount();
    const QStringList list = titles(w);
    const int selected = probe(w).nodeIndex();

    probe(w).item("mnuCompact")->trigger();

    QCOMPARE(h->prompter.messages.size(), 1);
    const auto m = h->prompter.messages.first();
    QCOMPARE(m.title, kNotice);
    if (succeeds) {
        QCOMPARE(m.text, QStringLiteral("数据库已经修复"));
        QCOMPARE(m.style, int(Prompter::Information));
    } else {
        QVERIFY2(m.text.startsWith(QStringLiteral("修复数据库发生错误")), qPrintable(m.text));
        QCOMPARE(m.style, int(Prompter::Exclamation));
    }
    // Same path, every note, open again; the panes were left as they were.
    QCOMPARE(probe(*h->window).notebookPath(), book);
    QVERIFY(h->db.isOpen());
    QCOMPARE(readNotebook(book).notes, kSampleNotes);
    QCOMPARE(probe(w).groupTree()->nodeCount(), nodes);
    QCOMPARE(titles(w), list);
    QCOMPARE(probe(w).nodeIndex(), selected);
    if (holder.joinable())
        holder.join();
    if (kind == "stale")
        QCOMPARE(QFile(temp).size(), qint64(20));
    if (kind == "plain")
        QVERIFY(!QFileInfo::exists(temp));
    // Still writable through the window.
    h->prompter.dialogScripts.enqueue(writeNote(QStringLiteral("after")));
    w.run(Cmd::AddNote);
    QCOMPARE(readNotebook(book).notes.last(), QStringLiteral("after"));
}

void tst_FileCommands::compactReclaimsSpace()
{
    book = h->path(QStringLiteral("book.qbf"));
    NoteSpec big;
    big.title = QStringLiteral("big");
    big.body = QString(400000, QLatin1Char('x'));
    QVERIFY(MainWindowHarness::makeNotebook(book, {{QStringLiteral("G"), {big}}}).isEmpty());
    frmmain &w = h->start({book});
    h->prompter.msgAnswers.enqueue(Prompter::Yes);
    w.run(Cmd::DeleteNote);
    QCOMPARE(probe(w).noteList()->count(), 0);
    const qint64 before = QFileInfo(book).size();
    w.run(Cmd::CompactNotebook);
    QCOMPARE(h->prompter.messageTexts().last(), QStringLiteral("数据库已经修复"));
    // The deleted note's 400,000 characters are given back, whatever the tables of the layout take.
    QVERIFY2(before - QFileInfo(book).size() > 350000,
             qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(QFileInfo(book).size())));
    QCOMPARE(readNotebook(book).groups, QStringList{"G"});
}

void tst_FileCommands::choosersStartInTheNotebooksFolder_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("notebookOpen");

    QTest::newRow("nominal: open") << "mnuOpen" << true;
    QTest::newRow("nominal: new") << "mnuNew" << true;
    QTest::newRow("nominal: backup") << "mnuBackup" << true;
    QTest::newRow("robustness: no notebook open, the home folder") << "mnuOpen" << false;
}

void tst_FileCommands::choosersStartInTheNotebooksFolder()
{
    QFETCH(QString, item);
    QFETCH(bool, notebookOpen);

    QString folder = QDir::homePath();
    if (notebookOpen) {
        QVERIFY(QDir().mkpath(h->path(QStringLiteral("books"))));
        book = h->path(QStringLiteral("books/book.qbf"));
        MainWindowHarness::mustMakeNotebook(book, MainWindowHarness::sampleGroups());
        h->start({book});
        folder = QFileInfo(book).absolutePath();
    } else {
        h->start({h->path(QStringLiteral("missing.qbf"))});
        QVERIFY(!h->db.isOpen());
    }
    h->window->findChild<QAction *>(item)->trigger();
    QCOMPARE(h->prompter.fileFolders, QStringList{folder});
}

void tst_FileCommands::commandsRefuseDuringBackup_data()
{
    QTest::addColumn<QString>("command");

    QTest::newRow("robustness: compact") << "compact";
    QTest::newRow("robustness: new group") << "newGroup";
    QTest::newRow("robustness: a tray click restores nothing") << "tray";
    QTest::newRow("robustness: exit") << "exit";
}

void tst_FileCommands::commandsRefuseDuringBackup()
{
    QFETCH(QString, command);

    frmmain &w = open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QString target = h->path(QStringLiteral("copy.qbf"));
    h->prompter.saveAnswers.enqueue(target);
    h->prompter.dialogScripts.enqueue(enterGroupName(QStringLiteral("不该有的组")));
    if (command == "tray")
        w.hide();

    // The backup waits on this lock while its progress loop turns; the timer fires inside that
    // loop, tries the command, and lets the backup go on.
    auto lock = std::make_unique<WriteLock>(book);
    QVERIFY(lock->ok());
    bool insideBackup = false;
    QTimer::singleShot(50, &w, [&] {
        insideBackup = w.busy() && !h->db.isOpen();
        if (command == "compact")
            probe(w).item("mnuCompact")->trigger();
        else if (command == "newGroup")
            probe(w).item("mnuNewGroup")->trigger();
        else if (command == "tray")
            Q_EMIT probe(w).tray()->MouseDown(1);
        else
            probe(w).item("mnuExit")->trigger();
        lock.reset();
    });
    probe(w).item("mnuBackup")->trigger();

    QVERIFY(insideBackup);
    QVERIFY(!w.busy());
    QCOMPARE(h->prompter.dialogClasses, QStringList{});
    QVERIFY2(h->prompter.messages.isEmpty(), qPrintable(h->prompter.messageTexts().join('/')));
    QCOMPARE(readNotebook(target).notes, kSampleNotes);
    QVERIFY(h->db.isOpen());
    QCOMPARE(groupNames(w), (QStringList{"工作", "生活", "空组"}));
    QCOMPARE(w.isVisible(), command != "tray");
}

void tst_FileCommands::chooserFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nominal: the notebook filter") << "数据库文件(*.qbf)|*.qbf|" << "数据库文件(*.qbf)";
    QTest::newRow("nominal: descriptions without their pattern")
        << "Text|*.txt|All|*.*|" << "Text (*.txt);;All (*.*)";
    QTest::newRow("robustness: no trailing separator") << "Text|*.txt" << "Text (*.txt)";
    QTest::newRow("robustness: empty") << "" << "";
    QTest::newRow("robustness: a description without a pattern") << "Text" << "";
}

void tst_FileCommands::chooserFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(cmd::chooserFilter(filter), expected);
}

void tst_FileCommands::progress_data()
{
    QTest::addColumn<bool>("slow");
    QTest::addColumn<bool>("throws");
    QTest::addColumn<int>("result");
    QTest::newRow("nominal: quick work shows nothing") << false << false << 1;
    QTest::newRow("nominal: long work shows the dialog") << true << false << 1;
    QTest::newRow("robustness: work that throws counts as failed") << false << true << 0;
}

void tst_FileCommands::progress()
{
    QFETCH(bool, slow);
    QFETCH(bool, throws);
    QFETCH(int, result);

    QWidget parent;
    parent.show();
    std::atomic<bool> seen{false};
    QTimer watch;
    watch.setInterval(10);
    connect(&watch, &QTimer::timeout, this, [&] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (qobject_cast<QProgressDialog *>(top) && top->isVisible())
                seen.store(true);
        }
    });
    watch.start();
    const int got = cmd::runWithProgress(&parent, QStringLiteral("正在工作..."), [&]() -> int {
        if (throws)
            throw std::runtime_error("broken");
        // Long work lasts until the dialog is up (or gives up after a long while); quick work
        // still takes a moment, so a dialog shown too early would be seen.
        if (!slow)
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        for (int i = 0; slow && !seen.load() && i < 1000; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return 1;
    });
    watch.stop();
    QCOMPARE(got, result);
    QCOMPARE(seen.load(), slow);
    for (QWidget *top : QApplication::topLevelWidgets())
        QVERIFY(!(qobject_cast<QProgressDialog *>(top) && top->isVisible()));
}

QTEST_MAIN(tst_FileCommands)
void tst_FileCommands::oldKindOfPasswordOffersEncryption_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("nominal: encrypted with the password typed") << int(Prompter::Yes);
    QTest::newRow("nominal: declined, and not asked again") << int(Prompter::No);
}

// A notebook whose password is only a hash in the file, as before encryption: once the prompt
// accepted it, the window offers to encrypt the file with it.
void tst_FileCommands::oldKindOfPasswordOffersEncryption()
{
    QFETCH(int, answer);
    book = h->path(QStringLiteral("old.qbf"));
    MainWindowHarness::mustMakeNotebook(book, MainWindowHarness::sampleGroups());
    {
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(book).constData(), &raw), SQLITE_OK);
        const QByteArray sql = "DELETE FROM admin; INSERT INTO admin (vPassword) VALUES ('"
                               + Notebook::hashPassword(QStringLiteral("pw")).toLatin1() + "')";
        QCOMPARE(sqlite3_exec(raw, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    }
    const QString offer = QStringLiteral("这个数据库有密码，但文件没有加密");
    for (int start = 0; start < 2; ++start) {
        h->prompter.dialogScripts.enqueue(typePassword(QStringLiteral("pw")));
        h->prompter.msgAnswers.enqueue(answer);
        frmmain &w = h->start({book});
        QCOMPARE(probe(w).groupTree()->nodeCount(), 4);
        h->window.reset();
        h->db.close();
    }
    // Asked at the first start only: afterwards it is encrypted, or the answer is remembered.
    QCOMPARE(h->prompter.messageTexts().filter(offer).size(), 1);
    QCOMPARE(Notebook::protectionOf(book),
             answer == Prompter::Yes ? Notebook::Protection::Encrypted : Notebook::Protection::Plain);
    Notebook db;
    QCOMPARE(db.openWithPassword(book, QStringLiteral("pw")), Notebook::Access::Opened);
    NoteCollect notes;
    Notes(db).list(notes, -1);
    QCOMPARE(notes.titles, kSampleNotes);
}

#include "tst_filecommands.moc"
