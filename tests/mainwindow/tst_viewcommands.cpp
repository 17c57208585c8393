// View switches and list layouts across a restart, options, set password, forum, tray and exit,
// through the real window with the settings redirected into a temporary folder.
#include "CommandTesting.h"
#include "WindowProbe.h"

#include "controls/Tray.h"
#include "dialogs/KeepSettings.h"
#include "mainwindow/SkinPane.h"
#include "dialogs/frmOptions.h"
#include "dialogs/frmPws2.h"
#include "store/AutoBackup.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QToolBar>
#include <QtTest>

using namespace CommandTesting;

namespace {

const QString kForum = QStringLiteral("https://github.com/quillbook/quillbook/discussions");

Script changePassword(const QString &old, const QString &fresh)
{
    return [old, fresh](QDialog *d) {
        d->findChild<QLineEdit *>(QStringLiteral("txtOld"))->setText(old);
        d->findChild<QLineEdit *>(QStringLiteral("txtPass1"))->setText(fresh);
        d->findChild<QLineEdit *>(QStringLiteral("txtPass2"))->setText(fresh);
        qobject_cast<frmPws2 *>(d)->cmdOK_Click();
        return d->result();
    };
}

} // namespace

class tst_ViewCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindowHarness> h;
    QString book;

    frmmain &open()
    {
        book = h->path(QStringLiteral("book.qbf"));
        if (!QFileInfo::exists(book))
            MainWindowHarness::mustMakeNotebook(book, MainWindowHarness::sampleGroups());
        h->db.setBusyTimeout(50);
        return h->start({book});
    }

    // Ends the program as the user would and starts it again over the same settings.
    frmmain &restart()
    {
        h->window->run(Cmd::Exit);
        h->prompter.messages.clear();
        return open();
    }

private Q_SLOTS:
    void init() { h = std::make_unique<MainWindowHarness>(); }
    void cleanup() { h.reset(); }

    void viewSurvivesRestart_data();
    void viewSurvivesRestart();
    void options_data();
    void options();
    void setPassword_data();
    void setPassword();
    void forum_data();
    void forum();
    void tray_data();
    void tray();
    void trayClickInsideItsSignal_data();
    void trayClickInsideItsSignal();
    void exitCommands_data();
    void exitCommands();
    void escQuitsOnlyFromTheWindow_data();
    void escQuitsOnlyFromTheWindow();
};

void tst_ViewCommands::viewSurvivesRestart_data()
{
    QTest::addColumn<QStringList>("items"); // chosen in the menu, in order
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");

    QTest::newRow("nominal: toolbar hidden") << QStringList{"mnuToolbar"} << "Toolbar" << "1";
    QTest::newRow("nominal: status bar hidden") << QStringList{"mnuStatusbar"} << "StatusBar" << "1";
    QTest::newRow("nominal: group pane hidden") << QStringList{"mnuMyNotes"} << "NotesBar" << "1";
    QTest::newRow("nominal: preview hidden") << QStringList{"mnuNoteInfo"} << "NoteInfo" << "1";
    QTest::newRow("nominal: hidden and shown again")
        << QStringList{"mnuToolbar", "mnuToolbar"} << "Toolbar" << "0";
    QTest::newRow("nominal: icon layout") << QStringList{"mnuIcons"} << "ListView" << "0";
    QTest::newRow("nominal: icons, then details") << QStringList{"mnuIcons", "mnuReport"} << "ListView" << "3";
}

void tst_ViewCommands::viewSurvivesRestart()
{
    QFETCH(QStringList, items);
    QFETCH(QString, key);
    QFETCH(QString, stored);

    frmmain *w = &open();
    w->show();
    for (const QString &item : items)
        w->findChild<QAction *>(item)->trigger();
    // Written at once, not at exit.
    QCOMPARE(h->readSetting(key), stored);

    w = &restart();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(h->readSetting(key), stored);
    const bool shown = stored == QLatin1String("0");
    if (key == "Toolbar") {
        QCOMPARE(probe(*w).item("mnuToolbar")->isChecked(), shown);
        QCOMPARE(probe(*w).toolbar()->isVisible(), shown);
    } else if (key == "StatusBar") {
        QCOMPARE(probe(*w).item("mnuStatusbar")->isChecked(), shown);
        QCOMPARE(probe(*w).statusStrip()->isVisible(), shown);
    } else if (key == "NotesBar") {
        QCOMPARE(probe(*w).item("mnuMyNotes")->isChecked(), shown);
        QCOMPARE(probe(*w).groupTree()->isVisible(), shown);
    } else if (key == "NoteInfo") {
        QCOMPARE(probe(*w).item("mnuNoteInfo")->isChecked(), shown);
        QCOMPARE(probe(*w).preview()->isVisible(), shown);
    } else {
        QCOMPARE(QString::number(probe(*w).noteList()->View()), stored);
    }
}

