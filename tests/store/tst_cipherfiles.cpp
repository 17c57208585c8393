// The files the file layer writes for an encrypted notebook: a journal no other program takes
// for its own, whose records hold only at their place; never a write-ahead log; pages of the
// notebook and of temporary files sealed anew at every write.

#include "CryptoTestUtil.h"

#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/crypto/CipherVfs.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using CryptoTest::LayerDb;
using CryptoTest::listing;

namespace {

constexpr int RecordBytes = 4 + NotebookHeader::PageSize + 4; // a journal record

// Where the records of a journal start that a rollback replays. The journal is segments: a
// header of one sector (record count at byte 8, sector size at byte 20), then its records (page
// number, page image, checksum); the next segment starts at the next sector.
QList<qsizetype> journalRecords(const QByteArray &journal)
{
    QList<qsizetype> at;
    for (qsizetype h = 0; h + 28 <= journal.size() && journal.mid(h, 8) == journal.left(8);) {
        const qsizetype count = qFromBigEndian<quint32>(journal.constData() + h + 8);
        const qsizetype sector = qFromBigEndian<quint32>(journal.constData() + h + 20);
        if (count == 0 || sector == 0)
            break;
        for (qsizetype i = 0; i < count; ++i)
            at << h + sector + i * RecordBytes;
        h = (h + sector + count * RecordBytes + sector - 1) / sector * sector;
    }
    return at;
}

} // namespace

class TestCipherFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void midSaveNotebookSurvives_data();
    void midSaveNotebookSurvives();
    void journalChecksumsTellNothing();
    void outsideSettingsWriteNothingPlain_data();
    void outsideSettingsWriteNothingPlain();
    void rewrittenPageTakesNewNonce_data();
    void rewrittenPageTakesNewNonce();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString file_;
    Notebook owner_;       // holds the notebook's key, for this process and a forked one
    QStringList seen_;  // what a user sees of every acknowledged save
    bool leaveMidSave();
};

void TestCipherFiles::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    file_ = dir_->filePath(QStringLiteral("notebook.qbf"));
    owner_.close();
    owner_.setPasswordCost(NotebookHeader::Cost::lightest());
    QVERIFY(openFresh(owner_, file_));
    QVERIFY(CryptoTest::fill(owner_, 40));
    QCOMPARE(owner_.writePassword(QStringLiteral("pw")), 1);
    QVERIFY(Notes(owner_).add(1, makeNote(QStringLiteral("acknowledged last"))));
    seen_ = listing(owner_);
}

