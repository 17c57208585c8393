// A second, real process saves notes in a loop (tests/store/saver.cpp) while this one opens,
// compacts, backs up or sets, changes and removes the password of the same notebook: nothing
// that process was told was saved may go missing, and a sound notebook is never refused.

#include "StoreTestUtil.h"

#include "store/FileOps.h"
#include "store/Import.h"
#include "store/Notebook.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestTwoProcesses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void whileAnotherProcessSaves_data();
    void whileAnotherProcessSaves();
    void passwordWhileAnotherProcessSaves();
};

namespace {

// 300 notes of which every second one is deleted again, so a compaction has pages to give back.
QString makeNotebook(const QString &path)
{
    const QString error = importNotes(path, 300, 2000);
    if (!error.isEmpty())
        return error;
    RawDb(path).exec("DELETE FROM Notes WHERE ID % 2 = 0");
    return {};
}

// Starts the saving process on path and returns its output up to its first saved note ("" when
// it never saved one).
QByteArray startSaver(QProcess &saver, const QString &path, int bodyChars, int pauseMs, const QString &passwords = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QB_SAVER_PASSWORDS"), passwords);
    saver.setProcessEnvironment(env);
    saver.start(QStringLiteral(QB_SAVER),
                {path, QStringLiteral("1000000"), QString::number(bodyChars), QString::number(pauseMs)});
    QByteArray output;
    if (!saver.waitForStarted())
        return output;
    while (!output.contains("ok ") && saver.waitForReadyRead(30000))
        output += saver.readAllStandardOutput();
    return output;
}

// Kills the saving process (in the middle of a save, as likely as not) and reads the rest of its
// output; what it acknowledged must be in the file.
SaverOutput killSaver(QProcess &saver, QByteArray &output)
{
    saver.kill();
    saver.waitForFinished();
    output += saver.readAllStandardOutput();
    return parseSaverOutput(output);
}

} // namespace

void TestTwoProcesses::whileAnotherProcessSaves_data()
{
    QTest::addColumn<QString>("op");
    QTest::newRow("nominal: opening while the other process grows the file") << "open";
    QTest::newRow("nominal: compacting while the other process saves") << "compact";
    QTest::newRow("nominal: backing up while the other process saves") << "backup";
}

void TestTwoProcesses::whileAnotherProcessSaves()
{
    QFETCH(QString, op);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("shared.qbf"));
    const QString copy = dir.filePath(QStringLiteral("copy.qbf"));
    const QString made = makeNotebook(path);
    QVERIFY2(made.isEmpty(), qPrintable(made));
    QString error;
    const QSet<qint64> before = noteIdsIn(path, &error);
    QCOMPARE(before.size(), 150);

    // The other process saves until it is killed; this one works on the file meanwhile.
    QProcess saver;
    QByteArray output = startSaver(saver, path, 3000, 20);
    QVERIFY2(output.contains("ok "), output.constData());
    QStringList refusals;
    // Opening is quick, so it is tried often: a size read outside the lock failed about one
    // open in five.
    const int Rounds = op == QLatin1String("open") ? 40 : 8;
    for (int round = 0; round < Rounds && saver.state() != QProcess::NotRunning; ++round) {
        // What the other process has been told so far must be in what this one sees.
        output += saver.readAllStandardOutput();
        const QList<qint64> acknowledged = parseSaverOutput(output).acknowledged;
        bool ok = true;
        if (op == QLatin1String("open")) {
            Notebook db;
            db.open(path);
            ok = db.isOpen();
            error = db.lastError();
        } else if (op == QLatin1String("compact")) {
            ok = FileOps::Compact(path, &error) == 1;
        } else {
            ok = FileOps::BackupTo(path, copy, &error) == 1;
        }
        if (ok) {
            const QSet<qint64> seen = noteIdsIn(op == QLatin1String("backup") ? copy : path, &error);
            ok = error.isEmpty();
            for (qint64 id : acknowledged) {
                if (ok && !seen.contains(id)) {
                    ok = false;
                    error = QStringLiteral("note %1 is missing").arg(id);
                }
            }
        }
        if (!ok)
            refusals << QStringLiteral("%1 (round %2)").arg(error).arg(round);
        saver.waitForReadyRead(50);
    }
    // Killed in the middle of a save: what it acknowledged before must all be there.
    QCOMPARE(saver.state(), QProcess::Running);
    const SaverOutput saved = killSaver(saver, output);
    QVERIFY2(saved.failures.isEmpty(), qPrintable(saved.failures.join(QLatin1Char('\n'))));
    QVERIFY2(saved.acknowledged.size() >= 8, qPrintable(QString::number(saved.acknowledged.size())));
    QVERIFY2(refusals.isEmpty(), qPrintable(refusals.join(QLatin1Char('\n'))));

    const QSet<qint64> after = noteIdsIn(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(after.contains(before));
    for (qint64 id : saved.acknowledged)
        QVERIFY2(after.contains(id), qPrintable(QStringLiteral("note %1 was acknowledged but is gone").arg(id)));
    // At most the save that was cut off may have reached the disk unacknowledged.
    QVERIFY(after.size() - before.size() <= saved.acknowledged.size() + 1);
    QCOMPARE(RawDb(path).scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

// Each round sets the password A, changes it to B and removes it, while the other process saves
// and, when its file was replaced under another password, opens it again with that password.
// QB_PASSWORD_ROUNDS sets the number of rounds (hundreds in the long run).
void TestTwoProcesses::passwordWhileAnotherProcessSaves()
{
    const int rounds = qMax(1, qEnvironmentVariableIntValue("QB_PASSWORD_ROUNDS"));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("shared.qbf"));
    const QString made = makeNotebook(path);
    QVERIFY2(made.isEmpty(), qPrintable(made));

    QProcess saver;
    QByteArray output = startSaver(saver, path, 500, 5, QStringLiteral("A:B"));
    QVERIFY2(output.contains("ok "), output.constData());

    Notebook db;
    db.setPasswordCost(NotebookHeader::Cost::lightest());
    db.setBusyTimeout(30000);
    db.open(path);
    QVERIFY(db.isOpen());
    const QStringList cycle = {QStringLiteral("A"), QStringLiteral("B"), QString()};
    for (int step = 0; step < rounds * 3; ++step) {
        const QString password = cycle[step % 3];
        QVERIFY2(db.writePassword(password), qPrintable(db.lastError()));
        saver.waitForReadyRead(30);
        output += saver.readAllStandardOutput();
        // Everything acknowledged so far is in the file now at the path, under the new password.
        QString error;
        const QSet<qint64> seen = noteIdsIn(path, &error, password);
        QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(step).arg(error)));
        for (qint64 id : parseSaverOutput(output).acknowledged)
            QVERIFY2(seen.contains(id), qPrintable(QStringLiteral("step %1: note %2 acknowledged, gone").arg(step).arg(id)));
    }
    QCOMPARE(saver.state(), QProcess::Running);
    const SaverOutput saved = killSaver(saver, output);
    QVERIFY2(saved.failures.isEmpty(), qPrintable(saved.failures.join(QLatin1Char('\n'))));
    QString error;
    const QSet<qint64> after = noteIdsIn(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    for (qint64 id : saved.acknowledged)
        QVERIFY2(after.contains(id), qPrintable(QStringLiteral("note %1 was acknowledged but is gone").arg(id)));
}

QTEST_GUILESS_MAIN(TestTwoProcesses)
#include "tst_twoprocesses.moc"
