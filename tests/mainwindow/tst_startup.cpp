// Every way the main window can start, through the real window with scripted dialogs.
#include "MainWindowHarness.h"
#include "WindowProbe.h"

#include "dialogs/frmPws1.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QProgressBar>
#include <QTextEdit>
#include <QThreadPool>
#include <QtTest>
#include <sqlite3.h>

namespace {

const QString kNotice = QStringLiteral("提示");
const QString kWrongPassword = QStringLiteral("密码是不正确的。请再试一次");
const QString kBadFile = QStringLiteral("数据库文件存在错误.");

// Types each entry into the prompt and presses OK after each; Cancel when `cancel` is set.
ScriptedPrompter::DialogScript typePasswords(QStringList entries, bool cancel, bool *windowShown,
                                             QWidget *const *window)
{
    return [entries, cancel, windowShown, window](QDialog *d) {
        *windowShown = *window && (*window)->isVisible();
        auto *dlg = qobject_cast<frmPws1 *>(d);
        auto *box = d->findChild<QLineEdit *>(QStringLiteral("txtPws"));
        if (!dlg || !box)
            return int(QDialog::Rejected);
        for (const QString &e : entries) {
            box->setText(e);
            dlg->cmdOK_Click();
        }
        if (cancel)
            dlg->cmdCancel_Click();
        return d->result();
    };
}

// An SQLite file of someone else's: it opens, but holds none of our tables.
bool makeForeignDatabase(const QString &path)
{
    sqlite3 *db = nullptr;
    const QByteArray name = QFile::encodeName(path);
    bool ok = sqlite3_open(name.constData(), &db) == SQLITE_OK
              && sqlite3_exec(db, "CREATE TABLE photos(id INTEGER, name TEXT)", nullptr, nullptr, nullptr)
                     == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paths_data();
    void paths();
    void readOnlyFileWritableForTheSessionOnly();
    void permissionsBackWhenQuitWithoutClosing();
    void passwordPromptInFrontOfTheWindow();
    void lockedWindowOffersToUnlock_data();
    void lockedWindowOffersToUnlock();
    void keyDerivedOffTheWindowThread_data();
    void keyDerivedOffTheWindowThread();
    void quickExit_data();
    void quickExit();
    void firstActivationRunsOnce();
    void oldNotebookAtStartup_data();
    void oldNotebookAtStartup();
};

void tst_Startup::paths_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("args"); // "%D" stands for the temporary folder
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("nodes");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("items"); // status text after the first activation

    const QStringList none;
    QTest::newRow("nominal: notebook named by the setting")
        << "setting" << none << true << 4 << true << none << "3 个文档";
    QTest::newRow("nominal: quoted command line with a blank")
        << "file" << QStringList{"\"%D/my", "book.qbf\""} << true << 4 << true << none << "3 个文档";
    QTest::newRow("nominal: a quote inside the line is removed too")
        << "file" << QStringList{"%D/my", "bo\"ok.qbf"} << true << 4 << true << none << "3 个文档";
    QTest::newRow("nominal: command line wins over the setting")
        << "both" << QStringList{"%D/my book.qbf"} << true << 4 << true << none << "3 个文档";
    QTest::newRow("nominal: first start creates the default notebook")
        << "default" << none << true << 1 << true << none << "0 个文档";
    QTest::newRow("nominal: a named file that is missing is silent")
        << "missing" << QStringList{"%D/nowhere.qbf"} << true << 0 << false << none << "";
    QTest::newRow("nominal: right password")
        << "password" << QStringList{"%D/my book.qbf"} << true << 4 << true << none << "3 个文档";
    QTest::newRow("robustness: wrong password, then the right one")
        << "wrong-right" << QStringList{"%D/my book.qbf"} << true << 4 << true << QStringList{kWrongPassword}
        << "3 个文档";
    QTest::newRow("robustness: password prompt cancelled")
        << "cancel" << QStringList{"%D/my book.qbf"} << true << 0 << false << none << "";
    QTest::newRow("robustness: encrypted, its header damaged: told so without a prompt")
        << "sealed-header" << QStringList{"%D/my book.qbf"} << true << 0 << false << QStringList{kBadFile} << "";
    QTest::newRow("robustness: encrypted, a page damaged: told so after the password")
        << "sealed-page" << QStringList{"%D/my book.qbf"} << true << 0 << false << QStringList{kBadFile} << "";
    QTest::newRow("robustness: a file that is no database")
        << "damaged" << QStringList{"%D/my book.qbf"} << true << 0 << false << QStringList{kBadFile} << "";
    QTest::newRow("robustness: a database without notebook tables")
        << "foreign" << QStringList{"%D/my book.qbf"} << true << 0 << false << QStringList{kBadFile} << "";
    QTest::newRow("robustness: second instance refused")
        << "second" << QStringList{"%D/my book.qbf"} << false << 0 << false
        << QStringList{QStringLiteral("实例已经打开.")} << "";
}