void tst_ViewCommands::options_data()
{
    QTest::addColumn<QString>("ending"); // "ok", "cancel", "close"
    QTest::newRow("nominal: OK applies both fonts and stores them") << "ok";
    QTest::newRow("robustness: Cancel keeps the fonts, shown and stored") << "cancel";
    QTest::newRow("robustness: the close box as well") << "close";
}

void tst_ViewCommands::options()
{
    QFETCH(QString, ending);

    frmmain &w = open();
    const QFont treeBefore = probe(w).groupTree()->font();
    const QFont listBefore = probe(w).noteList()->font();
    const Settings before = h->settings;
    h->prompter.fontAnswers.enqueue(QFont(QStringLiteral("DejaVu Sans"), 17));
    h->prompter.colorAnswers.enqueue(std::nullopt);
    h->prompter.fontAnswers.enqueue(QFont(QStringLiteral("DejaVu Serif"), 13));
    int skinWhileOpen = -1;
    h->prompter.dialogScripts.enqueue([&](QDialog *d) {
        d->findChild<QPushButton *>(QStringLiteral("cmdFont1"))->click();
        d->findChild<QPushButton *>(QStringLiteral("cmdFont2"))->click();
        // A picked skin shows at once.
        d->findChild<QComboBox *>(QStringLiteral("cboSkin"))->setCurrentIndex(1);
        skinWhileOpen = probe(w).skin();
        if (ending == "ok")
            d->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
        else if (ending == "cancel")
            d->findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
        else
            return int(QDialog::Rejected);
        return d->result();
    });
    probe(w).item("mnuOptions")->trigger();

    QCOMPARE(h->prompter.dialogClasses, QStringList{"frmOptions"});
    QCOMPARE(skinWhileOpen, 1);
    if (ending == "ok") {
        QCOMPARE(probe(w).groupTree()->font().pointSize(), 17);
        QCOMPARE(probe(w).noteList()->font().pointSize(), 13);
        QVERIFY(h->readSetting(QStringLiteral("GroupFont")).contains(QStringLiteral(",17,")));
        QCOMPARE(h->readSetting(QStringLiteral("Skin")), QStringLiteral("1"));
    } else {
        QCOMPARE(probe(w).groupTree()->font(), treeBefore);
        QCOMPARE(probe(w).noteList()->font(), listBefore);
        QCOMPARE(h->settings.gGroupFont, before.gGroupFont);
        QCOMPARE(h->settings.gRecordFont, before.gRecordFont);
        QVERIFY(h->readSetting(QStringLiteral("GroupFont")).isEmpty());
        // A later OK without touching the fonts stores the fonts as they were, not the
        // cancelled pick.
        h->prompter.dialogScripts.enqueue([](QDialog *d) {
            qobject_cast<frmOptions *>(d)->cmdOK_Click();
            return d->result();
        });
        w.run(Cmd::Options);
        QCOMPARE(h->readSetting(QStringLiteral("GroupFont")), before.gGroupFont);
        QCOMPARE(h->readSetting(QStringLiteral("RecordFont")), before.gRecordFont);
    }
}

