// Automatic copies: rotation, their order and permissions, skipping an unchanged notebook, what a
// failed or killed copy leaves behind, restoring from one, and keeping apart the copies of two
// notebooks of the same name.

#include "StoreTestUtil.h"

#include "store/AutoBackup.h"
#include "store/Groups.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestAutoBackup : public QObject, protected FreshNotebookFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void rotation_data();
    void rotation();
    void copiesSkipAndRotate_data();
    void copiesSkipAndRotate();
    void failureLeavesOlderCopies_data();
    void failureLeavesOlderCopies();
    void newestIsLastMade_data();
    void newestIsLastMade();
    void restore_data();
    void restore();

private:
    QString folder() const { return dir_->filePath(QStringLiteral("backups")); }
    // Where this notebook's copies go: a folder of its own, named by its identity.
    QString place() const { return QDir(folder()).filePath(identity_); }
    BackupJob::State backup(const QDateTime &when, const QString &notebook = {});
    QStringList takenTimes();
    QStringList hiddenFiles();
    void addNotes(int count, int bodyChars);
    // A notebook of the same file name as ours in another folder, with a note of its own.
    QString addNamesake(Notebook &other);

    QString identity_;
};

void TestAutoBackup::init()
{
    QVERIFY(openFreshNotebook(QStringLiteral("notes.qbf")));
    QVERIFY(Groups(*db_).add(QStringLiteral("工作")));
    identity_ = db_->identity();
    QVERIFY(!identity_.isEmpty());
}

void TestAutoBackup::cleanup()
{
    closeFreshNotebook();
}

void TestAutoBackup::addNotes(int count, int bodyChars)
{
    for (int i = 0; i < count; ++i)
        QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("笔记 %1").arg(i), QStringLiteral("一般"), 0,
                                          QString(bodyChars, QChar(u'字' + i % 50)))));
}

QString TestAutoBackup::addNamesake(Notebook &other)
{
    const QString path = dir_->filePath(QStringLiteral("usb/notes.qbf"));
    if (!QDir().mkpath(QFileInfo(path).path()) || !openFresh(other, path)
        || !Groups(other).add(QStringLiteral("别处")) || !Notes(other).add(1, makeNote(QStringLiteral("别处的记事"))))
        return {};
    return path;
}

