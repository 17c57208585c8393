// Creating, opening and closing notebook files, and refusing files that are not notebooks.

#include "StoreTestUtil.h"

#include "store/Groups.h"
#include "store/Import.h"
#include "store/KeptNotes.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/Schema.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

class TestNotebook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void createdFileHasSchemaAndNoRows();
    void createRefuses_data();
    void createRefuses();
    void createLeavesConnectionAlone();
    void openRefusesBadFile_data();
    void openRefusesBadFile();
    void objectsUnderOurNames_data();
    void objectsUnderOurNames();
    void damagedBodyPageFailsOnlyThatNote();
    void closeTwiceClosesOnce();
    void oneFileOnDisk();
    void twoConnectionsShareOneFile();
    void lockedWriterMakesWriteFailCleanly();
    void twoProcesses_data();
    void twoProcesses();
    void operationsNeedAnOpenNotebook();
    void fileChangedUnderTheOpenNotebook_data();
    void fileChangedUnderTheOpenNotebook();
    void addAfterIdTrouble_data();
    void addAfterIdTrouble();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString path(const QString &name) const { return dir_->filePath(name); }
    QStringList entries() const { return QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }
    // A notebook with enough notes to span many pages, for damage that must hit data pages.
    QString makeBigNotebook(const QString &name);
};

void TestNotebook::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

QString TestNotebook::makeBigNotebook(const QString &name)
{
    const QString p = path(name);
    return importNotes(p, 300, 1000).isEmpty() ? p : QString();
}

void TestNotebook::createdFileHasSchemaAndNoRows()
{
    Notebook db;
    const QString p = path(QStringLiteral("new.qbf"));
    QVERIFY(db.create(p));
    QVERIFY(QFile::exists(p));
    QCOMPARE(entries(), QStringList{QStringLiteral("new.qbf")}); // no temporary left behind
    {
        RawDb raw(p);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA application_id")).toInt(), Schema::ApplicationId);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA user_version")).toInt(), Schema::Version);
        const QStringList want[] = {
            {"vPassword"},
            {"ID", "vGroupName"},
            {"ID", "nNoteTitle", "nAddDate", "nLastUpdate", "nPriority", "nIcon", "nGroupID", "nColor", "nNote"}};
        const char *tables[] = {"admin", "Groups", "Notes"};
        for (int t = 0; t < 3; ++t) {
            QStringList cols;
            for (int i = 0; i < want[t].size(); ++i)
                cols << raw.scalar(QStringLiteral("SELECT name FROM pragma_table_info('%1') LIMIT 1 OFFSET %2")
                                       .arg(QLatin1String(tables[t])).arg(i));
            QCOMPARE(cols, want[t]);
            QCOMPARE(raw.count(QLatin1String(tables[t])), 0);
        }
    }
    db.open(p);
    QVERIFY2(db.isOpen(), qPrintable(db.lastError()));
    QCOMPARE(db.readPassword(), QString());
    VectorGroupSink tree;
    Groups(db).load(tree);
    QCOMPARE(tree.nodes.size(), std::size_t(1));
    QCOMPARE(tree.nodes[0].key, QStringLiteral("M_TOP"));
    QCOMPARE(tree.nodes[0].text, QStringLiteral("new.qbf"));
    QCOMPARE(tree.nodes[0].image, 1);
    QCOMPARE(tree.nodes[0].selectedImage, 1);
}

void TestNotebook::createRefuses_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("robustness: existing notebook") << "notebook";
    QTest::newRow("robustness: existing other file") << "garbage";
    QTest::newRow("robustness: existing empty file") << "empty";
    QTest::newRow("robustness: existing folder") << "folder";
    QTest::newRow("robustness: folder missing") << "nofolder";
    QTest::newRow("robustness: empty path") << "nopath";
}

void TestNotebook::createRefuses()
{
    QFETCH(QString, kind);
    QString p = path(QStringLiteral("x.qbf"));
    if (kind == QLatin1String("notebook")) {
        Notebook maker;
        QVERIFY(maker.create(p));
        RawDb(p).exec("INSERT INTO Groups (vGroupName) VALUES ('keep')");
    } else if (kind == QLatin1String("garbage")) {
        QVERIFY(writeBytes(p, QByteArray("my own text, not a notebook\n").repeated(50)));
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(writeBytes(p, QByteArray()));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("x.qbf")));
    } else if (kind == QLatin1String("nofolder")) {
        p = path(QStringLiteral("missing/x.qbf"));
    } else {
        p.clear();
    }
    const QByteArray before = fileBytes(p);
    const QStringList entriesBefore = entries();
    Notebook db;
    QVERIFY(!db.create(p));
    QVERIFY(!db.lastError().isEmpty());
    QCOMPARE(fileBytes(p), before);
    QCOMPARE(entries(), entriesBefore);
}

