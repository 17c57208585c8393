// Note operations: list items with their keys, icons and colours, bodies, and every write.

#include "StoreTestUtil.h"

#include "store/Groups.h"
#include "store/Import.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QTemporaryDir>
#include <QTest>

class TestNotes : public QObject, protected FreshNotebookFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void listItemCarriesEveryColumn();
    void priorityColumnColour_data();
    void priorityColumnColour();
    void storedValuesReadBack_data();
    void storedValuesReadBack();
    void listingByGroup();
    void listingWithoutTheIndex();
    void addNoteRefusesWhatTheFileRefuses_data();
    void addNoteRefusesWhatTheFileRefuses();
    void updateNote();
    void updateNoteFailures_data();
    void updateNoteFailures();
    void moveNote();
    void deleteNote();
    void noteBodies_data();
    void noteBodies();
    void idsAbove32767();

private:
    NoteItem only(qint64 groupId);
    bool openImported(const ImportRows &rows);
};

void TestNotes::init()
{
    QVERIFY(openFreshNotebook(QStringLiteral("notes.qbf")));
    QVERIFY(Groups(*db_).add(QStringLiteral("A")));
    QVERIFY(Groups(*db_).add(QStringLiteral("B")));
}

void TestNotes::cleanup()
{
    closeFreshNotebook();
}

NoteItem TestNotes::only(qint64 groupId)
{
    VectorNoteSink list;
    Notes(*db_).list(list, groupId);
    if (list.items.size() != 1)
        return NoteItem{};
    return list.items.front();
}

bool TestNotes::openImported(const ImportRows &rows)
{
    db_->close();
    const QString p = dir_->filePath(QStringLiteral("imported.qbf"));
    QString error;
    if (ImportNotebook(p, rows, &error) != 1) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    db_->open(p);
    return db_->isOpen();
}

void TestNotes::listItemCarriesEveryColumn()
{
    CurrentNote n = makeNote(QStringLiteral("会议记录 'Q4'"), QStringLiteral("重要"), 255);
    n.NoteAddDate = QStringLiteral("2026/1/2 08:05");
    n.NoteLastUpdate = QStringLiteral("2026/1/3 09:10");
    n.NoteIcon = 17;
    QCOMPARE(Notes(*db_).add(1, n), 1);
    const NoteItem item = only(1);
    QCOMPARE(item.key, QStringLiteral("k1"));
    QCOMPARE(item.title, n.NoteTitle);
    QCOMPARE(item.icon, 17);
    QCOMPARE(item.tag, QStringLiteral("17"));
    QCOMPARE(item.added.text(), n.NoteAddDate);
    QCOMPARE(item.updated.text(), n.NoteLastUpdate);
    QCOMPARE(item.priority, QStringLiteral("重要"));
    QCOMPARE(item.color, 255);       // title and dates in the note's own colour
    QCOMPARE(item.priorityColor, 32768); // the priority column by its name instead
}

void TestNotes::priorityColumnColour_data()
{
    QTest::addColumn<QString>("priority");
    QTest::addColumn<int>("colour");
    QTest::newRow("nominal: 一般 red") << "一般" << 255;
    QTest::newRow("nominal: 普通 orange") << "普通" << 33023;
    QTest::newRow("nominal: 重要 green") << "重要" << 32768;
    QTest::newRow("nominal: 非常重要 grey") << "非常重要" << 8421504;
    QTest::newRow("nominal: 私密 black") << "私密" << 0;
    QTest::newRow("robustness: unknown name black") << "urgent" << 0;
    QTest::newRow("robustness: trailing blank is another name") << "重要 " << 0;
    QTest::newRow("robustness: part of a name") << "重" << 0;
}

void TestNotes::priorityColumnColour()
{
    QFETCH(QString, priority);
    QFETCH(int, colour);
    QVERIFY(Notes(*db_).add(2, makeNote(QStringLiteral("t"), priority, 8421376)));
    const NoteItem item = only(2);
    QCOMPARE(item.priority, priority);
    QCOMPARE(item.priorityColor, colour);
    QCOMPARE(item.color, 8421376);
}