void tst_Startup::paths()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, args);
    QFETCH(bool, loaded);
    QFETCH(int, nodes);
    QFETCH(bool, open);
    QFETCH(QStringList, messages);
    QFETCH(QString, items);

    MainWindowHarness h;
    const QString book = h.path(QStringLiteral("my book.qbf"));
    for (QString &a : args)
        a.replace(QStringLiteral("%D"), h.dir.path());

    const bool sealedDamage = kind.startsWith("sealed");
    const QString password = (kind == "password" || kind == "wrong-right" || kind == "cancel" || sealedDamage)
                                 ? QStringLiteral("Secret")
                                 : QString();
    if (kind == "foreign") {
        QVERIFY(makeForeignDatabase(book));
    } else if (kind == "damaged") {
        QFile f(book);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray junk(4096, '\0');
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 7919 + 13) % 251);
        f.write(junk);
    } else if (kind != "default" && kind != "missing") {
        QCOMPARE(MainWindowHarness::makeNotebook(book, MainWindowHarness::sampleGroups(), password), QString());
    }
    if (sealedDamage) {
        // A password encrypts the file; one byte of both copies of its header, or of its first
        // page, is flipped.
        QFile f(book);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QList<qint64> where = kind == "sealed-header" ? QList<qint64>{70, 512 + 70} : QList<qint64>{4096 + 1000};
        for (const qint64 at : where) {
            f.seek(at);
            const char c = f.read(1).at(0);
            f.seek(at);
            f.write(QByteArray(1, char(c ^ 0x10)));
        }
    }
    if (kind == "setting" || kind == "both")
        h.writeSetting(QStringLiteral("Database"), kind == "both" ? h.path(QStringLiteral("other.qbf")) : book);
    if (kind == "second")
        h.anotherInstance = true;

    bool shownBehind = false;
    QWidget *windowPtr = nullptr;
    if (kind == "password")
        h.prompter.dialogScripts.enqueue(typePasswords({"Secret"}, false, &shownBehind, &windowPtr));
    if (kind == "wrong-right")
        h.prompter.dialogScripts.enqueue(typePasswords({"secret", " Secret "}, false, &shownBehind, &windowPtr));
    if (kind == "cancel")
        h.prompter.dialogScripts.enqueue(typePasswords({}, true, &shownBehind, &windowPtr));
    if (kind == "sealed-page")
        h.prompter.dialogScripts.enqueue(typePasswords({"Secret"}, false, &shownBehind, &windowPtr));
    // The prompt comes before anything of the encrypted notebook is read.
    bool openDuringPrompt = false;
    if (!h.prompter.dialogScripts.isEmpty()) {
        auto script = h.prompter.dialogScripts.dequeue();
        h.prompter.dialogScripts.enqueue([&h, &openDuringPrompt, script](QDialog *d) {
            openDuringPrompt = h.db.DatabaseIsOpen;
            return script(d);
        });
    }

    frmmain &w = h.make(args);
    windowPtr = &w;
    h.loaded = w.Form_Load();
    QCOMPARE(h.loaded, loaded);
    if (loaded)
        w.Form_Activate();

    QCOMPARE(h.prompter.messageTexts(), messages);
    for (const auto &m : h.prompter.messages) {
        if (m.text == kWrongPassword || m.text == kBadFile) {
            QCOMPARE(m.style, int(Prompter::Exclamation));
            QCOMPARE(m.title, kNotice);
        } else {
            QCOMPARE(m.style, int(Prompter::Information));
            QCOMPARE(m.title, QStringLiteral("Quillbook"));
        }
    }
    QCOMPARE(probe(w).groupTree()->nodeCount(), nodes);
    QCOMPARE(h.db.DatabaseIsOpen, open);
    if (!password.isEmpty() && kind != "sealed-header")
        QVERIFY2(shownBehind, "the window stands behind the password prompt");
    QVERIFY2(!openDuringPrompt, "nothing of the notebook is open while its password is asked for");
    if (!loaded)
        return;

    // Whatever happened, new and open stay available; the rest follows the notebook.
    QVERIFY(w.action(Cmd::NewNotebook)->isEnabled());
    QVERIFY(w.action(Cmd::OpenNotebook)->isEnabled());
    QCOMPARE(w.action(Cmd::BackupNotebook)->isEnabled(), open);
    QCOMPARE(w.action(Cmd::AddGroup)->isEnabled(), open);
    for (QAction *a :
         {probe(w).item("mnuBackup"), probe(w).item("mnuNew1"), probe(w).item("mnuPws"), probe(w).item("mnuCompact")})
        QCOMPARE(a->isEnabled(), open);
    QCOMPARE(probe(w).noteCount()->text(), items);

    if (kind == "default") {
        const QString created = h.dir.filePath(QStringLiteral("data/Quillbook/notes.qbf"));
        QVERIFY2(QFile::exists(created), qPrintable(created));
        QCOMPARE(h.db.DatabasePath, created);
        QCOMPARE(probe(w).groupTree()->selectedIndex(), 1); // only the root: the root is selected
    }
    if (kind == "missing")
        QVERIFY(!QFile::exists(args.join(' ')));
    if (nodes > 1) {
        // The first group is selected, and its first note shown.
        QCOMPARE(probe(w).groupTree()->selectedIndex(), 2);
        QCOMPARE(probe(w).groupCaption()->text(), QStringLiteral("工作"));
        QCOMPARE(probe(w).noteList()->selectedIndex(), 1);
        QCOMPARE(probe(w).noteCaption()->text(), QStringLiteral("会议记录 文档内容"));
        QVERIFY(probe(w).preview()->toPlainText().contains(QStringLiteral("周一开会")));
        QCOMPARE(probe(w).groupTree()->node(1)->text(0), QStringLiteral("my book.qbf"));
    }
}