void TestNotebook::createLeavesConnectionAlone()
{
    Notebook db;
    const QString first = path(QStringLiteral("first.qbf"));
    QVERIFY(openFresh(db, first));
    QVERIFY(Groups(db).add(QStringLiteral("A")));
    QVERIFY(db.create(path(QStringLiteral("second.qbf"))));
    QCOMPARE(db.path(), first);
    QVERIFY(db.isOpen());
    VectorGroupSink tree;
    Groups(db).load(tree);
    QCOMPARE(tree.nodes.size(), std::size_t(2));
}

void TestNotebook::openRefusesBadFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("robustness: missing file") << "missing";
    QTest::newRow("robustness: folder") << "folder";
    QTest::newRow("robustness: empty file") << "empty";
    QTest::newRow("robustness: text file") << "garbage";
    QTest::newRow("robustness: other SQLite database") << "othersqlite";
    QTest::newRow("robustness: same tables but no mark") << "unmarked";
    QTest::newRow("robustness: newer layout") << "newer";
    QTest::newRow("robustness: marked but a column missing") << "nocolumn";
    QTest::newRow("robustness: truncated notebook") << "truncated";
    QTest::newRow("robustness: header overwritten") << "header";
    QTest::newRow("robustness: schema page damaged") << "schema";
    QTest::newRow("robustness: note index damaged") << "index";
    QTest::newRow("robustness: groups damaged") << "groups";
    QTest::newRow("robustness: locked exclusively by another connection") << "locked";
    QTest::newRow("robustness: another program's file in WAL mode") << "wal";
    QTest::newRow("robustness: marked WAL file lacking a column") << "walmarked";
    QTest::newRow("robustness: planted trigger wiping notes on insert") << "trigger";
    QTest::newRow("robustness: planted trigger under the name of our index") << "temptrigger";
    QTest::newRow("robustness: Groups replaced by a slow view") << "view";
    QTest::newRow("robustness: an extra view") << "extraview";
    QTest::newRow("robustness: an extra table") << "extratable";
    QTest::newRow("robustness: an extra index") << "extraindex";
    QTest::newRow("robustness: Notes as a full-text table") << "virtualnotes";
}

