// Note history and recently deleted notes: what a write keeps, what comes back, what is dropped.

#include "StoreTestUtil.h"

#include "store/Groups.h"
#include "store/KeptNotes.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/Schema.h"

#include <QFile>
#include <QTest>

class TestHistory : public QObject, protected FreshNotebookFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void keptOnChange_data();
    void keptOnChange();
    void failedSaveKeepsNothing();
    void restore_data();
    void restore();
    void limitsDropOldestFirst_data();
    void limitsDropOldestFirst();
    void olderLayoutIsMigrated_data();
    void olderLayoutIsMigrated();
    void damagedTableIsSetAside_data();
    void damagedTableIsSetAside();

private:
    qint64 addNote(qint64 group, const CurrentNote &n);
    QString bodyOf(qint64 id) { return Notes(*db_).body(id); }
    qint64 groupA_ = 0, groupB_ = 0;
    QDateTime clock_ = QDateTime(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC);
};

void TestHistory::init()
{
    QVERIFY(openFreshNotebook(QStringLiteral("history.qbf")));
    db_->setClock([this] { return clock_; });
    groupA_ = Groups(*db_).add(QStringLiteral("工作")).value();
    groupB_ = Groups(*db_).add(QStringLiteral("生活")).value();
    QVERIFY(KeptNotes(*db_).available());
}

void TestHistory::cleanup()
{
    closeFreshNotebook();
}

qint64 TestHistory::addNote(qint64 group, const CurrentNote &n)
{
    return Notes(*db_).add(group, n).value_or(-1);
}

void TestHistory::keptOnChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("kept");
    QTest::newRow("nominal: title") << "title" << 1;
    QTest::newRow("nominal: body") << "body" << 1;
    QTest::newRow("nominal: priority") << "priority" << 1;
    QTest::newRow("nominal: colour") << "colour" << 1;
    QTest::newRow("nominal: icon") << "icon" << 1;
    QTest::newRow("nominal: moved to another group") << "group" << 1;
    QTest::newRow("nominal: every field at once") << "all" << 1;
    QTest::newRow("nominal: saved without a change") << "none" << 0;
    QTest::newRow("nominal: only the save date differs") << "date" << 0;
    QTest::newRow("nominal: moved into its own group") << "samegroup" << 0;
}

void TestHistory::keptOnChange()
{
    QFETCH(QString, change);
    QFETCH(int, kept);
    const CurrentNote before = makeNote(QStringLiteral("周报"), QStringLiteral("重要"), 255,
                                        QStringLiteral("{\\rtf1 第一版}"));
    const qint64 id = addNote(groupA_, before);
    QVERIFY(id > 0);
    CurrentNote after = before;
    after.NoteAddDate = QStringLiteral("2026/12/08 10:00"); // the date of this save
    if (change == QLatin1String("title") || change == QLatin1String("all"))
        after.NoteTitle = QStringLiteral("周报（改）");
    if (change == QLatin1String("body") || change == QLatin1String("all"))
        after.NoteBody = QStringLiteral("{\\rtf1 第二版}");
    if (change == QLatin1String("priority") || change == QLatin1String("all"))
        after.NotePriority = QStringLiteral("一般");
    if (change == QLatin1String("colour") || change == QLatin1String("all"))
        after.NoteColor = 0xFF0000;
    if (change == QLatin1String("icon") || change == QLatin1String("all"))
        after.NoteIcon = 7;
    if (change == QLatin1String("group"))
        QVERIFY(Notes(*db_).move(id, groupB_));
    else if (change == QLatin1String("samegroup"))
        QVERIFY(Notes(*db_).move(id, groupA_));
    else
        QVERIFY(Notes(*db_).update(id, after));

    const std::vector<VersionInfo> versions = KeptNotes(*db_).history(id);
    QCOMPARE(int(versions.size()), kept);
    if (!kept)
        return;
    QCOMPARE(versions[0].title, before.NoteTitle);
    QCOMPARE(versions[0].replaced, clock_);
    const std::optional<NoteVersion> version = KeptNotes(*db_).version(versions[0].id);
    QVERIFY(version);
    const NoteVersion &v = *version;
    QCOMPARE(v.note.NoteTitle, before.NoteTitle);
    QCOMPARE(v.note.NoteBody, before.NoteBody);
    QCOMPARE(v.note.NotePriority, before.NotePriority);
    QCOMPARE(v.note.NoteColor, before.NoteColor);
    QCOMPARE(v.note.NoteIcon, before.NoteIcon);
    QCOMPARE(v.groupId, groupA_);
    QCOMPARE(v.note.NoteLastUpdate, before.NoteLastUpdate);
    // The kept copy is compressed, not the text as it was.
    RawDb raw(path_);
    QVERIFY(!raw.scalar(QStringLiteral("SELECT count(*) FROM NoteHistory WHERE instr(Data, '第一版') > 0"))
                 .toInt());
}