// Leaves the notebook as a crash in the middle of a save does: a child process rewrites every
// note and group in one transaction, with a cache too small to hold them, and is killed before
// it commits. True when it left its journal.
bool TestCipherFiles::leaveMidSave()
{
    int ready[2];
    if (::pipe(ready) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        LayerDb writer(file_);
        const char ok = writer.exec("PRAGMA cache_size = 1; BEGIN; UPDATE Notes SET nNote = 'overwritten';"
                                    "UPDATE Groups SET vGroupName = 'renamed'")
                                == SQLITE_OK
                            ? 'y'
                            : 'n';
        if (::write(ready[1], &ok, 1) == 1)
            ::pause();
        ::_exit(0);
    }
    ::close(ready[1]); // so that a child gone without a word ends the read
    char ok = 'n';
    const bool told = child > 0 && ::read(ready[0], &ok, 1) == 1;
    if (child > 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    ::close(ready[0]);
    return told && ok == 'y' && QFile::exists(file_ + QLatin1String(CipherVfs::JournalSuffix));
}

void TestCipherFiles::midSaveNotebookSurvives_data()
{
    QTest::addColumn<QString>("program"); // another program opening the file: "sqlite3", "library" or none
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("damage"); // to the journal first: "copied" or "page"
    QTest::newRow("robustness: the sqlite3 shell reads it") << "sqlite3" << "SELECT count(*) FROM Notes" << "";
    QTest::newRow("robustness: the sqlite3 shell writes to it") << "sqlite3" << "INSERT INTO Groups DEFAULT VALUES" << "";
    QTest::newRow("robustness: the engine's plain library reads it") << "library" << "SELECT count(*) FROM Notes" << "";
    QTest::newRow("robustness: the engine's plain library compacts it") << "library" << "VACUUM" << "";
    QTest::newRow("robustness: a journal record copied over the next") << "" << "" << "copied";
    QTest::newRow("robustness: a journal record naming the next one's page") << "" << "" << "page";
}

void TestCipherFiles::midSaveNotebookSurvives()
{
    QFETCH(QString, program);
    QFETCH(QString, sql);
    QFETCH(QString, damage);
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (program == QLatin1String("sqlite3") && shell.isEmpty())
        QSKIP("no sqlite3 shell installed (Debian package sqlite3)");
    QVERIFY(leaveMidSave());
    owner_.close();
    const QString journal = file_ + QLatin1String(CipherVfs::JournalSuffix);
    const QByteArray intact = fileBytes(journal);
    const QByteArray before = fileBytes(file_) + intact;
    if (program == QLatin1String("library")) {
        QVERIFY(RawDb(file_).exec(sql.toUtf8().constData()) != SQLITE_OK);
    } else if (!program.isEmpty()) {
        QProcess run;
        run.start(shell, {file_, sql});
        QVERIFY(run.waitForFinished(20000));
        QVERIFY2(run.exitCode() != 0, run.readAllStandardOutput().constData());
    }
    QCOMPARE(fileBytes(file_) + fileBytes(journal), before);

    Notebook reader;
    if (!damage.isEmpty()) {
        const QList<qsizetype> records = journalRecords(intact);
        QVERIFY(records.size() >= 2);
        QByteArray moved = intact;
        if (damage == QLatin1String("copied"))
            moved.replace(records[1], RecordBytes, intact.mid(records[0], RecordBytes));
        else
            moved.replace(records[0], 4, intact.mid(records[1], 4));
        QVERIFY(writeBytes(journal, moved));
        QCOMPARE(reader.openWithPassword(file_, QStringLiteral("pw")), Notebook::Access::Unreadable);
        reader.close();
        // The rollback stopped at the record, keeping the journal; put right, it completes.
        QCOMPARE(fileBytes(journal), moved);
        QVERIFY(writeBytes(journal, intact));
    }
    QCOMPARE(reader.openWithPassword(file_, QStringLiteral("pw")), Notebook::Access::Opened);
    QCOMPARE(listing(reader), seen_);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("notebook.qbf")});
}

// The engine's checksum of a record is a random start plus a sum of bytes of the plain page, so
// two records' checksums in the clear differ by what the pages hold: the same transaction from
// the same file gives the same difference.
void TestCipherFiles::journalChecksumsTellNothing()
{
    const QByteArray start = fileBytes(file_);
    const QString journal = file_ + QLatin1String(CipherVfs::JournalSuffix);
    quint32 differences[2];
    for (quint32 &difference : differences) {
        QVERIFY(writeBytes(file_, start));
        LayerDb writer(file_);
        QCOMPARE(writer.exec("BEGIN; UPDATE Notes SET nNote = 'x'; UPDATE Groups SET vGroupName = 'y'"), SQLITE_OK);
        const QByteArray bytes = fileBytes(journal);
        const qsizetype first = qFromBigEndian<quint32>(bytes.constData() + 20); // one sector of header
        QVERIFY(bytes.size() >= first + 2 * RecordBytes);
        difference = qFromBigEndian<quint32>(bytes.constData() + first + RecordBytes - 4)
                     - qFromBigEndian<quint32>(bytes.constData() + first + 2 * RecordBytes - 4);
        QCOMPARE(writer.exec("ROLLBACK"), SQLITE_OK);
    }
    QVERIFY(differences[0] != differences[1]);
}

void TestCipherFiles::outsideSettingsWriteNothingPlain_data()
{
    // Statements run in turn through the file layer, whatever each returns.
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("saves"); // whether the renamed groups land in the notebook
    const QString rename = QStringLiteral("UPDATE Groups SET vGroupName = vGroupName || ' 2'");
    QTest::newRow("robustness: a write-ahead log") << "PRAGMA journal_mode = WAL;" + rename << true;
    QTest::newRow("robustness: a write-ahead log without shared memory")
        << "PRAGMA locking_mode = EXCLUSIVE; PRAGMA journal_mode = WAL;" + rename << true;
    QTest::newRow("robustness: one transaction over two files")
        << "ATTACH 'other.db' AS other; CREATE TABLE other.t (x); BEGIN; INSERT INTO other.t VALUES (1);" + rename
               + "; COMMIT"
        << false;
}