void TestNotebook::openRefusesBadFile()
{
    QFETCH(QString, kind);
    // The notebook open before the failed attempt.
    Notebook db;
    db.setBusyTimeout(200);
    const QString good = path(QStringLiteral("good.qbf"));
    QVERIFY(openFresh(db, good));
    QVERIFY(Groups(db).add(QStringLiteral("我的组")));

    const QString bad = path(QStringLiteral("bad.qbf"));
    std::unique_ptr<RawDb> locker;
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("bad.qbf")));
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(writeBytes(bad, QByteArray()));
    } else if (kind == QLatin1String("garbage")) {
        QVERIFY(writeBytes(bad, QByteArray("plain words, not a database\n").repeated(400)));
    } else if (kind == QLatin1String("othersqlite") || kind == QLatin1String("unmarked")
               || kind == QLatin1String("nocolumn")) {
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(bad).constData(), &raw), SQLITE_OK);
        const QByteArray marks = QByteArray("PRAGMA application_id = ") + QByteArray::number(Schema::ApplicationId)
            + "; PRAGMA user_version = 1;";
        const QByteArray sql = kind == QLatin1String("othersqlite")
            ? QByteArray("CREATE TABLE songs (title TEXT); INSERT INTO songs VALUES ('a');")
            : kind == QLatin1String("unmarked")
            ? QByteArray("CREATE TABLE admin (vPassword TEXT); CREATE TABLE Groups (ID INTEGER PRIMARY KEY, vGroupName TEXT);"
                         "CREATE TABLE Notes (ID INTEGER PRIMARY KEY, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nGroupID, nColor, nNote);")
            : marks + "CREATE TABLE admin (vPassword TEXT); CREATE TABLE Groups (ID INTEGER PRIMARY KEY, vGroupName TEXT);"
              "CREATE TABLE Notes (ID INTEGER PRIMARY KEY, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nGroupID, nColor);";
        QCOMPARE(sqlite3_exec(raw, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    } else if (kind == QLatin1String("newer")) {
        Notebook maker;
        QVERIFY(maker.create(bad));
        const QByteArray newer = "PRAGMA user_version = " + QByteArray::number(Schema::Version + 1);
        QCOMPARE(RawDb(bad).exec(newer.constData()), SQLITE_OK);
    } else if (kind == QLatin1String("truncated")) {
        QVERIFY(QFile::rename(makeBigNotebook(QStringLiteral("big.qbf")), bad));
        QByteArray bytes = fileBytes(bad);
        QVERIFY(bytes.size() > 100000);
        QVERIFY(writeBytes(bad, bytes.left(bytes.size() / 2)));
    } else if (kind == QLatin1String("header")) {
        QVERIFY(QFile::rename(makeBigNotebook(QStringLiteral("big.qbf")), bad));
        QByteArray bytes = fileBytes(bad);
        bytes.replace(0, 16, QByteArray(16, 'x'));
        QVERIFY(writeBytes(bad, bytes));
    } else if (kind == QLatin1String("schema") || kind == QLatin1String("index")
               || kind == QLatin1String("groups")) {
        QVERIFY(QFile::rename(makeBigNotebook(QStringLiteral("big.qbf")), bad));
        int page = 1;
        if (kind != QLatin1String("schema")) {
            RawDb raw(bad);
            page = raw.scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'")
                                  .arg(kind == QLatin1String("index") ? QStringLiteral("NotesByGroup")
                                                                      : QStringLiteral("Groups")))
                       .toInt();
        }
        QVERIFY(page >= 1);
        QByteArray bytes = fileBytes(bad);
        const qsizetype offset = qsizetype(page - 1) * 4096 + (page == 1 ? 100 : 0);
        bytes.replace(offset, 200, QByteArray(200, '\xA5'));
        QVERIFY(writeBytes(bad, bytes));
    } else if (kind == QLatin1String("wal") || kind == QLatin1String("walmarked")) {
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(bad).constData(), &raw), SQLITE_OK);
        const QByteArray marks = kind == QLatin1String("walmarked")
            ? QByteArray("PRAGMA application_id = ") + QByteArray::number(Schema::ApplicationId) + ";"
            : QByteArray();
        QCOMPARE(sqlite3_exec(raw, (marks + "PRAGMA journal_mode = WAL; CREATE TABLE songs (title TEXT);"
                                            "INSERT INTO songs VALUES ('a');").constData(),
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(raw);
    } else if (kind == QLatin1String("trigger") || kind == QLatin1String("temptrigger") || kind == QLatin1String("view")
               || kind == QLatin1String("extraview") || kind == QLatin1String("extratable")
               || kind == QLatin1String("extraindex") || kind == QLatin1String("virtualnotes")) {
        Notebook maker;
        QVERIFY(maker.create(bad));
        const char *plant = kind == QLatin1String("trigger")
            ? "CREATE TRIGGER wipe AFTER INSERT ON Notes BEGIN DELETE FROM Notes; END;"
            : kind == QLatin1String("temptrigger")
            ? "CREATE TRIGGER NotesByGroup AFTER DELETE ON Notes BEGIN INSERT INTO Notes SELECT * FROM Notes; END;"
            : kind == QLatin1String("view")
            ? "DROP TABLE Groups; CREATE VIEW Groups AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
              "SELECT x AS ID, 'g' AS vGroupName FROM c;"
            : kind == QLatin1String("extraview")
            ? "CREATE VIEW Recent AS SELECT * FROM Notes;"
            : kind == QLatin1String("extratable")
            ? "CREATE TABLE Spy (x);"
            : kind == QLatin1String("extraindex")
            ? "CREATE INDEX ByTitle ON Notes (nNoteTitle);"
            : "DROP TABLE Notes; CREATE VIRTUAL TABLE Notes USING fts5(ID, nNoteTitle, nAddDate, nLastUpdate, "
              "nPriority, nIcon, nGroupID, nColor, nNote);";
        QCOMPARE(RawDb(bad).exec(plant), SQLITE_OK);
    } else if (kind == QLatin1String("locked")) {
        Notebook maker;
        QVERIFY(maker.create(bad));
        locker = std::make_unique<RawDb>(bad);
        QCOMPARE(locker->exec("PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;"), SQLITE_OK);
    }
    const QByteArray before = fileBytes(bad);
    const bool existedBefore = QFileInfo::exists(bad);

    db.close();
    QVERIFY(!db.open(bad));
    QVERIFY(!db.isOpen());
    QCOMPARE(db.path(), QString()); // a session names only the notebook it has open
    QVERIFY(!db.lastError().isEmpty());
    qInfo("refused: %s", qPrintable(db.lastError()));
    QCOMPARE(QFileInfo::exists(bad), existedBefore); // opening never creates a file
    locker.reset();
    QCOMPARE(fileBytes(bad), before);
    for (const char *side : {"-journal", "-wal", "-shm"})
        QVERIFY2(!QFile::exists(bad + QLatin1String(side)), side);

    // The previous notebook is untouched and opens again as the open command does it.
    QVERIFY(db.open(good));
    QCOMPARE(db.path(), good);
    VectorGroupSink tree;
    Groups(db).load(tree);
    QCOMPARE(tree.nodes.size(), std::size_t(2));
    QCOMPARE(tree.nodes[1].text, QStringLiteral("我的组"));
}

