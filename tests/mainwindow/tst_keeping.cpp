// Note history, recently deleted notes, the automatic copies and their settings, driven through
// the main window's commands.
#include "CommandTesting.h"
#include "WindowProbe.h"

#include "dialogs/KeepSettings.h"
#include "dialogs/frmBackups.h"
#include "dialogs/frmDeleted.h"
#include "dialogs/frmHistory.h"
#include "dialogs/frmOptions.h"
#include "store/AutoBackup.h"
#include "store/KeptNotes.h"
#include "store/NotebookWorker.h"

#include <QCryptographicHash>
#include <QListWidget>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

using namespace CommandTesting;

namespace {

QByteArray digestOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Selects the listed note with this title; false when it is not listed.
bool selectTitle(frmmain &w, const QString &title)
{
    const int row = titles(w).indexOf(title);
    if (row < 0)
        return false;
    w.SelectItem(row + 1);
    return true;
}

// Picks row `row` of a history or deleted-notes window, restores it (answering Yes) and closes.
Script restoreRow(ScriptedPrompter &prompter, int row)
{
    return [&prompter, row](QDialog *d) {
        auto *list = ChildLookup::child<QTreeWidget>(*d, "lstKept");
        if (row >= list->topLevelItemCount())
            return int(QDialog::Rejected);
        list->setCurrentItem(list->topLevelItem(row));
        prompter.msgAnswers.enqueue(Prompter::Yes);
        if (auto *h = qobject_cast<frmHistory *>(d))
            h->cmdRestore_Click();
        else
            qobject_cast<frmDeleted *>(d)->cmdRestore_Click();
        return int(QDialog::Rejected);
    };
}

} // namespace

class tst_Keeping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandStates_data();
    void commandStates();
    void historyRestoreShowsOldText();
    void deletedNoteComesBack();
    void restoreFromBackup_data();
    void restoreFromBackup();
    void keepOptionsRoundTrip_data();
    void keepOptionsRoundTrip();
};

void tst_Keeping::commandStates_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("withNote");  // a note selected
    QTest::addColumn<bool>("groupOnly"); // a group clicked, no note chosen
    QTest::addColumn<bool>("closed");    // no notebook open

    QTest::newRow("history in the notes menu") << "mnuHistory1" << "mnuNotes" << "历史版本" << true << false << false;
    QTest::newRow("recently deleted") << "mnuDeleted" << "mnuNotes" << "最近删除" << true << true << false;
    QTest::newRow("restore from an automatic copy, even with nothing open")
        << "mnuFromBackup" << "mnuFile" << "从自动备份恢复..." << true << true << true;
}

void tst_Keeping::commandStates()
{
    QFETCH(QString, item);
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(bool, withNote);
    QFETCH(bool, groupOnly);
    QFETCH(bool, closed);

    MainWindowHarness h;
    QVERIFY2(h.showOnSample(QStringLiteral("a.qbf")).isEmpty(), "sample window");
    frmmain &w = *h.window;
    auto *m = w.findChild<QMenu *>(menu);
    QVERIFY(m);
    QAction *a = nullptr;
    for (QAction *each : m->actions())
        if (each->objectName() == item)
            a = each;
    QVERIFY2(a, qPrintable(item + QStringLiteral(" is not in ") + menu));
    QCOMPARE(a->text(), caption);

    QVERIFY(selectTitle(w, QStringLiteral("Budget")));
    QCOMPARE(a->isEnabled(), withNote);
    w.SelectNode(2);
    QCOMPARE(a->isEnabled(), groupOnly);

    MainWindowHarness none;
    frmmain &empty = none.start({none.path(QStringLiteral("missing.qbf"))});
    QVERIFY(!none.db.isOpen());
    QAction *b = nullptr;
    for (QAction *each : empty.findChild<QMenu *>(menu)->actions())
        if (each->objectName() == item)
            b = each;
    QVERIFY(b);
    QCOMPARE(b->isEnabled(), closed);
}

void tst_Keeping::historyRestoreShowsOldText()
{
    MainWindowHarness h;
    QVERIFY2(h.showOnSample(QStringLiteral("a.qbf")).isEmpty(), "sample window");
    frmmain &w = *h.window;
    QVERIFY(selectTitle(w, QStringLiteral("Budget")));
    const qint64 id = probe(w).noteId();
    h.prompter.dialogScripts.enqueue(writeNote(QStringLiteral("Budget"), QStringLiteral("second draft")));
    w.run(Cmd::EditNote);
    QVERIFY(probe(w).preview()->toPlainText().contains(QStringLiteral("second draft")));

    // The newest kept version is the text before the edit.
    w.SelectNode(3); // elsewhere, to see the window come back to the note by its ID
    QVERIFY(selectTitle(w, QStringLiteral("购物清单")));
    w.SelectNode(2);
    QVERIFY(selectTitle(w, QStringLiteral("Budget")));
    h.prompter.dialogScripts.enqueue(restoreRow(h.prompter, 0));
    w.run(Cmd::NoteHistory);
    QCOMPARE(probe(w).noteId(), id);
    QVERIFY2(probe(w).preview()->toPlainText().contains(QStringLiteral("plain body text")),
             qPrintable(probe(w).preview()->toPlainText()));
}