// The history row and the save are one transaction: a save the file refuses leaves no version.
void TestHistory::failedSaveKeepsNothing()
{
    const qint64 id = addNote(groupA_, makeNote(QStringLiteral("短")));
    CurrentNote tooLong = makeNote(QString(51, u'长'));
    QVERIFY(!Notes(*db_).update(id, tooLong));
    QVERIFY(KeptNotes(*db_).history(id).empty());
    QCOMPARE(RawDb(path_).count(QStringLiteral("NoteHistory")), 0);
    QVERIFY(!Notes(*db_).move(id + 100, groupB_));
    QVERIFY(!Notes(*db_).update(id + 100, makeNote(QStringLiteral("无"))));
    QCOMPARE(RawDb(path_).count(QStringLiteral("NoteHistory")), 0);
}

void TestHistory::restore_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("nominal: an older version") << "version";
    QTest::newRow("nominal: a deleted note into its group") << "note";
    QTest::newRow("nominal: notes of a deleted group recreate it once") << "group";
    QTest::newRow("nominal: a deleted note into a chosen group") << "chosen";
    QTest::newRow("nominal: emptying drops the deleted notes and their history") << "empty";
    QTest::newRow("robustness: into a group that does not exist") << "nogroup";
}

void TestHistory::restore()
{
    QFETCH(QString, what);
    const CurrentNote first = makeNote(QStringLiteral("旧标题"), QStringLiteral("普通"), 0, QStringLiteral("{\\rtf1 旧}"));
    const qint64 id = addNote(groupA_, first);
    const qint64 other = addNote(groupA_, makeNote(QStringLiteral("第二条")));
    CurrentNote second = makeNote(QStringLiteral("新标题"), QStringLiteral("重要"), 0, QStringLiteral("{\\rtf1 新}"));
    QVERIFY(Notes(*db_).update(id, second));

    if (what == QLatin1String("version")) {
        const auto versions = KeptNotes(*db_).history(id);
        QCOMPARE(versions.size(), std::size_t(1));
        QVERIFY(KeptNotes(*db_).restoreVersion(id, versions[0].id, QStringLiteral("2026/12/08 11:00")));
        QCOMPARE(bodyOf(id), first.NoteBody);
        // Restoring is a save: the replaced text joins the history and can itself come back.
        const auto after = KeptNotes(*db_).history(id);
        QCOMPARE(after.size(), std::size_t(2));
        QCOMPARE(after[0].title, second.NoteTitle);
        QVERIFY(!KeptNotes(*db_).restoreVersion(other, after[0].id, QStringLiteral("x"))); // not its version
        return;
    }

    if (what == QLatin1String("group")) {
        QVERIFY(Groups(*db_).remove(groupA_));
    } else {
        QVERIFY(Notes(*db_).remove(id));
    }
    VectorNoteSink list;
    Notes(*db_).list(list, -1);
    QVERIFY(!list.keys().contains(QStringLiteral("k%1").arg(id)));
    const auto deleted = KeptNotes(*db_).deleted();
    QCOMPARE(deleted.size(), std::size_t(what == QLatin1String("group") ? 2 : 1));
    const DeletedInfo &mine = deleted.back().noteId == id ? deleted.back() : deleted.front();
    QCOMPARE(mine.noteId, id);
    QCOMPARE(mine.title, second.NoteTitle);
    QCOMPARE(mine.groupName, QStringLiteral("工作"));
    QCOMPARE(mine.groupExists, what != QLatin1String("group"));
    const std::optional<NoteVersion> preview = KeptNotes(*db_).deletedNote(mine.id);
    QVERIFY(preview);
    QCOMPARE(preview->note.NoteBody, second.NoteBody);

    if (what == QLatin1String("empty")) {
        QVERIFY(KeptNotes(*db_).emptyDeleted());
        QVERIFY(KeptNotes(*db_).deleted().empty());
        QVERIFY(KeptNotes(*db_).history(id).empty());
        QCOMPARE(RawDb(path_).count(QStringLiteral("NoteHistory")), 0);
        return;
    }
    if (what == QLatin1String("nogroup")) {
        QVERIFY(!KeptNotes(*db_).restoreDeleted(mine.id, groupB_ + 50));
        QCOMPARE(KeptNotes(*db_).deleted().size(), std::size_t(1)); // still there to try again
        return;
    }

    const qint64 target = what == QLatin1String("chosen") ? groupB_ : -1;
    QCOMPARE(KeptNotes(*db_).restoreDeleted(mine.id, target), id); // its old ID, so its history is found again
    QCOMPARE(bodyOf(id), second.NoteBody);
    QCOMPARE(KeptNotes(*db_).history(id).size(), std::size_t(1));
    VectorNoteSink group;
    Notes(*db_).list(group, what == QLatin1String("chosen") ? groupB_ : groupA_);
    QVERIFY(group.keys().contains(QStringLiteral("k%1").arg(id)));
    if (what == QLatin1String("group")) {
        const auto rest = KeptNotes(*db_).deleted();
        QCOMPARE(rest.size(), std::size_t(1));
        QVERIFY(rest[0].groupExists);
        QVERIFY(KeptNotes(*db_).restoreDeleted(rest[0].id));
        VectorGroupSink tree;
        Groups(*db_).load(tree);
        QCOMPARE(tree.nodes.size(), std::size_t(3)); // root, 工作 recreated once, 生活
        QCOMPARE(tree.nodes[1].key, QStringLiteral("k%1").arg(groupA_));
        QCOMPARE(tree.nodes[1].text, QStringLiteral("工作"));
        Notes(*db_).list(group, groupA_);
        QCOMPARE(group.items.size(), std::size_t(2));
    }
}