BackupJob::State TestAutoBackup::backup(const QDateTime &when, const QString &notebook)
{
    BackupJob job(notebook.isEmpty() ? path_ : notebook, folder(), when);
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
    return QDir(place()).entryList(QStringList{QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden);
}

void TestAutoBackup::rotation_data()
{
    QTest::addColumn<QStringList>("copies"); // newest first, yyyyMMdd-HHmmss
    QTest::addColumn<QStringList>("dropped");
    QTest::newRow("nominal: several a day keep the first and the last of each day")
        << QStringList{"20261208-180000", "20261208-120000", "20261208-090000", "20261207-180000",
                       "20261207-120000", "20261207-090000"}
        << QStringList{"20261208-120000", "20261207-120000"};
    // "*" marks a copy kept by a restore (or written to since it was made).
    QTest::newRow("nominal: kept copies stay")
        << QStringList{"20261208-180000", "20261208-120000*", "20261208-090000", "20261207-150000"}
        << QStringList{};
    // Sequence, not names: a clock set back puts the newest copy on an older day.
    QTest::newRow("robustness: the newest copy stays whatever its name says")
        << QStringList{"20261101-090000", "20261208-180000", "20261208-120000", "20261208-090000"}
        << QStringList{"20261208-120000"};
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
    for (const QString &c : copies) {
        AutoBackup::Copy copy{c, QDateTime::fromString(c.left(15), QStringLiteral("yyyyMMdd-HHmmss")), 0};
        copy.kept = c.endsWith(u'*');
        list.push_back(copy);
    }
    QStringList got;
    for (const AutoBackup::Copy &c : AutoBackup::dropped(list))
        got << c.path;
    QCOMPARE(got, dropped);
}

void TestAutoBackup::copiesSkipAndRotate_data()
{
    QTest::addColumn<bool>("namesake"); // a notebook of the same name elsewhere is copied each day too
    QTest::newRow("nominal: one notebook") << false;
    QTest::newRow("robustness: a notebook of the same name copied beside it") << true;
}

void TestAutoBackup::copiesSkipAndRotate()
{
    QFETCH(bool, namesake);
    addNotes(3, 500);
    // Copies by an earlier version lie in the folder itself, those of every notebook of this name
    // together: one with no identity, and one that says it is this notebook. Only the latter is
    // listed, and neither is ever dropped.
    QVERIFY(QDir().mkpath(folder()));
    const QString foreign = QDir(folder()).filePath(QStringLiteral("notes-20261130-090000.qbf"));
    const QString earlier = QDir(folder()).filePath(QStringLiteral("notes-20261129-090000.qbf"));
    QVERIFY(QFile::copy(path_, foreign));
    QCOMPARE(RawDb(foreign).exec("DROP TABLE NotebookInfo"), SQLITE_OK);
    QVERIFY(QFile::copy(path_, earlier));
    const QByteArray foreignBytes = fileBytes(foreign);
    Notebook other;
    const QString otherPath = namesake ? addNamesake(other) : QString();
    QVERIFY(!namesake || !otherPath.isEmpty());

    const QDateTime day1(QDate(2026, 12, 1), QTime(9, 0));
    QCOMPARE(backup(day1), BackupJob::Done);
    QCOMPARE(takenTimes(), (QStringList{"1201-0900", "1129-0900"}));
    // Unchanged since: no second copy, even a day later.
    QCOMPARE(backup(day1.addDays(1)), BackupJob::Skipped);
    QCOMPARE(takenTimes(), (QStringList{"1201-0900", "1129-0900"}));

    // Written while the copy runs: the copy restarts and holds the new note.
    addNotes(300, 3000);
    {
        BackupJob job(path_, folder(), day1.addDays(1));
        job.stepBudgetMs = 0;
        QCOMPARE(job.step(), BackupJob::Copying);
        QCOMPARE(job.step(), BackupJob::Copying);
        QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("复制中写入"))));
        QCOMPARE(job.runToEnd(), BackupJob::Done);
        Notebook copy;
        copy.open(job.copyPath());
        QVERIFY2(copy.isOpen(), qPrintable(copy.lastError()));
        VectorNoteSink notes;
        Notes(copy).list(notes, 1);
        QCOMPARE(notes.items.size(), std::size_t(304));
        QCOMPARE(notes.items.back().title, QStringLiteral("复制中写入"));
    }
    // One copy a day for 20 days: the last 7 days and the newest of each earlier week stay.
    for (int d = 2; d <= 20; ++d) {
        if (namesake) {
            QVERIFY(Notes(other).add(1, makeNote(QStringLiteral("别处第 %1 天").arg(d))));
            QCOMPARE(backup(QDateTime(QDate(2026, 12, d), QTime(20, 0)), otherPath), BackupJob::Done);
        }
        QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("第 %1 天").arg(d))));
        QCOMPARE(backup(QDateTime(QDate(2026, 12, d), QTime(21, 0))), BackupJob::Done);
    }
    QCOMPARE(takenTimes(), (QStringList{"1220-2100", "1219-2100", "1218-2100", "1217-2100", "1216-2100",
                                        "1215-2100", "1214-2100", "1213-2100", "1206-2100", "1129-0900"}));
    QVERIFY(hiddenFiles().isEmpty());
    QCOMPARE(fileBytes(foreign), foreignBytes);
    // Every copy listed holds the notebook it is listed for; the newest has its latest note.
    const auto holds = [this](const QString &book, const QString &identity, const QString &latest) {
        const auto copies = AutoBackup::list(folder(), book);
        QCOMPARE(copies.size(), std::size_t(book == path_ ? 10 : 9)); // ours with the earlier version's
        for (const AutoBackup::Copy &c : copies)
            QCOMPARE(RawDb(c.path).scalar(QStringLiteral("SELECT Identity FROM NotebookInfo")), identity);
        const QString newest = "SELECT count(*) FROM Notes WHERE nNoteTitle = '" + latest + "'";
        QCOMPARE(RawDb(copies.front().path).scalar(newest), "1");
    };
    holds(path_, identity_, QStringLiteral("第 20 天"));
    if (namesake)
        holds(otherPath, other.identity(), QStringLiteral("别处第 20 天"));
}

