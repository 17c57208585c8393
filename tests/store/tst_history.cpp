// Note history and recently deleted notes: what a write keeps, what comes back, what is dropped.

#include "StoreTestUtil.h"

#include "store/DBase.h"
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
    QString bodyOf(qint64 id) { return db_->LoadNoteBody(id); }
    qint64 groupA_ = 0, groupB_ = 0;
    QDateTime clock_ = QDateTime(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC);
};

void TestHistory::init()
{
    QVERIFY(openFreshNotebook(QStringLiteral("history.qbf")));
    db_->SetClock([this] { return clock_; });
    QCOMPARE(db_->AddGroup(QStringLiteral("工作")), 1);
    groupA_ = db_->LastInsertedId();
    QCOMPARE(db_->AddGroup(QStringLiteral("生活")), 1);
    groupB_ = db_->LastInsertedId();
    QVERIFY(db_->HistoryAvailable());
}

void TestHistory::cleanup()
{
    closeFreshNotebook();
}

qint64 TestHistory::addNote(qint64 group, const CurrentNote &n)
{
    if (db_->AddNote(group, n) != 1)
        return -1;
    return db_->LastInsertedId();
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
        QCOMPARE(db_->MoveNote(id, groupB_), 1);
    else if (change == QLatin1String("samegroup"))
        QCOMPARE(db_->MoveNote(id, groupA_), 1);
    else
        QCOMPARE(db_->UpdateNote(id, after), 1);

    const std::vector<VersionInfo> versions = db_->LoadHistory(id);
    QCOMPARE(int(versions.size()), kept);
    if (!kept)
        return;
    QCOMPARE(versions[0].title, before.NoteTitle);
    QCOMPARE(versions[0].replaced, clock_);
    NoteVersion v;
    QCOMPARE(db_->LoadVersion(versions[0].id, &v), 1);
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
    QCOMPARE(db_->UpdateNote(id, tooLong), 0);
    QVERIFY(db_->LoadHistory(id).empty());
    QCOMPARE(RawDb(path_).count(QStringLiteral("NoteHistory")), 0);
    QCOMPARE(db_->MoveNote(id + 100, groupB_), 0);
    QCOMPARE(db_->UpdateNote(id + 100, makeNote(QStringLiteral("无"))), 0);
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
    QCOMPARE(db_->UpdateNote(id, second), 1);

    if (what == QLatin1String("version")) {
        const auto versions = db_->LoadHistory(id);
        QCOMPARE(versions.size(), std::size_t(1));
        QCOMPARE(db_->RestoreVersion(id, versions[0].id, QStringLiteral("2026/12/08 11:00")), 1);
        QCOMPARE(bodyOf(id), first.NoteBody);
        // Restoring is a save: the replaced text joins the history and can itself come back.
        const auto after = db_->LoadHistory(id);
        QCOMPARE(after.size(), std::size_t(2));
        QCOMPARE(after[0].title, second.NoteTitle);
        QCOMPARE(db_->RestoreVersion(other, after[0].id, QStringLiteral("x")), 0); // not its version
        return;
    }

    if (what == QLatin1String("group")) {
        QCOMPARE(db_->DeleteGroup(groupA_), 1);
    } else {
        QCOMPARE(db_->DeleteNote(id), 1);
    }
    VectorNoteSink list;
    db_->LoadNotes(list, -1);
    QVERIFY(!list.keys().contains(QStringLiteral("k%1").arg(id)));
    const auto deleted = db_->LoadDeleted();
    QCOMPARE(deleted.size(), std::size_t(what == QLatin1String("group") ? 2 : 1));
    const DeletedInfo &mine = deleted.back().noteId == id ? deleted.back() : deleted.front();
    QCOMPARE(mine.noteId, id);
    QCOMPARE(mine.title, second.NoteTitle);
    QCOMPARE(mine.groupName, QStringLiteral("工作"));
    QCOMPARE(mine.groupExists, what != QLatin1String("group"));
    NoteVersion preview;
    QCOMPARE(db_->LoadDeletedNote(mine.id, &preview), 1);
    QCOMPARE(preview.note.NoteBody, second.NoteBody);

    if (what == QLatin1String("empty")) {
        QCOMPARE(db_->EmptyDeleted(), 1);
        QVERIFY(db_->LoadDeleted().empty());
        QVERIFY(db_->LoadHistory(id).empty());
        QCOMPARE(RawDb(path_).count(QStringLiteral("NoteHistory")), 0);
        return;
    }
    if (what == QLatin1String("nogroup")) {
        QCOMPARE(db_->RestoreDeleted(mine.id, groupB_ + 50), 0);
        QCOMPARE(db_->LoadDeleted().size(), std::size_t(1)); // still there to try again
        return;
    }

    const qint64 target = what == QLatin1String("chosen") ? groupB_ : -1;
    QCOMPARE(db_->RestoreDeleted(mine.id, target), 1);
    QCOMPARE(db_->LastInsertedId(), id); // its old ID, so its history is found again
    QCOMPARE(bodyOf(id), second.NoteBody);
    QCOMPARE(db_->LoadHistory(id).size(), std::size_t(1));
    VectorNoteSink group;
    db_->LoadNotes(group, what == QLatin1String("chosen") ? groupB_ : groupA_);
    QVERIFY(group.keys().contains(QStringLiteral("k%1").arg(id)));
    if (what == QLatin1String("group")) {
        const auto rest = db_->LoadDeleted();
        QCOMPARE(rest.size(), std::size_t(1));
        QVERIFY(rest[0].groupExists);
        QCOMPARE(db_->RestoreDeleted(rest[0].id), 1);
        VectorGroupSink tree;
        db_->LoadGroups(tree);
        QCOMPARE(tree.nodes.size(), std::size_t(3)); // root, 工作 recreated once, 生活
        QCOMPARE(tree.nodes[1].key, QStringLiteral("k%1").arg(groupA_));
        QCOMPARE(tree.nodes[1].text, QStringLiteral("工作"));
        db_->LoadNotes(group, groupA_);
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
    db_->SetKeepLimits(limits);
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
        QCOMPARE(db_->UpdateNote(id, makeNote(QStringLiteral("v%1").arg(i), QStringLiteral("一般"), 0, body(i))), 1);
    }
    QCOMPARE(db_->DeleteNote(other), 1);
    QCOMPARE(db_->LoadHistory(id).size(), std::size_t(limit == QLatin1String("count") ? 3 : 6));

    QStringList want;
    if (limit == QLatin1String("count")) {
        want = QStringList{"v5", "v4", "v3"};
    } else if (limit.startsWith(QLatin1String("age"))) {
        // v0..v5 were replaced on days 10..60; on day 85, with 30 days kept, only day 60 remains.
        limits.days = 30;
        db_->SetKeepLimits(limits);
        clock_ = clock_.addDays(25);
        if (limit == QLatin1String("age-save")) {
            QCOMPARE(db_->UpdateNote(id, makeNote(QStringLiteral("v7"))), 1);
            want = QStringList{"v6", "v5"};
        } else {
            QCOMPARE(db_->PruneHistory(), 1);
            QCOMPARE(db_->LoadHistory(id).size(), std::size_t(1));
            QCOMPARE(db_->LoadDeleted().size(), std::size_t(1)); // deleted on day 60: kept
            clock_ = clock_.addDays(10);
            QCOMPARE(db_->PruneHistory(), 1);
            QVERIFY(db_->LoadDeleted().empty());
            QCOMPARE(RawDb(path_).count(QStringLiteral("NoteHistory")), 0);
        }
    } else if (limit == QLatin1String("share-newest")) {
        limits.historyPercent = 1;
        db_->SetKeepLimits(limits);
        QCOMPARE(db_->PruneHistory(), 1);
        // A first edit under that share keeps the version it replaced.
        const qint64 fresh = addNote(groupA_, makeNote(QStringLiteral("新")));
        QCOMPARE(db_->UpdateNote(fresh, makeNote(QStringLiteral("新2"))), 1);
        QCOMPARE(db_->LoadHistory(fresh).size(), std::size_t(1));
        want = QStringList{"v5"};
    } else {
        const qint64 fileBytes = QFile(path_).size();
        const qint64 historyBytes = RawDb(path_).scalar(QStringLiteral("SELECT total(Stored) FROM NoteHistory")).toDouble();
        QVERIFY(historyBytes > 0);
        // A share that holds about half of what is kept now.
        limits.historyPercent = int(historyBytes * 100 / 2 / fileBytes);
        QVERIFY(limits.historyPercent >= 1);
        db_->SetKeepLimits(limits);
        QCOMPARE(db_->PruneHistory(), 1);
        const qint64 left = RawDb(path_).scalar(QStringLiteral("SELECT total(Stored) FROM NoteHistory")).toDouble();
        QVERIFY(left <= fileBytes * limits.historyPercent / 100);
        const auto versions = db_->LoadHistory(id);
        QVERIFY(versions.size() >= 1 && versions.size() < 6);
        for (std::size_t i = 0; i < versions.size(); ++i)
            want << QStringLiteral("v%1").arg(5 - int(i));
    }
    QStringList titles;
    for (const VersionInfo &v : db_->LoadHistory(id))
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
    db_->CloseDatabase();
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
    db_->BusyTimeoutMs = 50;
    db_->OpenDatabase();
    QVERIFY2(db_->DatabaseIsOpen, qPrintable(db_->lastError()));
    QCOMPARE(db_->HistoryAvailable(), !locked);
    QCOMPARE(other.scalar(QStringLiteral("PRAGMA user_version")).toInt(), locked ? 2 : Schema::Version);
    QCOMPARE(db_->LoadNoteBody(id), makeNote(QString()).NoteBody);
    if (locked) {
        QVERIFY(db_->LoadHistory(id).empty());
        return;
    }
    QCOMPARE(db_->UpdateNote(id, makeNote(QStringLiteral("新"))), 1);
    QCOMPARE(db_->LoadHistory(id).size(), std::size_t(1));
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
    QCOMPARE(db_->UpdateNote(id, makeNote(QStringLiteral("中"))), 1);
    QCOMPARE(db_->DeleteNote(addNote(groupB_, makeNote(QStringLiteral("早已删除")))), 1);
    const CurrentNote next = makeNote(QStringLiteral("新"), QStringLiteral("重要"), 0, QStringLiteral("{\\rtf1 新}"));
    for (int round = 1; round <= times; ++round) {
        db_->CloseDatabase();
        QVERIFY(damageRootPage(path_, damaged));
        db_->OpenDatabase();
        QVERIFY2(db_->DatabaseIsOpen, qPrintable(db_->lastError()));
        if (write == QLatin1String("update")) {
            QCOMPARE(db_->UpdateNote(id, round == 1 ? next : makeNote(QStringLiteral("又一版"))), 1);
        } else if (write == QLatin1String("move")) {
            QCOMPARE(db_->MoveNote(id, groupB_), 1);
        } else if (write == QLatin1String("delete")) {
            QCOMPARE(db_->DeleteNote(id), 1);
        } else {
            QCOMPARE(db_->DeleteGroup(groupA_), 1);
        }
        QVERIFY2(db_->lastError().isEmpty(), qPrintable(db_->lastError()));
        QVERIFY(!db_->TakeNotice().isEmpty());
        QVERIFY(db_->TakeNotice().isEmpty()); // once
    }

    // The write itself.
    NoteVersion now;
    const bool gone = write.startsWith(QLatin1String("delete"));
    QCOMPARE(db_->LoadNote(id, &now), gone ? 0 : 1);
    if (write == QLatin1String("update") && times == 1)
        QCOMPARE(now.note.NoteBody, next.NoteBody);
    if (write == QLatin1String("move"))
        QCOMPARE(now.groupId, groupB_);
    if (write == QLatin1String("deletegroup"))
        QCOMPARE(db_->LoadNote(other, &now), 0);

    RawDb raw(path_);
    const QString table = damaged == QLatin1String("NoteHistoryByNote") ? QStringLiteral("NoteHistory") : damaged;
    if (asideAs.isEmpty()) {
        QVERIFY(!db_->HistoryAvailable());
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name LIKE '%Damaged%'")).toInt(), 0);
    } else {
        // What the replaced or deleted note was, kept in the fresh table with the write.
        QVERIFY(db_->HistoryAvailable());
        QCOMPARE(raw.scalar(QStringLiteral("SELECT type FROM sqlite_schema WHERE name = '%1'").arg(asideAs)), QStringLiteral("table"));
        if (gone) {
            const auto deleted = db_->LoadDeleted();
            QCOMPARE(deleted.size(), std::size_t(write == QLatin1String("deletegroup") ? 2 : 1));
            NoteVersion kept;
            QCOMPARE(db_->LoadDeletedNote(deleted.back().id, &kept), 1);
            QCOMPARE(kept.note.NoteTitle, QStringLiteral("中"));
        } else {
            const auto versions = db_->LoadHistory(id);
            QCOMPARE(int(versions.size()), 1);
            QCOMPARE(versions[0].title, times == 1 ? QStringLiteral("中") : next.NoteTitle);
        }
        // History goes on in the fresh table.
        const qint64 saved = gone ? other : id;
        if (write != QLatin1String("deletegroup")) {
            const std::size_t before = db_->LoadHistory(saved).size();
            QCOMPARE(db_->UpdateNote(saved, makeNote(QStringLiteral("再改"))), 1);
            QCOMPARE(db_->LoadHistory(saved).size(), before + 1);
        }
        QVERIFY(db_->TakeNotice().isEmpty());
    }

    // The file opens again with the table set aside, and its history is there.
    db_->CloseDatabase();
    db_->OpenDatabase();
    QVERIFY2(db_->DatabaseIsOpen, qPrintable(db_->lastError()));
    QCOMPARE(db_->HistoryAvailable(), true);
    if (!asideAs.isEmpty() && !gone)
        QVERIFY(!db_->LoadHistory(id).empty());
    QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name = '%1'").arg(table)).toInt(), 1);
}

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
