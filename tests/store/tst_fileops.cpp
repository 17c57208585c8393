// Importing rows into a new notebook, and the backup and compaction copies.

#include "StoreTestUtil.h"

#include "store/FileOps.h"
#include "store/Groups.h"
#include "store/Import.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/Schema.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/file.h>

class TestFileOps : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void importKeepsIdsAndNulls();
    void importRefuses_data();
    void importRefuses();
    void backupCopiesAndReplaces();
    void compactInPlaceShrinksAndKeepsEverything();
    void failuresLeaveFilesUntouched_data();
    void failuresLeaveFilesUntouched();
    void compactThroughLinkKeepsTheLink();
    void openRemovesLeftovers();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString path(const QString &name) const { return dir_->filePath(name); }
    QStringList entries() const { return QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }
    QString makeNotebook(const QString &name, int notes);
    static QStringList listing(const QString &file);
};

void TestFileOps::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

QString TestFileOps::makeNotebook(const QString &name, int notes)
{
    ImportRows rows;
    rows.admin = {Notebook::hashPassword(QStringLiteral("pw"))};
    rows.groups = {{1, QStringLiteral("组一")}, {2, QStringLiteral("two")}};
    for (int i = 1; i <= notes; ++i) {
        ImportNote n;
        n.ID = i;
        n.nNoteTitle = QStringLiteral("笔记%1").arg(i);
        n.nAddDate = n.nLastUpdate = QStringLiteral("2026/12/7 10:00");
        n.nPriority = QStringLiteral("普通");
        n.nIcon = 1 + i % 24;
        n.nGroupID = 1 + i % 2;
        n.nColor = QString::number(i);
        n.nNote = QString(800, u'正');
        rows.notes.push_back(n);
    }
    QString error;
    const QString p = path(name);
    return ImportNotebook(p, rows, &error) == 1 ? p : QString();
}

// Everything a user sees of a notebook, as text, to compare two files.
QStringList TestFileOps::listing(const QString &file)
{
    Notebook db;
    db.open(file);
    if (!db.isOpen())
        return {QStringLiteral("cannot open: ") + db.lastError()};
    QStringList out;
    VectorGroupSink tree;
    Groups(db).load(tree);
    for (std::size_t i = 1; i < tree.nodes.size(); ++i)
        out << tree.nodes[i].key + QLatin1Char('=') + tree.nodes[i].text;
    VectorNoteSink list;
    Notes(db).list(list, -1);
    for (const NoteItem &it : list.items)
        out << QStringList{it.key, it.title, it.added.text(), it.updated.text(), it.priority, QString::number(it.color), it.tag,
                           Notes(db).body(it.key.mid(1).toLongLong())}
                   .join(QLatin1Char('|'));
    out << QStringLiteral("pw:%1").arg(Notebook::passwordMatches(QStringLiteral("pw"), db.readPassword()));
    return out;
}

void TestFileOps::importKeepsIdsAndNulls()
{
    ImportRows rows;
    rows.admin = {std::nullopt};
    rows.groups = {{10, QStringLiteral("ten")}, {40000, std::nullopt}};
    ImportNote n;
    n.ID = 32768;
    n.nNoteTitle = QStringLiteral("t");
    n.nGroupID = 10;
    n.nIcon = -5;
    n.nColor = QStringLiteral("not a colour");
    rows.notes.push_back(n);
    QString error;
    const QString p = path(QStringLiteral("imp.qbf"));
    QCOMPARE(ImportNotebook(p, rows, &error), 1);
    QCOMPARE(entries(), QStringList{QStringLiteral("imp.qbf")});
    {
        RawDb raw(p);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT vPassword FROM admin")), QStringLiteral("<null>"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT vGroupName FROM Groups WHERE ID = 40000")), QStringLiteral("<null>"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT nNote FROM Notes WHERE ID = 32768")), QStringLiteral("<null>"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT nIcon FROM Notes")), QStringLiteral("-5"));
    }
    Notebook db;
    db.open(p);
    QVERIFY(db.isOpen());
    QCOMPARE(db.readPassword(), QString()); // a NULL row means no password
    QVERIFY(db.lastError().isEmpty());
    QCOMPARE(Notes(db).add(10, makeNote(QStringLiteral("after"))), 32769);
}