void TestNotes::storedValuesReadBack_data()
{
    // Values this program never writes, carried over from older files.
    QTest::addColumn<std::optional<QString>>("color");
    QTest::addColumn<std::optional<qint64>>("icon");
    QTest::addColumn<int>("itemColour");
    QTest::addColumn<int>("itemIcon");
    QTest::addColumn<QString>("tag");
    using S = std::optional<QString>;
    using I = std::optional<qint64>;
    QTest::newRow("nominal: plain colour") << S("16777215") << I(24) << 16777215 << 24 << "24";
    QTest::newRow("robustness: colour with blanks and text") << S(" 255abc") << I(1) << 255 << 1 << "1";
    QTest::newRow("robustness: colour with fraction rounds to even") << S("2.5") << I(1) << 2 << 1 << "1";
    QTest::newRow("robustness: negative colour kept") << S("-1") << I(1) << -1 << 1 << "1";
    QTest::newRow("robustness: colour not a number") << S("red") << I(1) << 0 << 1 << "1";
    QTest::newRow("robustness: colour beyond 32 bits") << S("99999999999") << I(1) << 0 << 1 << "1";
    QTest::newRow("robustness: NULL colour and icon") << S() << I() << 0 << 0 << "";
    QTest::newRow("robustness: icon outside the strip") << S("0") << I(300) << 0 << 300 << "300";
}

void TestNotes::storedValuesReadBack()
{
    QFETCH(std::optional<QString>, color);
    QFETCH(std::optional<qint64>, icon);
    QFETCH(int, itemColour);
    QFETCH(int, itemIcon);
    QFETCH(QString, tag);
    ImportRows rows;
    rows.groups = {{1, QStringLiteral("A")}};
    ImportNote n;
    n.ID = 9;
    n.nGroupID = 1;
    n.nColor = color;
    n.nIcon = icon; // title, dates, priority and body stay NULL
    rows.notes.push_back(n);
    QVERIFY(openImported(rows));
    const NoteItem item = only(1);
    QCOMPARE(item.key, QStringLiteral("k9"));
    QCOMPARE(item.title, QString());
    QCOMPARE(item.added.text(), QString());
    QCOMPARE(item.priority, QString());
    QCOMPARE(item.priorityColor, 0);
    QCOMPARE(item.color, itemColour);
    QCOMPARE(item.icon, itemIcon);
    QCOMPARE(item.tag, tag);
    QCOMPARE(Notes(*db_).body(9), QString());
    QVERIFY(db_->lastError().isEmpty());
}

void TestNotes::listingByGroup()
{
    QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("a1"))));
    QVERIFY(Notes(*db_).add(2, makeNote(QStringLiteral("b1"))));
    QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("a2"))));
    VectorNoteSink list;
    Notes(*db_).list(list, 1);
    QCOMPARE(list.keys(), (QStringList{"k1", "k3"}));
    Notes(*db_).list(list, -1);
    QCOMPARE(list.keys(), (QStringList{"k1", "k2", "k3"}));
    Notes(*db_).list(list, Groups(*db_).add(QStringLiteral("empty")).value());
    QVERIFY(list.items.empty());
    QCOMPARE(list.clears, 3); // every listing starts from an empty list
    QVERIFY(db_->lastError().isEmpty());
}

void TestNotes::listingWithoutTheIndex()
{
    // A notebook whose index another tool dropped still lists; it is only slower.
    QVERIFY(Notes(*db_).add(2, makeNote(QStringLiteral("b1"))));
    QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("a1"))));
    db_->close();
    QCOMPARE(RawDb(path_).exec("DROP INDEX NotesByGroup"), SQLITE_OK);
    db_->open(path_);
    QVERIFY(db_->isOpen());
    VectorNoteSink list;
    Notes(*db_).list(list, -1);
    QCOMPARE(list.keys(), (QStringList{"k1", "k2"}));
    Notes(*db_).list(list, 1);
    QCOMPARE(list.keys(), QStringList{QStringLiteral("k2")});
    QVERIFY(db_->lastError().isEmpty());
}