void tst_Startup::readOnlyFileWritableForTheSessionOnly()
{
    MainWindowHarness h;
    const QString book = h.path(QStringLiteral("ro.qbf"));
    QCOMPARE(MainWindowHarness::makeNotebook(book, MainWindowHarness::sampleGroups()), QString());
    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(book, readOnly));

    frmmain &w = h.start({book});
    QVERIFY(h.db.DatabaseIsOpen);
    QVERIFY(QFile::permissions(book) & QFileDevice::WriteOwner);
    // Writable in fact, not just in its flags: a group can be added.
    QCOMPARE(h.db.AddGroup(QStringLiteral("新组")), 1);

    w.close();
    // The "user" bits describe the running user's access, not the file; compare the others.
    QCOMPARE(QFile::permissions(book) & ~QFileDevice::Permissions(0x0F00), readOnly);
    QVERIFY(!h.db.DatabaseIsOpen);
}

void tst_Startup::permissionsBackWhenQuitWithoutClosing()
{
    MainWindowHarness h;
    const QString book = h.path(QStringLiteral("ro.qbf"));
    QCOMPARE(MainWindowHarness::makeNotebook(book, {}), QString());
    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner;
    QVERIFY(QFile::setPermissions(book, readOnly));
    h.start({book});
    QVERIFY(QFile::permissions(book) & QFileDevice::WriteOwner);
    h.window.reset(); // the application quit: no close event
    QCOMPARE(QFile::permissions(book) & ~QFileDevice::Permissions(0x0F00), readOnly);
}

