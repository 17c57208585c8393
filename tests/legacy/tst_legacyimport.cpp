#include "legacy/LegacyImport.h"
#include "store/DBase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
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
        DBase db;
        db.DatabasePath = r.newPath;
        db.OpenDatabase();
        QVERIFY(db.DatabaseIsOpen);
        QCOMPARE(db.ReadPassword(), QString());
        QCOMPARE(db.LoadNoteBody(3), QString());
        QCOMPARE(db.LoadNoteBody(2).size(), 40030);
        db.CloseDatabase();

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
};

QTEST_GUILESS_MAIN(TestLegacyImport)
#include "tst_legacyimport.moc"
