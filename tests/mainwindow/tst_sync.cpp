// Sync as a user meets it in the window: the place and passphrase set in the dialogs, 立即同步
// running beside the window with its word in the status strip, and a notebook made from a place.
// The other computer is a notebook of its own synced through the store; the place a real folder.
#include "CommandTesting.h"

#include "sync/PlaceFixture.h"

#include "store/crypto/NotebookHeader.h"
#include "sync/NotebookReplica.h"
#include "sync/SyncRun.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QRadioButton>
#include <QTreeWidget>

using namespace CommandTesting;

namespace {

const QString kPassphrase = QStringLiteral("四月的雨 rain");
const QString kTheirNote = QStringLiteral("另一台电脑的记事");

Script chooseFolder(const QString &folder, bool automatic)
{
    return [folder, automatic](QDialog *d) {
        ChildLookup::child<QRadioButton>(*d, "optFolder")->setChecked(true);
        ChildLookup::child<QLineEdit>(*d, "txtFolder")->setText(folder);
        ChildLookup::child<QCheckBox>(*d, "chkAuto")->setChecked(automatic);
        ChildLookup::child<QPushButton>(*d, "cmdOK")->click();
        return d->result();
    };
}

// Types the passphrase or password, in both boxes when there are two; *twice tells whether there
// were.
Script typeSecret(const QString &secret, bool *twice = nullptr)
{
    return [secret, twice](QDialog *d) {
        ChildLookup::child<QLineEdit>(*d, "txtSecret")->setText(secret);
        auto *again = d->findChild<QLineEdit *>(QStringLiteral("txtRepeat"));
        if (again)
            again->setText(secret);
        if (twice)
            *twice = again != nullptr;
        ChildLookup::child<QPushButton>(*d, "cmdOK")->click();
        return d->result();
    };
}

// Chooses the WebDAV server, its password left to be asked for.
Script chooseServer(const QUrl &url)
{
    return [url](QDialog *d) {
        ChildLookup::child<QRadioButton>(*d, "optWebDav")->setChecked(true);
        ChildLookup::child<QLineEdit>(*d, "txtAddress")->setText(url.toString());
        ChildLookup::child<QLineEdit>(*d, "txtUser")->setText(QString::fromLatin1(DavServer::User));
        ChildLookup::child<QLineEdit>(*d, "txtPassword")->clear();
        ChildLookup::child<QCheckBox>(*d, "chkAuto")->setChecked(false);
        ChildLookup::child<QPushButton>(*d, "cmdOK")->click();
        return d->result();
    };
}

// The other computer: a notebook of its own, synced with the same place through the store.
struct OtherComputer
{
    QString path;
    PlaceFixture &places;
    QString kind;

    SyncRun::Outcome sync(const QString &passphrase = {}) const
    {
        Notebook db;
        db.open(path);
        NotebookReplica replica(db);
        const std::unique_ptr<SyncPlace> place = places.place(kind);
        SyncRun run(*place, replica);
        run.keyCost = NotebookHeader::Cost::lightest();
        return run.run(passphrase);
    }

    bool addNote(const QString &group, const QString &title) const
    {
        struct Find : GroupSink
        {
            QString wanted;
            qint64 id = 0;
            void clear() override {}
            void addNode(const QString &, const QString &key, const QString &text, int, int) override
            {
                if (text == wanted)
                    id = key.mid(1).toLongLong();
            }
        } find;
        find.wanted = group;
        Notebook db;
        db.open(path);
        Groups(db).load(find);
        CurrentNote note;
        note.NoteTitle = title;
        note.NoteBody = QStringLiteral("写在另一台电脑上");
        note.NoteAddDate = note.NoteLastUpdate = QStringLiteral("2026/5/1 12:00");
        note.NotePriority = QStringLiteral("一般");
        return find.id > 0 && Notes(db).add(find.id, note).has_value();
    }