void TestCipherFiles::outsideSettingsWriteNothingPlain()
{
    QFETCH(QString, sql);
    QFETCH(bool, saves);
    const QString other = dir_->filePath(QStringLiteral("other.db"));
    QVERIFY(writeBytes(other, {})); // an empty database to attach
    {
        LayerDb outside(file_);
        for (const QString &statement : sql.replace(QLatin1String("other.db"), other).split(QLatin1Char(';')))
            outside.exec(statement.toUtf8().constData());
    }
    for (const QString &name : QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(name == QLatin1String("notebook.qbf") || name == QLatin1String("other.db"), qPrintable(name));
    QCOMPARE(CryptoTest::secretsIn(fileBytes(file_)), QStringList());
    Notebook reader;
    QCOMPARE(reader.openWithPassword(file_, QStringLiteral("pw")), Notebook::Access::Opened);
    const QStringList now = listing(reader);
    QCOMPARE(now.filter(QStringLiteral("秘密分组 2")).size(), saves ? 1 : 0);
    QCOMPARE(now.size(), seen_.size());
}

void TestCipherFiles::rewrittenPageTakesNewNonce_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<int>("length");
    QTest::newRow("nominal: a page of the notebook") << int(SQLITE_OPEN_MAIN_DB) << qint64(4096) << 4096;
    QTest::newRow("nominal: a page of a temporary table") << int(SQLITE_OPEN_TEMP_DB) << qint64(8192) << 4096;
    QTest::newRow("nominal: a record of a statement journal") << int(SQLITE_OPEN_SUBJOURNAL) << qint64(4) << 4100;
    QTest::newRow("nominal: a run of a sort") << int(SQLITE_OPEN_TEMP_JOURNAL) << qint64(5000) << 300;
}

void TestCipherFiles::rewrittenPageTakesNewNonce()
{
    QFETCH(int, kind);
    QFETCH(qint64, offset);
    QFETCH(int, length);
    const QString path = kind == SQLITE_OPEN_MAIN_DB ? file_ : dir_->filePath(QStringLiteral("temporary"));
    sqlite3_vfs *layer = sqlite3_vfs_find(CipherVfs::name());
    sqlite3_filename name = sqlite3_create_filename(QFile::encodeName(path).constData(), "", "", 0, nullptr);
    std::vector<char> handle(std::size_t(layer->szOsFile));
    auto *f = reinterpret_cast<sqlite3_file *>(handle.data());
    QCOMPARE(layer->xOpen(layer, name, f, kind | SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), SQLITE_OK);
    // The same bytes written twice at the same place must not give the same bytes on disk.
    const QByteArray plain = QByteArray("ZebraTitleQuokka ").repeated(length / 17 + 1).left(length);
    QByteArray stored[2];
    for (QByteArray &bytes : stored) {
        QCOMPARE(f->pMethods->xWrite(f, plain.constData(), length, offset), SQLITE_OK);
        bytes = fileBytes(path);
    }
    QByteArray back(length, '\0');
    QCOMPARE(f->pMethods->xRead(f, back.data(), length, offset), SQLITE_OK);
    f->pMethods->xClose(f);
    sqlite3_free_filename(name);
    // A notebook page's last bytes hold its nonce and tag, never the engine's data.
    const int data = kind == SQLITE_OPEN_MAIN_DB ? length - NotebookHeader::ReserveBytes : length;
    QCOMPARE(back.left(data), plain.left(data));
    QVERIFY(stored[0].size() == stored[1].size() && stored[0] != stored[1]);
    QCOMPARE(CryptoTest::secretsIn(stored[0] + stored[1]), QStringList());
}

QTEST_GUILESS_MAIN(TestCipherFiles)
#include "tst_cipherfiles.moc"