void TestAutoBackup::failureLeavesOlderCopies_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("robustness: killed part-way, then the next copy") << "killed";
    QTest::newRow("robustness: abandoned part-way") << "abandoned";
    QTest::newRow("robustness: the notebook is damaged") << "damaged";
    QTest::newRow("robustness: the folder cannot be made") << "nofolder";
    QTest::newRow("robustness: a notebook of the same name without an identity") << "noidentity";
    QTest::newRow("robustness: another program is writing when the copy starts") << "locked";
}

void TestAutoBackup::failureLeavesOlderCopies()
{
    QFETCH(QString, fault);
    addNotes(300, 3000);
    const QDateTime day1(QDate(2026, 12, 1), QTime(9, 0));
    QCOMPARE(backup(day1), BackupJob::Done);
    const QByteArray older = fileBytes(AutoBackup::list(folder(), path_).front().path);
    QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("新的"))));

    const QDateTime day2 = day1.addDays(1);
    if (fault == QLatin1String("killed")) {
        // What a killed program leaves: a partial file under the temporary name.
        const QString part = QDir(place()).filePath(QStringLiteral(".notes-20261202-090000.qbf.part"));
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
        db_->close();
        QByteArray bytes = fileBytes(path_);
        bytes.replace(4096, 8192, QByteArray(8192, '\xA5'));
        QVERIFY(writeBytes(path_, bytes));
        QCOMPARE(backup(day2), BackupJob::Failed);
    } else if (fault == QLatin1String("locked")) {
        // The copy waits its turn, even for reading the notebook's identity.
        RawDb writer(path_);
        QCOMPARE(writer.exec("BEGIN EXCLUSIVE"), SQLITE_OK);
        BackupJob job(path_, folder(), day2);
        QCOMPARE(job.step(), BackupJob::Copying);
        QCOMPARE(job.step(), BackupJob::Copying);
        QCOMPARE(writer.exec("COMMIT"), SQLITE_OK);
        QCOMPARE(job.runToEnd(), BackupJob::Done);
    } else if (fault == QLatin1String("noidentity")) {
        // An older layout opened read-only: its copies could not be told from another's.
        const QString old = dir_->filePath(QStringLiteral("old/notes.qbf"));
        QVERIFY(QDir().mkpath(QFileInfo(old).path()));
        QVERIFY(QFile::copy(path_, old));
        QCOMPARE(RawDb(old).exec("DROP TABLE NotebookInfo"), SQLITE_OK);
        BackupJob job(old, folder(), day2);
        QCOMPARE(job.runToEnd(), BackupJob::Failed);
        QVERIFY(!job.error().isEmpty());
        QVERIFY(AutoBackup::list(folder(), old).empty());
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
    if (fault != QLatin1String("killed") && fault != QLatin1String("locked"))
        QCOMPARE(copies.size(), std::size_t(1));
}

void TestAutoBackup::newestIsLastMade_data()
{
    QTest::addColumn<QStringList>("times"); // of successive copies, yyyyMMdd-HHmmss
    QTest::addColumn<int>("forgetAfter");   // the record is lost after this many copies; -1: never
    QStringList days;
    for (int d = 1; d <= 10; ++d)
        days << QStringLiteral("202612%1-090000").arg(d, 2, 10, QLatin1Char('0'));
    QTest::newRow("robustness: the clock set back a month") << (days + QStringList{"20261101-090000"}) << -1;
    QTest::newRow("robustness: the clock stepped back a second")
        << QStringList{"20261208-100000", "20261208-100002", "20261208-100001"} << -1;
    QTest::newRow("robustness: the record lost, older copies by their names")
        << QStringList{"20261208-100000", "20261208-110000", "20261208-090000"} << 2;
}

// Each copy holds one note more than the one before: the listed order must be the order made,
// and the rotation must never drop the newest.
void TestAutoBackup::newestIsLastMade()
{
    QFETCH(QStringList, times);
    QFETCH(int, forgetAfter);
    for (int i = 0; i < times.size(); ++i) {
        if (i == forgetAfter)
            QVERIFY(QFile::remove(QDir(place()).filePath(QStringLiteral(".copies"))));
        QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("第 %1 份").arg(i))));
        QCOMPARE(backup(QDateTime::fromString(times[i], QStringLiteral("yyyyMMdd-HHmmss"))), BackupJob::Done);
    }
    QList<qint64> counts;
    for (const AutoBackup::Copy &c : AutoBackup::list(folder(), path_))
        counts << RawDb(c.path).count(QStringLiteral("Notes"));
    QCOMPARE(counts.first(), qint64(times.size()));
    QVERIFY2(std::is_sorted(counts.rbegin(), counts.rend()), qPrintable(QString::number(counts.size())));
}

