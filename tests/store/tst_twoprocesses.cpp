// A second, real process saves notes in a loop (tests/store/saver.cpp) while this one opens,
// compacts or backs up the same notebook: nothing that process was told was saved may go
// missing, and a sound notebook is never refused.

#include "StoreTestUtil.h"

#include "store/DBase.h"
#include "store/FileOps.h"
#include "store/Import.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestTwoProcesses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void whileAnotherProcessSaves_data();
    void whileAnotherProcessSaves();
};

namespace {

// 300 notes of which every second one is deleted again, so a compaction has pages to give back.
QString makeNotebook(const QString &path)
{
    ImportRows rows;
    rows.groups.push_back({1, QStringLiteral("组")});
    for (int i = 1; i <= 300; ++i) {
        ImportNote n;
        n.ID = i;
        n.nNoteTitle = QStringLiteral("笔记 %1").arg(i);
        n.nGroupID = 1;
        n.nNote = QString(2000, u'文');
        rows.notes.push_back(n);
    }
    QString error;
    if (ImportNotebook(path, rows, &error) != 1)
        return error;
    RawDb(path).exec("DELETE FROM Notes WHERE ID % 2 = 0");
    return {};
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

    constexpr int Saves = 250;
    QProcess saver;
    saver.start(QStringLiteral(QB_SAVER), {path, QString::number(Saves), QStringLiteral("3000")});
    QVERIFY2(saver.waitForStarted(), qPrintable(saver.errorString()));

    QByteArray output;
    QStringList refusals;
    int rounds = 0;
    while (saver.state() != QProcess::NotRunning) {
        // What the other process has been told so far must be in what this one sees.
        output += saver.readAllStandardOutput();
        const QList<qint64> acknowledged = parseSaverOutput(output).acknowledged;
        bool ok = true;
        if (op == QLatin1String("open")) {
            DBase db;
            db.DatabasePath = path;
            db.OpenDatabase();
            ok = db.DatabaseIsOpen;
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
                if (!seen.contains(id)) {
                    ok = false;
                    error = QStringLiteral("note %1 is missing").arg(id);
                }
            }
        }
        if (!ok)
            refusals << QStringLiteral("%1 (round %2)").arg(error).arg(rounds);
        ++rounds;
        saver.waitForFinished(op == QLatin1String("open") ? 5 : 40);
    }
    output += saver.readAllStandardOutput();
    QCOMPARE(saver.exitStatus(), QProcess::NormalExit);
    QCOMPARE(saver.exitCode(), 0);
    const SaverOutput saved = parseSaverOutput(output);
    QVERIFY2(saved.failures.isEmpty(), qPrintable(saved.failures.join(QLatin1Char('\n'))));
    QCOMPARE(saved.acknowledged.size(), Saves);
    QVERIFY2(refusals.isEmpty(), qPrintable(refusals.join(QLatin1Char('\n'))));
    QVERIFY2(rounds >= 3, qPrintable(QString::number(rounds)));

    const QSet<qint64> after = noteIdsIn(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(after.contains(before));
    for (qint64 id : saved.acknowledged)
        QVERIFY2(after.contains(id), qPrintable(QStringLiteral("note %1 was acknowledged but is gone").arg(id)));
    QCOMPARE(after.size(), before.size() + Saves);
    QCOMPARE(RawDb(path).scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

QTEST_GUILESS_MAIN(TestTwoProcesses)
#include "tst_twoprocesses.moc"
