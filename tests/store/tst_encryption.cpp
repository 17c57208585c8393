// Encryption at rest: a notebook with an access password is unreadable without it, in its file,
// journal and copies; damage is told from a wrong password; a kill leaves the old or new state.

#include "CryptoTestUtil.h"

#include "search/NoteIndex.h"
#include "search/NoteSearch.h"
#include "store/AutoBackup.h"
#include "store/FileOps.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/crypto/CipherVfs.h"
#include "store/crypto/NotebookHeader.h"
#include "store/crypto/SecretKey.h"
#include "store/crypto/SeenCommits.h"

#include <QDir>
#include <QtEndian>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <functional>

using CryptoTest::LayerDb;
using CryptoTest::listing;
using CryptoTest::secretsIn;

namespace {

constexpr int Region = NotebookHeader::RegionBytes;
constexpr int Page = NotebookHeader::PageSize;

QStringList failures(const QStringList &seen)
{
    return seen.filter(QRegularExpression(QStringLiteral("^(groups|notes|body) failed: ")));
}

void flipByte(QByteArray &b, qsizetype at)
{
    b[at] = char(b[at] ^ 0x10);
}

QByteArray page(const QByteArray &file, int pgno)
{
    return file.mid(Region + qsizetype(pgno - 1) * Page, Page);
}

void putPage(QByteArray &file, int pgno, const QByteArray &bytes)
{
    file.replace(Region + qsizetype(pgno - 1) * Page, Page, bytes);
}

// Texts that live only beside the notes inside the file: a title kept by history, one kept by
// the recently deleted notes, and the search index's folded copy of an indexed body. Written
// to the open notebook; the texts are returned for looking them up in the bytes.
QStringList writeKeptTexts(Notebook &db)
{
    NoteIndex::attach(db, [](const QString &body) { return body; });
    VectorNoteSink list;
    Notes(db).list(list, -1);
    if (list.items.size() < 2)
        return {QStringLiteral("too few notes")};
    const qint64 kept = list.items[0].key.mid(1).toLongLong();
    const qint64 deleted = list.items[1].key.mid(1).toLongLong();
    if (!Notes(db).update(kept, makeNote(QStringLiteral("WombatHistory")))
        || !Notes(db).update(kept, makeNote(QStringLiteral("later title")))
        || !Notes(db).update(deleted, makeNote(QStringLiteral("KoalaDeleted"))) || !Notes(db).remove(deleted)
        || !Notes(db).add(1, makeNote(QStringLiteral("indexed"), QStringLiteral("重要"), 0,
                                      QStringLiteral("{\\rtf1 IndexedEchidna}"))) // group 1: the first one
        || !NoteSearch(db).buildIndex()
        || NoteSearch(db).find(QStringLiteral("indexedechidna"), {}).value_or(SearchResult{}).total != 1)
        return {QStringLiteral("writing failed: ") + db.lastError()};
    return {QStringLiteral("WombatHistory"), QStringLiteral("KoalaDeleted"), QStringLiteral("indexedechidna")};
}

QStringList foundIn(const QByteArray &bytes, const QStringList &texts)
{
    QStringList found;
    for (const QString &t : texts) {
        if (bytes.contains(t.toUtf8()))
            found << t;
    }
    return found;
}

} // namespace

class TestEncryption : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void roundTrips_data();
    void roundTrips();
    void damageIsNotAWrongPassword_data();
    void damageIsNotAWrongPassword();
    void killLeavesOldOrNewState_data();
    void killLeavesOldOrNewState();
    void tornHeaderWriteOpensWithOnePassword_data();
    void tornHeaderWriteOpensWithOnePassword();
    void olderCopyIsNoticed_data();
    void olderCopyIsNoticed();
    void noPlaintextAnywhere();
    void keptTextsAreInAPlainFile();
    void oldHeaderOpensNothingAfterAChange();

private:
    QTemporaryDir templates_; // filled notebooks, built once: every note is a durable save
    std::unique_ptr<QTemporaryDir> dir_;
    QString path(const QString &name) const { return dir_->filePath(name); }
    // A filled notebook at name, protected by password ("" = plain); its listing in *seen.
    bool makeNotebook(const QString &name, const QString &password, QStringList *seen, int notes = 60);
};