void TestNotebook::objectsUnderOurNames_data()
{
    QTest::addColumn<QByteArray>("change");
    QTest::addColumn<bool>("opens");
    QTest::newRow("nominal: a notebook as created") << QByteArray() << true;
    QTest::newRow("nominal: our trigger with other line breaks and indents")
        << QByteArray("DROP TRIGGER SearchNoteAdded; CREATE TRIGGER SearchNoteAdded AFTER INSERT ON Notes BEGIN\n\n"
                      "\tINSERT OR IGNORE INTO SearchPending (NoteID)    VALUES (new.ID);   END;")
        << true;
    QTest::newRow("nominal: search table as an earlier build wrote it")
        << QByteArray("DROP TABLE SearchNotes; "
                      "CREATE TABLE SearchNotes (ID INTEGER PRIMARY KEY, Updated TEXT NOT NULL, Title TEXT NOT NULL);")
        << true;
    QTest::newRow("robustness: SearchNoteAdded deleting the other notes")
        << QByteArray("DROP TRIGGER SearchNoteAdded; CREATE TRIGGER SearchNoteAdded AFTER INSERT ON Notes BEGIN "
                      "DELETE FROM Notes WHERE ID <> new.ID; END;")
        << false;
    QTest::newRow("robustness: SearchNoteChanged deleting the other notes")
        << QByteArray("DROP TRIGGER SearchNoteChanged; CREATE TRIGGER SearchNoteChanged AFTER UPDATE ON Notes BEGIN "
                      "DELETE FROM Notes WHERE ID <> new.ID; END;")
        << false;
    QTest::newRow("robustness: SearchNoteDeleted deleting every note")
        << QByteArray("DROP TRIGGER SearchNoteDeleted; CREATE TRIGGER SearchNoteDeleted AFTER DELETE ON Notes BEGIN "
                      "DELETE FROM Notes; END;")
        << false;
    QTest::newRow("robustness: NotesByGroup refusing a second note of a title")
        << QByteArray("DROP INDEX NotesByGroup; CREATE UNIQUE INDEX NotesByGroup ON Notes (nGroupID, nNoteTitle);")
        << false;
    QTest::newRow("robustness: Notes replacing a note of the same title")
        << QByteArray("DROP TABLE Notes; CREATE TABLE Notes (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                      "nNoteTitle TEXT UNIQUE ON CONFLICT REPLACE, nAddDate TEXT, nLastUpdate TEXT, nPriority TEXT, "
                      "nIcon INTEGER, nGroupID INTEGER, nColor TEXT, nNote TEXT);")
        << false;
}