    // The note's title as this computer edits it.
    bool retitle(const QString &from, const QString &to) const
    {
        struct Find : NoteSink
        {
            QString wanted;
            qint64 id = 0;
            void clear() override {}
            void addItem(const NoteItem &item) override
            {
                if (item.title == wanted)
                    id = item.key.mid(1).toLongLong();
            }
        } find;
        find.wanted = from;
        Notebook db;
        db.open(path);
        Notes(db).list(find, -1);
        std::optional<NoteVersion> note = Notes(db).load(find.id);
        if (!note)
            return false;
        note->note.NoteTitle = to;
        return Notes(db).update(find.id, note->note);
    }
};

QString syncStatus(const frmmain &w)
{
    return ChildLookup::child<QLabel>(w, "lblSync")->text();
}

bool syncing(const frmmain &w)
{
    const auto *status = ChildLookup::child<QLabel>(w, "lblSync");
    return status->isVisible() && status->text() == QStringLiteral("正在同步…");
}

// The sample notebook shown in the window, which makes the place (the server's password and the
// new passphrase asked when needed, the passphrase twice); then the other computer joins it.
void makePlaceHere(MainWindowHarness &h, const OtherComputer &other)
{
    QCOMPARE(h.showOnSample(QStringLiteral("mine.qbf")), QString());
    frmmain &w = *h.window;
    QVERIFY(other.places.place(other.kind)); // the server started
    const bool webDav = other.kind == QLatin1String("webdav");
    const QString place = other.places.onDisk(other.kind);
    bool twice = false;
    if (webDav)
        h.prompter.dialogScripts << chooseServer(other.places.url()) << typeSecret(QString::fromUtf8(DavServer::Password));
    else
        h.prompter.dialogScripts << chooseFolder(place, false);
    h.prompter.dialogScripts << typeSecret(kPassphrase, &twice);
    w.run(Cmd::SyncSettings);
    QTRY_VERIFY_WITH_TIMEOUT(syncStatus(w).startsWith(QStringLiteral("已同步 ")), 20000);
    QVERIFY2(twice, "a new place's passphrase is asked twice");
    const std::optional<SyncSettings> saved = SyncSetup::read(h.db);
    QVERIFY(saved);
    QCOMPARE(saved->kind, webDav ? SyncSettings::Kind::WebDav : SyncSettings::Kind::Folder);
    QCOMPARE(saved->address, webDav ? other.places.url().toString() : place);
    QCOMPARE(saved->automatic, false);

    Notebook maker;
    QVERIFY(maker.create(other.path));
    QCOMPARE(other.sync(kPassphrase), SyncRun::Outcome::Done);
    QVERIFY(readNotebook(other.path).notes.contains(QStringLiteral("会议记录")));
}

} // namespace

class TestSync : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void syncNow_data();
    void syncNow();
    void openFromPlace_data();
    void openFromPlace();
    void conflicts_data();
    void conflicts();
    void automatic_data();
    void automatic();
};

enum class Spoil { Nothing, TakeAway, Empty };

void TestSync::syncNow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<Spoil>("spoil");
    QTest::addColumn<QString>("said");
    QTest::addColumn<bool>("theirsShown");
    const QString synced = QStringLiteral("已同步 ");
    const QString unreachable = QStringLiteral("无法连接同步位置，这里什么也没有改变。");
    for (const char *kind : {"folder", "webdav"}) {
        QTest::addRow("nominal: the other computer's note comes in (%s)", kind)
            << QString::fromLatin1(kind) << Spoil::Nothing << synced << true;
        QTest::addRow("robustness: a place that cannot be reached changes nothing (%s)", kind)
            << QString::fromLatin1(kind) << Spoil::TakeAway << unreachable << false;
    }
    QTest::newRow("robustness: an emptied place changes nothing")
        << QStringLiteral("folder") << Spoil::Empty
        << QStringLiteral("同步位置已被清空或换掉，没有同步，这里什么也没有改变。") << false;
}

// The other computer's note comes in with 立即同步, unless the place was spoiled meanwhile.
void TestSync::syncNow()
{
    QFETCH(QString, kind);
    QFETCH(Spoil, spoil);
    QFETCH(QString, said);
    QFETCH(bool, theirsShown);
    if (const QString missing = PlaceFixture::missing(kind); !missing.isEmpty())
        QSKIP(qPrintable(missing));

    PlaceFixture places; // outlives the window, which may sync at exit
    MainWindowHarness h;
    const OtherComputer other{h.path(QStringLiteral("theirs.qbf")), places, kind};
    makePlaceHere(h, other);
    if (QTest::currentTestFailed())
        return;
    frmmain &w = *h.window;
    const QString place = places.onDisk(kind);
    QVERIFY(other.addNote(QStringLiteral("工作"), kTheirNote));
    QCOMPARE(other.sync(), SyncRun::Outcome::Done);

    if (spoil == Spoil::TakeAway)
        places.takeAway(kind);
    if (spoil == Spoil::Empty)
        QVERIFY(QDir(place).removeRecursively() && QDir().mkpath(place));
    const FileContents before = readNotebook(h.path(QStringLiteral("mine.qbf")));
    w.run(Cmd::SyncNow);
    QTRY_VERIFY_WITH_TIMEOUT(!syncing(w), 20000);
    QVERIFY2(syncStatus(w).startsWith(said), qPrintable(syncStatus(w)));
    QCOMPARE(syncStatus(w).contains(QStringLiteral("立即同步")), spoil != Spoil::Nothing); // the retry

    w.SelectNode(2); // 工作
    QCOMPARE(titles(w).contains(kTheirNote), theirsShown);
    const FileContents after = readNotebook(h.path(QStringLiteral("mine.qbf")));
    if (!theirsShown)
        QCOMPARE(after.notes, before.notes);
}

