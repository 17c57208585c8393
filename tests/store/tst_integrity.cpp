// Damage that opening does not read: the check over every page finds it in plain and encrypted
// notebooks, and once refused, no write reaches the damaged file until a copy takes its place.

#include "CryptoTestUtil.h"

#include "store/DBase.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <functional>

class TestIntegrity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void damageFoundAndWritesRefused_data();
    void damageFoundAndWritesRefused();
};

void TestIntegrity::damageFoundAndWritesRefused_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("damaged");
    QTest::newRow("nominal: an intact plain notebook") << "" << false;
    QTest::newRow("nominal: an intact encrypted notebook") << "pw" << false;
    QTest::newRow("robustness: a flipped byte in a body page, plain") << "" << true;
    QTest::newRow("robustness: a flipped byte in a body page, encrypted") << "pw" << true;
}

void TestIntegrity::damageFoundAndWritesRefused()
{
    QFETCH(QString, password);
    QFETCH(bool, damaged);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("n.qbf"));
    DBase keeper; // holds an encrypted notebook's key for the raw reads of the test
    QVERIFY(openFresh(keeper, file));
    QVERIFY(CryptoTest::fill(keeper, 30));
    QVERIFY(keeper.AddNote(1, CryptoTest::longNote()));
    keeper.PasswordCost = NotebookHeader::Cost::lightest();
    QVERIFY(keeper.WritePassword(password));
    keeper.CloseDatabase();
    const QString copy = dir.filePath(QStringLiteral("copy.qbf"));
    QVERIFY(QFile::copy(file, copy));
    if (damaged)
        QVERIFY(CryptoTest::damageBodyPage(file));

    DBase db;
    db.SetTextExtractor([](const QString &body) { return body; });
    db.DatabasePath = file;
    QCOMPARE(db.OpenWithPassword(password), DBase::Access::Opened);
    // It opens and lists as if nothing were wrong.
    VectorGroupSink groups;
    db.LoadGroups(groups);
    VectorNoteSink notes;
    db.LoadNotes(notes, -1);
    QCOMPARE(db.lastError(), QString());
    QCOMPARE(notes.items.size(), std::size_t(31));
    QCOMPARE(db.CheckIntegrity(), damaged ? DBase::Integrity::Damaged : DBase::Integrity::Intact);
    QCOMPARE(db.lastError().isEmpty(), !damaged);
    if (!damaged)
        return;

    const QString reason = QStringLiteral("坏了");
    db.RefuseWrites(reason);
    QCOMPARE(db.WritesRefused(), reason);
    const QByteArray before = fileBytes(file);
    const std::vector<std::pair<const char *, std::function<int()>>> writes = {
        {"AddGroup", [&] { return db.AddGroup(QStringLiteral("新组")); }},
        {"RenameGroup", [&] { return db.RenameGroup(QStringLiteral("改名"), 1); }},
        {"DeleteGroup", [&] { return db.DeleteGroup(2); }},
        {"AddNote", [&] { return db.AddNote(1, makeNote(QStringLiteral("新"))); }},
        {"UpdateNote", [&] { return db.UpdateNote(1, makeNote(QStringLiteral("改"))); }},
        {"MoveNote", [&] { return db.MoveNote(1, 2); }},
        {"DeleteNote", [&] { return db.DeleteNote(1); }},
        {"WritePassword", [&] { return db.WritePassword(QStringLiteral("new")); }},
        {"EmptyDeleted", [&] { return db.EmptyDeleted(); }},
        {"PruneHistory", [&] { return db.PruneHistory(); }},
        {"BuildIndex", [&] { return db.BuildIndex(); }},
    };
    for (const auto &[name, write] : writes) {
        QVERIFY2(write() == 0, name);
        QCOMPARE(db.lastError(), reason);
    }
    QCOMPARE(fileBytes(file), before);

    // A sound copy put in its place (as a restore does) is written to again.
    QVERIFY(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(file).constData()) == 0);
    QCOMPARE(db.AddGroup(QStringLiteral("新组")), 1);
    QCOMPARE(db.WritesRefused(), QString());
    QCOMPARE(db.CheckIntegrity(), DBase::Integrity::Intact);
}

QTEST_GUILESS_MAIN(TestIntegrity)
#include "tst_integrity.moc"