void TestEncryption::initTestCase()
{
    QVERIFY(templates_.isValid());
    for (const int notes : {60, 300}) {
        Notebook db;
        QVERIFY(openFresh(db, templates_.filePath(QString::number(notes))));
        QVERIFY(CryptoTest::fill(db, notes));
    }
}

void TestEncryption::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

bool TestEncryption::makeNotebook(const QString &name, const QString &password, QStringList *seen, int notes)
{
    if (!QFile::copy(templates_.filePath(QString::number(notes)), path(name)))
        return false;
    Notebook db;
    db.setPasswordCost(NotebookHeader::Cost::lightest());
    db.open(path(name));
    if (!password.isEmpty() && !db.writePassword(password))
        return false;
    *seen = listing(db);
    return failures(*seen).isEmpty();
}

void TestEncryption::roundTrips_data()
{
    QTest::addColumn<bool>("oldHash");     // starts as a plain file with a password hash ("old")
    QTest::addColumn<QStringList>("steps"); // passwords written in turn; "" removes it
    QTest::newRow("nominal: set") << false << QStringList{"Sesame"};
    QTest::newRow("nominal: set, then change") << false << QStringList{"Sesame", "芝麻开门 second"};
    QTest::newRow("nominal: set, then remove") << false << QStringList{"Sesame", ""};
    QTest::newRow("nominal: set, remove, set again") << false << QStringList{"Sesame", "", "Again"};
    QTest::newRow("nominal: an old plain notebook with a password gets encrypted") << true << QStringList{"newer"};
    QTest::newRow("nominal: an old plain notebook's password removed") << true << QStringList{""};
}

void TestEncryption::roundTrips()
{
    QFETCH(bool, oldHash);
    QFETCH(QStringList, steps);
    const QString file = path(QStringLiteral("trip.qbf"));
    QStringList seen;
    QVERIFY(makeNotebook(QStringLiteral("trip.qbf"), {}, &seen));
    QString current;
    if (oldHash) {
        // As written before notebooks were encrypted: the hash in the admin row of a plain file.
        const QByteArray sql = "DELETE FROM admin; INSERT INTO admin VALUES ('"
                               + Notebook::hashPassword(QStringLiteral("old")).toLatin1() + "')";
        QCOMPARE(RawDb(file).exec(sql.constData()), SQLITE_OK);
        current = QStringLiteral("old");
    }

    Notebook db;
    db.setPasswordCost(NotebookHeader::Cost::lightest());
    QCOMPARE(db.openWithPassword(file, current), Notebook::Access::Opened);
    for (const QString &step : steps) {
        QVERIFY(db.writePassword(step));
        current = step;
        QCOMPARE(db.encrypted(), !step.isEmpty());
        QCOMPARE(listing(db), seen);
        QVERIFY(Notebook::passwordMatches(step, db.readPassword()));
        QVERIFY(!Notebook::passwordMatches(step + QLatin1Char('x'), db.readPassword()));
        // Writing goes on as before, through the journal.
        QVERIFY(Notes(db).add(1, makeNote(QStringLiteral("ZebraTitleQuokka after"), QStringLiteral("普通"), 0,
                                        QStringLiteral("{\\rtf1 OkapiBodyNarwhal after}"))));
        seen = listing(db);
        QVERIFY(failures(seen).isEmpty());
    }
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no copies left over

    {
        // Another store opens it with the last password only.
        Notebook other;
        if (!current.isEmpty()) {
            QCOMPARE(other.openWithPassword(file, current + QLatin1Char(' ')), Notebook::Access::WrongPassword);
            QVERIFY(!other.isOpen());
        }
        QCOMPARE(other.openWithPassword(file, current), Notebook::Access::Opened);
        QCOMPARE(listing(other), seen);
    }
    // With that store gone, one of this process that never asked for the password (the window's
    // index worker) still opens it while the first holds its key, and so does the copy at exit.
    Notebook worker;
    worker.open(file);
    QVERIFY2(worker.isOpen(), qPrintable(worker.lastError()));
    QCOMPARE(listing(worker), seen);
    worker.close();
    BackupJob copy(file, path(QStringLiteral("copies")));
    QCOMPARE(copy.runToEnd(), BackupJob::Done);
    db.close();

    const bool encrypted = !current.isEmpty();
    QCOMPARE(Notebook::protectionOf(file), encrypted ? Notebook::Protection::Encrypted : Notebook::Protection::Plain);
    // The bytes tell nothing of the notes when encrypted (and the search does find them in a plain file).
    QCOMPARE(secretsIn(fileBytes(file)).isEmpty(), encrypted);
    QCOMPARE(RawDb(file).scalar(QStringLiteral("SELECT count(*) FROM Notes")).isEmpty(), encrypted);
}

