// The sync key and the files it seals.
#include "store/crypto/SecretKey.h"
#include "sync/SyncKey.h"

#include <QElapsedTimer>
#include <QTest>
#include <QtEndian>

class TestSyncKey : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onlyTheKeyOpensAFile_data();
    void onlyTheKeyOpensAFile();
};

void TestSyncKey::onlyTheKeyOpensAFile_data()
{
    QTest::addColumn<QString>("passphrase"); // typed on the second computer
    QTest::addColumn<QString>("spoil");      // "", "name", "keyfile", "cost" (wrong passphrases and
                                             // changed files: tst_syncrun, over a real place)
    QTest::addColumn<int>("opened");         // SyncKey::Opened
    QTest::addColumn<bool>("fileOpens");
    const int ok = int(SyncKey::Opened::Ok);
    QTest::newRow("nominal: the passphrase on another computer") << "同步 口令" << "" << ok << true;
    QTest::newRow("robustness: a file put under another name") << "同步 口令" << "name" << ok << false;
    QTest::newRow("robustness: a damaged key file") << "同步 口令" << "keyfile" << int(SyncKey::Opened::Damaged) << false;
    QTest::newRow("robustness: a key file asking for a huge cost") << "同步 口令" << "cost" << int(SyncKey::Opened::Damaged) << false;
}

void TestSyncKey::onlyTheKeyOpensAFile()
{
    QFETCH(QString, passphrase);
    QFETCH(QString, spoil);
    QFETCH(int, opened);
    QFETCH(bool, fileOpens);
    const std::optional<SyncKey::Made> made = SyncKey::make(QStringLiteral("同步 口令"), NotebookHeader::Cost::lightest());
    QVERIFY(made);
    const QByteArray plain = QStringLiteral("会议记录：周一开会").toUtf8();
    QByteArray sealed = SyncKey::seal(*made->key, QStringLiteral("d1/log-1"), plain);
    QVERIFY(!sealed.contains(plain));
    QVERIFY(SyncKey::seal(*made->key, QStringLiteral("d1/log-1"), plain) != sealed); // a fresh nonce each time

    QByteArray keyFile = made->keyFile;
    QString name = QStringLiteral("d1/log-1");
    if (spoil == QLatin1String("name"))
        name = QStringLiteral("d1/log-2");
    else if (spoil == QLatin1String("keyfile"))
        keyFile[40] = char(keyFile[40] ^ 1);
    else if (spoil == QLatin1String("cost")) {
        // The cost is stored ahead of anything that vouches for it; refused before deriving.
        NotebookHeader::Header h;
        QCOMPARE(NotebookHeader::decode(keyFile, &h), NotebookHeader::Kind::Encrypted);
        h.memLimit = quint64(4) << 30;
        keyFile = NotebookHeader::encode(h);
    }

    QElapsedTimer clock;
    clock.start();
    std::shared_ptr<SecretKey> key;
    QByteArray placeId;
    QCOMPARE(int(SyncKey::open(keyFile, passphrase, &key, &placeId)), opened);
    QVERIFY(clock.elapsed() < 5000);
    if (opened != int(SyncKey::Opened::Ok))
        return;
    QCOMPARE(placeId, made->placeId);
    const std::optional<QByteArray> back = SyncKey::unseal(*key, name, sealed);
    QCOMPARE(bool(back), fileOpens);
    if (fileOpens)
        QCOMPARE(*back, plain);
}

QTEST_MAIN(TestSyncKey)
#include "tst_synckey.moc"