// An object under one of our names runs inside our statements whatever its definition says;
// only our own definitions open, and a file with another one is left as it was.
void TestNotebook::objectsUnderOurNames()
{
    QFETCH(QByteArray, change);
    QFETCH(bool, opens);
    const QString p = path(QStringLiteral("ours.qbf"));
    {
        Notebook maker;
        QVERIFY(openFresh(maker, p));
        const qint64 group = Groups(maker).add(QStringLiteral("组")).value();
        QVERIFY(Notes(maker).add(group, makeNote(QStringLiteral("同名"))));
        QVERIFY(Notes(maker).add(group, makeNote(QStringLiteral("另一条"))));
    }
    if (!change.isEmpty())
        QCOMPARE(RawDb(p).exec(change.constData()), SQLITE_OK);
    const QByteArray before = fileBytes(p);

    Notebook db;
    db.open(p);
    QCOMPARE(db.isOpen(), opens);
    if (!opens) {
        QVERIFY(!db.lastError().isEmpty());
        QCOMPARE(fileBytes(p), before);
        QCOMPARE(entries(), QStringList{QStringLiteral("ours.qbf")});
        return;
    }
    QVERIFY(Notes(db).add(1, makeNote(QStringLiteral("同名"))));
    db.close();
    QCOMPARE(RawDb(p).count(QStringLiteral("Notes")), 3);
}

// Opening does not read every body page (that would cost about 0.4 s per 100,000 notes); a
// damaged one shows up as a failed read of its own note, and the rest stay readable.
void TestNotebook::damagedBodyPageFailsOnlyThatNote()
{
    const QString p = makeBigNotebook(QStringLiteral("body.qbf"));
    QVERIFY(!p.isEmpty());
    int page = 0;
    {
        RawDb raw(p);
        page = raw.scalar(QStringLiteral("SELECT pageno FROM dbstat WHERE name = 'Notes' AND pagetype = 'leaf' "
                                         "ORDER BY pageno LIMIT 1 OFFSET 100"))
                   .toInt();
    }
    if (page == 0)
        QSKIP("this SQLite has no dbstat table to find a body page with");
    QByteArray bytes = fileBytes(p);
    bytes.replace(qsizetype(page - 1) * 4096, 4096, QByteArray(4096, '\x5A'));
    QVERIFY(writeBytes(p, bytes));

    Notebook db;
    db.open(p);
    QVERIFY2(db.isOpen(), qPrintable(db.lastError()));
    int failed = 0, read = 0;
    for (qint64 id = 1; id <= 300; ++id) {
        const QString body = Notes(db).body(id);
        if (db.lastError().isEmpty()) {
            QCOMPARE(body, QString(1000, u'文'));
            ++read;
        } else {
            QCOMPARE(body, QString());
            ++failed;
        }
    }
    QVERIFY(failed >= 1);
    QVERIFY(read >= 250);
}

void TestNotebook::closeTwiceClosesOnce()
{
    Notebook db;
    QVERIFY(openFresh(db, path(QStringLiteral("c.qbf"))));
    db.close();
    QVERIFY(!db.isOpen());
    db.close();
    QVERIFY(!db.isOpen());
    QVERIFY(!Groups(db).add(QStringLiteral("A")));
    // A closed file can be replaced at once: nothing of ours holds it.
    QVERIFY(QFile::remove(path(QStringLiteral("c.qbf"))));
}

void TestNotebook::oneFileOnDisk()
{
    Notebook db;
    const QString p = path(QStringLiteral("one.qbf"));
    QVERIFY(openFresh(db, p));
    QVERIFY(Groups(db).add(QStringLiteral("A")));
    QVERIFY(Notes(db).add(1, makeNote(QStringLiteral("t"))));
    QCOMPARE(entries(), QStringList{QStringLiteral("one.qbf")});
    RawDb raw(p);
    QCOMPARE(raw.scalar(QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));
}