void tst_Startup::passwordPromptInFrontOfTheWindow()
{
    MainWindowHarness h;
    const QString book = h.path(QStringLiteral("locked.qbf"));
    QCOMPARE(MainWindowHarness::makeNotebook(book, MainWindowHarness::sampleGroups(), QStringLiteral("Secret")),
             QString());
    QWidget *parentSeen = nullptr;
    h.prompter.dialogScripts.enqueue([&parentSeen](QDialog *d) {
        parentSeen = d->parentWidget();
        d->findChild<QLineEdit *>(QStringLiteral("txtPws"))->setText(QStringLiteral("Secret"));
        qobject_cast<frmPws1 *>(d)->cmdOK_Click();
        return d->result();
    });
    frmmain &w = h.make({book});
    QVERIFY(w.Form_Load());
    QCOMPARE(h.prompter.dialogClasses, QStringList{QStringLiteral("frmPws1")});
    QCOMPARE(parentSeen, &w);
    // The first activation runs without waiting for the window manager.
    QVERIFY(probe(w).firstActivatePending());
    QTRY_VERIFY(!probe(w).firstActivatePending());
    QCOMPARE(probe(w).groupTree()->selectedIndex(), 2);
}

void tst_Startup::lockedWindowOffersToUnlock_data()
{
    QTest::addColumn<QString>("how");       // the window's button or the File menu row
    QTest::addColumn<QStringList>("typed"); // at the second prompt; none: cancelled again
    QTest::newRow("nominal: the window's button asks again and opens") << "button" << QStringList{"Secret"};
    QTest::newRow("nominal: File menu row asks again and opens") << "menu" << QStringList{"Secret"};
    QTest::newRow("robustness: cancelled again, still locked and still said") << "menu" << QStringList{};
}

// The start-up prompt cancelled: the window says the notebook is locked and offers to unlock it.
void tst_Startup::lockedWindowOffersToUnlock()
{
    QFETCH(QString, how);
    QFETCH(QStringList, typed);
    MainWindowHarness h;
    const QString book = h.path(QStringLiteral("locked.qbf"));
    QCOMPARE(MainWindowHarness::makeNotebook(book, MainWindowHarness::sampleGroups(), QStringLiteral("Secret")),
             QString());
    bool shown = false;
    QWidget *window = nullptr;
    h.prompter.dialogScripts.enqueue(typePasswords({}, true, &shown, &window));
    frmmain &w = h.start({book});
    window = &w;
    QVERIFY(!h.db.DatabaseIsOpen);
    auto *notice = w.findChild<QWidget *>(QStringLiteral("lockedNotice"));
    QVERIFY(notice);
    QVERIFY(!notice->isHidden());
    QVERIFY2(w.findChild<QLabel *>(QStringLiteral("lblLocked"))->text().contains(QStringLiteral("locked.qbf")),
             "the notice names the notebook");
    QVERIFY(probe(w).item("mnuUnlock")->isEnabled());

    h.prompter.dialogScripts.enqueue(typePasswords(typed, typed.isEmpty(), &shown, &window));
    if (how == "button")
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdUnlock")), Qt::LeftButton);
    else
        probe(w).item("mnuUnlock")->trigger();
    QCOMPARE(h.prompter.dialogClasses, (QStringList{"frmPws1", "frmPws1"}));
    const bool opened = !typed.isEmpty();
    QCOMPARE(h.db.DatabaseIsOpen, opened);
    QCOMPARE(notice->isHidden(), opened);
    QCOMPARE(probe(w).item("mnuUnlock")->isEnabled(), !opened);
    QCOMPARE(probe(w).groupTree()->nodeCount(), opened ? 4 : 0);
    QCOMPARE(w.action(Cmd::AddGroup)->isEnabled(), opened);
}

void tst_Startup::keyDerivedOffTheWindowThread_data()
{
    QTest::addColumn<QStringList>("typed");   // one entry per attempt
    QTest::addColumn<QString>("meanwhile");   // done while the first attempt derives; "" = nothing
    QTest::addColumn<bool>("standardCost");   // long enough to act while it derives
    QTest::addColumn<bool>("opened");
    QTest::addColumn<int>("wrongSaid");

    QTest::newRow("nominal: right password opens") << QStringList{"Secret"} << "" << false << true << 0;
    QTest::newRow("nominal: wrong password said, the next try opens")
        << QStringList{"nope", "Secret"} << "" << false << true << 1;
    QTest::newRow("nominal: the window's events go on while deriving")
        << QStringList{"Secret"} << "watch" << true << true << 0;
    QTest::newRow("nominal: Cancel while deriving leaves it locked")
        << QStringList{"Secret"} << "cancel" << true << false << 0;
    QTest::newRow("robustness: Esc while deriving leaves it locked")
        << QStringList{"Secret"} << "esc" << true << false << 0;
    QTest::newRow("robustness: Enter again while deriving is no second attempt")
        << QStringList{"nope"} << "enter" << true << false << 1;
}