void tst_ViewCommands::setPassword_data()
{
    QTest::addColumn<QString>("ending"); // "ok", "twice", "cancel", "locked"
    QTest::addColumn<QString>("passwordAfter");
    QTest::addColumn<QStringList>("messageStarts");
    QTest::addColumn<int>("copies");         // automatic copies made before
    QTest::addColumn<QList<int>>("answers"); // to re-encrypting them, then to deleting them
    QTest::addColumn<int>("copiesAfter");
    QTest::addColumn<QString>("copiesOpenWith");

    const QString offer = QStringLiteral("这个数据库的 2 个自动备份是之前做的");
    const QList<int> none;
    QTest::newRow("nominal: a first password") << "ok" << "Sesame" << QStringList{} << 0 << none << 0 << "";
    QTest::newRow("nominal: changed again, checked against the new one")
        << "twice" << "Second" << QStringList{} << 0 << none << 0 << "";
    QTest::newRow("nominal: older copies put under the new password")
        << "ok" << "Sesame" << QStringList{offer} << 2 << QList<int>{Prompter::Yes} << 2 << "Sesame";
    QTest::newRow("nominal: copies under the old password put under the new one")
        << "twice" << "Second" << QStringList{offer, offer} << 2 << QList<int>{Prompter::Yes, Prompter::Yes} << 2
        << "Second";
    QTest::newRow("nominal: older copies deleted on request")
        << "ok" << "Sesame" << QStringList{offer, offer} << 2 << QList<int>{Prompter::No, Prompter::Yes} << 0 << "";
    QTest::newRow("nominal: older copies kept")
        << "ok" << "Sesame" << QStringList{offer, offer} << 2 << QList<int>{Prompter::No, Prompter::No} << 2 << "";
    QTest::newRow("robustness: cancelled") << "cancel" << "" << QStringList{} << 2 << none << 2 << "";
    QTest::newRow("robustness: the store refuses and says so")
        << "locked" << "" << QStringList{QStringLiteral("设置数据库密码发生错误")} << 2 << none << 2 << "";
}

void tst_ViewCommands::setPassword()
{
    QFETCH(QString, ending);
    QFETCH(QString, passwordAfter);
    QFETCH(QStringList, messageStarts);
    QFETCH(int, copies);
    QFETCH(QList<int>, answers);
    QFETCH(int, copiesAfter);
    QFETCH(QString, copiesOpenWith);

    frmmain &w = open();
    h->settings.gBackupFolder = h->path(QStringLiteral("copies"));
    for (int i = 0; i < copies; ++i) {
        // A change between copies, or the second would be skipped as the same notebook.
        QVERIFY(Groups(h->db).add(QStringLiteral("组%1").arg(i)));
        QCOMPARE(BackupJob(book, h->settings.gBackupFolder, QDateTime::currentDateTime().addDays(i - 5)).runToEnd(),
                 BackupJob::Done);
    }
    for (int answer : answers)
        h->prompter.msgAnswers.enqueue(answer);
    h->prompter.dialogScripts.enqueue(ending == "cancel" ? cancel() : changePassword({}, QStringLiteral("Sesame")));
    if (ending == "twice")
        h->prompter.dialogScripts.enqueue(changePassword(QStringLiteral("Sesame"), QStringLiteral("Second")));
    QVERIFY(runLocked(ending == "locked", book, [&] {
        probe(w).item("mnuPws")->trigger();
        if (ending == "twice")
            probe(w).item("mnuPws")->trigger();
    }));
    QCOMPARE(h->prompter.messages.size(), messageStarts.size());
    for (int i = 0; i < messageStarts.size(); ++i)
        QVERIFY(h->prompter.messages.at(i).text.startsWith(messageStarts.at(i)));
    // The password typed is gone once used; the copies change only as the user says.
    QVERIFY(h->state.gInputPassword.isEmpty());
    const std::vector<AutoBackup::Copy> left = AutoBackup::list(h->settings.gBackupFolder, book);
    QCOMPARE(int(left.size()), copiesAfter);
    for (const AutoBackup::Copy &copy : left) {
        QCOMPARE(Notebook::protectionOf(copy.path),
                 copiesOpenWith.isEmpty() ? Notebook::Protection::Plain : Notebook::Protection::Encrypted);
        Notebook kept;
        QCOMPARE(kept.openWithPassword(copy.path, copiesOpenWith), Notebook::Access::Opened);
    }
    // What the window checks against and what the file holds agree.
    QVERIFY(Notebook::passwordMatches(passwordAfter, h->state.gPassword));
    Notebook other;
    QCOMPARE(other.openWithPassword(book, passwordAfter), Notebook::Access::Opened);
    QCOMPARE(other.encrypted(), !passwordAfter.isEmpty());
    QVERIFY(Notebook::passwordMatches(passwordAfter, other.readPassword()));
}