void TestSync::openFromPlace_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("opened");
    QTest::newRow("nominal: the place's notebook is made here and opened") << kPassphrase << true;
    QTest::newRow("robustness: a wrong passphrase is refused") << QStringLiteral("三月的雨") << false;
}

// 从同步位置打开...: the other computer made the place; this window takes a new notebook from it.
void TestSync::openFromPlace()
{
    QFETCH(QString, typed);
    QFETCH(bool, opened);

    PlaceFixture places; // outlives the window, which may sync at exit
    MainWindowHarness h;
    QCOMPARE(h.showOnSample(QStringLiteral("mine.qbf")), QString());
    frmmain &w = *h.window;
    const QString place = places.onDisk(QStringLiteral("folder"));
    const OtherComputer other{h.path(QStringLiteral("theirs.qbf")), places, QStringLiteral("folder")};
    MainWindowHarness::mustMakeNotebook(other.path, {{QStringLiteral("家"), {{kTheirNote, QStringLiteral("写在另一台电脑上")}}}});
    QCOMPARE(other.sync(kPassphrase), SyncRun::Outcome::Done);

    const QString joined = h.path(QStringLiteral("joined.qbf"));
    bool twice = true;
    h.prompter.dialogScripts << chooseFolder(place, true) << typeSecret(typed, &twice) << cancel();
    h.prompter.saveAnswers << joined;
    w.run(Cmd::OpenFromSync);
    QVERIFY2(!twice, "joining asks for the passphrase once");
    QTRY_VERIFY_WITH_TIMEOUT(!syncing(w) && h.prompter.dialogClasses.size() >= 2, 20000);

    if (opened) {
        QTRY_COMPARE_WITH_TIMEOUT(probe(w).notebookPath(), joined, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(syncStatus(w).startsWith(QStringLiteral("已同步 ")), 20000);
        QCOMPARE(groupNames(w), QStringList{QStringLiteral("家")});
        w.SelectNode(2);
        QCOMPARE(titles(w), QStringList{kTheirNote});
    } else {
        // Said, asked again (cancelled here), and the new file gone: nothing of the place applied.
        QTRY_VERIFY_WITH_TIMEOUT(h.prompter.dialogClasses.size() == 3, 20000);
        QVERIFY(h.prompter.messageTexts().contains(QStringLiteral("同步口令不对，没有同步。")));
        QCOMPARE(h.prompter.dialogClasses.last(), QStringLiteral("SyncSecretDialog"));
        QVERIFY(!QFile::exists(joined));
        QCOMPARE(probe(w).notebookPath(), h.path(QStringLiteral("mine.qbf")));
    }
}

void TestSync::conflicts_data()
{
    QTest::addColumn<bool>("pick");
    QTest::newRow("nominal: the other version picked in the note's history") << true;
    QTest::newRow("nominal: the mark dismissed, the shown version kept") << false;
}

// The same note changed here (in the editor) and on the other computer between two syncs: the 冲突
// list shows it until a version is picked or the mark dismissed, and both computers end alike.
void TestSync::conflicts()
{
    QFETCH(bool, pick);
    PlaceFixture places;
    MainWindowHarness h;
    const OtherComputer other{h.path(QStringLiteral("theirs.qbf")), places, QStringLiteral("folder")};
    makePlaceHere(h, other);
    if (QTest::currentTestFailed())
        return;
    frmmain &w = *h.window;
    const QString mine = QStringLiteral("会议记录（这台）"), theirs = QStringLiteral("会议记录（那台）");
    QVERIFY(other.retitle(QStringLiteral("会议记录"), theirs));
    QCOMPARE(other.sync(), SyncRun::Outcome::Done);
    w.SelectNode(2);
    w.SelectItem(int(titles(w).indexOf(QStringLiteral("会议记录"))) + 1);
    h.prompter.dialogScripts << writeNote(mine);
    w.run(Cmd::EditNote);
    w.run(Cmd::SyncNow);
    QTRY_VERIFY_WITH_TIMEOUT(syncStatus(w).startsWith(QStringLiteral("已同步 ")), 20000);
    QVERIFY2(syncStatus(w).contains(QStringLiteral("1 条记事有冲突")), qPrintable(syncStatus(w)));

    const QStringList shownBefore = titles(w);
    const QString shown = shownBefore.contains(mine) ? mine : theirs;
    const QString hidden = shown == mine ? theirs : mine;
    QVERIFY2(shownBefore.contains(shown) && !shownBefore.contains(hidden), qPrintable(shownBefore.join(u',')));
    QStringList listed;
    int left = -1;
    h.prompter.dialogScripts << [&](QDialog *d) {
        auto *list = ChildLookup::child<QTreeWidget>(*d, "lstKept");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            listed << list->topLevelItem(i)->text(0) + QLatin1Char(' ') + list->topLevelItem(i)->text(1);
        ChildLookup::click(*d, pick ? "cmdVersions" : "cmdDismiss");
        left = list->topLevelItemCount();
        return int(QDialog::Accepted);
    };
    int markedRows = 0;
    if (pick) {
        h.prompter.dialogScripts << [&](QDialog *d) { // the note's history: the other version, marked, restored
            auto *list = ChildLookup::child<QTreeWidget>(*d, "lstKept");
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                if (list->topLevelItem(i)->text(1) == hidden + QStringLiteral("（冲突）")) {
                    list->setCurrentItem(list->topLevelItem(i));
                    ++markedRows;
                }
            h.prompter.msgAnswers << Prompter::Yes;
            ChildLookup::click(*d, "cmdRestore");
            return int(QDialog::Accepted);
        };
    }
    w.run(Cmd::SyncConflicts);
    QVERIFY2(!syncStatus(w).contains(QStringLiteral("冲突")), qPrintable(syncStatus(w)));
    QCOMPARE(markedRows, pick ? 1 : 0);
    QCOMPARE(listed, QStringList{shown + QStringLiteral(" 2")});
    QCOMPARE(left, 0);
    QCOMPARE(SyncConflicts::list(h.db)->size(), 0);
    const QString kept = pick ? hidden : shown;
    QVERIFY2(titles(w).contains(kept), qPrintable(titles(w).join(u',')));

    // Both computers end with the version kept.
    w.run(Cmd::SyncNow);
    QTRY_VERIFY_WITH_TIMEOUT(!syncing(w), 20000);
    QVERIFY2(!syncStatus(w).contains(QStringLiteral("冲突")), qPrintable(syncStatus(w)));
    QCOMPARE(other.sync(), SyncRun::Outcome::Done);
    QVERIFY(readNotebook(other.path).notes.contains(kept));
    QVERIFY(!readNotebook(other.path).notes.contains(pick ? shown : hidden));
}

void TestSync::automatic_data()
{
    QTest::addColumn<bool>("atExit");
    QTest::newRow("nominal: what the other computer wrote comes in as the notebook opens") << false;
    QTest::newRow("nominal: what was saved here goes out at exit") << true;
}

// A notebook that syncs by itself: no command needed after it opens, nor before the program ends.
void TestSync::automatic()
{
    QFETCH(bool, atExit);
    PlaceFixture places;
    MainWindowHarness h;
    const OtherComputer theirs{h.path(QStringLiteral("theirs.qbf")), places, QStringLiteral("folder")};
    const OtherComputer mine{h.path(QStringLiteral("mine.qbf")), places, QStringLiteral("folder")};
    MainWindowHarness::mustMakeNotebook(theirs.path, {{QStringLiteral("家"), {{kTheirNote, QStringLiteral("正文")}}}});
    QCOMPARE(theirs.sync(kPassphrase), SyncRun::Outcome::Done);
    {
        Notebook maker;
        QVERIFY(maker.create(mine.path));
    }
    QCOMPARE(mine.sync(kPassphrase), SyncRun::Outcome::Done);
    {
        Notebook db;
        QVERIFY(db.open(mine.path));
        QVERIFY(SyncSetup::write(db, {SyncSettings::Kind::Folder, places.onDisk(QStringLiteral("folder")), {}, {}, true}));
    }
    const QString later = QStringLiteral("后来写的记事");
    if (!atExit) {
        QVERIFY(theirs.addNote(QStringLiteral("家"), later));
        QCOMPARE(theirs.sync(), SyncRun::Outcome::Done);
    }

    frmmain &w = h.start({mine.path});
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(syncStatus(w).startsWith(QStringLiteral("已同步 ")), 20000);
    w.SelectNode(2);
    if (!atExit) {
        QCOMPARE(titles(w), (QStringList{kTheirNote, later}));
        return;
    }
    h.prompter.dialogScripts << writeNote(later);
    w.run(Cmd::AddNote);
    h.window->close();
    QCOMPARE(theirs.sync(), SyncRun::Outcome::Done);
    QVERIFY(readNotebook(theirs.path).notes.contains(later));
}

QTEST_MAIN(TestSync)
#include "tst_sync.moc"
