// Computers syncing through a real place (a WebDAV server, a folder), each keeping its side in
// memory the way the notebook keeps it: what sync must never do is checked on what crosses the
// place.
#include "PlaceFixture.h"

#include "store/crypto/SecretKey.h"
#include "sync/SyncLog.h"
#include "sync/SyncRun.h"
#include "sync/SyncReplica.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

class MemoryReplica : public SyncReplica
{
public:
    MemoryReplica()
    {
        computer_.resize(16);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(computer_.data()), 4);
    }

    // A change made here, as a save would make it.
    void save(const QByteArray &object, const QByteArray &text, bool deleted = false)
    {
        const Revisions::Revision r = known.change(object, text, deleted);
        known.add(r);
        outbox_.append(r);
    }
    QByteArray shows(const QByteArray &object) const
    {
        const Revisions::Resolved r = known.resolve(object);
        return r.current ? r.current->content : QByteArray();
    }

    QByteArray computer() const override { return computer_; }
    bool renewComputer() override { return false; } // never a copy here
    QByteArray placeId() const override { return placeId_; }
    std::shared_ptr<SecretKey> key() const override { return key_; }
    bool joinPlace(const QByteArray &placeId, const std::shared_ptr<SecretKey> &key) override
    {
        placeId_ = placeId;
        key_ = key;
        return true;
    }
    bool empty() const override { return known.objects().isEmpty(); }
    QList<Revisions::Revision> unsent(quint64 *number) override
    {
        // The batch is fixed once numbered, as the notebook fixes it in one transaction.
        if (pending_.isEmpty()) {
            pending_ = outbox_;
            outbox_.clear();
        }
        *number = lastSent_ + 1;
        return pending_;
    }
    bool sent(quint64 number) override
    {
        if (crashBeforeNotingSent)
            return false; // the program died after the file went out
        lastSent_ = number;
        pending_.clear();
        return true;
    }
    quint64 read(const QByteArray &computer) const override { return read_.value(computer); }
    bool apply(const QByteArray &computer, quint64 number, const QList<Revisions::Revision> &revisions) override
    {
        for (const Revisions::Revision &r : revisions)
            if (!known.add(r))
                ++appliedTwice;
        read_[computer] = number;
        return true;
    }

    QList<Revisions::Revision> everything() const override
    {
        QList<Revisions::Revision> all;
        for (const QByteArray &object : known.objects())
            for (const QByteArray &id : known.ofObject(object))
                all.append(*known.find(id));
        return all;
    }
    QHash<QByteArray, quint64> readUpTo() const override { return read_; }
    bool applySnapshot(const QHash<QByteArray, quint64> &covered, const QList<Revisions::Revision> &revisions) override
    {
        for (const Revisions::Revision &r : revisions)
            known.add(r);
        for (auto it = covered.begin(); it != covered.end(); ++it)
            read_[it.key()] = qMax(read_.value(it.key()), it.value());
        return true;
    }

    Revisions known;
    bool crashBeforeNotingSent = false;
    int appliedTwice = 0;

private:
    QByteArray computer_, placeId_;
    std::shared_ptr<SecretKey> key_;
    QList<Revisions::Revision> outbox_, pending_;
    quint64 lastSent_ = 0;
    QHash<QByteArray, quint64> read_;
};

const QString kPassphrase = QStringLiteral("我们的 同步口令");

} // namespace

class TestSyncRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void computersMeetThroughThePlace_data();
    void computersMeetThroughThePlace();
};

void TestSyncRun::computersMeetThroughThePlace_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("spoil"); // what goes wrong on the way
    for (const char *kind : {"webdav", "folder"}) {
        const QString k = QLatin1String(kind);
        QTest::newRow(qPrintable(k + ": nominal: edits meet, a conflict is kept whole")) << k << "";
        QTest::newRow(qPrintable(k + ": robustness: killed after sending, before noting it")) << k << "crash";
        QTest::newRow(qPrintable(k + ": nominal: batches dropped once a snapshot has them")) << k << "snapshots";
        QTest::newRow(qPrintable(k + ": robustness: a batch changed on the place")) << k << "tamper";
        QTest::newRow(qPrintable(k + ": robustness: the place emptied")) << k << "emptied";
        QTest::newRow(qPrintable(k + ": robustness: the place out of reach")) << k << "away";
        QTest::newRow(qPrintable(k + ": robustness: a notebook with notes joins another's place")) << k << "other";
    }
}

