// Automatic copies: rotation, skipping an unchanged notebook, and what a failed or killed copy
// leaves behind.

#include "StoreTestUtil.h"

#include "store/AutoBackup.h"
#include "store/DBase.h"

#include <QDir>
#include <QTest>

class TestAutoBackup : public QObject, protected FreshNotebookFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void rotation_data();
    void rotation();
    void copiesSkipAndRotate();
    void failureLeavesOlderCopies_data();
    void failureLeavesOlderCopies();

private:
    QString folder() const { return dir_->filePath(QStringLiteral("backups")); }
    BackupJob::State backup(const QDateTime &when);
    QStringList takenTimes();
    QStringList hiddenFiles();
    void addNotes(int count, int bodyChars);
};

void TestAutoBackup::init()
{
    QVERIFY(openFreshNotebook(QStringLiteral("notes.qbf")));
    QCOMPARE(db_->AddGroup(QStringLiteral("工作")), 1);
}

void TestAutoBackup::cleanup()
{
    closeFreshNotebook();
}

void TestAutoBackup::addNotes(int count, int bodyChars)
{
    for (int i = 0; i < count; ++i)
        QCOMPARE(db_->AddNote(1, makeNote(QStringLiteral("笔记 %1").arg(i), QStringLiteral("一般"), 0,
                                          QString(bodyChars, QChar(u'字' + i % 50)))),
                 1);
}

BackupJob::State TestAutoBackup::backup(const QDateTime &when)
{
    BackupJob job(path_, folder(), when);
    const BackupJob::State s = job.runToEnd();
    if (s == BackupJob::Failed)
        qWarning("%s", qPrintable(job.error()));
    return s;
}

QStringList TestAutoBackup::takenTimes()
{
    QStringList out;
    for (const AutoBackup::Copy &c : AutoBackup::list(folder(), path_))
        out << c.taken.toString(QStringLiteral("MMdd-HHmm"));
    return out;
}

QStringList TestAutoBackup::hiddenFiles()
{
    return QDir(folder()).entryList(QStringList{QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden);
}

void TestAutoBackup::rotation_data()
{
    QTest::addColumn<QStringList>("copies"); // newest first, yyyyMMdd-HHmmss
    QTest::addColumn<QStringList>("dropped");
    QTest::newRow("nominal: several a day keep the newest of each day")
        << QStringList{"20261208-180000", "20261208-090000", "20261207-180000", "20261207-120000"}
        << QStringList{"20261208-090000", "20261207-120000"};
    // 2026-12-01 is a Tuesday; weeks start on Monday.
    QStringList daily, droppedDaily;
    for (int d = 20; d >= 1; --d) {
        daily << QStringLiteral("202612%1-090000").arg(d, 2, 10, QLatin1Char('0'));
        if (d < 14 && d != 13 && d != 6)
            droppedDaily << daily.last();
    }
    QTest::newRow("nominal: daily for 20 days keeps 7 days and the newest of each older week")
        << daily << droppedDaily;
    QStringList weekly;
    for (int w = 0; w < 9; ++w)
        weekly << QDateTime(QDate(2026, 12, 7).addDays(-7 * w), QTime(9, 0)).toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QTest::newRow("nominal: weekly copies beyond 7 go") << weekly << weekly.mid(7);
    QTest::newRow("nominal: a single copy stays") << QStringList{"20261208-090000"} << QStringList{};
}

void TestAutoBackup::rotation()
{
    QFETCH(QStringList, copies);
    QFETCH(QStringList, dropped);
    std::vector<AutoBackup::Copy> list;
    for (const QString &c : copies)
        list.push_back({c, QDateTime::fromString(c, QStringLiteral("yyyyMMdd-HHmmss")), 0});
    QStringList got;
    for (const AutoBackup::Copy &c : AutoBackup::dropped(list))
        got << c.path;
    QCOMPARE(got, dropped);
}

void TestAutoBackup::copiesSkipAndRotate()
{
    addNotes(3, 500);
    const QDateTime day1(QDate(2026, 12, 1), QTime(9, 0));
    QCOMPARE(backup(day1), BackupJob::Done);
    QCOMPARE(takenTimes(), QStringList{"1201-0900"});
    // Unchanged since: no second copy, even a day later.
    QCOMPARE(backup(day1.addDays(1)), BackupJob::Skipped);
    QCOMPARE(takenTimes(), QStringList{"1201-0900"});

    // Written while the copy runs: the copy restarts and holds the new note.
    addNotes(300, 3000);
    {
        BackupJob job(path_, folder(), day1.addDays(1));
        job.stepBudgetMs = 0;
        QCOMPARE(job.step(), BackupJob::Copying);
        QCOMPARE(job.step(), BackupJob::Copying);
        QCOMPARE(db_->AddNote(1, makeNote(QStringLiteral("复制中写入"))), 1);
        QCOMPARE(job.runToEnd(), BackupJob::Done);
        DBase copy;
        copy.DatabasePath = job.copyPath();
        copy.OpenDatabase();
        QVERIFY2(copy.DatabaseIsOpen, qPrintable(copy.lastError()));
        VectorNoteSink notes;
        copy.LoadNotes(notes, 1);
        QCOMPARE(notes.items.size(), std::size_t(304));
        QCOMPARE(notes.items.back().text, QStringLiteral("复制中写入"));
    }
    // One copy a day for 20 days: the last 7 days and the newest of each earlier week stay.
    for (int d = 2; d <= 20; ++d) {
        QCOMPARE(db_->AddNote(1, makeNote(QStringLiteral("第 %1 天").arg(d))), 1);
        QCOMPARE(backup(QDateTime(QDate(2026, 12, d), QTime(21, 0))), BackupJob::Done);
    }
    QCOMPARE(takenTimes(), (QStringList{"1220-2100", "1219-2100", "1218-2100", "1217-2100", "1216-2100",
                                        "1215-2100", "1214-2100", "1213-2100", "1206-2100"}));
    QVERIFY(hiddenFiles().isEmpty());
}

void TestAutoBackup::failureLeavesOlderCopies_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("robustness: killed part-way, then the next copy") << "killed";
    QTest::newRow("robustness: abandoned part-way") << "abandoned";
    QTest::newRow("robustness: the notebook is damaged") << "damaged";
    QTest::newRow("robustness: the folder cannot be made") << "nofolder";
}