void tst_ViewCommands::forum_data()
{
    QTest::addColumn<bool>("browserStarts");
    QTest::newRow("nominal: the browser opens the page, nothing is said") << true;
    QTest::newRow("robustness: no browser: the address is shown") << false;
}

void tst_ViewCommands::forum()
{
    QFETCH(bool, browserStarts);
    frmmain &w = open();
    QVERIFY(probe(w).item("mnuForum")->text().endsWith(QStringLiteral("综合论坛")));
    h->prompter.openUrlResult = browserStarts;
    probe(w).item("mnuForum")->trigger();
    QCOMPARE(h->prompter.openedUrls, QStringList{kForum});
    if (browserStarts) {
        QVERIFY(h->prompter.messages.isEmpty());
        return;
    }
    QCOMPARE(h->prompter.messages.size(), 1);
    QVERIFY(h->prompter.messages.first().text.contains(kForum));
    QCOMPARE(h->prompter.messages.first().style, int(Prompter::Information));
}

void tst_ViewCommands::tray_data()
{
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<QString>("how"); // "left", "restore", "right", "middle"

    QTest::newRow("nominal: left click restores a maximised window") << true << "left";
    QTest::newRow("nominal: left click restores a normal window") << false << "left";
    QTest::newRow("nominal: the tray menu's item restores") << true << "restore";
    QTest::newRow("nominal: right click shows the tray menu") << false << "right";
    QTest::newRow("robustness: another button does nothing") << false << "middle";
}

void tst_ViewCommands::tray()
{
    QFETCH(bool, maximised);
    QFETCH(QString, how);

    frmmain &w = open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.setWindowState(maximised ? Qt::WindowMaximized : Qt::WindowNoState);
    QTRY_COMPARE(probe(w).lastWindowState(), maximised ? 2 : 0);
    w.setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(!w.isVisible());
    QVERIFY(probe(w).tray()->Visible());

    if (how == "left")
        Q_EMIT probe(w).tray()->MouseDown(1);
    else if (how == "restore")
        probe(w).item("mnuRestore")->trigger();
    else if (how == "right")
        Q_EMIT probe(w).tray()->MouseDown(2);
    else
        Q_EMIT probe(w).tray()->MouseDown(3);

    const bool restored = how == "left" || how == "restore";
    QCOMPARE(w.isVisible(), restored);
    QCOMPARE(probe(w).tray()->Visible(), !restored);
    QCOMPARE(h->popups, how == "right" ? QStringList{"mnuTray"} : QStringList{});
    if (restored) {
        QVERIFY(!(w.windowState() & Qt::WindowMinimized));
        QCOMPARE(bool(w.windowState() & Qt::WindowMaximized), maximised);
    }
    // The tray menu offers its restore item.
    QCOMPARE(probe(w).item("mnuRestore")->text(), QStringLiteral("显示窗口"));
}

void tst_ViewCommands::trayClickInsideItsSignal_data()
{
    QTest::addColumn<QString>("how"); // "left", or the tray menu item chosen after a right click

    QTest::newRow("robustness: left click restores") << "left";
    QTest::newRow("robustness: the menu's restore item") << "mnuRestore";
    QTest::newRow("robustness: the menu's exit item") << "mnuExit1";
}