void tst_Keeping::deletedNoteComesBack()
{
    MainWindowHarness h;
    QVERIFY2(h.showOnSample(QStringLiteral("a.qbf")).isEmpty(), "sample window");
    frmmain &w = *h.window;
    QVERIFY(selectTitle(w, QStringLiteral("alpha plan")));
    h.prompter.msgAnswers.enqueue(Prompter::Yes);
    w.run(Cmd::DeleteNote);
    QVERIFY(!titles(w).contains(QStringLiteral("alpha plan")));

    h.prompter.dialogScripts.enqueue(restoreRow(h.prompter, 0));
    w.run(Cmd::DeletedNotes);
    QVERIFY2(titles(w).contains(QStringLiteral("alpha plan")), qPrintable(titles(w).join(',')));
    QVERIFY(readNotebook(probe(*h.window).notebookPath()).notes.contains(QStringLiteral("alpha plan")));
}

void tst_Keeping::restoreFromBackup_data()
{
    QTest::addColumn<QString>("before"); // the notebook's state when the command runs
    QTest::addColumn<bool>("choose");
    QTest::newRow("nominal: a copy chosen") << "open" << true;
    QTest::newRow("nominal: cancelled") << "open" << false;
    QTest::newRow("nominal: the notebook failed to open") << "damaged" << true;
    QTest::newRow("robustness: no copies yet") << "nocopies" << false;
}

void tst_Keeping::restoreFromBackup()
{
    QFETCH(QString, before);
    QFETCH(bool, choose);
    MainWindowHarness h;
    const QString folder = h.path(QStringLiteral("copies"));
    h.writeSetting(QStringLiteral("BackupFolder"), folder);
    QVERIFY2(h.showOnSample(QStringLiteral("a.qbf")).isEmpty(), "sample window");
    frmmain &w = *h.window;
    const QString book = probe(*h.window).notebookPath();
    QCOMPARE(Tools::BackupFolderOf(h.settings), folder);
    // A notebook of the same name elsewhere, copied later than any copy of ours: never listed here.
    const QString namesake = h.path(QStringLiteral("usb/a.qbf"));
    QVERIFY(QDir().mkpath(h.path(QStringLiteral("usb"))));
    QCOMPARE(MainWindowHarness::makeNotebook(namesake, {}), QString());
    QCOMPARE(BackupJob(namesake, folder, QDateTime(QDate(2026, 5, 3), QTime(9, 0))).runToEnd(), BackupJob::Done);

    // Two copies a day apart, each followed by a note it does not have (an unchanged notebook
    // is not copied again).
    for (int day : {1, 2}) {
        if (before == QLatin1String("nocopies"))
            break;
        BackupJob job(book, folder, QDateTime(QDate(2026, 5, day), QTime(9, 0)));
        QCOMPARE(job.runToEnd(), BackupJob::Done);
        h.prompter.dialogScripts.enqueue(writeNote(QStringLiteral("after copy %1").arg(day)));
        w.SelectNode(2);
        w.run(Cmd::AddNote);
        QVERIFY(titles(w).contains(QStringLiteral("after copy %1").arg(day)));
    }
    const std::vector<AutoBackup::Copy> copies = AutoBackup::list(folder, book);
    if (before == QLatin1String("damaged")) {
        // Damaged under the open window, which then fails to open it again.
        QFile f(book);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.write(QByteArray(100, 'x'));
        f.close();
        h.prompter.openAnswers.enqueue(book);
        w.run(Cmd::OpenNotebook);
        QVERIFY(!h.db.isOpen());
        QVERIFY(titles(w).isEmpty());
    } else {
        h.db.close(); // so the digest sees everything written
        h.db.open(book);
    }
    const QByteArray digest = digestOf(book);
    h.prompter.messages.clear();

    QStringList listed;
    h.prompter.dialogScripts.enqueue([&listed, choose](QDialog *d) {
        auto *list = ChildLookup::child<QListWidget>(*d, "lstCopies");
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text();
        if (!choose)
            return int(QDialog::Rejected);
        list->setCurrentRow(1); // the older one
        d->accept();
        return d->result();
    });
    QVERIFY(w.action(Cmd::RestoreFromBackup)->isEnabled());
    w.run(Cmd::RestoreFromBackup);

    if (before == QLatin1String("nocopies")) {
        QVERIFY(listed.isEmpty());
        QCOMPARE(h.prompter.messages.size(), 1);
        QVERIFY2(h.prompter.messages[0].text.contains(QDir::toNativeSeparators(folder)),
                 qPrintable(h.prompter.messages[0].text));
        return;
    }
    QCOMPARE(listed.size(), 2);
    QVERIFY2(listed[0].startsWith(QStringLiteral("2026/5/2 09:00:00")), qPrintable(listed[0]));
    // The window stays on the notebook itself, never on a copy.
    QCOMPARE(probe(*h.window).notebookPath(), book);
    QVERIFY(h.db.isOpen());
    QCOMPARE(titles(w).contains(QStringLiteral("after copy 1")), !choose);
    QCOMPARE(titles(w).contains(QStringLiteral("after copy 2")), !choose);
    QVERIFY(titles(w).contains(QStringLiteral("Budget")));
    if (!choose) {
        QCOMPARE(digestOf(book), digest);
        return;
    }
    // What was replaced is the newest copy now, named as such and said where it is.
    const std::vector<AutoBackup::Copy> after = AutoBackup::list(folder, book);
    QCOMPARE(after.size(), size_t(3));
    QVERIFY(after.front().beforeRestore);
    if (before == QLatin1String("damaged"))
        QCOMPARE(digestOf(after.front().path), digest);
    else
        QVERIFY(readNotebook(after.front().path).notes.contains(QStringLiteral("after copy 2")));
    QCOMPARE(h.prompter.messages.size(), 1);
    QVERIFY(h.prompter.messages[0].text.contains(QDir::toNativeSeparators(after.front().path)));
    QCOMPARE(after[2].path, copies[1].path); // the copy restored from is still there
}

