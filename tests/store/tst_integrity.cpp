// Damage that opening does not read: the check over every page finds it in plain and encrypted
// notebooks, and once refused, no write reaches the damaged file until a copy takes its place.

#include "CryptoTestUtil.h"

#include "search/NoteIndex.h"
#include "search/NoteSearch.h"
#include "store/Groups.h"
#include "store/KeptNotes.h"
#include "store/Notebook.h"
#include "store/Notes.h"

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
    Notebook keeper; // holds an encrypted notebook's key for the raw reads of the test
    QVERIFY(openFresh(keeper, file));
    QVERIFY(CryptoTest::fill(keeper, 30));
    QVERIFY(Notes(keeper).add(1, CryptoTest::longNote()));
    keeper.setPasswordCost(NotebookHeader::Cost::lightest());
    QVERIFY(keeper.writePassword(password));
    keeper.close();
    const QString copy = dir.filePath(QStringLiteral("copy.qbf"));
    QVERIFY(QFile::copy(file, copy));
    if (damaged)
        QVERIFY(CryptoTest::damageBodyPage(file));

    Notebook db;
    NoteIndex::attach(db, [](const QString &body) { return body; });
    QCOMPARE(db.openWithPassword(file, password), Notebook::Access::Opened);
    // It opens and lists as if nothing were wrong.
    VectorGroupSink groups;
    Groups(db).load(groups);
    VectorNoteSink notes;
    Notes(db).list(notes, -1);
    QCOMPARE(db.lastError(), QString());
    QCOMPARE(notes.items.size(), std::size_t(31));
    QCOMPARE(db.checkIntegrity(), damaged ? Notebook::Integrity::Damaged : Notebook::Integrity::Intact);
    QCOMPARE(db.lastError().isEmpty(), !damaged);
    if (!damaged)
        return;

    const QString reason = QStringLiteral("坏了");
    db.refuseWrites(reason);
    QCOMPARE(db.writesRefused(), reason);
    const QByteArray before = fileBytes(file);
    const std::vector<std::pair<const char *, std::function<bool()>>> writes = {
        {"AddGroup", [&] { return Groups(db).add(QStringLiteral("新组")).has_value(); }},
        {"RenameGroup", [&] { return Groups(db).rename(1, QStringLiteral("改名")); }},
        {"DeleteGroup", [&] { return Groups(db).remove(2); }},
        {"AddNote", [&] { return Notes(db).add(1, makeNote(QStringLiteral("新"))).has_value(); }},
        {"UpdateNote", [&] { return Notes(db).update(1, makeNote(QStringLiteral("改"))); }},
        {"MoveNote", [&] { return Notes(db).move(1, 2); }},
        {"DeleteNote", [&] { return Notes(db).remove(1); }},
        {"WritePassword", [&] { return db.writePassword(QStringLiteral("new")); }},
        {"EmptyDeleted", [&] { return KeptNotes(db).emptyDeleted(); }},
        {"PruneHistory", [&] { return KeptNotes(db).prune(); }},
        {"BuildIndex", [&] { return NoteSearch(db).buildIndex(); }},
    };
    for (const auto &[name, write] : writes) {
        QVERIFY2(!write(), name);
        QCOMPARE(db.lastError(), reason);
    }
    QCOMPARE(fileBytes(file), before);

    // A sound copy put in its place (as a restore does) is written to again.
    QVERIFY(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(file).constData()) == 0);
    QVERIFY(Groups(db).add(QStringLiteral("新组")));
    QCOMPARE(db.writesRefused(), QString());
    QCOMPARE(db.checkIntegrity(), Notebook::Integrity::Intact);
}

QTEST_GUILESS_MAIN(TestIntegrity)
#include "tst_integrity.moc"