void TestAutoBackup::failureLeavesOlderCopies()
{
    QFETCH(QString, fault);
    addNotes(300, 3000);
    const QDateTime day1(QDate(2026, 12, 1), QTime(9, 0));
    QCOMPARE(backup(day1), BackupJob::Done);
    const QByteArray older = fileBytes(AutoBackup::list(folder(), path_).front().path);
    QCOMPARE(db_->AddNote(1, makeNote(QStringLiteral("新的"))), 1);

    const QDateTime day2 = day1.addDays(1);
    if (fault == QLatin1String("killed")) {
        // What a killed program leaves: a partial file under the temporary name.
        const QString part = QDir(folder()).filePath(QStringLiteral(".notes-20261202-090000.qbf.part"));
        QVERIFY(writeBytes(part, older.left(older.size() / 3)));
        QCOMPARE(takenTimes(), QStringList{"1201-0900"}); // never listed as a copy
        QCOMPARE(backup(day2), BackupJob::Done);
        QCOMPARE(takenTimes(), (QStringList{"1202-0900", "1201-0900"}));
    } else if (fault == QLatin1String("abandoned")) {
        auto job = std::make_unique<BackupJob>(path_, folder(), day2);
        job->stepBudgetMs = 0;
        QCOMPARE(job->step(), BackupJob::Copying);
        QCOMPARE(job->step(), BackupJob::Copying);
        QCOMPARE(hiddenFiles().size(), 1);
        job.reset();
    } else if (fault == QLatin1String("damaged")) {
        db_->CloseDatabase();
        QByteArray bytes = fileBytes(path_);
        bytes.replace(4096, 8192, QByteArray(8192, '\xA5'));
        QVERIFY(writeBytes(path_, bytes));
        QCOMPARE(backup(day2), BackupJob::Failed);
    } else {
        QVERIFY(writeBytes(dir_->filePath(QStringLiteral("blocked")), "x"));
        BackupJob job(path_, dir_->filePath(QStringLiteral("blocked/backups")), day2);
        QCOMPARE(job.runToEnd(), BackupJob::Failed);
        QVERIFY(!job.error().isEmpty());
        QVERIFY(job.copyPath().isEmpty());
    }
    QVERIFY(hiddenFiles().isEmpty());
    const auto copies = AutoBackup::list(folder(), path_);
    QCOMPARE(copies.back().taken, day1);
    QCOMPARE(fileBytes(copies.back().path), older);
    if (fault != QLatin1String("killed"))
        QCOMPARE(copies.size(), std::size_t(1));
}

QTEST_GUILESS_MAIN(TestAutoBackup)
#include "tst_autobackup.moc"