void TestFileOps::importRefuses_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("robustness: existing file") << "exists";
    QTest::newRow("robustness: empty title") << "emptytitle";
    QTest::newRow("robustness: 51-character group name") << "longname";
    QTest::newRow("robustness: duplicate note ID") << "duplicate";
}

void TestFileOps::importRefuses()
{
    QFETCH(QString, kind);
    const QString p = path(QStringLiteral("imp.qbf"));
    if (kind == QLatin1String("exists"))
        QVERIFY(writeBytes(p, "mine"));
    ImportRows rows;
    rows.groups = {{1, kind == QLatin1String("longname") ? QString(51, u'g') : QStringLiteral("g")}};
    ImportNote n;
    n.ID = 1;
    n.nNoteTitle = kind == QLatin1String("emptytitle") ? QString() : QStringLiteral("t");
    rows.notes = {n};
    if (kind == QLatin1String("duplicate"))
        rows.notes.push_back(n);
    const QStringList before = entries();
    const QByteArray bytes = fileBytes(p);
    QString error;
    QCOMPARE(ImportNotebook(p, rows, &error), 0);
    QVERIFY(!error.isEmpty());
    QCOMPARE(entries(), before);
    QCOMPARE(fileBytes(p), bytes);
}

void TestFileOps::backupCopiesAndReplaces()
{
    const QString src = makeNotebook(QStringLiteral("src.qbf"), 20);
    QVERIFY(!src.isEmpty());
    const QString dst = path(QStringLiteral("backup.qbf"));
    QVERIFY(writeBytes(dst, "an old file the user chose to overwrite"));
    const auto shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(dst, shared));
    QString error;
    QCOMPARE(FileOps::BackupTo(src, dst, &error), 1);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(listing(dst), listing(src));
    QCOMPARE(entries(), (QStringList{"backup.qbf", "src.qbf"}));
    QCOMPARE(QFile::permissions(dst) & 0x7077, shared); // the replaced file keeps its permissions

    // Backing up while the notebook is open elsewhere reads a consistent copy.
    Notebook db;
    db.open(src);
    QVERIFY(Groups(db).add(QStringLiteral("later")));
    QCOMPARE(FileOps::BackupTo(src, dst, &error), 1);
    QVERIFY(listing(dst).contains(QStringLiteral("k3=later")));
}

void TestFileOps::compactInPlaceShrinksAndKeepsEverything()
{
    const QString p = makeNotebook(QStringLiteral("c.qbf"), 200);
    QVERIFY(!p.isEmpty());
    {
        Notebook db;
        db.open(p);
        QVERIFY(Groups(db).remove(1));
    }
    const QStringList before = listing(p);
    const qint64 sizeBefore = QFileInfo(p).size();
    const auto perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(p, perms));
    QString error;
    QCOMPARE(FileOps::Compact(p, &error), 1);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(QFileInfo(p).size() < sizeBefore);
    QCOMPARE(listing(p), before);
    QCOMPARE(QFile::permissions(p) & 0x7077, perms);
    RawDb raw(p);
    QCOMPARE(raw.scalar(QStringLiteral("PRAGMA application_id")).toInt(), Schema::ApplicationId);
    QCOMPARE(entries(), QStringList{QStringLiteral("c.qbf")});
}

void TestFileOps::failuresLeaveFilesUntouched_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("kind");
    for (const char *op : {"backup", "compact"}) {
        const QString o = QLatin1String(op);
        QTest::newRow(qPrintable("robustness: " + o + " of a missing file")) << o << "missing";
        QTest::newRow(qPrintable("robustness: " + o + " of a text file")) << o << "garbage";
        QTest::newRow(qPrintable("robustness: " + o + " of another SQLite file")) << o << "othersqlite";
    }
    // Compaction works in place and has no destination.
    QTest::newRow("robustness: backup onto a folder") << "backup" << "folder";
    QTest::newRow("robustness: backup into a missing folder") << "backup" << "nofolder";
}

