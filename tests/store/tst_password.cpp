// The access password: stored only as a salted hash, replaced in one transaction.

#include "StoreTestUtil.h"

#include "store/Notebook.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sodium.h>

class TestPassword : public QObject, protected FreshNotebookFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void newFileHasNone();
    void writeThenCheck_data();
    void writeThenCheck();
    void rewriteKeepsOneRowAndForgetsTheOld();
    void emptyRemovesThePassword();
    void refusedWriteKeepsThePassword_data();
    void refusedWriteKeepsThePassword();
    void matches_data();
    void matches();
    void hashCostIsBounded_data();
    void hashCostIsBounded();
};

void TestPassword::init()
{
    QVERIFY(openFreshNotebook(QStringLiteral("pw.qbf")));
    db_->setPasswordCost(NotebookHeader::Cost::lightest());
}

void TestPassword::cleanup()
{
    closeFreshNotebook();
}

void TestPassword::newFileHasNone()
{
    QCOMPARE(db_->readPassword(), QString());
    QVERIFY(db_->lastError().isEmpty());
    QVERIFY(Notebook::passwordMatches(QString(), db_->readPassword()));
    QVERIFY(!Notebook::passwordMatches(QStringLiteral("x"), db_->readPassword()));
}

void TestPassword::writeThenCheck_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("wrong");
    QTest::newRow("nominal: ASCII") << "Zebra-Quokka-7731" << "zebra-quokka-7731";
    QTest::newRow("nominal: Chinese") << "芝麻开门密码" << "芝麻开门";
    QTest::newRow("nominal: blanks kept") << "  Spaced Out  " << "Spaced Out";
    QTest::newRow("nominal: quotes") << "it's \"x\"'; --" << "it's \"x\"";
    QTest::newRow("nominal: 50 characters") << QString(25, u'A') + QString(25, u'密') << QString(25, u'A');
}

void TestPassword::writeThenCheck()
{
    QFETCH(QString, password);
    QFETCH(QString, wrong);
    QVERIFY(db_->writePassword(password));
    const QString stored = db_->readPassword();
    // The password now lives in the header of an encrypted file.
    QVERIFY(db_->encrypted());
    QVERIFY(stored.startsWith(QLatin1String("$qbsealed$")));
    QVERIFY(Notebook::passwordMatches(password, stored));
    QVERIFY(!Notebook::passwordMatches(wrong, stored));
    QVERIFY(!Notebook::passwordMatches(QString(), stored));

    // The same password hashed again gives another string: it is salted.
    const QString hashed = Notebook::hashPassword(password);
    QVERIFY(hashed.startsWith(QLatin1String("$argon2id$")));
    QVERIFY(Notebook::hashPassword(password) != hashed);
    QVERIFY(Notebook::passwordMatches(password, hashed));

    db_->close();
    const QByteArray file = fileBytes(path_);
    QVERIFY(!file.contains(password.toUtf8()));
    const QByteArray utf16(reinterpret_cast<const char *>(password.utf16()), password.size() * 2);
    QVERIFY(!file.contains(utf16));
}

void TestPassword::rewriteKeepsOneRowAndForgetsTheOld()
{
    QVERIFY(db_->writePassword(QStringLiteral("first")));
    const QString firstStored = db_->readPassword();
    QVERIFY(db_->writePassword(QStringLiteral("second")));
    const QString stored = db_->readPassword();
    QVERIFY(Notebook::passwordMatches(QStringLiteral("second"), stored));
    QVERIFY(!Notebook::passwordMatches(QStringLiteral("first"), stored));
    db_->close();
    // The old wrapping of the key is overwritten, not left for offline guessing.
    NotebookHeader::Header first;
    QVERIFY(NotebookHeader::fromStoredForm(firstStored, &first));
    const QByteArray oldWrap(reinterpret_cast<const char *>(first.wrappedKey.data()), int(first.wrappedKey.size()));
    QVERIFY(!fileBytes(path_).contains(oldWrap));
}

void TestPassword::emptyRemovesThePassword()
{
    QVERIFY(db_->writePassword(QStringLiteral("abc")));
    QVERIFY(db_->writePassword(QString()));
    QCOMPARE(db_->readPassword(), QString());
    QCOMPARE(RawDb(path_).count(QStringLiteral("admin")), 1); // a row holding ""
    db_->close();
    db_->open(path_);
    QCOMPARE(db_->readPassword(), QString());
}