void tst_Keeping::keepOptionsRoundTrip_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("versions");
    QTest::addColumn<int>("percent");
    QTest::addColumn<bool>("browse"); // the folder picked through 浏览..., else left to the default
    QTest::addColumn<bool>("own");    // the notebook has limits of its own (ten years)

    QTest::newRow("lowest, folder picked") << 1 << 1 << 1 << true << false;
    QTest::newRow("highest, default folder") << 3650 << 10000 << 100 << false << false;
    QTest::newRow("the notebook's own limits over the settings") << 30 << 5 << 50 << false << true;
}

void tst_Keeping::keepOptionsRoundTrip()
{
    QFETCH(int, days);
    QFETCH(int, versions);
    QFETCH(int, percent);
    QFETCH(bool, browse);
    QFETCH(bool, own);

    MainWindowHarness h;
    h.writeSetting(QStringLiteral("KeepDays"), QStringLiteral("7"));
    const QString book = h.path(QStringLiteral("a.qbf"));
    QVERIFY(MainWindowHarness::makeNotebook(book, MainWindowHarness::sampleGroups()).isEmpty());
    {
        // Two versions of the first note, replaced a year ago.
        Notebook old;
        old.open(book);
        old.setClock([] { return QDateTime::currentDateTimeUtc().addDays(-365); });
        if (own)
            QVERIFY(KeptNotes(old).setLimits({3650, 100, 100}));
        NoteVersion v = Notes(old).load(1).value();
        for (const QString &title : {QStringLiteral("一"), QStringLiteral("二")}) {
            v.note.NoteTitle = title;
            QVERIFY(Notes(old).update(1, v.note));
        }
    }
    frmmain &w = h.start({book});
    // The check after opening drops what is past the notebook's limits; one without limits of its
    // own takes the user's first.
    QTRY_VERIFY_WITH_TIMEOUT(w.findChildren<NotebookWorker *>().isEmpty(), 10000);
    QCOMPARE(KeptNotes(h.db).limits().value_or(KeepLimits{}).days, own ? 3650 : 7);
    QCOMPARE(KeptNotes(h.db).history(1).size(), std::size_t(own ? 2 : 0));

    const QString picked = h.path(QStringLiteral("picked"));
    int shownDays = 0;
    h.prompter.dialogScripts.enqueue([&](QDialog *d) {
        shownDays = ChildLookup::child<QSpinBox>(*d, "txtKeepDays")->value();
        ChildLookup::child<QSpinBox>(*d, "txtKeepDays")->setValue(days);
        ChildLookup::child<QSpinBox>(*d, "txtKeepVersions")->setValue(versions);
        ChildLookup::child<QSpinBox>(*d, "txtKeepPercent")->setValue(percent);
        if (browse) {
            h.prompter.openAnswers.enqueue(picked);
            qobject_cast<frmOptions *>(d)->cmdFolder_Click();
        }
        qobject_cast<frmOptions *>(d)->cmdOK_Click();
        return d->result();
    });
    w.run(Cmd::Options);

    QCOMPARE(shownDays, own ? 3650 : 7);
    QCOMPARE(h.readSetting(QStringLiteral("KeepDays")).toInt(), days);
    QCOMPARE(h.readSetting(QStringLiteral("KeepVersions")).toInt(), versions);
    QCOMPARE(h.readSetting(QStringLiteral("KeepPercent")).toInt(), percent);
    QCOMPARE(h.readSetting(QStringLiteral("BackupFolder")), browse ? picked : QString());
    const KeepLimits stored = KeptNotes(h.db).limits().value_or(KeepLimits{});
    QCOMPARE(stored.days, days);
    QCOMPARE(stored.versionsPerNote, versions);
    QCOMPARE(stored.historyPercent, percent);
    QCOMPARE(Tools::BackupFolderOf(h.settings), browse ? picked : AutoBackup::defaultFolder());
}

QTEST_MAIN(tst_Keeping)
#include "tst_keeping.moc"
