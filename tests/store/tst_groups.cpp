// Group operations: the tree LoadGroups builds, and adding, renaming and deleting groups.

#include "StoreTestUtil.h"

#include "store/DBase.h"
#include "store/Import.h"

#include <QTemporaryDir>
#include <QTest>

class TestGroups : public QObject, protected FreshNotebookFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void treeKeysImagesAndOrder();
    void rootTextIsFileName_data();
    void rootTextIsFileName();
    void groupNames_data();
    void groupNames();
    void renameMissingIdSucceedsAndChangesNothing();
    void deleteGroupTakesItsNotes_data();
    void deleteGroupTakesItsNotes();
    void failedDeleteGroupLosesNothing_data();
    void failedDeleteGroupLosesNothing();
    void largeIdsAndNullNames();

private:
    QStringList groupTexts();
};

void TestGroups::init()
{
    QVERIFY(openFreshNotebook(QStringLiteral("groups.qbf")));
}

void TestGroups::cleanup()
{
    closeFreshNotebook();
}

QStringList TestGroups::groupTexts()
{
    VectorGroupSink tree;
    db_->LoadGroups(tree);
    QStringList texts;
    for (std::size_t i = 1; i < tree.nodes.size(); ++i)
        texts << tree.nodes[i].text;
    return texts;
}

void TestGroups::treeKeysImagesAndOrder()
{
    QCOMPARE(db_->AddGroup(QStringLiteral("A")), 1);
    QCOMPARE(db_->AddGroup(QStringLiteral("B")), 1);
    QCOMPARE(db_->LastInsertedId(), 2);
    VectorGroupSink tree;
    tree.nodes.push_back({}); // stale content must go
    db_->LoadGroups(tree);
    QCOMPARE(tree.clears, 1);
    QCOMPARE(tree.nodes.size(), std::size_t(3));
    QCOMPARE(tree.nodes[0].parentKey, QString());
    QCOMPARE(tree.nodes[0].key, QStringLiteral("M_TOP"));
    const char *names[] = {"A", "B"};
    for (int i = 1; i <= 2; ++i) {
        QCOMPARE(tree.nodes[i].parentKey, QStringLiteral("M_TOP"));
        QCOMPARE(tree.nodes[i].key, QStringLiteral("k%1").arg(i));
        QCOMPARE(tree.nodes[i].text, QLatin1String(names[i - 1]));
        QCOMPARE(tree.nodes[i].image, 2);
        QCOMPARE(tree.nodes[i].selectedImage, 3);
    }
    QVERIFY(db_->lastError().isEmpty());
}

void TestGroups::rootTextIsFileName_data()
{
    QTest::addColumn<QString>("databasePath");
    QTest::addColumn<QString>("rootText");
    QTest::newRow("nominal: full path") << "/data/mine.qbf" << "mine.qbf";
    QTest::newRow("nominal: Chinese file name") << "/数据/我的笔记.qbf" << "我的笔记.qbf";
    QTest::newRow("robustness: no separator") << "mine.qbf" << "";
}

void TestGroups::rootTextIsFileName()
{
    QFETCH(QString, databasePath);
    QFETCH(QString, rootText);
    // The root shows whatever path the caller holds now, like the tree does after a file command.
    db_->DatabasePath = databasePath;
    VectorGroupSink tree;
    db_->LoadGroups(tree);
    QCOMPARE(tree.nodes.at(0).text, rootText);
}

void TestGroups::groupNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("result");
    QTest::newRow("nominal: ASCII") << "Work" << 1;
    QTest::newRow("nominal: Chinese") << "工作笔记" << 1;
    QTest::newRow("nominal: apostrophe") << "Tom's notes" << 1;
    QTest::newRow("nominal: double quotes") << "the \"best\" ones" << 1;
    QTest::newRow("nominal: SQL-looking text") << "x'); DROP TABLE Notes;--" << 1;
    QTest::newRow("nominal: blanks kept") << "  padded  " << 1;
    QTest::newRow("nominal: 50 ASCII characters") << QString(50, u'a') << 1;
    QTest::newRow("nominal: 50 Chinese characters") << QString(50, u'中') << 1;
    QTest::newRow("nominal: 50 characters outside the basic plane")
        << QString::fromUcs4(std::u32string(50, U'\U0001F600').c_str(), 50) << 1;
    QTest::newRow("robustness: 51 ASCII characters") << QString(51, u'a') << 0;
    QTest::newRow("robustness: 51 Chinese characters") << QString(51, u'中') << 0;
    QTest::newRow("robustness: empty") << "" << 0;
}

void TestGroups::groupNames()
{
    QFETCH(QString, name);
    QFETCH(int, result);
    QCOMPARE(db_->AddGroup(name), result);
    QCOMPARE(db_->lastError().isEmpty(), result == 1);
    QCOMPARE(groupTexts(), result ? QStringList{name} : QStringList{});

    // Renaming follows the same rules and a refused name keeps the old one.
    QCOMPARE(db_->AddGroup(QStringLiteral("old")), 1);
    const qint64 id = db_->LastInsertedId();
    QCOMPARE(db_->RenameGroup(name, id), result);
    QCOMPARE(groupTexts().last(), result ? name : QStringLiteral("old"));
}

void TestGroups::renameMissingIdSucceedsAndChangesNothing()
{
    QCOMPARE(db_->AddGroup(QStringLiteral("A")), 1);
    QCOMPARE(db_->RenameGroup(QStringLiteral("B"), 99), 1);
    QCOMPARE(db_->RenameGroup(QString(), 99), 1); // nothing is written, so nothing is refused
    QCOMPARE(groupTexts(), QStringList{QStringLiteral("A")});
}

