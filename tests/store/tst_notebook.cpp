// Creating, opening and closing notebook files, and refusing files that are not notebooks.

#include "StoreTestUtil.h"

#include "store/DBase.h"
#include "store/Import.h"
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
    DBase db;
    const QString p = path(QStringLiteral("new.qbf"));
    QCOMPARE(db.CreateDatabase(p), 1);
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
    db.DatabasePath = p;
    db.OpenDatabase();
    QVERIFY2(db.DatabaseIsOpen, qPrintable(db.lastError()));
    QCOMPARE(db.ReadPassword(), QString());
    VectorGroupSink tree;
    db.LoadGroups(tree);
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
        DBase maker;
        QCOMPARE(maker.CreateDatabase(p), 1);
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
    DBase db;
    QCOMPARE(db.CreateDatabase(p), 0);
    QVERIFY(!db.lastError().isEmpty());
    QCOMPARE(fileBytes(p), before);
    QCOMPARE(entries(), entriesBefore);
}

void TestNotebook::createLeavesConnectionAlone()
{
    DBase db;
    const QString first = path(QStringLiteral("first.qbf"));
    QVERIFY(openFresh(db, first));
    QCOMPARE(db.AddGroup(QStringLiteral("A")), 1);
    QCOMPARE(db.CreateDatabase(path(QStringLiteral("second.qbf"))), 1);
    QCOMPARE(db.DatabasePath, first);
    QVERIFY(db.DatabaseIsOpen);
    VectorGroupSink tree;
    db.LoadGroups(tree);
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
    DBase db;
    db.BusyTimeoutMs = 200;
    const QString good = path(QStringLiteral("good.qbf"));
    QVERIFY(openFresh(db, good));
    QCOMPARE(db.AddGroup(QStringLiteral("我的组")), 1);

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
        DBase maker;
        QCOMPARE(maker.CreateDatabase(bad), 1);
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
        DBase maker;
        QCOMPARE(maker.CreateDatabase(bad), 1);
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
        DBase maker;
        QCOMPARE(maker.CreateDatabase(bad), 1);
        locker = std::make_unique<RawDb>(bad);
        QCOMPARE(locker->exec("PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;"), SQLITE_OK);
    }
    const QByteArray before = fileBytes(bad);
    const bool existedBefore = QFileInfo::exists(bad);

    db.CloseDatabase();
    db.DatabasePath = bad;
    db.OpenDatabase();
    QVERIFY(!db.DatabaseIsOpen);
    QVERIFY(!db.lastError().isEmpty());
    qInfo("refused: %s", qPrintable(db.lastError()));
    QCOMPARE(QFileInfo::exists(bad), existedBefore); // opening never creates a file
    locker.reset();
    QCOMPARE(fileBytes(bad), before);
    for (const char *side : {"-journal", "-wal", "-shm"})
        QVERIFY2(!QFile::exists(bad + QLatin1String(side)), side);

    // The previous notebook is untouched and opens again as the open command does it.
    db.DatabasePath = good;
    db.OpenDatabase();
    QVERIFY(db.DatabaseIsOpen);
    VectorGroupSink tree;
    db.LoadGroups(tree);
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
        DBase maker;
        QVERIFY(openFresh(maker, p));
        QCOMPARE(maker.AddGroup(QStringLiteral("组")), 1);
        const qint64 group = maker.LastInsertedId();
        QCOMPARE(maker.AddNote(group, makeNote(QStringLiteral("同名"))), 1);
        QCOMPARE(maker.AddNote(group, makeNote(QStringLiteral("另一条"))), 1);
    }
    if (!change.isEmpty())
        QCOMPARE(RawDb(p).exec(change.constData()), SQLITE_OK);
    const QByteArray before = fileBytes(p);

    DBase db;
    db.DatabasePath = p;
    db.OpenDatabase();
    QCOMPARE(db.DatabaseIsOpen, opens);
    if (!opens) {
        QVERIFY(!db.lastError().isEmpty());
        QCOMPARE(fileBytes(p), before);
        QCOMPARE(entries(), QStringList{QStringLiteral("ours.qbf")});
        return;
    }
    QCOMPARE(db.AddNote(1, makeNote(QStringLiteral("同名"))), 1);
    db.CloseDatabase();
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

    DBase db;
    db.DatabasePath = p;
    db.OpenDatabase();
    QVERIFY2(db.DatabaseIsOpen, qPrintable(db.lastError()));
    int failed = 0, read = 0;
    for (qint64 id = 1; id <= 300; ++id) {
        const QString body = db.LoadNoteBody(id);
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
    DBase db;
    QVERIFY(openFresh(db, path(QStringLiteral("c.qbf"))));
    db.CloseDatabase();
    QVERIFY(!db.DatabaseIsOpen);
    db.CloseDatabase();
    QVERIFY(!db.DatabaseIsOpen);
    QCOMPARE(db.AddGroup(QStringLiteral("A")), 0);
    // A closed file can be replaced at once: nothing of ours holds it.
    QVERIFY(QFile::remove(path(QStringLiteral("c.qbf"))));
}