void TestNotes::addNoteRefusesWhatTheFileRefuses_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("result");
    QTest::newRow("robustness: empty title") << "title" << "" << 0;
    QTest::newRow("robustness: 51-character title") << "title" << QString(51, u'x') << 0;
    QTest::newRow("robustness: 51 Chinese characters") << "title" << QString(51, u'字') << 0;
    QTest::newRow("nominal: 50 Chinese characters") << "title" << QString(50, u'字') << 1;
    QTest::newRow("nominal: apostrophes and quotes") << "title" << "it's \"quoted\"" << 1;
    QTest::newRow("robustness: empty priority") << "priority" << "" << 0;
    QTest::newRow("robustness: empty creation date") << "added" << "" << 0;
    QTest::newRow("robustness: empty last update") << "updated" << "" << 0;
    QTest::newRow("nominal: empty body") << "body" << "" << 1;
}

void TestNotes::addNoteRefusesWhatTheFileRefuses()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(int, result);
    CurrentNote n = makeNote(QStringLiteral("t"));
    if (field == QLatin1String("title"))
        n.NoteTitle = value;
    else if (field == QLatin1String("priority"))
        n.NotePriority = value;
    else if (field == QLatin1String("added"))
        n.NoteAddDate = value;
    else if (field == QLatin1String("updated"))
        n.NoteLastUpdate = value;
    else
        n.NoteBody = value;
    QCOMPARE(Notes(*db_).add(1, n).has_value(), result == 1);
    QCOMPARE(db_->lastError().isEmpty(), result == 1);
    VectorNoteSink list;
    Notes(*db_).list(list, -1);
    QCOMPARE(int(list.items.size()), result);
    if (result) {
        QCOMPARE(list.items[0].title, n.NoteTitle);
        QCOMPARE(Notes(*db_).body(1), n.NoteBody);
    }
}

void TestNotes::updateNote()
{
    CurrentNote n = makeNote(QStringLiteral("first"), QStringLiteral("一般"), 1);
    n.NoteAddDate = QStringLiteral("2026/1/1 10:00");
    n.NoteLastUpdate = n.NoteAddDate;
    QVERIFY(Notes(*db_).add(2, n));

    CurrentNote edit = makeNote(QStringLiteral("second"), QStringLiteral("私密"), 65280,
                                QStringLiteral("{\\rtf1 新}"));
    edit.NoteAddDate = QStringLiteral("2026/2/2 11:30"); // the moment of this save
    edit.NoteLastUpdate = QStringLiteral("ignored");
    edit.NoteIcon = 9;
    QVERIFY(Notes(*db_).update(1, edit));
    const NoteItem item = only(2); // still in its group
    QCOMPARE(item.title, QStringLiteral("second"));
    QCOMPARE(item.added.text(), QStringLiteral("2026/1/1 10:00"));
    QCOMPARE(item.updated.text(), QStringLiteral("2026/2/2 11:30"));
    QCOMPARE(item.priority, QStringLiteral("私密"));
    QCOMPARE(item.color, 65280);
    QCOMPARE(item.icon, 9);
    QCOMPARE(Notes(*db_).body(1), QStringLiteral("{\\rtf1 新}"));
}

void TestNotes::updateNoteFailures_data()
{
    QTest::addColumn<qint64>("id");
    QTest::addColumn<QString>("title");
    QTest::newRow("robustness: missing ID") << qint64(42) << "new";
    QTest::newRow("robustness: empty title") << qint64(1) << "";
    QTest::newRow("robustness: 51-character title") << qint64(1) << QString(51, u't');
}

void TestNotes::updateNoteFailures()
{
    QFETCH(qint64, id);
    QFETCH(QString, title);
    QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("keep"))));
    QVERIFY(!Notes(*db_).update(id, makeNote(title, QStringLiteral("重要"), 5, QStringLiteral("lost?"))));
    QVERIFY(!db_->lastError().isEmpty());
    VectorNoteSink list;
    Notes(*db_).list(list, -1);
    QCOMPARE(list.items.size(), std::size_t(1)); // no row added
    QCOMPARE(list.items[0].title, QStringLiteral("keep"));
    QCOMPARE(Notes(*db_).body(1), QStringLiteral("{\\rtf1 x}"));
}