void TestPassword::refusedWriteKeepsThePassword_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("trigger");
    QTest::newRow("robustness: 51 characters") << QString(51, u'p') << QByteArray();
    QTest::newRow("robustness: 51 Chinese characters") << QString(51, u'密') << QByteArray();
    QTest::newRow("robustness: insert fails after the delete")
        << "newpass" << QByteArray("CREATE TRIGGER stop BEFORE INSERT ON admin BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    QTest::newRow("robustness: delete fails")
        << "newpass" << QByteArray("CREATE TRIGGER stop BEFORE DELETE ON admin BEGIN SELECT RAISE(ABORT, 'refused'); END;");
}

void TestPassword::refusedWriteKeepsThePassword()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, trigger);
    // A plain notebook with a password hash, as written before notebooks were encrypted: setting
    // a new one rewrites the password row in the encrypted copy.
    db_->close();
    const QByteArray set = "INSERT INTO admin VALUES ('" + Notebook::hashPassword(QStringLiteral("old")).toLatin1() + "')";
    QCOMPARE(RawDb(path_).exec(set.constData()), SQLITE_OK);
    db_->open(path_);
    const QString stored = db_->readPassword();
    if (!trigger.isEmpty())
        QCOMPARE(RawDb(path_).exec(trigger.constData()), SQLITE_OK);
    QVERIFY(!db_->writePassword(password));
    QVERIFY(!db_->lastError().isEmpty());
    QCOMPARE(db_->readPassword(), stored);
    QCOMPARE(RawDb(path_).count(QStringLiteral("admin")), 1);
}

void TestPassword::matches_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("match");
    QTest::newRow("nominal: no password, nothing typed") << "" << "" << true;
    QTest::newRow("robustness: no password, something typed") << "a" << "" << false;
    QTest::newRow("nominal: plain stored form from elsewhere") << "abc" << "abc" << true;
    QTest::newRow("robustness: plain stored form, other case") << "ABC" << "abc" << false;
    QTest::newRow("robustness: damaged hash never matches") << "abc" << "$argon2id$v=19$broken" << false;
    QTest::newRow("robustness: the hash itself is not the password")
        << "$argon2id$v=19$broken" << "$argon2id$v=19$broken" << false;
}

void TestPassword::matches()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(bool, match);
    QCOMPARE(Notebook::passwordMatches(typed, stored), match);
}

void TestPassword::hashCostIsBounded_data()
{
    QTest::addColumn<quint64>("memoryKiB");
    QTest::addColumn<quint64>("passes");
    QTest::addColumn<int>("lanes");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("nominal: our own cost") << quint64(65536) << quint64(2) << 1 << true;
    QTest::newRow("nominal: twice our memory") << quint64(131072) << quint64(2) << 1 << true;
    QTest::newRow("robustness: 10000 passes") << quint64(65536) << quint64(10000) << 1 << false;
    QTest::newRow("robustness: 2 GiB of memory") << quint64(2097152) << quint64(1) << 1 << false;
    QTest::newRow("robustness: four times the memory, more passes") << quint64(262144) << quint64(3) << 1 << false;
    QTest::newRow("robustness: four lanes") << quint64(65536) << quint64(2) << 4 << false;
}

// A file can carry a hash of any cost; checking one far beyond ours would freeze the prompt.
void TestPassword::hashCostIsBounded()
{
    QFETCH(quint64, memoryKiB);
    QFETCH(quint64, passes);
    QFETCH(int, lanes);
    QFETCH(bool, accepted);
    QString stored;
    if (accepted) {
        char out[crypto_pwhash_STRBYTES];
        QCOMPARE(crypto_pwhash_str(out, "abc", 3, passes, memoryKiB * 1024), 0);
        stored = QString::fromLatin1(out);
    } else {
        // Our own hash with other parameters written in: only the parameters can refuse it.
        stored = Notebook::hashPassword(QStringLiteral("abc"));
        stored.replace(QRegularExpression(QStringLiteral("m=\\d+,t=\\d+,p=\\d+")),
                       QStringLiteral("m=%1,t=%2,p=%3").arg(memoryKiB).arg(passes).arg(lanes));
    }
    QVERIFY(stored.startsWith(QLatin1String("$argon2id$v=19$m=")));
    QCOMPARE(RawDb(path_).exec(qPrintable(QStringLiteral("INSERT INTO admin (vPassword) VALUES ('%1')").arg(stored))),
             SQLITE_OK);
    QCOMPARE(db_->readPassword(), stored);
    QCOMPARE(db_->lastError().isEmpty(), accepted);
    QCOMPARE(Notebook::passwordMatches(QStringLiteral("abc"), stored), accepted);
}

QTEST_GUILESS_MAIN(TestPassword)
#include "tst_password.moc"