void TestNotebook::twoConnectionsShareOneFile()
{
    const QString p = path(QStringLiteral("shared.qbf"));
    Notebook a, b;
    QVERIFY(openFresh(a, p));
    b.open(p);
    QVERIFY(b.isOpen());
    QVERIFY(Groups(a).add(QStringLiteral("A")));
    QVERIFY(Groups(b).add(QStringLiteral("B")));
    for (int i = 0; i < 10; ++i) {
        QVERIFY(Notes(a).add(1, makeNote(QStringLiteral("a%1").arg(i))));
        QVERIFY(Notes(b).add(2, makeNote(QStringLiteral("b%1").arg(i))));
    }
    VectorNoteSink listA, listB;
    Notes(a).list(listA, 2); // what b wrote, seen by a
    Notes(b).list(listB, -1);
    QCOMPARE(listA.items.size(), std::size_t(10));
    QCOMPARE(listB.items.size(), std::size_t(20));
    QVERIFY(Groups(b).remove(1));
    Notes(a).list(listA, 1);
    QVERIFY(listA.items.empty());
    a.close();
    b.close();
    QCOMPARE(RawDb(p).scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

void TestNotebook::lockedWriterMakesWriteFailCleanly()
{
    const QString p = path(QStringLiteral("busy.qbf"));
    Notebook db;
    db.setBusyTimeout(100);
    QVERIFY(openFresh(db, p));
    QVERIFY(Groups(db).add(QStringLiteral("A")));
    {
        RawDb other(p);
        QCOMPARE(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
        QVERIFY(!Groups(db).add(QStringLiteral("B")));
        QVERIFY(!Groups(db).remove(1));
        QVERIFY(!db.lastError().isEmpty());
        // Reading still works while the other program holds its write lock.
        VectorGroupSink tree;
        Groups(db).load(tree);
        QCOMPARE(tree.nodes.size(), std::size_t(2));
        QCOMPARE(other.exec("COMMIT"), SQLITE_OK);
    }
    QVERIFY(Groups(db).add(QStringLiteral("B")));
    VectorGroupSink tree;
    Groups(db).load(tree);
    QCOMPARE(tree.nodes.size(), std::size_t(3));
}

void TestNotebook::twoProcesses_data()
{
    QTest::addColumn<bool>("exclusive");
    QTest::newRow("nominal: both write to one notebook at once") << false;
    QTest::newRow("robustness: the other process holds it exclusively") << true;
}

// A real second process (fork), since locks between processes are what users meet.
void TestNotebook::twoProcesses()
{
    QFETCH(bool, exclusive);
    const QString p = path(QStringLiteral("procs.qbf"));
    {
        Notebook maker;
        QVERIFY(openFresh(maker, p));
        QVERIFY(Groups(maker).add(QStringLiteral("A")));
    }
    int toParent[2], toChild[2];
    QCOMPARE(::pipe(toParent), 0);
    QCOMPARE(::pipe(toChild), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // The child: no QtTest macros, report through the exit code.
        int failures = 0;
        char go = 0;
        if (exclusive) {
            sqlite3 *raw = nullptr;
            sqlite3_open_v2(QFile::encodeName(p).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
            failures += sqlite3_exec(raw, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr);
            failures += ::write(toParent[1], "r", 1) != 1;
            failures += ::read(toChild[0], &go, 1) != 1;
            sqlite3_close(raw); // releases the lock
        } else {
            Notebook db;
            db.open(p);
            failures += ::write(toParent[1], "r", 1) != 1;
            for (int i = 0; i < 15; ++i)
                failures += !Notes(db).add(1, makeNote(QStringLiteral("child %1").arg(i)));
        }
        ::_exit(failures == 0 ? 0 : 1);
    }
    char ready = 0;
    QCOMPARE(::read(toParent[0], &ready, 1), ssize_t(1));
    Notebook db;
    db.setBusyTimeout(exclusive ? 200 : 5000);
    db.open(p);
    if (exclusive) {
        QVERIFY(!db.isOpen());
        QVERIFY(db.lastError().contains(QLatin1String("locked")));
        QCOMPARE(::write(toChild[1], "g", 1), ssize_t(1));
    } else {
        QVERIFY(db.isOpen());
        for (int i = 0; i < 15; ++i)
            QVERIFY(Notes(db).add(1, makeNote(QStringLiteral("parent %1").arg(i))));
    }
    int status = -1;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
        ::close(fd);

    db.close();
    db.open(p); // the other process is gone: now it opens
    QVERIFY(db.isOpen());
    VectorNoteSink list;
    Notes(db).list(list, 1);
    QCOMPARE(list.items.size(), std::size_t(exclusive ? 0 : 30));
    db.close();
    QCOMPARE(RawDb(p).scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

void TestNotebook::operationsNeedAnOpenNotebook()
{
    Notebook db;
    VectorGroupSink tree;
    VectorNoteSink list;
    Groups(db).load(tree);
    Notes(db).list(list, -1);
    QVERIFY(tree.nodes.empty());
    QVERIFY(list.items.empty());
    QVERIFY(!Groups(db).add(QStringLiteral("A")));
    QVERIFY(!Notes(db).add(1, makeNote(QStringLiteral("t"))));
    QVERIFY(!db.writePassword(QStringLiteral("x")));
    QCOMPARE(Notes(db).body(1), QString());
    QVERIFY(!db.lastError().isEmpty());

    // Open, but refused by the password prompt: the opener clears the flag and nothing is served.
    QVERIFY(openFresh(db, path(QStringLiteral("locked.qbf"))));
    QVERIFY(Groups(db).add(QStringLiteral("A")));
    db.close();
    Groups(db).load(tree);
    QVERIFY(tree.nodes.empty());
    QVERIFY(!Groups(db).add(QStringLiteral("B")));
}

void TestNotebook::fileChangedUnderTheOpenNotebook_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("refusal"); // "" when writes go on
    const QString gone = Notebook::MovedOrDeleted;
    const QString another = Notebook::ReplacedByAnother;
    QTest::newRow("nominal: replaced by a copy of itself (another program compacted it)") << "copy" << "pw" << "";
    QTest::newRow("nominal: a plain one replaced by a copy of itself") << "copy" << "" << "";
    QTest::newRow("robustness: deleted") << "delete" << "pw" << gone;
    QTest::newRow("robustness: renamed away") << "rename" << "pw" << gone;
    QTest::newRow("robustness: replaced by a notebook with another password") << "otherpassword" << "pw" << gone;
    QTest::newRow("robustness: replaced by a file that is no notebook") << "garbage" << "pw" << gone;
    QTest::newRow("robustness: replaced by another notebook, both without a password") << "another" << "" << another;
    // Its key is not known here, so it is not even read.
    QTest::newRow("robustness: replaced by another encrypted notebook") << "another" << "pw" << gone;
}

// A write never goes to a file that is no longer the open notebook: a copy of it put in its place
// is reopened first; a vanished one, or another notebook moved to its path, is named as such
// (never "readonly database"), by every write, and the notebook now at the path stays untouched.
void TestNotebook::fileChangedUnderTheOpenNotebook()
{
    QFETCH(QString, change);
    QFETCH(QString, password);
    QFETCH(QString, refusal);
    const QString p = path(QStringLiteral("book.qbf"));
    const QString other = path(QStringLiteral("other.qbf"));
    const auto fill = [&](Notebook &db, const QString &file, const QString &title) {
        QVERIFY(openFresh(db, file));
        QVERIFY(Groups(db).add(QStringLiteral("A")));
        QVERIFY(Notes(db).add(1, makeNote(title)));
        QVERIFY(Notes(db).add(1, makeNote(QStringLiteral("deleted"))));
        QVERIFY(Notes(db).update(1, makeNote(title + QStringLiteral("2"))));
        QVERIFY(Notes(db).remove(2));
        if (!password.isEmpty())
            QVERIFY(db.writePassword(password));
    };
    Notebook db;
    fill(db, p, QStringLiteral("mine"));

    if (change == QLatin1String("copy")) {
        QVERIFY(QFile::copy(p, other));
    } else if (change == QLatin1String("otherpassword")) {
        QVERIFY(QFile::copy(p, other));
        Notebook changer;
        changer.open(other);
        QCOMPARE(changer.writePassword(QStringLiteral("theirs")), 1);
    } else if (change == QLatin1String("garbage")) {
        QVERIFY(writeBytes(other, QByteArray("not a notebook\n").repeated(300)));
    } else if (change == QLatin1String("another")) {
        Notebook theirs;
        fill(theirs, other, QStringLiteral("theirs"));
    }
    if (change == QLatin1String("delete"))
        QVERIFY(QFile::remove(p));
    else if (change == QLatin1String("rename"))
        QVERIFY(QFile::rename(p, path(QStringLiteral("moved.qbf"))));
    else
        QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(p).constData()), 0);
    const QByteArray atPath = fileBytes(p);

    if (refusal.isEmpty()) {
        QVERIFY(Notes(db).add(1, makeNote(QStringLiteral("after"))));
        db.close();
        db.open(p);
        VectorNoteSink list;
        Notes(db).list(list, 1);
        QCOMPARE(list.items.size(), std::size_t(2));
        QCOMPARE(list.items[1].title, QStringLiteral("after"));
        return;
    }
    const qint64 version = KeptNotes(db).history(1).at(0).id;
    const qint64 deleted = KeptNotes(db).deleted().at(0).id;
    const std::pair<const char *, std::function<bool()>> writes[] = {
        {"AddNote", [&] { return Notes(db).add(1, makeNote(QStringLiteral("after"))).has_value(); }},
        {"UpdateNote", [&] { return Notes(db).update(1, makeNote(QStringLiteral("after"))); }},
        {"MoveNote", [&] { return Notes(db).move(1, 1); }},
        {"DeleteNote", [&] { return Notes(db).remove(1); }},
        {"AddGroup", [&] { return Groups(db).add(QStringLiteral("B")).has_value(); }},
        {"RenameGroup", [&] { return Groups(db).rename(1, QStringLiteral("B")); }},
        {"DeleteGroup", [&] { return Groups(db).remove(1); }},
        {"RestoreVersion", [&] { return KeptNotes(db).restoreVersion(1, version, QStringLiteral("x")); }},
        {"RestoreDeleted", [&] { return KeptNotes(db).restoreDeleted(deleted).has_value(); }},
        {"EmptyDeleted", [&] { return KeptNotes(db).emptyDeleted(); }},
        {"PruneHistory", [&] { return KeptNotes(db).prune(); }},
        {"SetKeepLimits", [&] { return KeptNotes(db).setLimits({1, 1, 1}); }},
        {"WritePassword", [&] { return db.writePassword(QStringLiteral("new")); }},
    };
    for (const auto &[name, write] : writes) {
        QVERIFY2(!write(), name);
        QVERIFY2(db.lastError().startsWith(refusal), qPrintable(QLatin1String(name) + QLatin1String(": ") + db.lastError()));
    }
    QVERIFY(fileBytes(p) == atPath);
}

void TestNotebook::addAfterIdTrouble_data()
{
    QTest::addColumn<QString>("trouble");
    QTest::newRow("robustness: the highest possible note ID is taken") << "maxid";
    QTest::newRow("robustness: the page of sqlite_sequence is damaged") << "sequence";
    QTest::newRow("robustness: sqlite_sequence is missing") << "nosequence";
}

// The engine answers "database or disk is full" or "malformed" here; the store names the real
// reason, and repairs the table of last IDs when it cannot be read.
void TestNotebook::addAfterIdTrouble()
{
    QFETCH(QString, trouble);
    const QString p = makeBigNotebook(QStringLiteral("ids.qbf"));
    QVERIFY(!p.isEmpty());
    if (trouble == QLatin1String("maxid")) {
        QCOMPARE(RawDb(p).exec("INSERT INTO Notes (ID, nNoteTitle, nGroupID) VALUES (9223372036854775807, 'last', 1)"),
                 SQLITE_OK);
    } else if (trouble == QLatin1String("nosequence")) {
        QCOMPARE(RawDb(p).exec("PRAGMA writable_schema = ON; DELETE FROM sqlite_schema WHERE name = 'sqlite_sequence'"),
                 SQLITE_OK);
    } else {
        const int page = RawDb(p).scalar(QStringLiteral("SELECT rootpage FROM sqlite_schema WHERE name = 'sqlite_sequence'")).toInt();
        QVERIFY(page > 1);
        QByteArray bytes = fileBytes(p);
        bytes.replace(qsizetype(page - 1) * 4096, 4096, QByteArray(4096, '\xA5'));
        QVERIFY(writeBytes(p, bytes));
    }
    Notebook db;
    db.open(p);
    QVERIFY2(db.isOpen(), qPrintable(db.lastError()));
    if (trouble == QLatin1String("maxid")) {
        QVERIFY(!Notes(db).add(1, makeNote(QStringLiteral("one more"))));
        QVERIFY2(db.lastError().contains(QLatin1String("no ID left")), qPrintable(db.lastError()));
        QVERIFY(Groups(db).add(QStringLiteral("still fine"))); // the groups have IDs left
        return;
    }
    const std::optional<qint64> note = Notes(db).add(1, makeNote(QStringLiteral("one more")));
    QVERIFY2(note, qPrintable(db.lastError()));
    QCOMPARE(*note, 301);
    QCOMPARE(Groups(db).add(QStringLiteral("组二")), 2);
    db.close();
    RawDb raw(p);
    QCOMPARE(raw.scalar(QStringLiteral("SELECT group_concat(name || '=' || seq) FROM sqlite_sequence")),
             QStringLiteral("Groups=2,Notes=301"));
}

QTEST_GUILESS_MAIN(TestNotebook)
#include "tst_notebook.moc"