// An encrypted notebook's key is derived while the window goes on running: the prompt shows that
// it is checking and can be given up, and a key that comes after it was given up is dropped.
void tst_Startup::keyDerivedOffTheWindowThread()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, meanwhile);
    QFETCH(bool, standardCost);
    QFETCH(bool, opened);
    QFETCH(int, wrongSaid);
    MainWindowHarness h;
    const QString book = h.path(QStringLiteral("sealed.qbf"));
    QCOMPARE(MainWindowHarness::makeNotebook(book, MainWindowHarness::sampleGroups()), QString());
    {
        DBase writer; // holds the key until it goes
        writer.DatabasePath = book;
        writer.OpenDatabase();
        if (!standardCost)
            writer.PasswordCost = NotebookHeader::Cost::lightest();
        QCOMPARE(writer.WritePassword(QStringLiteral("Secret")), 1);
    }

    bool actedWhileDeriving = false, busyShown = false;
    h.prompter.dialogScripts.enqueue([&](QDialog *d) {
        auto *dlg = qobject_cast<frmPws1 *>(d);
        auto *box = d->findChild<QLineEdit *>(QStringLiteral("txtPws"));
        auto *ok = d->findChild<QPushButton *>(QStringLiteral("cmdOK"));
        d->show();
        QTimer tick;
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, d, [&] {
            if (actedWhileDeriving || ok->isEnabled())
                return;
            actedWhileDeriving = true;
            busyShown = d->findChild<QProgressBar *>(QStringLiteral("barChecking"))->isVisible();
            if (meanwhile == "cancel")
                d->findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
            else if (meanwhile == "esc")
                QTest::keyClick(box, Qt::Key_Escape);
            else if (meanwhile == "enter")
                QTest::keyClick(box, Qt::Key_Return);
        });
        tick.start();
        for (const QString &entry : typed) {
            box->setText(entry);
            dlg->cmdOK_Click();
        }
        return d->result();
    });
    h.start({book});

    QVERIFY2(!standardCost || (actedWhileDeriving && busyShown), "events and the busy bar while deriving");
    // A derivation still running after Cancel ends; what it found must not unlock anything.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(h.db.DatabaseIsOpen, opened);
    QCOMPARE(h.prompter.messageTexts().count(kWrongPassword), wrongSaid);
    DBase other; // keys are shared by the process's stores while one of them holds it
    other.DatabasePath = book;
    other.OpenDatabase();
    QCOMPARE(other.DatabaseIsOpen, opened);
}

void tst_Startup::quickExit_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("focus"); // object name of the control holding the focus
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");

    QTest::newRow("nominal: Esc in the tree") << "1"
                                              << "tree" << int(Qt::Key_Escape) << true;
    QTest::newRow("nominal: Esc in the list") << "1"
                                              << "list" << int(Qt::Key_Escape) << true;
    QTest::newRow("nominal: Esc in the preview") << "1"
                                                 << "preview" << int(Qt::Key_Escape) << true;
    QTest::newRow("robustness: other keys do nothing") << "1"
                                                       << "tree" << int(Qt::Key_A) << false;
    QTest::newRow("robustness: quick exit off") << "0"
                                                << "tree" << int(Qt::Key_Escape) << false;
    QTest::newRow("robustness: any value but 1 is off") << "2"
                                                        << "list" << int(Qt::Key_Escape) << false;
}