void TestNotebook::oneFileOnDisk()
{
    DBase db;
    const QString p = path(QStringLiteral("one.qbf"));
    QVERIFY(openFresh(db, p));
    QCOMPARE(db.AddGroup(QStringLiteral("A")), 1);
    QCOMPARE(db.AddNote(1, makeNote(QStringLiteral("t"))), 1);
    QCOMPARE(entries(), QStringList{QStringLiteral("one.qbf")});
    RawDb raw(p);
    QCOMPARE(raw.scalar(QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));
}

void TestNotebook::twoConnectionsShareOneFile()
{
    const QString p = path(QStringLiteral("shared.qbf"));
    DBase a, b;
    QVERIFY(openFresh(a, p));
    b.DatabasePath = p;
    b.OpenDatabase();
    QVERIFY(b.DatabaseIsOpen);
    QCOMPARE(a.AddGroup(QStringLiteral("A")), 1);
    QCOMPARE(b.AddGroup(QStringLiteral("B")), 1);
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(a.AddNote(1, makeNote(QStringLiteral("a%1").arg(i))), 1);
        QCOMPARE(b.AddNote(2, makeNote(QStringLiteral("b%1").arg(i))), 1);
    }
    VectorNoteSink listA, listB;
    a.LoadNotes(listA, 2); // what b wrote, seen by a
    b.LoadNotes(listB, -1);
    QCOMPARE(listA.items.size(), std::size_t(10));
    QCOMPARE(listB.items.size(), std::size_t(20));
    QCOMPARE(b.DeleteGroup(1), 1);
    a.LoadNotes(listA, 1);
    QVERIFY(listA.items.empty());
    a.CloseDatabase();
    b.CloseDatabase();
    QCOMPARE(RawDb(p).scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

void TestNotebook::lockedWriterMakesWriteFailCleanly()
{
    const QString p = path(QStringLiteral("busy.qbf"));
    DBase db;
    db.BusyTimeoutMs = 100;
    QVERIFY(openFresh(db, p));
    QCOMPARE(db.AddGroup(QStringLiteral("A")), 1);
    {
        RawDb other(p);
        QCOMPARE(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
        QCOMPARE(db.AddGroup(QStringLiteral("B")), 0);
        QCOMPARE(db.DeleteGroup(1), 0);
        QVERIFY(!db.lastError().isEmpty());
        // Reading still works while the other program holds its write lock.
        VectorGroupSink tree;
        db.LoadGroups(tree);
        QCOMPARE(tree.nodes.size(), std::size_t(2));
        QCOMPARE(other.exec("COMMIT"), SQLITE_OK);
    }
    QCOMPARE(db.AddGroup(QStringLiteral("B")), 1);
    VectorGroupSink tree;
    db.LoadGroups(tree);
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
        DBase maker;
        QVERIFY(openFresh(maker, p));
        QCOMPARE(maker.AddGroup(QStringLiteral("A")), 1);
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
            DBase db;
            db.DatabasePath = p;
            db.OpenDatabase();
            failures += ::write(toParent[1], "r", 1) != 1;
            for (int i = 0; i < 15; ++i)
                failures += db.AddNote(1, makeNote(QStringLiteral("child %1").arg(i))) != 1;
        }
        ::_exit(failures == 0 ? 0 : 1);
    }
    char ready = 0;
    QCOMPARE(::read(toParent[0], &ready, 1), ssize_t(1));
    DBase db;
    db.BusyTimeoutMs = exclusive ? 200 : 5000;
    db.DatabasePath = p;
    db.OpenDatabase();
    if (exclusive) {
        QVERIFY(!db.DatabaseIsOpen);
        QVERIFY(db.lastError().contains(QLatin1String("locked")));
        QCOMPARE(::write(toChild[1], "g", 1), ssize_t(1));
    } else {
        QVERIFY(db.DatabaseIsOpen);
        for (int i = 0; i < 15; ++i)
            QCOMPARE(db.AddNote(1, makeNote(QStringLiteral("parent %1").arg(i))), 1);
    }
    int status = -1;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
        ::close(fd);

    db.CloseDatabase();
    db.OpenDatabase(); // the other process is gone: now it opens
    QVERIFY(db.DatabaseIsOpen);
    VectorNoteSink list;
    db.LoadNotes(list, 1);
    QCOMPARE(list.items.size(), std::size_t(exclusive ? 0 : 30));
    db.CloseDatabase();
    QCOMPARE(RawDb(p).scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

void TestNotebook::operationsNeedAnOpenNotebook()
{
    DBase db;
    VectorGroupSink tree;
    VectorNoteSink list;
    db.LoadGroups(tree);
    db.LoadNotes(list, -1);
    QVERIFY(tree.nodes.empty());
    QVERIFY(list.items.empty());
    QCOMPARE(db.AddGroup(QStringLiteral("A")), 0);
    QCOMPARE(db.AddNote(1, makeNote(QStringLiteral("t"))), 0);
    QCOMPARE(db.WritePassword(QStringLiteral("x")), 0);
    QCOMPARE(db.LoadNoteBody(1), QString());
    QVERIFY(!db.lastError().isEmpty());

    // Open, but refused by the password prompt: the opener clears the flag and nothing is served.
    QVERIFY(openFresh(db, path(QStringLiteral("locked.qbf"))));
    QCOMPARE(db.AddGroup(QStringLiteral("A")), 1);
    db.DatabaseIsOpen = false;
    db.LoadGroups(tree);
    QVERIFY(tree.nodes.empty());
    QCOMPARE(db.AddGroup(QStringLiteral("B")), 0);
}

void TestNotebook::fileChangedUnderTheOpenNotebook_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("refusal"); // "" when writes go on
    const QString gone = DBase::MovedOrDeleted;
    const QString another = DBase::ReplacedByAnother;
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
    const auto fill = [&](DBase &db, const QString &file, const QString &title) {
        QVERIFY(openFresh(db, file));
        QCOMPARE(db.AddGroup(QStringLiteral("A")), 1);
        QCOMPARE(db.AddNote(1, makeNote(title)), 1);
        QCOMPARE(db.AddNote(1, makeNote(QStringLiteral("deleted"))), 1);
        QCOMPARE(db.UpdateNote(1, makeNote(title + QStringLiteral("2"))), 1);
        QCOMPARE(db.DeleteNote(2), 1);
        if (!password.isEmpty())
            QCOMPARE(db.WritePassword(password), 1);
    };
    DBase db;
    fill(db, p, QStringLiteral("mine"));

    if (change == QLatin1String("copy")) {
        QVERIFY(QFile::copy(p, other));
    } else if (change == QLatin1String("otherpassword")) {
        QVERIFY(QFile::copy(p, other));
        DBase changer;
        changer.DatabasePath = other;
        changer.OpenDatabase();
        QCOMPARE(changer.WritePassword(QStringLiteral("theirs")), 1);
    } else if (change == QLatin1String("garbage")) {
        QVERIFY(writeBytes(other, QByteArray("not a notebook\n").repeated(300)));
    } else if (change == QLatin1String("another")) {
        DBase theirs;
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
        QCOMPARE(db.AddNote(1, makeNote(QStringLiteral("after"))), 1);
        db.CloseDatabase();
        db.OpenDatabase();
        VectorNoteSink list;
        db.LoadNotes(list, 1);
        QCOMPARE(list.items.size(), std::size_t(2));
        QCOMPARE(list.items[1].text, QStringLiteral("after"));
        return;
    }
    const qint64 version = db.LoadHistory(1).at(0).id;
    const qint64 deleted = db.LoadDeleted().at(0).id;
    const std::pair<const char *, std::function<int()>> writes[] = {
        {"AddNote", [&] { return db.AddNote(1, makeNote(QStringLiteral("after"))); }},
        {"UpdateNote", [&] { return db.UpdateNote(1, makeNote(QStringLiteral("after"))); }},
        {"MoveNote", [&] { return db.MoveNote(1, 1); }},
        {"DeleteNote", [&] { return db.DeleteNote(1); }},
        {"AddGroup", [&] { return db.AddGroup(QStringLiteral("B")); }},
        {"RenameGroup", [&] { return db.RenameGroup(QStringLiteral("B"), 1); }},
        {"DeleteGroup", [&] { return db.DeleteGroup(1); }},
        {"RestoreVersion", [&] { return db.RestoreVersion(1, version, QStringLiteral("x")); }},
        {"RestoreDeleted", [&] { return db.RestoreDeleted(deleted); }},
        {"EmptyDeleted", [&] { return db.EmptyDeleted(); }},
        {"PruneHistory", [&] { return db.PruneHistory(); }},
        {"SetKeepLimits", [&] { return db.SetKeepLimits({1, 1, 1}); }},
        {"WritePassword", [&] { return db.WritePassword(QStringLiteral("new")); }},
    };
    for (const auto &[name, write] : writes) {
        QVERIFY2(write() == 0, name);
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
    DBase db;
    db.DatabasePath = p;
    db.OpenDatabase();
    QVERIFY2(db.DatabaseIsOpen, qPrintable(db.lastError()));
    if (trouble == QLatin1String("maxid")) {
        QCOMPARE(db.AddNote(1, makeNote(QStringLiteral("one more"))), 0);
        QVERIFY2(db.lastError().contains(QLatin1String("no ID left")), qPrintable(db.lastError()));
        QCOMPARE(db.AddGroup(QStringLiteral("still fine")), 1); // the groups have IDs left
        return;
    }
    QVERIFY2(db.AddNote(1, makeNote(QStringLiteral("one more"))) == 1, qPrintable(db.lastError()));
    QCOMPARE(db.LastInsertedId(), 301);
    QCOMPARE(db.AddGroup(QStringLiteral("组二")), 1);
    QCOMPARE(db.LastInsertedId(), 2);
    db.CloseDatabase();
    RawDb raw(p);
    QCOMPARE(raw.scalar(QStringLiteral("SELECT group_concat(name || '=' || seq) FROM sqlite_sequence")),
             QStringLiteral("Groups=2,Notes=301"));
}

QTEST_GUILESS_MAIN(TestNotebook)
#include "tst_notebook.moc"
