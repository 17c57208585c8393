#include "legacy/LegacyImport.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

QString legacyDir() { return QStringLiteral(QB_SHARED_DIR "/legacy-qbf"); }

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every row of a table, NULL shown as "<null>", straight from the file.
QStringList dumpTable(const QString &path, const char *sql)
{
    QStringList rows;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        QStringList fields;
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            fields << (sqlite3_column_type(st, i) == SQLITE_NULL
                           ? QStringLiteral("<null>")
                           : QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i))));
        rows << fields.join(QStringLiteral(" | "));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// Rows of a converted notebook by ID, every column as text.
QMap<qint64, QString> rowsById(const QString &path, const char *sql)
{
    QMap<qint64, QString> byId;
    for (const QString &row : dumpTable(path, sql))
        byId.insert(row.section(QStringLiteral(" | "), 0, 0).toLongLong(), row);
    return byId;
}

const char *const kGroupsSql = "SELECT ID, vGroupName FROM Groups";
const char *const kNotesSql = "SELECT ID, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nGroupID, nColor, "
                              "nNote FROM Notes";

QSet<qint64> idsOf(const std::vector<LegacyDamage::Row> &rows)
{
    QSet<qint64> ids;
    for (const auto &r : rows)
        ids.insert(r.ID);
    return ids;
}

// Every row of clean that the damaged conversion lacks or holds otherwise must be accounted for:
// named as read in part, or among the rows counted as lost.
QString unaccounted(const QMap<qint64, QString> &clean, const QMap<qint64, QString> &got, const QSet<qint64> &partial,
                    qint64 lost, bool someLost)
{
    QStringList wrong;
    qint64 missing = 0;
    for (auto it = clean.cbegin(); it != clean.cend(); ++it) {
        if (!got.contains(it.key()))
            ++missing;
        else if (got.value(it.key()) != it.value() && !partial.contains(it.key()))
            wrong << QString::number(it.key());
    }
    for (auto it = got.cbegin(); it != got.cend(); ++it)
        if (!clean.contains(it.key()) && !partial.contains(it.key()))
            wrong << QString::number(it.key());
    if (missing > lost && !someLost)
        wrong << QStringLiteral("%1 missing, %2 reported").arg(missing).arg(lost);
    return wrong.join(u',');
}

} // namespace

class TestLegacyImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!QFileInfo::exists(legacyDir()))
            QSKIP("the legacy notebook fixtures are not present beside the repository");
    }

    void convertsEveryRow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("nominal: plain fixture") << QStringLiteral("notes-fixture");
        QTest::newRow("nominal: fixture with a database password") << QStringLiteral("notes-fixture-pw");
    }

    void convertsEveryRow()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString old = dir.filePath(name + QStringLiteral(".qbf"));
        QVERIFY(QFile::copy(legacyDir() + u'/' + name + QStringLiteral(".qbf"), old));
        const QByteArray before = fileBytes(old);

        const ConversionResult r = convertLegacyNotebook(old);
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(r.newPath, dir.filePath(name + QStringLiteral("-quillbook.qbf")));
        QCOMPARE(fileBytes(old), before);

        const QStringList groups = dumpTable(r.newPath, "SELECT ID, vGroupName FROM Groups ORDER BY ID");
        QCOMPARE(groups, QStringList({QStringLiteral("1 | 默认分组"), QStringLiteral("2 | Work 工作"),
                                      QStringLiteral("3 | plain ascii"), QStringLiteral("4 | Wor工作x")}));
        const QStringList notes = dumpTable(
            r.newPath, "SELECT ID, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nGroupID, nColor, "
                       "length(nNote) FROM Notes ORDER BY ID");
        QCOMPARE(notes, QStringList({
                            QStringLiteral("1 | 第一条笔记 | 2004-05-06 10:11:12 | 2004-05-07 08:00:00 | 高 | 3 | 1 | 16777215 | 114"),
                            QStringLiteral("2 | Second note | 2004-05-06 | 2004-05-06 | Normal | 0 | 2 | 255 | 40030"),
                            QStringLiteral("3 | 空 | <null> | <null> | <null> | <null> | <null> | <null> | <null>"),
                            QStringLiteral("4 | inline memo 短 | x | y | z | -1 | 3 | 0 | 14"),
                        }));
        QCOMPARE(dumpTable(r.newPath, "SELECT nNote FROM Notes WHERE ID = 1").value(0),
                 QStringLiteral("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                                "\\f0\\fs18 \\'c4\\'e3\\'ba\\'c3 hello\\par}"));

        // The new notebook opens in the store, and its empty password row means no password.
        Notebook db;
        db.open(r.newPath);
        QVERIFY(db.isOpen());
        QCOMPARE(db.readPassword(), QString());
        QCOMPARE(Notes(db).body(3), QString());
        QCOMPARE(Notes(db).body(2).size(), 40030);
        db.close();

        // A second conversion never overwrites the first.
        const ConversionResult again = convertLegacyNotebook(old);
        QVERIFY(again.ok);
        QCOMPARE(again.newPath, dir.filePath(name + QStringLiteral("-quillbook-2.qbf")));
    }

    void refusedFilesLeaveNothing_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("cut");
        QTest::newRow("robustness: not a notebook") << QStringLiteral("other-jet/test2V2000.mdb") << -1;
        QTest::newRow("robustness: Jet 3") << QStringLiteral("other-jet/data_V1997_test.mdb") << -1;
        QTest::newRow("robustness: truncated notebook") << QStringLiteral("notes-fixture.qbf") << 9000;
    }

    void refusedFilesLeaveNothing()
    {
        QFETCH(QString, source);
        QFETCH(int, cut);
        QTemporaryDir dir;
        const QString old = dir.filePath(QStringLiteral("old.qbf"));
        QByteArray bytes = fileBytes(legacyDir() + u'/' + source);
        if (cut >= 0)
            bytes.truncate(cut);
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();

        const ConversionResult r = convertLegacyNotebook(old);
        QVERIFY(!r.ok);
        QVERIFY(!r.message.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.qbf")});
        QCOMPARE(fileBytes(old), bytes);
    }

    // Cut and flipped copies of the fixture: each one is refused, converts exactly as the clean
    // file does, or names what it lacks; never a notebook that differs without a word. Flips hit
    // the page headers and row tables, where damage can be told; a changed byte inside a stored
    // text cannot be told from what the user wrote. QB_ALL_DAMAGED_COPIES=1 runs every page.
    void damagedCopies_data()
    {
        QTest::addColumn<int>("cut");
        QTest::addColumn<int>("flipAt");
        const qsizetype size = fileBytes(legacyDir() + QStringLiteral("/notes-fixture.qbf")).size();
        const bool all = qEnvironmentVariableIntValue("QB_ALL_DAMAGED_COPIES") == 1;
        const int pageStep = all ? 1 : 5;
        for (qsizetype at = 0; at < size; at += 2048 * pageStep)
            QTest::addRow("robustness: cut at %d", int(at)) << int(at) << -1;
        // Page 22 holds the start of the long body's chain, 39 part of it, 31 and 37 the rows.
        QList<int> pages{22, 31, 37, 39};
        if (all)
            for (int p = 0; p < size / 4096; ++p)
                pages << p;
        for (int page : pages)
            for (int offset : {0, 8, 16})
                QTest::addRow("robustness: flip at %d", page * 4096 + offset) << -1 << page * 4096 + offset;
        QTest::newRow("robustness: long body cut at 66%") << int(size * 66 / 100) << -1;
    }

    void damagedCopies()
    {
        QFETCH(int, cut);
        QFETCH(int, flipAt);
        if (m_reference.isEmpty()) {
            const QString clean = m_referenceDir.filePath(QStringLiteral("clean.qbf"));
            QVERIFY(QFile::copy(legacyDir() + QStringLiteral("/notes-fixture.qbf"), clean));
            const ConversionResult reference = convertLegacyNotebook(clean);
            QVERIFY2(reference.ok, qPrintable(reference.message));
            m_reference = reference.newPath;
        }
        QTemporaryDir dir;
        QByteArray bytes = fileBytes(legacyDir() + QStringLiteral("/notes-fixture.qbf"));
        if (cut >= 0)
            bytes.truncate(cut);
        for (int i = 0; flipAt >= 0 && i < 16 && flipAt + i < bytes.size(); ++i)
            bytes[flipAt + i] = char(~bytes[flipAt + i]);
        const QString old = dir.filePath(QStringLiteral("old.qbf"));
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();

        int asked = 0;
        const ConversionResult r = convertLegacyNotebook(old, {}, [&asked](const LegacyDamage &damage) {
            ++asked;
            return damage.any() && !describeDamage(damage).isEmpty();
        });
        QCOMPARE(fileBytes(old), bytes);
        if (!r.ok) {
            QVERIFY(!r.message.isEmpty());
            QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("old-quillbook.qbf"))));
            return;
        }
        const auto cleanGroups = rowsById(m_reference, kGroupsSql);
        const auto cleanNotes = rowsById(m_reference, kNotesSql);
        const auto groups = rowsById(r.newPath, kGroupsSql);
        const auto notes = rowsById(r.newPath, kNotesSql);
        if (asked == 0) {
            QVERIFY(!r.damage.any());
            QCOMPARE(groups, cleanGroups);
            QCOMPARE(notes, cleanNotes);
            return;
        }
        QCOMPARE(asked, 1);
        const LegacyDamage &d = r.damage;
        QCOMPARE(unaccounted(cleanGroups, groups, idsOf(d.partialGroups), d.lostGroups, d.someGroupsLost), QString());
        QCOMPARE(unaccounted(cleanNotes, notes, idsOf(d.partialNotes), d.lostNotes, d.someNotesLost), QString());
    }

    // Without the user's word, a damaged file gives no notebook at all.
    void partialNeedsConsent()
    {
        QTemporaryDir dir;
        const QString old = dir.filePath(QStringLiteral("old.qbf"));
        const QByteArray bytes = fileBytes(legacyDir() + QStringLiteral("/notes-fixture.qbf"));
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes.left(bytes.size() * 66 / 100));
        f.close();
        for (const bool withQuestion : {false, true}) {
            const ConversionResult r = withQuestion
                                           ? convertLegacyNotebook(old, {}, [](const LegacyDamage &) { return false; })
                                           : convertLegacyNotebook(old);
            QVERIFY(!r.ok);
            QVERIFY(r.declined);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.qbf")});
        }
    }

private:
    QTemporaryDir m_referenceDir;
    QString m_reference; // the clean fixture's conversion
};

QTEST_GUILESS_MAIN(TestLegacyImport)
#include "tst_legacyimport.moc"