void TestFileOps::failuresLeaveFilesUntouched()
{
    QFETCH(QString, op);
    QFETCH(QString, kind);
    QString src = makeNotebook(QStringLiteral("src.qbf"), 5);
    QString dst = path(QStringLiteral("dst.qbf"));
    QVERIFY(writeBytes(dst, "existing destination"));
    if (kind == QLatin1String("missing")) {
        src = path(QStringLiteral("nothere.qbf"));
    } else if (kind == QLatin1String("garbage")) {
        src = path(QStringLiteral("text.qbf"));
        QVERIFY(writeBytes(src, QByteArray("words\n").repeated(2000)));
    } else if (kind == QLatin1String("othersqlite")) {
        src = path(QStringLiteral("other.db"));
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(src).constData(), &raw), SQLITE_OK);
        QCOMPARE(sqlite3_exec(raw, "CREATE TABLE t(x); INSERT INTO t VALUES (1);", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    } else if (kind == QLatin1String("folder")) {
        dst = path(QStringLiteral("afolder"));
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("afolder")));
    } else if (kind == QLatin1String("nofolder")) {
        dst = path(QStringLiteral("missing/dst.qbf"));
    }
    const QByteArray srcBefore = fileBytes(src);
    const QByteArray dstBefore = fileBytes(dst);
    const QStringList entriesBefore = entries();
    QString error;
    const int result = op == QLatin1String("backup") ? FileOps::BackupTo(src, dst, &error)
                                                      : FileOps::Compact(src, &error);
    QCOMPARE(result, 0);
    QVERIFY(!error.isEmpty());
    qInfo("refused: %s", qPrintable(error));
    QCOMPARE(fileBytes(src), srcBefore);
    QCOMPARE(fileBytes(dst), dstBefore);
    QCOMPARE(entries(), entriesBefore); // no temporary file left behind
}

// The link stays a link and the real file is the one compacted, so later saves through either
// name reach the same notes.
void TestFileOps::compactThroughLinkKeepsTheLink()
{
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("real")));
    const QString real = makeNotebook(QStringLiteral("real/book.qbf"), 200);
    QVERIFY(!real.isEmpty());
    const QString link = path(QStringLiteral("link.qbf"));
    QVERIFY(QFile::link(real, link));
    QCOMPARE(RawDb(real).exec("DELETE FROM Notes WHERE ID > 20"), SQLITE_OK);
    const QStringList before = listing(link);
    const qint64 sizeBefore = QFileInfo(real).size();
    QString error;
    QCOMPARE(FileOps::Compact(link, &error), 1);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(QFileInfo(real).size() < sizeBefore);
    QCOMPARE(listing(real), before);
    Notebook db;
    db.open(link);
    QVERIFY(Notes(db).add(1, makeNote(QStringLiteral("through the link"))));
    db.close();
    QCOMPARE(listing(real), listing(link));
    QCOMPARE(listing(real).size(), before.size() + 1);
    QCOMPARE(entries(), (QStringList{"link.qbf", "real"}));
}

// Copies of a backup or compaction killed part-way are removed by the next open, unless a
// process still holds them; nothing else in the folder is touched.
void TestFileOps::openRemovesLeftovers()
{
    const QString book = makeNotebook(QStringLiteral("book.qbf"), 3);
    QVERIFY(!book.isEmpty());
    const QStringList leftovers = {".quillbook-a1B2c3.tmp", ".quillbook-a1B2c3.tmp-journal",
                                   ".quillbook-Zz9yX8.tmp-journal"};
    const QStringList kept = {".quillbook-held00.tmp", ".quillbook-notes.txt", ".quillbook-a1B2c3.tmp.bak",
                              "tmp.mdb", "my.tmp"};
    for (const QString &name : leftovers + kept)
        QVERIFY(writeBytes(path(name), "some bytes"));
    // Another process still writing its copy holds this lock.
    QFile held(path(QStringLiteral(".quillbook-held00.tmp")));
    QVERIFY(held.open(QIODevice::ReadWrite));
    QCOMPARE(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);

    Notebook db;
    db.open(book);
    QVERIFY(db.isOpen());
    QStringList expected = kept;
    expected << QStringLiteral("book.qbf");
    expected.sort();
    QCOMPARE(entries(), expected);
}

QTEST_GUILESS_MAIN(TestFileOps)
#include "tst_fileops.moc"