void TestAutoBackup::restore_data()
{
    QTest::addColumn<QString>("state"); // the notebook's state when restored
    QTest::newRow("nominal: a notebook that opens") << "fine";
    QTest::newRow("robustness: a damaged notebook is kept byte for byte") << "damaged";
    QTest::newRow("robustness: the notebook is gone") << "gone";
}

void TestAutoBackup::restore()
{
    QFETCH(QString, state);
    QVERIFY(QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    addNotes(2, 100);
    const QDateTime day1(QDate(2026, 12, 1), QTime(9, 0));
    QCOMPARE(backup(day1), BackupJob::Done);
    const QString chosen = AutoBackup::list(folder(), path_).front().path;
    // A notebook of the same name, copied after: its copies stay its own through the restore.
    Notebook other;
    const QString otherPath = addNamesake(other);
    QVERIFY(!otherPath.isEmpty());
    QCOMPARE(backup(day1.addSecs(3600), otherPath), BackupJob::Done);
    const auto theirs = AutoBackup::list(folder(), otherPath);
    QCOMPARE(theirs.size(), std::size_t(1));
    QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("恢复前写的"))));
    db_->close();
    const QFileDevice::Permissions mode = QFile::permissions(path_);
    QByteArray before = fileBytes(path_);
    if (state == QLatin1String("damaged")) {
        before.replace(0, 16, QByteArray(16, 'x'));
        QVERIFY(writeBytes(path_, before));
    } else if (state == QLatin1String("gone")) {
        QVERIFY(QFile::remove(path_));
    }

    QString kept, error;
    QVERIFY2(AutoBackup::restore(path_, chosen, folder(), &kept, &error, day1.addDays(1)), qPrintable(error));
    QCOMPARE(RawDb(path_).count(QStringLiteral("Notes")), qint64(2));
    // Only the owner may list the copies; each copy is as private as the notebook.
    const auto userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    for (const QString &f : {folder(), place()})
        QCOMPARE(QFile::permissions(f) & ~userBits,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(QFile::permissions(chosen), mode);
    QCOMPARE(QFile::permissions(QDir(place()).filePath(QStringLiteral(".copies"))) & ~userBits,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const auto copies = AutoBackup::list(folder(), path_);
    QCOMPARE(AutoBackup::list(folder(), otherPath).size(), std::size_t(1));
    QCOMPARE(AutoBackup::list(folder(), otherPath).front().path, theirs.front().path);
    if (state == QLatin1String("gone")) {
        QVERIFY(kept.isEmpty());
        QCOMPARE(copies.size(), std::size_t(1));
        return;
    }
    QCOMPARE(QFile::permissions(path_), mode);
    QCOMPARE(copies.front().path, kept);
    QVERIFY(copies.front().beforeRestore);
    QCOMPARE(QFile::permissions(kept), mode);
    if (state == QLatin1String("damaged"))
        QCOMPARE(fileBytes(kept), before);
    else
        QCOMPARE(RawDb(kept).count(QStringLiteral("Notes")), qint64(3));

    // A fortnight of copies later, the copy restored from and the one kept before stay.
    db_->open(path_);
    QVERIFY(db_->isOpen());
    for (int d = 2; d <= 16; ++d) {
        QVERIFY(Notes(*db_).add(1, makeNote(QStringLiteral("第 %1 天").arg(d))));
        QCOMPARE(backup(QDateTime(QDate(2026, 12, d), QTime(21, 0))), BackupJob::Done);
    }
    QStringList left;
    for (const AutoBackup::Copy &c : AutoBackup::list(folder(), path_))
        left << c.path;
    QVERIFY(left.contains(chosen));
    QVERIFY(left.contains(kept));
    QVERIFY(!left.contains(QDir(place()).filePath(QStringLiteral("notes-20261203-210000.qbf"))));
}

QTEST_GUILESS_MAIN(TestAutoBackup)
#include "tst_autobackup.moc"