void TestSyncRun::computersMeetThroughThePlace()
{
    QFETCH(QString, kind);
    QFETCH(QString, spoil);
    if (!PlaceFixture::missing(kind).isEmpty())
        QSKIP(qPrintable(PlaceFixture::missing(kind)));
    PlaceFixture fixture;
    const std::unique_ptr<SyncPlace> place = fixture.place(kind);
    QVERIFY(place);
    MemoryReplica a, b;
    auto sync = [&](MemoryReplica &r, const QString &passphrase = QString()) {
        SyncRun run(*place, r);
        run.keyCost = NotebookHeader::Cost::lightest();
        if (spoil == QLatin1String("snapshots"))
            run.snapshotEvery = 2;
        return run.run(passphrase);
    };

    a.save("n1", "周一开会");
    a.save("n2", "买牛奶");
    QCOMPARE(sync(a), SyncRun::Outcome::NeedPassphrase);
    a.crashBeforeNotingSent = spoil == QLatin1String("crash");
    QCOMPARE(sync(a, kPassphrase), a.crashBeforeNotingSent ? SyncRun::Outcome::Failed : SyncRun::Outcome::Done);
    if (a.crashBeforeNotingSent) {
        a.save("n3", "写在重启之后"); // goes in the next batch, not into the one already out
        a.crashBeforeNotingSent = false;
        QCOMPARE(sync(a), SyncRun::Outcome::Done);
        QCOMPARE(sync(a), SyncRun::Outcome::Done);
    }
    QVERIFY(!QDir(fixture.onDisk(kind)).entryList(QDir::Files).isEmpty());

    if (spoil == QLatin1String("other")) {
        b.save("mine", "另一个记事本的记事");
        QCOMPARE(sync(b, kPassphrase), SyncRun::Outcome::OtherNotebook);
        QCOMPARE(b.known.objects(), QList<QByteArray>{"mine"});
        return;
    }
    QCOMPARE(sync(b), SyncRun::Outcome::NeedPassphrase);
    QCOMPARE(sync(b, QStringLiteral("猜的口令")), SyncRun::Outcome::WrongPassphrase);
    QVERIFY(b.known.objects().isEmpty());
    if (spoil == QLatin1String("tamper")) {
        const QString batch = fixture.onDisk(kind) + QLatin1Char('/') + SyncLog::pathOf(a.computer(), 1);
        QFile f(batch);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        bytes[bytes.size() - 20] = char(bytes[bytes.size() - 20] ^ 0x40);
        QVERIFY(f.seek(0) && f.write(bytes) == bytes.size());
        f.close();
        QCOMPARE(sync(b, kPassphrase), SyncRun::Outcome::Refused);
        QVERIFY(b.known.objects().isEmpty());
        return;
    }
    QCOMPARE(sync(b, kPassphrase), SyncRun::Outcome::Done);
    QCOMPARE(b.shows("n1"), QByteArray("周一开会"));
    QCOMPARE(b.appliedTwice, 0);
    if (spoil == QLatin1String("snapshots")) {
        // A goes on alone, a batch per sync; its batches before the last two go once its
        // snapshot has them. B, behind, and C, new, start from the snapshot.
        for (int i = 0; i < 5; ++i) {
            a.save("n" + QByteArray::number(10 + i), "第 " + QByteArray::number(i) + " 条");
            QCOMPARE(sync(a), SyncRun::Outcome::Done);
        }
        const QStringList left = QDir(fixture.onDisk(kind) + QLatin1Char('/') + SyncLog::folderOf(a.computer())).entryList(QDir::Files);
        QCOMPARE(left, (QStringList{"0000000000000005.log", "0000000000000006.log", "snapshot"}));
        MemoryReplica c;
        QCOMPARE(sync(b), SyncRun::Outcome::Done);
        QCOMPARE(sync(c, kPassphrase), SyncRun::Outcome::Done);
        for (const QByteArray &object : a.known.objects()) {
            QCOMPARE(b.shows(object), a.shows(object));
            QCOMPARE(c.shows(object), a.shows(object));
        }
        QCOMPARE(c.known.objects().size(), 7);
        return;
    }

    // Both change the same note between syncs: neither wins silently.
    a.save("n1", "周一开会，改到三点");
    b.save("n1", "周一开会，带上报告");
    b.save("n2", "", true);
    if (spoil == QLatin1String("emptied") || spoil == QLatin1String("away")) {
        if (spoil == QLatin1String("emptied")) {
            QDir(fixture.onDisk(kind)).removeRecursively();
            QDir().mkpath(fixture.onDisk(kind));
        } else {
            fixture.takeAway(kind);
        }
        const QByteArray before = a.shows("n1") + a.shows("n2");
        QCOMPARE(sync(a), spoil == QLatin1String("emptied") ? SyncRun::Outcome::PlaceLost : SyncRun::Outcome::Unreachable);
        QCOMPARE(a.shows("n1") + a.shows("n2"), before);
        return;
    }
    QCOMPARE(sync(a), SyncRun::Outcome::Done);
    QCOMPARE(sync(b), SyncRun::Outcome::Done);
    QCOMPARE(sync(a), SyncRun::Outcome::Done);
    for (const QByteArray &object : {QByteArray("n1"), QByteArray("n2")}) {
        QCOMPARE(a.shows(object), b.shows(object));
        QCOMPARE(a.known.resolve(object).conflict, b.known.resolve(object).conflict);
    }
    QVERIFY(a.known.resolve("n1").conflict);
    QStringList versions;
    for (const Revisions::Revision *v : a.known.resolve("n1").others)
        versions << QString::fromUtf8(v->content);
    versions << QString::fromUtf8(a.shows("n1"));
    versions.sort();
    QCOMPARE(versions, (QStringList{"周一开会", "周一开会，带上报告", "周一开会，改到三点"}));
    QVERIFY(a.shows("n2").isEmpty()); // deleted on one computer, after it had seen the note
    QCOMPARE(a.appliedTwice + b.appliedTwice, 0);
}

QTEST_MAIN(TestSyncRun)
#include "tst_syncrun.moc"