void TestEncryption::damageIsNotAWrongPassword_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("opensIntact"); // shows all it held before (a crash's intact journal rolled back)
    QTest::newRow("nominal: the journal of a crash, intact") << "journal" << true;
    QTest::newRow("nominal: a byte of one header slot, the other intact") << "slot" << true;
    QTest::newRow("robustness: a byte of both header slots") << "header" << false;
    QTest::newRow("robustness: a byte of the salt in both header slots") << "salt" << false;
    // The check value is no secret: these headers carry a recomputed one, as an attacker's would.
    // Each is damage before any derivation; the first two took minutes as a wrong password.
    QTest::newRow("robustness: a cost of 1 GiB") << "cost 3 1073741824" << false;
    QTest::newRow("robustness: four times our memory, four passes") << "cost 4 536870912" << false;
    QTest::newRow("robustness: passes times memory past 64 bits") << "cost 34359738368 536870912" << false;
    QTest::newRow("robustness: a non-zero reserved field") << "reserved" << false;
    QTest::newRow("robustness: a newer slot of a later format") << "later format" << false;
    QTest::newRow("robustness: a byte of the first page") << "page 1" << false;
    QTest::newRow("robustness: a byte of a later page") << "page 5" << false;
    QTest::newRow("robustness: a byte of a page in the journal") << "journal byte" << false;
    QTest::newRow("robustness: truncated inside a page") << "truncate 100" << false;
    QTest::newRow("robustness: truncated by a whole page") << "truncate page" << false;
    QTest::newRow("robustness: two pages swapped") << "swap" << false;
    QTest::newRow("robustness: a page from another encrypted notebook") << "foreign" << false;
    QTest::newRow("robustness: a page from a backup of the same notebook") << "backup" << false;
}

