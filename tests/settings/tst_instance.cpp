#include "settings/Instance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QtTest>

#include <iostream>
#include <unistd.h>

// The single-instance lock, tried against real second processes: this executable started again
// with QB_HOLD_LOCK set takes the lock, says so, and keeps it until its input closes. With
// QB_HOLD_CHANNEL=1 it also listens on the lock's channel and says "called" for each call.
class TstInstance : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString lockPath_;

    // Starts a holder; returns when it has the lock (and its channel, when asked for).
    bool startHolder(QProcess &p, bool channel = false)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QB_HOLD_LOCK"), lockPath_);
        env.insert(QStringLiteral("QB_HOLD_CHANNEL"), channel ? QStringLiteral("1") : QStringLiteral("0"));
        p.setProcessEnvironment(env);
        p.start(QCoreApplication::applicationFilePath(), {});
        if (!p.waitForStarted(10000))
            return false;
        while (!p.canReadLine()) {
            if (!p.waitForReadyRead(10000))
                return false;
        }
        return p.readLine().trimmed() == "locked";
    }

    static void stopHolder(QProcess &p)
    {
        p.closeWriteChannel();
        if (!p.waitForFinished(10000))
            p.kill();
        p.waitForFinished(10000);
    }

private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        lockPath_ = dir_->filePath(QStringLiteral("run/Quillbook.lock"));
    }

    void firstInstanceTakesLock()
    {
        Tools::InstanceLock lock(lockPath_);
        QVERIFY(!lock.IsPrevInstance());
        QVERIFY(lock.holdsLock());
        QVERIFY(QFile::exists(lockPath_)); // its folder was created on the way
        QVERIFY(!lock.IsPrevInstance());   // asking again keeps the lock
    }

    void runningHolderBlocks_data()
    {
        QTest::addColumn<bool>("ageLockFile");
        QTest::newRow("nominal: fresh lock") << false;
        QTest::newRow("robustness: lock held for days still blocks") << true;
    }

    void runningHolderBlocks()
    {
        QFETCH(bool, ageLockFile);
        QProcess holder;
        QVERIFY(startHolder(holder));
        if (ageLockFile) {
            QFile f(lockPath_);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addDays(-3),
                                  QFileDevice::FileModificationTime));
        }
        {
            Tools::InstanceLock second(lockPath_);
            QVERIFY(second.IsPrevInstance());
            QVERIFY(!second.holdsLock());
        }
        stopHolder(holder);
        Tools::InstanceLock after(lockPath_);
        QVERIFY(!after.IsPrevInstance());
    }

    void laterStartCallsHolder_data()
    {
        QTest::addColumn<QString>("holder"); // "listening", "stale channel", "not listening"
        QTest::addColumn<bool>("answered");
        QTest::newRow("nominal: the holder is called forward") << "listening" << true;
        QTest::newRow("robustness: a channel file left by a crashed holder") << "stale channel" << true;
        QTest::newRow("robustness: a holder without a channel does not answer") << "not listening" << false;
    }

    void laterStartCallsHolder()
    {
        QFETCH(QString, holder);
        QFETCH(bool, answered);
        Tools::InstanceLock second(lockPath_);
        if (holder == QLatin1String("stale channel")) {
            QVERIFY(QDir().mkpath(QFileInfo(lockPath_).absolutePath()));
            QFile stale(second.channelPath());
            QVERIFY(stale.open(QIODevice::WriteOnly));
        }
        QProcess p;
        QVERIFY(startHolder(p, holder != QLatin1String("not listening")));
        QVERIFY(second.IsPrevInstance());
        QCOMPARE(second.callHolder(), answered);
        if (answered) {
            QVERIFY(p.canReadLine() || p.waitForReadyRead(10000));
            QCOMPARE(p.readLine().trimmed(), QByteArray("called"));
        }
        stopHolder(p);
        QCOMPARE(p.readAllStandardOutput().count("called"), 0); // called once, never twice
        // With the holder gone nobody answers, and the next start holds the lock itself.
        QVERIFY(!second.IsPrevInstance());
        QVERIFY(!second.callHolder(200));
    }

    void crashedHolderDoesNotBlock()
    {
        QProcess holder;
        QVERIFY(startHolder(holder));
        holder.kill(); // no chance to clean up: the lock file stays behind
        QVERIFY(holder.waitForFinished(10000));
        QVERIFY(QFile::exists(lockPath_));
        Tools::InstanceLock next(lockPath_);
        QVERIFY(!next.IsPrevInstance());
        QVERIFY(next.holdsLock());
    }

    void releasedOnDestruction()
    {
        {
            Tools::InstanceLock first(lockPath_);
            QVERIFY(!first.IsPrevInstance());
        }
        QVERIFY(!QFile::exists(lockPath_));
    }

    void unusableLocationDoesNotBlock()
    {
        // A lock that cannot even be created must not lock the user out.
        QFile blocker(dir_->filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Tools::InstanceLock lock(dir_->filePath(QStringLiteral("file/sub/Quillbook.lock")));
        QVERIFY(!lock.IsPrevInstance());
        QVERIFY(!lock.holdsLock());
    }

    void defaultPathIsPerUser()
    {
        const QString path = Tools::InstanceLock::DefaultPath();
        QVERIFY(path.endsWith(QStringLiteral("/Quillbook.lock")));
        QVERIFY(!path.startsWith(QCoreApplication::applicationDirPath()));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString holdPath = qEnvironmentVariable("QB_HOLD_LOCK");
    if (!holdPath.isEmpty()) {
        Tools::InstanceLock lock(holdPath);
        if (lock.IsPrevInstance())
            return 2;
        if (qEnvironmentVariableIntValue("QB_HOLD_CHANNEL") == 1
            && !lock.listen(&app, [] { std::cout << "called" << std::endl; }))
            return 3;
        std::cout << "locked" << std::endl;
        // Holds on until its input closes.
        QSocketNotifier input(0, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, &app, [] {
            char buffer[256];
            if (::read(0, buffer, sizeof buffer) <= 0)
                QCoreApplication::quit();
        });
        return app.exec();
    }
    TstInstance tc;
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_instance.moc"
