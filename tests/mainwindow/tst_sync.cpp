// Sync as a user meets it in the window: the place and passphrase set in the dialogs, 立即同步
// running beside the window with its word in the status strip, and a notebook made from a place.
// The other computer is a notebook of its own synced through the store; the place a real folder.
#include "CommandTesting.h"

#include "store/crypto/NotebookHeader.h"
#include "sync/FolderPlace.h"
#include "sync/NotebookReplica.h"
#include "sync/SyncRun.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QRadioButton>

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

// Types the passphrase, in both boxes when there are two; *twice tells whether there were.
Script typePassphrase(const QString &passphrase, bool *twice = nullptr)
{
    return [passphrase, twice](QDialog *d) {
        ChildLookup::child<QLineEdit>(*d, "txtPassphrase")->setText(passphrase);
        auto *again = d->findChild<QLineEdit *>(QStringLiteral("txtRepeat"));
        if (again)
            again->setText(passphrase);
        if (twice)
            *twice = again != nullptr;
        ChildLookup::child<QPushButton>(*d, "cmdOK")->click();
        return d->result();
    };
}

// The other computer: a notebook of its own, synced with the same folder through the store.
struct OtherComputer
{
    QString path;
    QString place;

    SyncRun::Outcome sync(const QString &passphrase = {}) const
    {
        Notebook db;
        db.open(path);
        NotebookReplica replica(db);
        FolderPlace folder(place);
        SyncRun run(folder, replica);
        run.keyCost = NotebookHeader::Cost::lightest();
        return run.run(passphrase);
    }

    bool setUp() const
    {
        Notebook db;
        SyncSettings s;
        s.kind = SyncSettings::Kind::Folder;
        s.address = place;
        s.automatic = false;
        return db.open(path) && SyncSetup::write(db, s);
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

} // namespace

class TestSync : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void syncNow_data();
    void syncNow();
    void openFromPlace_data();
    void openFromPlace();
};

enum class Spoil { Nothing, TakeAway, Empty };

void TestSync::syncNow_data()
{
    QTest::addColumn<Spoil>("spoil");
    QTest::addColumn<QString>("said");
    QTest::addColumn<bool>("theirsShown");
    QTest::newRow("nominal: the other computer's note comes in") << Spoil::Nothing << QStringLiteral("已同步 ") << true;
    QTest::newRow("robustness: a place that cannot be reached changes nothing")
        << Spoil::TakeAway << QStringLiteral("无法连接同步位置，这里什么也没有改变。") << false;
    QTest::newRow("robustness: an emptied place changes nothing")
        << Spoil::Empty << QStringLiteral("同步位置已被清空或换掉，没有同步，这里什么也没有改变。") << false;
}

// This window makes the place (its passphrase asked twice) and the other computer joins it;
// then the other computer's note comes in with 立即同步, unless the place was spoiled meanwhile.
void TestSync::syncNow()
{
    QFETCH(Spoil, spoil);
    QFETCH(QString, said);
    QFETCH(bool, theirsShown);

    MainWindowHarness h;
    QCOMPARE(h.showOnSample(QStringLiteral("mine.qbf")), QString());
    frmmain &w = *h.window;
    const QString place = h.path(QStringLiteral("place"));
    QVERIFY(QDir().mkpath(place));
    bool twice = false;
    h.prompter.dialogScripts << chooseFolder(place, false) << typePassphrase(kPassphrase, &twice);
    w.run(Cmd::SyncSettings);
    QTRY_VERIFY_WITH_TIMEOUT(syncStatus(w).startsWith(QStringLiteral("已同步 ")), 20000);
    QVERIFY2(twice, "a new place's passphrase is asked twice");
    const std::optional<SyncSettings> saved = SyncSetup::read(h.db);
    QVERIFY(saved);
    QCOMPARE(saved->kind, SyncSettings::Kind::Folder);
    QCOMPARE(saved->address, place);
    QCOMPARE(saved->automatic, false);

    const OtherComputer other{h.path(QStringLiteral("theirs.qbf")), place};
    Notebook maker;
    QVERIFY(maker.create(other.path) && other.setUp());
    QCOMPARE(other.sync(kPassphrase), SyncRun::Outcome::Done);
    QVERIFY(readNotebook(other.path).notes.contains(QStringLiteral("会议记录")));
    QVERIFY(other.addNote(QStringLiteral("工作"), kTheirNote));
    QCOMPARE(other.sync(), SyncRun::Outcome::Done);

    if (spoil != Spoil::Nothing)
        QVERIFY(QDir(place).removeRecursively());
    if (spoil == Spoil::Empty)
        QVERIFY(QDir().mkpath(place));
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

    MainWindowHarness h;
    QCOMPARE(h.showOnSample(QStringLiteral("mine.qbf")), QString());
    frmmain &w = *h.window;
    const QString place = h.path(QStringLiteral("place"));
    QVERIFY(QDir().mkpath(place));
    const OtherComputer other{h.path(QStringLiteral("theirs.qbf")), place};
    MainWindowHarness::mustMakeNotebook(other.path, {{QStringLiteral("家"), {{kTheirNote, QStringLiteral("写在另一台电脑上")}}}});
    QVERIFY(other.setUp());
    QCOMPARE(other.sync(kPassphrase), SyncRun::Outcome::Done);

    const QString joined = h.path(QStringLiteral("joined.qbf"));
    bool twice = true;
    h.prompter.dialogScripts << chooseFolder(place, true) << typePassphrase(typed, &twice) << cancel();
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
        QCOMPARE(h.prompter.dialogClasses.last(), QStringLiteral("SyncPassphraseDialog"));
        QVERIFY(!QFile::exists(joined));
        QCOMPARE(probe(w).notebookPath(), h.path(QStringLiteral("mine.qbf")));
    }
}

QTEST_MAIN(TestSync)
#include "tst_sync.moc"