void TestHistory::limitsDropOldestFirst_data()
{
    QTest::addColumn<QString>("limit");
    QTest::newRow("nominal: versions per note") << "count";
    QTest::newRow("nominal: age, at the next save") << "age-save";
    QTest::newRow("nominal: age, when pruned") << "age-prune";
    QTest::newRow("nominal: share of the notebook") << "share";
    QTest::newRow("robustness: a share too small for anything keeps each note's newest version") << "share-newest";
}

void TestHistory::limitsDropOldestFirst()
{
    QFETCH(QString, limit);
    KeepLimits limits;
    limits.historyPercent = 100; // a test notebook is small: only the share row tightens it
    if (limit == QLatin1String("count"))
        limits.versionsPerNote = 3;
    KeptNotes(*db_).setLimits(limits);
    const qint64 id = addNote(groupA_, makeNote(QStringLiteral("v0")));
    const qint64 other = addNote(groupA_, makeNote(QStringLiteral("另一条")));
    // Bodies that do not compress away, so the share is reached with a few versions.
    auto body = [](int i) {
        QString s;
        for (int k = 0; k < 3000; ++k)
            s += QChar(u'一' + (k * 7919 + i * 104729) % 20000);
        return s;
    };
    for (int i = 1; i <= 6; ++i) {
        clock_ = clock_.addDays(10);
        QVERIFY(Notes(*db_).update(id, makeNote(QStringLiteral("v%1").arg(i), QStringLiteral("一般"), 0, body(i))));
    }
    QVERIFY(Notes(*db_).remove(other));
    QCOMPARE(KeptNotes(*db_).history(id).size(), std::size_t(limit == QLatin1String("count") ? 3 : 6));

    QStringList want;
    if (limit == QLatin1String("count")) {
        want = QStringList{"v5", "v4", "v3"};
    } else if (limit.startsWith(QLatin1String("age"))) {
        // v0..v5 were replaced on days 10..60; on day 85, with 30 days kept, only day 60 remains.
        limits.days = 30;
        KeptNotes(*db_).setLimits(limits);
        clock_ = clock_.addDays(25);
        if (limit == QLatin1String("age-save")) {
            QVERIFY(Notes(*db_).update(id, makeNote(QStringLiteral("v7"))));
            want = QStringList{"v6", "v5"};
        } else {
            QVERIFY(KeptNotes(*db_).prune());
            QCOMPARE(KeptNotes(*db_).history(id).size(), std::size_t(1));
            QCOMPARE(KeptNotes(*db_).deleted().size(), std::size_t(1)); // deleted on day 60: kept
            clock_ = clock_.addDays(10);
            QVERIFY(KeptNotes(*db_).prune());
            QVERIFY(KeptNotes(*db_).deleted().empty());
            QCOMPARE(RawDb(path_).count(QStringLiteral("NoteHistory")), 0);
        }
    } else if (limit == QLatin1String("share-newest")) {
        limits.historyPercent = 1;
        KeptNotes(*db_).setLimits(limits);
        QVERIFY(KeptNotes(*db_).prune());
        // A first edit under that share keeps the version it replaced.
        const qint64 fresh = addNote(groupA_, makeNote(QStringLiteral("新")));
        QVERIFY(Notes(*db_).update(fresh, makeNote(QStringLiteral("新2"))));
        QCOMPARE(KeptNotes(*db_).history(fresh).size(), std::size_t(1));
        want = QStringList{"v5"};
    } else {
        const qint64 fileBytes = QFile(path_).size();
        const qint64 historyBytes = RawDb(path_).scalar(QStringLiteral("SELECT total(Stored) FROM NoteHistory")).toDouble();
        QVERIFY(historyBytes > 0);
        // A share that holds about half of what is kept now.
        limits.historyPercent = int(historyBytes * 100 / 2 / fileBytes);
        QVERIFY(limits.historyPercent >= 1);
        KeptNotes(*db_).setLimits(limits);
        QVERIFY(KeptNotes(*db_).prune());
        const qint64 left = RawDb(path_).scalar(QStringLiteral("SELECT total(Stored) FROM NoteHistory")).toDouble();
        QVERIFY(left <= fileBytes * limits.historyPercent / 100);
        const auto versions = KeptNotes(*db_).history(id);
        QVERIFY(versions.size() >= 1 && versions.size() < 6);
        for (std::size_t i = 0; i < versions.size(); ++i)
            want << QStringLiteral("v%1").arg(5 - int(i));
    }
    QStringList titles;
    for (const VersionInfo &v : KeptNotes(*db_).history(id))
        titles << v.title;
    QCOMPARE(titles, want);
}