void tst_ViewCommands::trayClickInsideItsSignal()
{
    QFETCH(QString, how);

    frmmain &w = open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(!w.isVisible());
    QPointer<QSystemTrayIcon> icon = probe(w).tray()->systemIcon();
    QVERIFY(icon);
    // The menu runs inside the click's signal, as a real menu does.
    w.setPopupMenu([&](QMenu *, const QPoint &) { w.findChild<QAction *>(how)->trigger(); });

    // The platform's icon is still handling the click after its signal returns: it must still
    // be there, and shown, for whatever comes after this handler.
    bool aliveAfterHandlers = false;
    connect(icon, &QSystemTrayIcon::activated, this, [&] { aliveAfterHandlers = icon && icon->isVisible(); });
    Q_EMIT icon->activated(how == "left" ? QSystemTrayIcon::Trigger : QSystemTrayIcon::Context);
    QVERIFY(aliveAfterHandlers);

    const bool exits = how == "mnuExit1";
    QCOMPARE(w.isVisible(), !exits);
    QCOMPARE(h->db.isOpen(), !exits);
    QVERIFY(!probe(w).tray()->Visible());
    // Once the signal is over the icon goes.
    QTRY_VERIFY(!icon);
}

void tst_ViewCommands::exitCommands_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("quickExit");
    QTest::addColumn<bool>("ends");

    QTest::newRow("nominal: File menu") << "mnuExit" << 0 << true;
    QTest::newRow("nominal: tray menu while hidden in the tray") << "mnuExit1" << 0 << true;
    QTest::newRow("nominal: Esc with the quick-exit setting") << "esc" << 1 << true;
    QTest::newRow("robustness: Esc without it") << "esc" << 0 << false;
}

void tst_ViewCommands::exitCommands()
{
    QFETCH(QString, how);
    QFETCH(int, quickExit);
    QFETCH(bool, ends);

    h->writeSetting(QStringLiteral("QuickExit"), QString::number(quickExit));
    frmmain &w = open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    if (how == "mnuExit1") {
        w.setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(!w.isVisible());
    }
    QVERIFY(h->db.isOpen());
    if (how == "esc") {
        QTest::keyPress(probe(w).groupTree(), Qt::Key_Escape);
        QTest::keyRelease(probe(w).groupTree(), Qt::Key_Escape);
    } else
        w.findChild<QAction *>(how)->trigger();

    QCOMPARE(h->db.isOpen(), !ends);
    QCOMPARE(w.isVisible(), !ends && how != "mnuExit1");
    if (ends)
        QVERIFY(!probe(w).tray()->Visible());
    // No question on the way out, and the notes are all there, in the copy at exit too.
    QVERIFY(h->prompter.messages.isEmpty());
    QCOMPARE(readNotebook(book).notes.size(), 4);
    const std::vector<AutoBackup::Copy> copies = AutoBackup::list(Tools::BackupFolderOf(h->settings), book);
    QCOMPARE(copies.size(), size_t(ends ? 1 : 0));
    if (ends)
        QCOMPARE(readNotebook(copies.front().path).notes.size(), 4);
}

void tst_ViewCommands::escQuitsOnlyFromTheWindow_data()
{
    QTest::addColumn<QString>("pressedIn"); // where the press of Esc went; the release goes to the list
    QTest::addColumn<bool>("ends");

    QTest::newRow("nominal: Esc in the window") << "window" << true;
    QTest::newRow("robustness: the Esc that closed a dialog") << "dialog" << false;
    QTest::newRow("robustness: the Esc that closed a pop-up menu") << "menu" << false;
}

void tst_ViewCommands::escQuitsOnlyFromTheWindow()
{
    QFETCH(QString, pressedIn);
    QFETCH(bool, ends);

    h->writeSetting(QStringLiteral("QuickExit"), QStringLiteral("1"));
    frmmain &w = open();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QWidget *list = probe(w).noteList()->activeView();
    list->setFocus();

    if (pressedIn == "dialog") {
        QDialog dialog(&w);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyPress(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    } else if (pressedIn == "menu") {
        probe(w).menu("mnuNote")->popup(w.mapToGlobal(QPoint(20, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(probe(w).menu("mnuNote")));
        QTest::keyPress(probe(w).menu("mnuNote"), Qt::Key_Escape);
        QTRY_VERIFY(!probe(w).menu("mnuNote")->isVisible());
    } else {
        QTest::keyPress(list, Qt::Key_Escape);
    }
    w.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(&w));
    QTest::keyRelease(list, Qt::Key_Escape);

    QCOMPARE(h->db.isOpen(), !ends);
    QCOMPARE(w.isVisible(), !ends);
}

QTEST_MAIN(tst_ViewCommands)
#include "tst_viewcommands.moc"
