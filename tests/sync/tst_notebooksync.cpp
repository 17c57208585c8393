// Real notebooks syncing through a real place: random saves, moves and deletions on two or three
// computers, synced in random order, must end with every computer showing the same, no version
// any of them saved missing from the note or its history, and conflicts in view on all of them.
#include "PlaceFixture.h"
#include "SyncComputer.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>

namespace {

const QString kPassphrase = QStringLiteral("同步 口令");
const QString kPassword = QStringLiteral("数据库密码");

QString bodyOf(int version)
{
    return QStringLiteral("{\\rtf1 第 %1 版}").arg(version);
}

} // namespace

class TestNotebookSync : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void computersConverge_data();
    void computersConverge();
    void killedMidSync_data();
    void killedMidSync();
    void copiedNotebook_data();
    void copiedNotebook();
};

void TestNotebookSync::computersConverge_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("computers");
    QTest::addColumn<int>("clockDays"); // how far apart the computers' clocks are
    QTest::addColumn<bool>("password"); // the first notebook is encrypted
    QTest::addColumn<quint32>("seed");
    QTest::newRow("folder: nominal: three computers, random saves") << "folder" << 3 << 0 << false << 7u;
    QTest::newRow("webdav: nominal: three computers, random saves") << "webdav" << 3 << 0 << false << 11u;
    QTest::newRow("folder: nominal: clocks days apart") << "folder" << 3 << 4 << false << 7u;
    QTest::newRow("folder: nominal: a notebook with a password") << "folder" << 2 << 0 << true << 23u;
}