void TestEncryption::damageIsNotAWrongPassword()
{
    QFETCH(QString, damage);
    QFETCH(bool, opensIntact);
    const QString file = path(QStringLiteral("victim.qbf"));
    const QString journal = file + QLatin1String(CipherVfs::JournalSuffix);
    QStringList seen;
    QVERIFY(makeNotebook(QStringLiteral("victim.qbf"), QStringLiteral("pw"), &seen));
    QStringList other;
    QVERIFY(makeNotebook(QStringLiteral("other.qbf"), QStringLiteral("pw"), &other));

    Notebook unlocked;
    QCOMPARE(unlocked.unlock(file, QStringLiteral("pw")), 1);
    QByteArray bytes = fileBytes(file);
    QByteArray journalBytes;
    if (damage.startsWith(QLatin1String("journal"))) {
        // A crash in the middle of a save: pages already changed in the file, the originals in
        // the journal. Caught while the transaction is open.
        LayerDb writer(file);
        QCOMPARE(writer.exec("PRAGMA cache_size = 1; BEGIN; UPDATE Notes SET nNote = 'overwritten';"
                             "UPDATE Groups SET vGroupName = 'renamed'"),
                 SQLITE_OK);
        bytes = fileBytes(file);
        journalBytes = fileBytes(journal);
        QVERIFY(journalBytes.size() > Region + Page);
        QCOMPARE(writer.exec("ROLLBACK"), SQLITE_OK);
        // Inside the first record's page image, after the journal header (one sector, its size
        // stored in the header) and the record's page number.
        const auto sector = qFromBigEndian<quint32>(journalBytes.constData() + 20);
        if (damage == QLatin1String("journal byte"))
            flipByte(journalBytes, sector + 4 + 1000);
    } else if (damage == QLatin1String("slot")) {
        flipByte(bytes, 70);
    } else if (damage == QLatin1String("header") || damage == QLatin1String("salt")) {
        for (const int slot : {0, NotebookHeader::SlotStride})
            flipByte(bytes, slot + (damage == QLatin1String("salt") ? 50 : 70));
    } else if (damage.startsWith(QLatin1String("cost")) || damage == QLatin1String("reserved")
               || damage == QLatin1String("later format")) {
        NotebookHeader::Header h;
        QCOMPARE(NotebookHeader::read(file, &h), NotebookHeader::Kind::Encrypted);
        const QStringList cost = damage.split(QLatin1Char(' '));
        if (cost.size() == 3) {
            h.opsLimit = cost[1].toULongLong();
            h.memLimit = cost[2].toULongLong();
        }
        h.generation += 1;
        QByteArray slot = NotebookHeader::encode(h);
        if (damage == QLatin1String("reserved"))
            slot[CryptoTest::Slot::Reserved] = 1;
        if (damage == QLatin1String("later format"))
            slot[CryptoTest::Slot::Version] = 3;
        CryptoTest::Slot::recheck(slot);
        for (const int at : {0, NotebookHeader::SlotStride})
            bytes.replace(at, slot.size(), slot);
    } else if (damage.startsWith(QLatin1String("page "))) {
        flipByte(bytes, Region + (damage.mid(5).toInt() - 1) * Page + 1000);
    } else if (damage == QLatin1String("truncate 100")) {
        bytes.chop(100);
    } else if (damage == QLatin1String("truncate page")) {
        bytes.chop(Page);
    } else if (damage == QLatin1String("swap")) {
        const QByteArray two = page(bytes, 2);
        putPage(bytes, 2, page(bytes, 3));
        putPage(bytes, 3, two);
    } else if (damage == QLatin1String("foreign")) {
        putPage(bytes, 2, page(fileBytes(path(QStringLiteral("other.qbf"))), 2));
    } else if (damage == QLatin1String("backup")) {
        QString error;
        QCOMPARE(FileOps::BackupTo(file, path(QStringLiteral("copy.qbf")), &error), 1);
        putPage(bytes, 2, page(fileBytes(path(QStringLiteral("copy.qbf"))), 2));
    }
    unlocked.close();
    QVERIFY(writeBytes(file, bytes));
    if (!journalBytes.isEmpty())
        QVERIFY(writeBytes(journal, journalBytes));

    Notebook reader;
    const Notebook::Access access = reader.openWithPassword(file, QStringLiteral("pw"));
    if (opensIntact) {
        QCOMPARE(access, Notebook::Access::Opened);
        QCOMPARE(listing(reader), seen);
        return;
    }
    QVERIFY(access != Notebook::Access::WrongPassword);
    if (access == Notebook::Access::Opened) {
        // Opened, then: the damage sits where only a full read finds it, and that read says so.
        const QStringList read = listing(reader);
        QVERIFY(!failures(read).isEmpty());
        for (const QString &line : read)
            QVERIFY2(seen.contains(line) || failures(read).contains(line), qPrintable(line));
    }
}

void TestEncryption::killLeavesOldOrNewState_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("passwords"); // what the notebook may be opened with afterwards
    QTest::newRow("robustness: killed while encrypting or decrypting") << "encrypt" << QStringList{"", "A"};
    QTest::newRow("robustness: killed while changing the password") << "change" << QStringList{"A", "B"};
    QTest::newRow("robustness: killed while saving") << "save" << QStringList{"A"};
}

void TestEncryption::killLeavesOldOrNewState()
{
    QFETCH(QString, mode);
    QFETCH(QStringList, passwords);
    const QString file = path(QStringLiteral("killed.qbf"));
    QStringList seen;
    QVERIFY(makeNotebook(QStringLiteral("killed.qbf"), mode == QLatin1String("encrypt") ? QString() : QStringLiteral("A"),
                         &seen, 300));
    for (const int delayMs : {20, 90, 200}) {
        QProcess worker;
        worker.start(QStringLiteral(CRYPTO_WORKER), {mode, file});
        QVERIFY(worker.waitForReadyRead(20000));
        QCOMPARE(worker.readLine().trimmed(), QByteArray("ready"));
        QThread::msleep(delayMs);
        QCOMPARE(worker.state(), QProcess::Running); // still at work: it never stops on its own
        ::kill(pid_t(worker.processId()), SIGKILL);
        QVERIFY(worker.waitForFinished(10000));

        Notebook db;
        bool opened = false;
        for (const QString &pw : passwords)
            opened = opened || db.openWithPassword(file, pw) == Notebook::Access::Opened;
        QVERIFY2(opened, qPrintable(db.lastError()));
        const QStringList now = listing(db);
        QVERIFY(failures(now).isEmpty());
        if (mode == QLatin1String("save")) {
            QVERIFY(now.size() >= seen.size());
            QCOMPARE(now.mid(0, seen.size()), seen); // earlier notes and groups untouched
        } else {
            QCOMPARE(now, seen);
        }
        db.close();
        // Whatever a killed write left beside the notebook holds no plaintext when it is ours.
        for (const QString &left : QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden)) {
            const QString leftPath = path(left);
            const bool encryptedCopy = Notebook::protectionOf(leftPath) == Notebook::Protection::Encrypted;
            const bool journalOfEncrypted = left.endsWith(QLatin1String(CipherVfs::JournalSuffix))
                                            && Notebook::protectionOf(file) == Notebook::Protection::Encrypted;
            if (encryptedCopy || journalOfEncrypted)
                QVERIFY2(secretsIn(fileBytes(leftPath)).isEmpty(), qPrintable(left));
        }
    }
}

