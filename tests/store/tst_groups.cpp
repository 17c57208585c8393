// Group operations: the tree LoadGroups builds, and adding, renaming and deleting groups.

#include "StoreTestUtil.h"

#include "store/Groups.h"
#include "store/Import.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QDir>
#include <QScopeGuard>
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
    Groups(*db_).load(tree);
    QStringList texts;
    for (std::size_t i = 1; i < tree.nodes.size(); ++i)
        texts << tree.nodes[i].text;
    return texts;
}

void TestGroups::treeKeysImagesAndOrder()
{
    QVERIFY(Groups(*db_).add(QStringLiteral("A")));
    QCOMPARE(Groups(*db_).add(QStringLiteral("B")), 2);
    VectorGroupSink tree;
    tree.nodes.push_back({}); // stale content must go
    Groups(*db_).load(tree);
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
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("relative"); // opened by its name alone, from its folder
    QTest::addColumn<QString>("rootText");
    QTest::newRow("nominal: full path") << "mine.qbf" << false << "mine.qbf";
    QTest::newRow("nominal: Chinese file name") << "我的笔记.qbf" << false << "我的笔记.qbf";
    QTest::newRow("robustness: no separator") << "mine.qbf" << true << "";
}

void TestGroups::rootTextIsFileName()
{
    QFETCH(QString, fileName);
    QFETCH(bool, relative);
    QFETCH(QString, rootText);
    // The root shows the path the notebook was opened by, as the caller gave it.
    const QString full = dir_->filePath(fileName);
    QVERIFY(db_->create(full));
    const QString before = QDir::currentPath();
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    QVERIFY(QDir::setCurrent(dir_->path()));
    QVERIFY(db_->open(relative ? fileName : full));
    VectorGroupSink tree;
    QVERIFY(Groups(*db_).load(tree));
    QCOMPARE(tree.nodes.at(0).text, rootText);
}

void TestGroups::groupNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("result");
    QTest::newRow("nominal: ASCII") << "Work" << true;
    QTest::newRow("nominal: Chinese") << "工作笔记" << true;
    QTest::newRow("nominal: apostrophe") << "Tom's notes" << true;
    QTest::newRow("nominal: double quotes") << "the \"best\" ones" << true;
    QTest::newRow("nominal: SQL-looking text") << "x'); DROP TABLE Notes;--" << true;
    QTest::newRow("nominal: blanks kept") << "  padded  " << true;
    QTest::newRow("nominal: 50 ASCII characters") << QString(50, u'a') << true;
    QTest::newRow("nominal: 50 Chinese characters") << QString(50, u'中') << true;
    QTest::newRow("nominal: 50 characters outside the basic plane")
        << QString::fromUcs4(std::u32string(50, U'\U0001F600').c_str(), 50) << true;
    QTest::newRow("robustness: 51 ASCII characters") << QString(51, u'a') << false;
    QTest::newRow("robustness: 51 Chinese characters") << QString(51, u'中') << false;
    QTest::newRow("robustness: empty") << "" << false;
}

void TestGroups::groupNames()
{
    QFETCH(QString, name);
    QFETCH(bool, result);
    QCOMPARE(Groups(*db_).add(name).has_value(), result);
    QCOMPARE(db_->lastError().isEmpty(), result);
    QCOMPARE(groupTexts(), result ? QStringList{name} : QStringList{});

    // Renaming follows the same rules and a refused name keeps the old one.
    const qint64 id = Groups(*db_).add(QStringLiteral("old")).value();
    QCOMPARE(Groups(*db_).rename(id, name), result);
    QCOMPARE(groupTexts().last(), result ? name : QStringLiteral("old"));
}

void TestGroups::renameMissingIdSucceedsAndChangesNothing()
{
    QVERIFY(Groups(*db_).add(QStringLiteral("A")));
    QVERIFY(Groups(*db_).rename(99, QStringLiteral("B")));
    QVERIFY(Groups(*db_).rename(99, QString())); // nothing is written, so nothing is refused
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
        QVERIFY(Groups(*db_).add(QLatin1String(g)));
    QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("a1"))));
    QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("a2"))));
    QVERIFY(Notes(*db_).add(2, makeNote(QStringLiteral("b1"))));
    QVERIFY(Notes(*db_).add(2, makeNote(QStringLiteral("b2"))));
    QVERIFY(Notes(*db_).add(7, makeNote(QStringLiteral("stray"))));
    QVERIFY(Groups(*db_).remove(id));
    QCOMPARE(groupTexts(), groupsLeft);
    VectorNoteSink all;
    Notes(*db_).list(all, -1);
    QCOMPARE(int(all.items.size()), notesLeft);
    VectorNoteSink b;
    Notes(*db_).list(b, 2);
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
    QVERIFY(Groups(*db_).add(QStringLiteral("A")));
    for (int i = 1; i <= 5; ++i)
        QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("n%1").arg(i))));
    QCOMPARE(RawDb(path_).exec(trigger.constData()), SQLITE_OK);

    QVERIFY(!Groups(*db_).remove(1));
    QVERIFY(db_->lastError().contains(QLatin1String("refused")));
    QCOMPARE(groupTexts(), QStringList{QStringLiteral("A")});
    VectorNoteSink list;
    Notes(*db_).list(list, 1);
    QCOMPARE(list.keys(), (QStringList{"k1", "k2", "k3", "k4", "k5"}));
    QCOMPARE(Notes(*db_).body(3), QStringLiteral("{\\rtf1 x}"));

    // Once the obstacle is gone the same call succeeds, so nothing was left half done.
    QCOMPARE(RawDb(path_).exec("DROP TRIGGER stop"), SQLITE_OK);
    QVERIFY(Groups(*db_).remove(1));
    Notes(*db_).list(list, -1);
    QVERIFY(list.items.empty());
}

void TestGroups::largeIdsAndNullNames()
{
    db_->close();
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
    db_->open(p);
    QVERIFY(db_->isOpen());

    VectorGroupSink tree;
    Groups(*db_).load(tree);
    QCOMPARE(tree.nodes.size(), std::size_t(3));
    QCOMPARE(tree.nodes[1].key, QStringLiteral("k5"));
    QCOMPARE(tree.nodes[1].text, QString()); // NULL name reads as ""
    QCOMPARE(tree.nodes[2].key, QStringLiteral("k40000"));

    QCOMPARE(Groups(*db_).add(QStringLiteral("next")), 40001);
    QVERIFY(Groups(*db_).rename(40000, QStringLiteral("大")));
    QCOMPARE(groupTexts(), (QStringList{"", "大", "next"}));
    QVERIFY(Groups(*db_).remove(40000));
    VectorNoteSink list;
    Notes(*db_).list(list, -1);
    QVERIFY(list.items.empty());
}

QTEST_GUILESS_MAIN(TestGroups)
#include "tst_groups.moc"