void tst_Startup::quickExit()
{
    QFETCH(QString, setting);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(bool, closes);

    MainWindowHarness h;
    const QString book = h.path(QStringLiteral("q.qbf"));
    QCOMPARE(MainWindowHarness::makeNotebook(book, MainWindowHarness::sampleGroups()), QString());
    h.writeSetting(QStringLiteral("QuickExit"), setting);
    frmmain &w = h.start({book});
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    QWidget *target = focus == "tree" ? static_cast<QWidget *>(probe(w).groupTree())
        : focus == "list"             ? static_cast<QWidget *>(probe(w).noteList()->activeView())
                                      : static_cast<QWidget *>(probe(w).preview());
    QTest::keyPress(target, Qt::Key(key));
    QTest::keyRelease(target, Qt::Key(key));
    QCOMPARE(w.isVisible(), !closes);
    QCOMPARE(h.db.DatabaseIsOpen, !closes);
    QVERIFY(h.prompter.messages.isEmpty()); // no question asked
}

void tst_Startup::firstActivationRunsOnce()
{
    MainWindowHarness h;
    const QString book = h.path(QStringLiteral("a.qbf"));
    QCOMPARE(MainWindowHarness::makeNotebook(book, MainWindowHarness::sampleGroups()), QString());
    frmmain &w = h.start({book});
    QCOMPARE(probe(w).groupTree()->selectedIndex(), 2);
    // The user moves on; a later activation must not drag the selection back.
    w.SelectNode(3);
    w.Form_Activate();
    QCOMPARE(probe(w).groupTree()->selectedIndex(), 3);
    QCOMPARE(probe(w).groupCaption()->text(), QStringLiteral("生活"));
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"

void tst_Startup::oldNotebookAtStartup_data()
{
    QTest::addColumn<bool>("fromSettings");
    QTest::addColumn<int>("answer");
    QTest::newRow("nominal: named on the command line, converted") << false << int(Prompter::Yes);
    QTest::newRow("nominal: named by the setting, converted") << true << int(Prompter::Yes);
    QTest::newRow("nominal: conversion declined") << false << int(Prompter::No);
}

// An old notebook from the Windows program is offered for conversion at start-up too; the new
// notebook opens, the old file stays as it was.
void tst_Startup::oldNotebookAtStartup()
{
    QFETCH(bool, fromSettings);
    QFETCH(int, answer);
    const QString fixture = QStringLiteral(QB_SHARED_DIR "/legacy-qbf/notes-fixture.qbf");
    if (!QFileInfo::exists(fixture))
        QSKIP("the legacy notebook fixtures are not present beside the repository");
    MainWindowHarness h;
    const QString old = h.path(QStringLiteral("old.qbf"));
    QVERIFY(QFile::copy(fixture, old));
    QFile f(old);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    if (fromSettings)
        h.writeSetting(QStringLiteral("Database"), old);
    // Text the program reads leniently; following the conversion must not rewrite it.
    h.writeSetting(QStringLiteral("QuickExit"), QStringLiteral("1abc"));
    h.writeSetting(QStringLiteral("Skin"), QStringLiteral("2x"));
    h.prompter.msgAnswers.enqueue(answer);

    frmmain &w = h.start(fromSettings ? QStringList{} : QStringList{old});
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    for (const auto &m : h.prompter.messages)
        QVERIFY2(m.text != kBadFile, "a declined conversion is not a damaged file");
    if (answer != Prompter::Yes) {
        QVERIFY(!h.db.DatabaseIsOpen);
        QCOMPARE(probe(w).groupTree()->topLevelItemCount(), 0);
        return;
    }
    const QString converted = h.path(QStringLiteral("old-quillbook.qbf"));
    QVERIFY(h.db.DatabaseIsOpen);
    QCOMPARE(h.db.DatabasePath, converted);
    QCOMPARE(probe(w).groupTree()->node(1)->text(0), QStringLiteral("old-quillbook.qbf"));
    QCOMPARE(probe(w).groupTree()->node(1)->childCount(), 4);
    QCOMPARE(probe(w).groupTree()->node(2)->text(0), QStringLiteral("默认分组"));
    // The setting follows the conversion, so the next start does not offer it again.
    QCOMPARE(h.readSetting(QStringLiteral("Database")), fromSettings ? converted : QString());
    QCOMPARE(h.readSetting(QStringLiteral("QuickExit")), QStringLiteral("1abc"));
    QCOMPARE(h.readSetting(QStringLiteral("Skin")), QStringLiteral("2x"));
}