void TestNotebookSync::computersConverge()
{
    QFETCH(QString, kind);
    QFETCH(int, computers);
    QFETCH(int, clockDays);
    QFETCH(bool, password);
    QFETCH(quint32, seed);
    if (!PlaceFixture::missing(kind).isEmpty())
        QSKIP(qPrintable(PlaceFixture::missing(kind)));
    PlaceFixture fixture;
    const std::unique_ptr<SyncPlace> place = fixture.place(kind);
    QVERIFY(place);
    QTemporaryDir dir;
    std::vector<std::unique_ptr<SyncComputer>> pc;
    for (int i = 0; i < computers; ++i) {
        // The first computer's clock runs ahead, the others' behind.
        pc.push_back(std::make_unique<SyncComputer>(dir.filePath(QStringLiteral("%1.qbf").arg(i)),
                                                    i == 0 ? clockDays : -clockDays * i));
        QVERIFY(openFresh(pc.back()->db, pc.back()->path));
    }
    if (password)
        QVERIFY2(pc[0]->db.writePassword(kPassword), qPrintable(pc[0]->db.lastError()));
    SyncComputer &a = *pc[0];
    SyncComputer &b = *pc[1];

    // Which note each saved body belongs to, by the note's title (the same on every computer).
    QHash<QString, QString> savedIn;
    int version = 0;
    auto save = [&](SyncComputer &c, qint64 id, const QString &title) {
        NoteVersion v = *Notes(c.db).load(id);
        v.note.NoteBody = bodyOf(++version);
        v.note.NoteAddDate = c.now();
        savedIn.insert(v.note.NoteBody, title);
        QVERIFY2(Notes(c.db).update(id, v.note), qPrintable(c.db.lastError()));
    };
    auto idOf = [](SyncComputer &c, const QString &title) {
        for (const auto &[id, v] : c.notes())
            if (v.note.NoteTitle == title)
                return id;
        return qint64(0);
    };

    // The first computer makes the place; the others join it empty.
    const qint64 firstGroup = *Groups(a.db).add(QStringLiteral("收件箱"));
    CurrentNote first = makeNote(QStringLiteral("记事 0"), QStringLiteral("普通"), 255, bodyOf(0));
    first.NoteAddDate = first.NoteLastUpdate = a.now();
    savedIn.insert(first.NoteBody, first.NoteTitle);
    QVERIFY(Notes(a.db).add(firstGroup, first));
    QCOMPARE(a.sync(*place, kPassphrase), SyncRun::Outcome::Done);
    for (int i = 1; i < computers; ++i)
        QCOMPARE(pc[i]->sync(*place, kPassphrase), SyncRun::Outcome::Done);
    QCOMPARE(b.shows(), a.shows());

    // What a change was based on decides, not its date: B, its clock days behind, saves after it
    // saw A's save, and its version shows everywhere without a conflict.
    save(a, idOf(a, first.NoteTitle), first.NoteTitle);
    QCOMPARE(a.sync(*place), SyncRun::Outcome::Done);
    QCOMPARE(b.sync(*place), SyncRun::Outcome::Done);
    save(b, idOf(b, first.NoteTitle), first.NoteTitle);
    const QString later = bodyOf(version);
    QCOMPARE(b.sync(*place), SyncRun::Outcome::Done);
    QCOMPARE(a.sync(*place), SyncRun::Outcome::Done);
    QCOMPARE(a.db.lastError(), QString());
    QCOMPARE(Notes(a.db).body(idOf(a, first.NoteTitle)), later);
    QCOMPARE(a.conflicts(), QStringList());

    // Both save the same note between syncs: one version shows on both, the other is in its
    // history, and both list the conflict.
    save(a, idOf(a, first.NoteTitle), first.NoteTitle);
    save(b, idOf(b, first.NoteTitle), first.NoteTitle);
    QCOMPARE(a.sync(*place), SyncRun::Outcome::Done);
    QCOMPARE(b.sync(*place), SyncRun::Outcome::Done);
    QCOMPARE(a.sync(*place), SyncRun::Outcome::Done);
    QCOMPARE(a.shows(), b.shows());
    QCOMPARE(a.conflicts(), QStringList{QStringLiteral("记事 0×2")});
    QCOMPARE(b.conflicts(), a.conflicts());
    QVERIFY(a.versions(idOf(a, first.NoteTitle)).contains(bodyOf(version - 1)));
    QVERIFY(b.versions(idOf(b, first.NoteTitle)).contains(bodyOf(version)));

    QRandomGenerator rng(seed);
    int names = 0;
    for (int step = 0; step < 160; ++step) {
        SyncComputer &c = *pc[rng.bounded(computers)];
        const std::map<qint64, NoteVersion> notes = c.notes();
        VectorGroupSink tree;
        Groups(c.db).load(tree);
        QList<qint64> groups;
        for (const TreeNode &g : tree.nodes)
            if (!g.parentKey.isEmpty())
                groups << g.key.mid(1).toLongLong();
        auto anyNote = [&] { return std::next(notes.begin(), rng.bounded(int(notes.size())))->first; };
        const int op = rng.bounded(100);
        if (op < 30 && !notes.empty()) {
            const qint64 id = anyNote();
            save(c, id, notes.at(id).note.NoteTitle);
        } else if (op < 45 && !groups.isEmpty()) {
            CurrentNote n = makeNote(QStringLiteral("记事 %1").arg(++names), QStringLiteral("重要"), rng.bounded(3),
                                     bodyOf(++version));
            n.NoteAddDate = n.NoteLastUpdate = c.now();
            savedIn.insert(n.NoteBody, n.NoteTitle);
            QVERIFY(Notes(c.db).add(groups[rng.bounded(int(groups.size()))], n));
        } else if (op < 52 && !notes.empty() && !groups.isEmpty()) {
            QVERIFY(Notes(c.db).move(anyNote(), groups[rng.bounded(int(groups.size()))]));
        } else if (op < 58 && !notes.empty()) {
            QVERIFY(Notes(c.db).remove(anyNote()));
        } else if (op < 64) {
            QVERIFY(Groups(c.db).add(QStringLiteral("组 %1").arg(++names)));
        } else if (op < 67 && !groups.isEmpty()) {
            QVERIFY(Groups(c.db).rename(groups[rng.bounded(int(groups.size()))], QStringLiteral("组 %1").arg(++names)));
        } else if (op < 69 && !groups.isEmpty()) {
            QVERIFY(Groups(c.db).remove(groups[rng.bounded(int(groups.size()))]));
        } else {
            QCOMPARE(c.sync(*place), SyncRun::Outcome::Done);
        }
    }
    for (int round = 0; round < 2; ++round)
        for (auto &c : pc)
            QCOMPARE(c->sync(*place), SyncRun::Outcome::Done);

    // What is on disk, read anew, once every note searches as it shows.
    for (auto &c : pc) {
        for (const auto &[id, v] : c->notes())
            QVERIFY2(c->found(id), qPrintable(v.note.NoteBody));
        c->db.close();
        QCOMPARE(c->db.openWithPassword(c->path, password && c.get() == &a ? kPassword : QString()),
                 Notebook::Access::Opened);
    }
    const QStringList shown = a.shows();
    QVERIFY(shown.size() > 10);
    for (auto &c : pc) {
        const QStringList here = c->shows();
        if (here != shown) {
            const QSet<QString> mine(here.begin(), here.end()), theirs(shown.begin(), shown.end());
            QFAIL(qPrintable(QStringLiteral("%1 differs: only here %2; only on the first %3")
                                 .arg(c->path, QStringList((mine - theirs).values()).join(QLatin1String(" / ")),
                                      QStringList((theirs - mine).values()).join(QLatin1String(" / ")))));
        }
        QCOMPARE(c->conflicts(), a.conflicts());
        // Every version saved of a note still there is its text or in its history.
        for (const auto &[id, v] : c->notes()) {
            const QSet<QString> kept = c->versions(id);
            for (auto it = savedIn.begin(); it != savedIn.end(); ++it)
                if (it.value() == v.note.NoteTitle && !kept.contains(it.key()))
                    QFAIL(qPrintable(QStringLiteral("%1 lost %2 of %3").arg(c->path, it.key(), it.value())));
        }
    }
}