void TestHistory::olderLayoutIsMigrated_data()
{
    QTest::addColumn<bool>("locked");
    QTest::newRow("nominal: the file gains the tables") << false;
    QTest::newRow("robustness: a file another program is writing opens without history") << true;
}

void TestHistory::olderLayoutIsMigrated()
{
    QFETCH(bool, locked);
    const qint64 id = addNote(groupA_, makeNote(QStringLiteral("旧文件")));
    db_->close();
    {
        RawDb raw(path_);
        // The layout just before the history: the search index is there, the history and what
        // came after it not.
        QCOMPARE(raw.exec("DROP TABLE NoteHistory; DROP TABLE DeletedNotes; DROP TABLE NotebookInfo; "
                          "DROP TABLE SearchStaged; PRAGMA user_version = 2;"),
                 SQLITE_OK);
    }
    RawDb other(path_);
    if (locked)
        QCOMPARE(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    db_->setBusyTimeout(50);
    db_->open(path_);
    QVERIFY2(db_->isOpen(), qPrintable(db_->lastError()));
    QCOMPARE(KeptNotes(*db_).available(), !locked);
    QCOMPARE(other.scalar(QStringLiteral("PRAGMA user_version")).toInt(), locked ? 2 : Schema::Version);
    QCOMPARE(Notes(*db_).body(id), makeNote(QString()).NoteBody);
    if (locked) {
        QVERIFY(KeptNotes(*db_).history(id).empty());
        return;
    }
    QVERIFY(Notes(*db_).update(id, makeNote(QStringLiteral("新"))));
    QCOMPARE(KeptNotes(*db_).history(id).size(), std::size_t(1));
}

void TestHistory::damagedTableIsSetAside_data()
{
    QTest::addColumn<QString>("damaged"); // the table or index whose first page is overwritten
    QTest::addColumn<QString>("write");
    QTest::addColumn<int>("times");       // damaged, written and reopened this often
    QTest::addColumn<QString>("asideAs"); // "" when it cannot be set aside
    QTest::newRow("robustness: history damaged, note saved") << "NoteHistory" << "update" << 1 << "NoteHistoryDamaged";
    QTest::newRow("robustness: history damaged, note moved") << "NoteHistory" << "move" << 1 << "NoteHistoryDamaged";
    QTest::newRow("robustness: history damaged twice, the second set aside beside the first")
        << "NoteHistory" << "update" << 2 << "NoteHistoryDamaged2";
    QTest::newRow("robustness: deleted notes damaged, note deleted")
        << "DeletedNotes" << "delete" << 1 << "DeletedNotesDamaged";
    QTest::newRow("robustness: deleted notes damaged, group deleted")
        << "DeletedNotes" << "deletegroup" << 1 << "DeletedNotesDamaged";
    QTest::newRow("robustness: history index damaged, history off until reopened")
        << "NoteHistoryByNote" << "update" << 1 << "";
}

// A damaged history never fails the note write: the save goes through, and what it replaces is
// kept in a fresh table, while the damaged one stays in the file under a name of its own.
void TestHistory::damagedTableIsSetAside()
{
    QFETCH(QString, damaged);
    QFETCH(QString, write);
    QFETCH(int, times);
    QFETCH(QString, asideAs);
    const qint64 id = addNote(groupA_, makeNote(QStringLiteral("旧"), QStringLiteral("一般"), 0, QStringLiteral("{\\rtf1 旧}")));
    const qint64 other = addNote(groupA_, makeNote(QStringLiteral("另一条")));
    QVERIFY(Notes(*db_).update(id, makeNote(QStringLiteral("中"))));
    QVERIFY(Notes(*db_).remove(addNote(groupB_, makeNote(QStringLiteral("早已删除")))));
    const CurrentNote next = makeNote(QStringLiteral("新"), QStringLiteral("重要"), 0, QStringLiteral("{\\rtf1 新}"));
    for (int round = 1; round <= times; ++round) {
        db_->close();
        QVERIFY(damageRootPage(path_, damaged));
        db_->open(path_);
        QVERIFY2(db_->isOpen(), qPrintable(db_->lastError()));
        if (write == QLatin1String("update")) {
            QVERIFY(Notes(*db_).update(id, round == 1 ? next : makeNote(QStringLiteral("又一版"))));
        } else if (write == QLatin1String("move")) {
            QVERIFY(Notes(*db_).move(id, groupB_));
        } else if (write == QLatin1String("delete")) {
            QVERIFY(Notes(*db_).remove(id));
        } else {
            QVERIFY(Groups(*db_).remove(groupA_));
        }
        QVERIFY2(db_->lastError().isEmpty(), qPrintable(db_->lastError()));
        QVERIFY(!KeptNotes(*db_).takeNotice().isEmpty());
        QVERIFY(KeptNotes(*db_).takeNotice().isEmpty()); // once
    }

    // The write itself.
    const bool gone = write.startsWith(QLatin1String("delete"));
    const std::optional<NoteVersion> now = Notes(*db_).load(id);
    QCOMPARE(now.has_value(), !gone);
    if (write == QLatin1String("update") && times == 1)
        QCOMPARE(now->note.NoteBody, next.NoteBody);
    if (write == QLatin1String("move"))
        QCOMPARE(now->groupId, groupB_);
    if (write == QLatin1String("deletegroup"))
        QVERIFY(!Notes(*db_).load(other));

    RawDb raw(path_);
    const QString table = damaged == QLatin1String("NoteHistoryByNote") ? QStringLiteral("NoteHistory") : damaged;
    if (asideAs.isEmpty()) {
        QVERIFY(!KeptNotes(*db_).available());
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name LIKE '%Damaged%'")).toInt(), 0);
    } else {
        // What the replaced or deleted note was, kept in the fresh table with the write.
        QVERIFY(KeptNotes(*db_).available());
        QCOMPARE(raw.scalar(QStringLiteral("SELECT type FROM sqlite_schema WHERE name = '%1'").arg(asideAs)), QStringLiteral("table"));
        if (gone) {
            const auto deleted = KeptNotes(*db_).deleted();
            QCOMPARE(deleted.size(), std::size_t(write == QLatin1String("deletegroup") ? 2 : 1));
            const std::optional<NoteVersion> kept = KeptNotes(*db_).deletedNote(deleted.back().id);
            QVERIFY(kept);
            QCOMPARE(kept->note.NoteTitle, QStringLiteral("中"));
        } else {
            const auto versions = KeptNotes(*db_).history(id);
            QCOMPARE(int(versions.size()), 1);
            QCOMPARE(versions[0].title, times == 1 ? QStringLiteral("中") : next.NoteTitle);
        }
        // History goes on in the fresh table.
        const qint64 saved = gone ? other : id;
        if (write != QLatin1String("deletegroup")) {
            const std::size_t before = KeptNotes(*db_).history(saved).size();
            QVERIFY(Notes(*db_).update(saved, makeNote(QStringLiteral("再改"))));
            QCOMPARE(KeptNotes(*db_).history(saved).size(), before + 1);
        }
        QVERIFY(KeptNotes(*db_).takeNotice().isEmpty());
    }

    // The file opens again with the table set aside, and its history is there.
    db_->close();
    db_->open(path_);
    QVERIFY2(db_->isOpen(), qPrintable(db_->lastError()));
    QCOMPARE(KeptNotes(*db_).available(), true);
    if (!asideAs.isEmpty() && !gone)
        QVERIFY(!KeptNotes(*db_).history(id).empty());
    QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name = '%1'").arg(table)).toInt(), 1);
}

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