void TestEncryption::tornHeaderWriteOpensWithOnePassword_data()
{
    QTest::addColumn<bool>("firstFormat"); // the header as the first format wrote it
    QTest::addColumn<int>("cut");          // which of the change's two writes a crash cuts short
    for (const bool firstFormat : {false, true})
        for (const int cut : {0, 1})
            QTest::addRow("robustness: %s, write %d cut at every byte", firstFormat ? "first format" : "saved to", cut + 1)
                << firstFormat << cut;
}

// A crash while the password changes from A to B leaves any prefix of a write on the disk: the
// notebook then opens with one of the two, never neither, never both; and once the change is
// done, A's wrapping of the key has left the file.
void TestEncryption::tornHeaderWriteOpensWithOnePassword()
{
    QFETCH(bool, firstFormat);
    QFETCH(int, cut);
    const QString file = path(QStringLiteral("torn.qbf"));
    QStringList seen;
    QVERIFY(makeNotebook(QStringLiteral("torn.qbf"), QStringLiteral("A"), &seen));
    QByteArray bytes = fileBytes(file);
    if (firstFormat)
        bytes.replace(0, Region, CryptoTest::Slot::firstFormatRegion(bytes.left(CryptoTest::Slot::Bytes)));
    QVERIFY(writeBytes(file, bytes));
    Notebook unlocked;
    QCOMPARE(unlocked.unlock(file, QStringLiteral("A")), 1);
    NotebookHeader::Header header;
    QCOMPARE(NotebookHeader::read(file, &header), NotebookHeader::Kind::Encrypted);
    const QByteArray oldWrapping(reinterpret_cast<const char *>(header.wrappedKey.data()), int(header.wrappedKey.size()));
    QVERIFY(NotebookHeader::seal(QStringLiteral("B"), *CipherVfs::keyFor(header), NotebookHeader::Cost::lightest(), &header));
    const QList<NotebookHeader::Write> writes = NotebookHeader::rewriteWrites(bytes, header);
    QByteArray done = bytes;
    for (const NotebookHeader::Write &w : writes)
        done.replace(w.offset, int(w.bytes.size()), w.bytes);
    QVERIFY(!done.left(Region).contains(oldWrapping));

    for (int written = 0; written <= writes[cut].bytes.size(); ++written) {
        QByteArray crashed = bytes;
        for (int i = 0; i <= cut; ++i) {
            const int n = i < cut ? int(writes[i].bytes.size()) : written;
            crashed.replace(writes[i].offset, n, writes[i].bytes.left(n));
        }
        QVERIFY(writeBytes(file, crashed));
        const bool changed = cut > 0 || written == writes[cut].bytes.size();
        Notebook db;
        const QByteArray at = QByteArray::number(written) + " bytes written";
        QVERIFY2(db.openWithPassword(file, QLatin1String(changed ? "A" : "B")) == Notebook::Access::WrongPassword, at.constData());
        QVERIFY2(db.openWithPassword(file, QLatin1String(changed ? "B" : "A")) == Notebook::Access::Opened, at.constData());
        QCOMPARE(listing(db), seen);
    }
}

void TestEncryption::olderCopyIsNoticed_data()
{
    QTest::addColumn<QString>("putBack"); // over the file after it was saved to and closed
    QTest::addColumn<bool>("older");
    QTest::newRow("nominal: nothing") << "" << false;
    QTest::newRow("robustness: an older copy of the whole file") << "file" << true;
    QTest::newRow("robustness: the older copy, its count raised without the key") << "raised" << true;
    QTest::newRow("robustness: an older header on the newer pages") << "header" << true;
}

