// Hundreds of kills: a second process saving in a loop and a third compacting are killed at
// random moments, over and over. Every note a save acknowledged must survive, the file must stay
// sound, and nothing of ours may be left beside it. Takes minutes, so it runs only when asked:
//
//     cmake -B build -DQB_LONG_TESTS=ON && ctest --test-dir build -L long --output-on-failure
//
// QB_KILLS sets the number of rounds (default 300).

#include "StoreTestUtil.h"

#include "store/FileOps.h"
#include "store/Notebook.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class TestKilledSaves : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killsLoseNothingAcknowledged();
};

void TestKilledSaves::killsLoseNothingAcknowledged()
{
    const int rounds = qEnvironmentVariableIsSet("QB_KILLS") ? qEnvironmentVariableIntValue("QB_KILLS") : 300;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("killed.qbf"));
    QString error = importNotes(path, 0, 0);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QRandomGenerator random(20261208);
    QList<qint64> acknowledged;
    int compactionsKilled = 0;
    for (int round = 0; round < rounds; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(QB_SAVER), {path, QStringLiteral("100000"), QStringLiteral("3000")});
        QVERIFY(saver.waitForStarted());
        // Every third round a compaction runs in its own process at the same time.
        pid_t compactor = -1;
        if (round % 3 == 0) {
            compactor = ::fork();
            QVERIFY(compactor >= 0);
            if (compactor == 0) {
                QString why;
                for (;;)
                    FileOps::Compact(path, &why);
            }
        }
        QTest::qWait(int(random.bounded(20, 400)));
        if (compactor > 0) {
            ::kill(compactor, SIGKILL);
            ::waitpid(compactor, nullptr, 0);
            ++compactionsKilled;
        }
        saver.kill();
        QVERIFY(saver.waitForFinished());
        const SaverOutput out = parseSaverOutput(saver.readAllStandardOutput());
        QVERIFY2(out.failures.isEmpty(), qPrintable(out.failures.join(QLatin1Char('\n'))));
        acknowledged += out.acknowledged;

        const QSet<qint64> ids = noteIdsIn(path, &error);
        QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(error)));
        for (qint64 id : std::as_const(acknowledged))
            QVERIFY2(ids.contains(id), qPrintable(QStringLiteral("round %1: note %2 lost").arg(round).arg(id)));
    }
    QVERIFY(acknowledged.size() > rounds);
    QCOMPARE(RawDb(path).scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    // The last open removed what the killed compactions left.
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, QStringList{QStringLiteral("killed.qbf")});
    qInfo("%d rounds, %d compactions killed, %lld notes acknowledged and kept", rounds, compactionsKilled,
          qint64(acknowledged.size()));
}

QTEST_GUILESS_MAIN(TestKilledSaves)
#include "tst_killedsaves.moc"