void TestNotes::moveNote()
{
    QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("mover"))));
    const NoteItem before = only(1);
    QVERIFY(Notes(*db_).move(1, 2));
    VectorNoteSink list;
    Notes(*db_).list(list, 1);
    QVERIFY(list.items.empty());
    const NoteItem after = only(2);
    QCOMPARE(after.key, before.key);
    QCOMPARE(after.added.text(), before.added.text());
    QCOMPARE(after.updated.text(), before.updated.text());
    QCOMPARE(after.title, before.title);
    QVERIFY(!Notes(*db_).move(99, 1));
    QVERIFY(!db_->lastError().isEmpty());
}

void TestNotes::deleteNote()
{
    QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("a"))));
    QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("b"))));
    QVERIFY(Notes(*db_).remove(1));
    QVERIFY(Notes(*db_).remove(1)); // already gone: still success
    QVERIFY(Notes(*db_).remove(12345));
    VectorNoteSink list;
    Notes(*db_).list(list, -1);
    QCOMPARE(list.keys(), QStringList{QStringLiteral("k2")});
    // A deleted note's text is not left readable in the file.
    const std::optional<qint64> secret = Notes(*db_).add(1, makeNote(QStringLiteral("t"), QStringLiteral("一般"), 0,
                                                                      QStringLiteral("SecretBodyText-91827")));
    QVERIFY(secret);
    QVERIFY(Notes(*db_).remove(*secret));
    QVERIFY(!fileBytes(path_).contains("SecretBodyText-91827"));
}

void TestNotes::noteBodies_data()
{
    QTest::addColumn<QString>("body");
    QTest::newRow("nominal: RTF with Chinese")
        << "{\\rtf1\\ansi\\ansicpg936 {\\fonttbl{\\f0 SimSun;}}\\f0 中文内容 'quoted' \"double\"\\par}";
    QTest::newRow("nominal: empty") << "";
    QTest::newRow("nominal: one megabyte") << QString(1 << 20, u'墨');
    QTest::newRow("robustness: embedded NUL kept") << QString::fromUtf16(u"a\u0000b", 3);
}

void TestNotes::noteBodies()
{
    QFETCH(QString, body);
    const std::optional<qint64> id = Notes(*db_).add(1, makeNote(QStringLiteral("t"), QStringLiteral("一般"), 0, body));
    QVERIFY(id);
    QCOMPARE(Notes(*db_).body(*id), body);
    QCOMPARE(Notes(*db_).body(777), QString());
    QVERIFY(db_->lastError().isEmpty());
}

void TestNotes::idsAbove32767()
{
    ImportRows rows;
    rows.groups = {{33000, QStringLiteral("A")}, {2, QStringLiteral("B")}};
    ImportNote n;
    n.ID = 65537;
    n.nNoteTitle = QStringLiteral("far");
    n.nAddDate = n.nLastUpdate = QStringLiteral("d");
    n.nPriority = QStringLiteral("一般");
    n.nIcon = 1;
    n.nGroupID = 33000;
    n.nColor = QStringLiteral("0");
    n.nNote = QStringLiteral("body");
    rows.notes.push_back(n);
    QVERIFY(openImported(rows));
    QCOMPARE(only(33000).key, QStringLiteral("k65537"));
    QCOMPARE(Notes(*db_).body(65537), QStringLiteral("body"));
    QVERIFY(Notes(*db_).update(65537, makeNote(QStringLiteral("changed"))));
    QVERIFY(Notes(*db_).move(65537, 2));
    QCOMPARE(only(2).title, QStringLiteral("changed"));
    QCOMPARE(Notes(*db_).add(33000, makeNote(QStringLiteral("new"))), 65538);
    QCOMPARE(only(33000).key, QStringLiteral("k65538"));
    QVERIFY(Notes(*db_).remove(65537));
    VectorNoteSink list;
    Notes(*db_).list(list, -1);
    QCOMPARE(list.keys(), QStringList{QStringLiteral("k65538")});
}

QTEST_GUILESS_MAIN(TestNotes)
#include "tst_notes.moc"