// An older copy of a notebook put back in its place passes every page check; its commit count,
// lower than the one last seen, gives it away, once.
void TestEncryption::olderCopyIsNoticed()
{
    QFETCH(QString, putBack);
    QFETCH(bool, older);
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", dataHome); });
    const QString file = path(QStringLiteral("kept.qbf"));
    QStringList seen;
    QVERIFY(makeNotebook(QStringLiteral("kept.qbf"), QStringLiteral("pw"), &seen));
    {
        Notebook db;
        QCOMPARE(db.openWithPassword(file, QStringLiteral("pw")), Notebook::Access::Opened);
        QVERIFY(!db.olderThanLastSeen()); // never seen
        QByteArray earlier = fileBytes(file);
        QVERIFY(Notes(db).add(1, makeNote(QStringLiteral("later"))));
        db.rememberCommits();
        QCOMPARE(QFile::permissions(SeenCommits::path()) & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());
        db.close();
        if (putBack == QLatin1String("raised")) {
            for (const int slot : {0, NotebookHeader::SlotStride}) {
                QByteArray bytes = earlier.mid(slot, CryptoTest::Slot::Bytes);
                qToLittleEndian<quint64>(1000000, bytes.data() + CryptoTest::Slot::Commits);
                CryptoTest::Slot::recheck(bytes);
                earlier.replace(slot, bytes.size(), bytes);
            }
        }
        if (putBack == QLatin1String("header"))
            QVERIFY(writeBytes(file, earlier.left(Region) + fileBytes(file).mid(Region)));
        else if (!putBack.isEmpty())
            QVERIFY(writeBytes(file, earlier));
    }
    Notebook reader;
    QCOMPARE(reader.openWithPassword(file, QStringLiteral("pw")), Notebook::Access::Opened);
    QCOMPARE(reader.olderThanLastSeen(), older);
    QVERIFY(!reader.olderThanLastSeen()); // said once: the user goes on with it
}

void TestEncryption::noPlaintextAnywhere()
{
    const QString file = path(QStringLiteral("secret.qbf"));
    QStringList seen;
    QVERIFY(makeNotebook(QStringLiteral("secret.qbf"), QStringLiteral("pw"), &seen));
    Notebook db;
    QCOMPARE(db.openWithPassword(file, QStringLiteral("pw")), Notebook::Access::Opened);
    QVERIFY(secretsIn(fileBytes(file)).isEmpty());
    // Nor in a core file, nor to another process of the user reading this one's memory.
    QCOMPARE(::prctl(PR_GET_DUMPABLE), 0);
    struct rlimit core = {};
    QCOMPARE(::getrlimit(RLIMIT_CORE, &core), 0);
    QCOMPARE(core.rlim_cur, rlim_t(0));

    {
        // The journal and the file in the middle of a transaction that rewrites every text, and
        // the engine's temporary files (a spilled temporary table, found through /proc).
        LayerDb writer(file);
        QCOMPARE(writer.exec("PRAGMA cache_size = 1; PRAGMA temp_store = FILE; PRAGMA temp.cache_size = 1;"
                             "BEGIN; UPDATE Notes SET nNote = nNote || nNote, nNoteTitle = nNoteTitle || ' 2';"
                             "UPDATE Groups SET vGroupName = vGroupName || ' 2';"
                             "CREATE TEMP TABLE copied AS SELECT * FROM Notes"),
                 SQLITE_OK);
        const QByteArray journal = fileBytes(file + QLatin1String(CipherVfs::JournalSuffix));
        QVERIFY(journal.size() > Region + Page);
        QCOMPARE(secretsIn(journal), QStringList());
        QCOMPARE(secretsIn(fileBytes(file)), QStringList());
        int temporaries = 0;
        for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
            if (!fd.symLinkTarget().contains(QLatin1String("/etilqs_")))
                continue;
            ++temporaries;
            QCOMPARE(secretsIn(fileBytes(fd.filePath())), QStringList());
        }
        QVERIFY(temporaries > 0);
        QCOMPARE(writer.exec("ROLLBACK"), SQLITE_OK);
    }

    // History, recently deleted notes and the search index are inside the file too.
    const QStringList kept = writeKeptTexts(db);
    QCOMPARE(kept.size(), 3);
    // Free pages for the compaction to give back.
    VectorNoteSink notes;
    Notes(db).list(notes, -1);
    for (qsizetype i = 10; i < 40; ++i)
        QVERIFY(Notes(db).remove(notes.items[i].key.mid(1).toLongLong()));
    seen = listing(db);
    QCOMPARE(foundIn(fileBytes(file), kept), QStringList());

    // Copies: a backup beside it, an automatic backup in its folder, and compaction in place.
    db.close();
    NotebookHeader::Header original;
    QCOMPARE(NotebookHeader::read(file, &original), NotebookHeader::Kind::Encrypted);
    QString error;
    QCOMPARE(FileOps::BackupTo(file, path(QStringLiteral("backup.qbf")), &error), 1);
    BackupJob automatic(file, path(QStringLiteral("auto")));
    QVERIFY2(automatic.runToEnd() == BackupJob::Done, qPrintable(automatic.error()));
    const qint64 before = QFileInfo(file).size();
    QCOMPARE(FileOps::Compact(file, &error), 1);
    QVERIFY(QFileInfo(file).size() < before);
    for (const QString &copy : {path(QStringLiteral("backup.qbf")), automatic.copyPath(), file}) {
        QCOMPARE(Notebook::protectionOf(copy), Notebook::Protection::Encrypted);
        const QByteArray bytes = fileBytes(copy);
        QCOMPARE(secretsIn(bytes), QStringList());
        QCOMPARE(foundIn(bytes, kept), QStringList());
        Notebook reader;
        QCOMPARE(reader.openWithPassword(copy, QStringLiteral("wrong")), Notebook::Access::WrongPassword);
        QCOMPARE(reader.openWithPassword(copy, QStringLiteral("pw")), Notebook::Access::Opened);
        QCOMPARE(listing(reader).mid(1), seen.mid(1)); // the root node shows the file name
        // A copy has an identity of its own, so pages of one are never taken for the other's.
        NotebookHeader::Header header;
        QCOMPARE(NotebookHeader::read(copy, &header), NotebookHeader::Kind::Encrypted);
        QVERIFY2((header.fileId == original.fileId) == (copy == file), qPrintable(copy));
    }
}