void TestNotebookSync::killedMidSync_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder: robustness: killed while syncing, then synced again") << "folder";
    QTest::newRow("webdav: robustness: killed while syncing, then synced again") << "webdav";
}

// A second process saves and syncs in a loop and is killed at an unknown moment; the next sync
// of its notebook finishes what it started, and the other computer ends with every note.
void TestNotebookSync::killedMidSync()
{
    QFETCH(QString, kind);
    if (!PlaceFixture::missing(kind).isEmpty())
        QSKIP(qPrintable(PlaceFixture::missing(kind)));
    PlaceFixture fixture;
    const std::unique_ptr<SyncPlace> place = fixture.place(kind);
    QVERIFY(place);
    QTemporaryDir dir;
    SyncComputer a(dir.filePath(QStringLiteral("a.qbf")), 0), b(dir.filePath(QStringLiteral("b.qbf")), 0);
    QVERIFY(openFresh(a.db, a.path) && openFresh(b.db, b.path));
    QVERIFY(Groups(a.db).add(QStringLiteral("收件箱")));
    QCOMPARE(a.sync(*place, kPassphrase), SyncRun::Outcome::Done);
    QCOMPARE(b.sync(*place, kPassphrase), SyncRun::Outcome::Done);
    a.db.close();

    const QString address = kind == QLatin1String("folder") ? fixture.onDisk(kind) : fixture.url().toString();
    for (int kill = 0; kill < 3; ++kill) {
        QProcess worker;
        worker.start(QStringLiteral(SYNC_WORKER), {a.path, kind, address});
        QVERIFY(worker.waitForReadyRead(20000));
        QCOMPARE(worker.readLine().trimmed(), QByteArray("ready"));
        QTest::qWait(50 + QRandomGenerator::global()->bounded(400));
        QCOMPARE(worker.state(), QProcess::Running);
        ::kill(pid_t(worker.processId()), SIGKILL);
        QVERIFY(worker.waitForFinished(10000));
        QCOMPARE(b.sync(*place), SyncRun::Outcome::Done);
    }

    a.db.open(a.path);
    QVERIFY(a.db.isOpen());
    QVERIFY(a.notes().size() > 1);
    QCOMPARE(a.sync(*place), SyncRun::Outcome::Done);
    QCOMPARE(b.sync(*place), SyncRun::Outcome::Done);
    QCOMPARE(a.sync(*place), SyncRun::Outcome::Done);
    QCOMPARE(b.shows(), a.shows());
}