void TestGroups::deleteGroupTakesItsNotes_data()
{
    QTest::addColumn<qint64>("id");
    QTest::addColumn<QStringList>("groupsLeft");
    QTest::addColumn<int>("notesLeft");
    QTest::newRow("nominal: group with notes") << qint64(1) << QStringList{"B", "C"} << 3;
    QTest::newRow("nominal: group without notes") << qint64(3) << QStringList{"A", "B"} << 5;
    QTest::newRow("robustness: no such group, stray notes still go") << qint64(7) << QStringList{"A", "B", "C"} << 4;
}

void TestGroups::deleteGroupTakesItsNotes()
{
    QFETCH(qint64, id);
    QFETCH(QStringList, groupsLeft);
    QFETCH(int, notesLeft);
    for (const char *g : {"A", "B", "C"})
        QCOMPARE(db_->AddGroup(QLatin1String(g)), 1);
    QCOMPARE(db_->AddNote(1, makeNote(QStringLiteral("a1"))), 1);
    QCOMPARE(db_->AddNote(1, makeNote(QStringLiteral("a2"))), 1);
    QCOMPARE(db_->AddNote(2, makeNote(QStringLiteral("b1"))), 1);
    QCOMPARE(db_->AddNote(2, makeNote(QStringLiteral("b2"))), 1);
    QCOMPARE(db_->AddNote(7, makeNote(QStringLiteral("stray"))), 1);
    QCOMPARE(db_->DeleteGroup(id), 1);
    QCOMPARE(groupTexts(), groupsLeft);
    VectorNoteSink all;
    db_->LoadNotes(all, -1);
    QCOMPARE(int(all.items.size()), notesLeft);
    VectorNoteSink b;
    db_->LoadNotes(b, 2);
    QCOMPARE(b.items.size(), std::size_t(2)); // other groups' notes are left alone
}

void TestGroups::failedDeleteGroupLosesNothing_data()
{
    QTest::addColumn<QByteArray>("trigger");
    QTest::newRow("robustness: aborts on the group row after its notes went")
        << QByteArray("CREATE TRIGGER stop BEFORE DELETE ON Groups BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    QTest::newRow("robustness: aborts part-way through the notes")
        << QByteArray("CREATE TRIGGER stop BEFORE DELETE ON Notes WHEN old.nNoteTitle = 'n3' "
                      "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
}

void TestGroups::failedDeleteGroupLosesNothing()
{
    QFETCH(QByteArray, trigger);
    QCOMPARE(db_->AddGroup(QStringLiteral("A")), 1);
    for (int i = 1; i <= 5; ++i)
        QCOMPARE(db_->AddNote(1, makeNote(QStringLiteral("n%1").arg(i))), 1);
    QCOMPARE(RawDb(path_).exec(trigger.constData()), SQLITE_OK);

    QCOMPARE(db_->DeleteGroup(1), 0);
    QVERIFY(db_->lastError().contains(QLatin1String("refused")));
    QCOMPARE(groupTexts(), QStringList{QStringLiteral("A")});
    VectorNoteSink list;
    db_->LoadNotes(list, 1);
    QCOMPARE(list.keys(), (QStringList{"k1", "k2", "k3", "k4", "k5"}));
    QCOMPARE(db_->LoadNoteBody(3), QStringLiteral("{\\rtf1 x}"));

    // Once the obstacle is gone the same call succeeds, so nothing was left half done.
    QCOMPARE(RawDb(path_).exec("DROP TRIGGER stop"), SQLITE_OK);
    QCOMPARE(db_->DeleteGroup(1), 1);
    db_->LoadNotes(list, -1);
    QVERIFY(list.items.empty());
}

void TestGroups::largeIdsAndNullNames()
{
    db_->CloseDatabase();
    const QString p = dir_->filePath(QStringLiteral("imported.qbf"));
    ImportRows rows;
    rows.groups = {{40000, QStringLiteral("big")}, {5, std::nullopt}};
    ImportNote n;
    n.ID = 70000;
    n.nNoteTitle = QStringLiteral("t");
    n.nGroupID = 40000;
    rows.notes.push_back(n);
    QString error;
    QCOMPARE(ImportNotebook(p, rows, &error), 1);
    db_->DatabasePath = p;
    db_->OpenDatabase();
    QVERIFY(db_->DatabaseIsOpen);

    VectorGroupSink tree;
    db_->LoadGroups(tree);
    QCOMPARE(tree.nodes.size(), std::size_t(3));
    QCOMPARE(tree.nodes[1].key, QStringLiteral("k5"));
    QCOMPARE(tree.nodes[1].text, QString()); // NULL name reads as ""
    QCOMPARE(tree.nodes[2].key, QStringLiteral("k40000"));

    QCOMPARE(db_->AddGroup(QStringLiteral("next")), 1);
    QCOMPARE(db_->LastInsertedId(), 40001);
    QCOMPARE(db_->RenameGroup(QStringLiteral("大"), 40000), 1);
    QCOMPARE(groupTexts(), (QStringList{"", "大", "next"}));
    QCOMPARE(db_->DeleteGroup(40000), 1);
    VectorNoteSink list;
    db_->LoadNotes(list, -1);
    QVERIFY(list.items.empty());
}

QTEST_GUILESS_MAIN(TestGroups)
#include "tst_groups.moc"