// The other side of the look-ups above: without a password the same texts are in the bytes, so
// their absence from a protected file means something.
void TestEncryption::keptTextsAreInAPlainFile()
{
    QStringList seen;
    QVERIFY(makeNotebook(QStringLiteral("plain.qbf"), QString(), &seen));
    Notebook db;
    db.open(path(QStringLiteral("plain.qbf")));
    QVERIFY(db.isOpen());
    const QStringList kept = writeKeptTexts(db);
    QCOMPARE(kept.size(), 3);
    db.close();
    QCOMPARE(foundIn(fileBytes(path(QStringLiteral("plain.qbf"))), kept), kept);
    QVERIFY(!secretsIn(fileBytes(path(QStringLiteral("plain.qbf")))).isEmpty());
}

// Whoever kept the header written under the old password learns nothing written after a change:
// put back over the changed file, it opens nothing with the old password, and the note added
// after the change is in no page the old key opens.
void TestEncryption::oldHeaderOpensNothingAfterAChange()
{
    const QString file = path(QStringLiteral("splice.qbf"));
    QStringList seen;
    QVERIFY(makeNotebook(QStringLiteral("splice.qbf"), QStringLiteral("A"), &seen));
    const QByteArray oldHeader = fileBytes(file).left(Region);
    {
        Notebook db;
        db.setPasswordCost(NotebookHeader::Cost::lightest());
        QCOMPARE(db.openWithPassword(file, QStringLiteral("A")), Notebook::Access::Opened);
        QVERIFY(db.writePassword(QStringLiteral("B")));
        CurrentNote later = CryptoTest::longNote();
        later.NoteTitle = QStringLiteral("改密码之后");
        QVERIFY(Notes(db).add(1, later));
    }
    QByteArray spliced = fileBytes(file);
    spliced.replace(0, Region, oldHeader);
    QVERIFY(writeBytes(file, spliced));
    Notebook old;
    const Notebook::Access access = old.openWithPassword(file, QStringLiteral("A"));
    QVERIFY2(access != Notebook::Access::Opened || !listing(old).contains(QStringLiteral("改密码之后")),
             "the old header opened what was written after the change");
}

QTEST_GUILESS_MAIN(TestEncryption)
#include "tst_encryption.moc"