void TestNotebookSync::copiedNotebook_data()
{
    QTest::addColumn<bool>("putBack");
    QTest::newRow("robustness: an older copy of the notebook put back") << true;
    QTest::newRow("robustness: the notebook file copied to another computer") << false;
}

// A copy of a notebook that syncs has its computer's identity and sent batches: it must neither
// overwrite the batches the place holds nor lose what they brought.
void TestNotebookSync::copiedNotebook()
{
    QFETCH(bool, putBack);
    PlaceFixture fixture;
    const std::unique_ptr<SyncPlace> place = fixture.place(QStringLiteral("folder"));
    QTemporaryDir dir;
    SyncComputer a(dir.filePath(QStringLiteral("a.qbf")), 0), b(dir.filePath(QStringLiteral("b.qbf")), 0),
        copy(dir.filePath(QStringLiteral("copy.qbf")), 0);
    QVERIFY(openFresh(a.db, a.path) && openFresh(b.db, b.path));
    const qint64 group = *Groups(a.db).add(QStringLiteral("收件箱"));
    const qint64 note = *Notes(a.db).add(group, makeNote(QStringLiteral("甲"), QStringLiteral("普通"), 0, bodyOf(1)));
    QCOMPARE(a.sync(*place, kPassphrase), SyncRun::Outcome::Done);
    QCOMPARE(b.sync(*place, kPassphrase), SyncRun::Outcome::Done);
    a.db.close();
    QVERIFY(QFile::copy(a.path, copy.path));
    QVERIFY(a.db.open(a.path) && copy.db.open(copy.path));

    auto save = [](SyncComputer &c, qint64 id, int version) {
        CurrentNote n = Notes(c.db).load(id)->note;
        n.NoteBody = bodyOf(version);
        QVERIFY(Notes(c.db).update(id, n));
    };
    save(a, note, 2);
    QVERIFY(Notes(a.db).add(group, makeNote(QStringLiteral("乙"))));
    QCOMPARE(a.sync(*place), SyncRun::Outcome::Done);
    QCOMPARE(a.sync(*place), SyncRun::Outcome::Done);
    if (putBack) {
        // The older copy takes the notebook's place; what was saved since is only on the place.
        a.db.close();
        QVERIFY(QFile::remove(a.path) && QFile::rename(copy.path, a.path));
        QVERIFY(a.db.open(a.path));
    }
    SyncComputer &other = putBack ? a : copy;
    save(other, note, 3);
    for (SyncComputer *c : {&other, &b, &a, &other, &b})
        QCOMPARE(c->sync(*place), SyncRun::Outcome::Done);
    QCOMPARE(a.shows(), b.shows());
    QCOMPARE(other.shows(), b.shows());
    QCOMPARE(b.notes().size(), std::size_t(2));
    for (SyncComputer *c : {&a, &b, &other}) {
        for (const auto &[id, v] : c->notes())
            if (v.note.NoteTitle == QStringLiteral("甲"))
                QCOMPARE(c->versions(id), (QSet<QString>{bodyOf(1), bodyOf(2), bodyOf(3)}));
    }
}

QTEST_MAIN(TestNotebookSync)
#include "tst_notebooksync.moc"
