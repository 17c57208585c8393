#include "controls/DmDownload.h"

#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray payload(int n)
{
    QByteArray b(n, Qt::Uninitialized);
    for (int i = 0; i < n; ++i)
        b[i] = char((i * 7 + 3) & 0xFF);
    return b;
}

// A very small HTTP/1.1 server on 127.0.0.1, enough for one GET per connection:
//   /data/N    200 with N bytes     /empty     200 with no body
//   /missing   404 with a body      /redirect  302 to /data/10
//   /nolength  200, 3000 bytes, length unannounced, ended by closing the connection
//   /stall     200 announcing 500000 bytes, sending 1000 and no more: a download stays running
class TinyHttp : public QTcpServer
{
public:
    TinyHttp()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] { serve(s); });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }

    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
    }

private:
    void serve(QTcpSocket *s)
    {
        QByteArray &req = pending_[s];
        req += s->readAll();
        if (!req.contains("\r\n\r\n"))
            return;
        const QByteArray path = req.split(' ').value(1);
        pending_.remove(s);
        QByteArray status = "200 OK";
        QByteArray body;
        QByteArray extra;
        bool announce = true;
        if (path.startsWith("/data/")) {
            body = payload(path.mid(6).toInt());
        } else if (path == "/empty") {
        } else if (path == "/redirect") {
            status = "302 Found";
            extra = "Location: /data/10\r\n";
        } else if (path == "/stall") {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 500000\r\n\r\n" + payload(1000));
            return;
        } else if (path == "/nolength") {
            body = payload(3000);
            announce = false;
        } else {
            status = "404 Not Found";
            body = "no such page";
        }
        QByteArray head = "HTTP/1.1 " + status + "\r\nContent-Type: application/octet-stream\r\n" + extra;
        if (announce)
            head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        s->write(head + body);
        s->disconnectFromHost();
    }

    QHash<QTcpSocket *, QByteArray> pending_;
};

// Every event of the downloader, in order, as short words.
struct EventLog
{
    QStringList events;
    QString file;
    qint64 read = -1, total = -1;
    QString errorText;
    QByteArray fileAtComplete; // what the local file held when completion was announced
    bool busyAtProgress = false;

    explicit EventLog(DmDownload &d)
    {
        QObject::connect(&d, &DmDownload::Status, [this](const QString &) { events << QStringLiteral("status"); });
        QObject::connect(&d, &DmDownload::StatusCode, [this](int c) { events << QStringLiteral("code%1").arg(c); });
        QObject::connect(&d, &DmDownload::DownloadProgress, [this, &d](qint64, qint64) {
            events << QStringLiteral("progress");
            busyAtProgress = d.StillBusy() || busyAtProgress;
        });
        QObject::connect(&d, &DmDownload::DownloadComplete, [this](const QString &f, qint64 r, qint64 t) {
            events << QStringLiteral("complete");
            file = f; read = r; total = t;
            QFile in(f);
            if (in.open(QIODevice::ReadOnly))
                fileAtComplete = in.readAll();
        });
        QObject::connect(&d, &DmDownload::LastError, [this](const QString &f, const QString &text, int c) {
            events << QStringLiteral("error%1").arg(c);
            file = f; errorText = text;
        });
    }

    bool finished() const
    {
        return events.contains(QStringLiteral("complete"))
               || std::any_of(events.begin(), events.end(),
                              [](const QString &e) { return e.startsWith(QStringLiteral("error")); });
    }
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

} // namespace

class TstDownload : public QObject
{
    Q_OBJECT

    TinyHttp server_;
    std::unique_ptr<QTemporaryDir> dir_;

private Q_SLOTS:
    void initTestCase() { QVERIFY(server_.listen(QHostAddress::LocalHost)); }

    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void success_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("existing"); // "" = no file before
        QTest::newRow("nominal: small file") << "/data/100" << 100 << QByteArray();
        QTest::newRow("nominal: larger than one read") << "/data/300000" << 300000 << QByteArray();
        QTest::newRow("nominal: longer existing file is replaced")
            << "/data/100" << 100 << QByteArray(5000, 'x');
        QTest::newRow("nominal: redirect followed") << "/redirect" << 10 << QByteArray();
        QTest::newRow("robustness: length not announced") << "/nolength" << 3000 << QByteArray();
    }

    void success()
    {
        QFETCH(QString, path);
        QFETCH(int, size);
        QFETCH(QByteArray, existing);
        const QString local = dir_->filePath(QStringLiteral("下载.bin"));
        if (!existing.isEmpty())
            writeFile(local, existing);
        DmDownload d;
        EventLog log(d);
        QVERIFY(!d.StillBusy());
        d.DownloadFile(server_.url(path), local, DmDownload::ByteArray);
        QVERIFY(!d.StillBusy()); // starting alone does not make it busy
        QTRY_VERIFY_WITH_TIMEOUT(log.finished(), 20000);
        QCOMPARE(log.events.last(), QStringLiteral("complete"));
        QCOMPARE(log.file, local);
        QCOMPARE(log.read, qint64(size));
        QCOMPARE(log.total, qint64(size));
        QCOMPARE(log.fileAtComplete, payload(size));
        QCOMPARE(readFile(local), payload(size));
        QVERIFY(log.busyAtProgress);
        QVERIFY(!d.StillBusy());
        QCOMPARE(d.runningCount(), 0);
        // Every progress report is status, progress, code, and the data stages came in order.
        const QStringList ev = log.events.mid(0, log.events.size() - 1);
        QCOMPARE(ev.size() % 3, 0);
        for (int i = 0; i < ev.size(); i += 3) {
            QCOMPARE(ev.at(i), QStringLiteral("status"));
            QCOMPARE(ev.at(i + 1), QStringLiteral("progress"));
            QVERIFY(ev.at(i + 2).startsWith(QStringLiteral("code")));
        }
        QVERIFY(ev.indexOf(QStringLiteral("code4")) < ev.indexOf(QStringLiteral("code5")));
        QCOMPARE(ev.last(), QStringLiteral("code6"));
        if (path == QStringLiteral("/redirect")) // data begins with the final response only
            QVERIFY(ev.contains(QStringLiteral("code3"))
                    && ev.indexOf(QStringLiteral("code3")) < ev.indexOf(QStringLiteral("code4")));
        QVERIFY(!ev.contains(QStringLiteral("code0")));
        // No temporary file left next to the result.
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).size(), 1);
    }

    void failure_data()
    {
        QTest::addColumn<QString>("url");       // "closed" = a loopback port nobody listens on
        QTest::addColumn<QString>("localName"); // relative to the test folder
        QTest::addColumn<QStringList>("tail");  // the last events
        const QStringList errorReport = {QStringLiteral("error0"), QStringLiteral("status"),
                                         QStringLiteral("code0")};
        QTest::newRow("nominal: refused connection") << "closed" << "a.bin" << errorReport;
        QTest::newRow("nominal: page not found") << "/missing" << "a.bin" << errorReport;
        QTest::newRow("robustness: no data") << "/empty" << "a.bin" << QStringList{QStringLiteral("code6"), QStringLiteral("error6")};
        QTest::newRow("robustness: folder missing")
            << "/data/50" << "no/such/folder/a.bin" << errorReport;
    }

    void failure()
    {
        QFETCH(QString, url);
        QFETCH(QString, localName);
        QFETCH(QStringList, tail);
        if (url == QStringLiteral("closed")) {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            url = QStringLiteral("http://127.0.0.1:%1/data/10").arg(probe.serverPort());
            probe.close();
        } else {
            url = server_.url(url);
        }
        const QString local = dir_->filePath(localName);
        const QByteArray before("what the user had");
        if (!localName.contains(u'/'))
            writeFile(local, before);

        DmDownload d;
        EventLog log(d);
        d.DownloadFile(url, local, DmDownload::ByteArray);
        QTRY_VERIFY_WITH_TIMEOUT(log.finished(), 20000);
        QTest::qWait(50); // nothing may follow the final report
        QCOMPARE(log.events.mid(log.events.size() - tail.size()), tail);
        QCOMPARE(log.events.count(QStringLiteral("complete")), 0);
        QCOMPARE(log.events.filter(QStringLiteral("error")).size(), 1);
        QCOMPARE(log.file, local);
        QVERIFY(!log.errorText.isEmpty());
        QVERIFY(!d.StillBusy());
        if (!localName.contains(u'/'))
            QCOMPARE(readFile(local), before); // a failed download leaves the old file alone
        else
            QVERIFY(!QFile::exists(local));
    }

    void unusableUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("local");
        QTest::newRow("robustness: no scheme") << "just words" << "a.bin";
        QTest::newRow("robustness: unknown scheme") << "gopher2://x/y" << "a.bin";
        QTest::newRow("robustness: empty url") << "" << "a.bin";
        QTest::newRow("robustness: no local file") << "http://127.0.0.1:1/x" << "";
    }

    void unusableUrl()
    {
        QFETCH(QString, url);
        QFETCH(QString, local);
        DmDownload d;
        EventLog log(d);
        d.DownloadFile(url, local, DmDownload::ByteArray);
        QCOMPARE(log.events, QStringList{QStringLiteral("error0")}); // at once, nothing else
        QCOMPARE(log.file, local);
        QCOMPARE(d.runningCount(), 0);
    }

    void otherReadTypeStoresNothing()
    {
        const QString local = dir_->filePath(QStringLiteral("p.bin"));
        DmDownload d;
        EventLog log(d);
        d.DownloadFile(server_.url(QStringLiteral("/data/64")), local, DmDownload::Picture);
        QTRY_VERIFY_WITH_TIMEOUT(log.finished(), 20000);
        QCOMPARE(log.events.last(), QStringLiteral("complete"));
        QCOMPARE(log.read, qint64(64));
        QVERIFY(!QFile::exists(local));
    }

    void severalAtOnce()
    {
        DmDownload d;
        QStringList done;
        connect(&d, &DmDownload::DownloadComplete, this,
                [&done](const QString &f, qint64, qint64) { done << QFileInfo(f).fileName(); });
        const QString a = dir_->filePath(QStringLiteral("a.bin"));
        const QString b = dir_->filePath(QStringLiteral("b.bin"));
        d.DownloadFile(server_.url(QStringLiteral("/data/70000")), a, DmDownload::ByteArray);
        d.DownloadFile(server_.url(QStringLiteral("/data/20")), b, DmDownload::ByteArray);
        QCOMPARE(d.runningCount(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 2, 20000);
        done.sort();
        QCOMPARE(done, (QStringList{QStringLiteral("a.bin"), QStringLiteral("b.bin")}));
        QCOMPARE(readFile(a), payload(70000));
        QCOMPARE(readFile(b), payload(20));
    }

    void destroyedWhileRunning()
    {
        const QString local = dir_->filePath(QStringLiteral("gone.bin"));
        {
            DmDownload d;
            // Still running when it goes, however fast or loaded the machine.
            d.DownloadFile(server_.url(QStringLiteral("/stall")), local, DmDownload::ByteArray);
            QTest::qWait(50);
        }
        QTest::qWait(50);
        QVERIFY(!QFile::exists(local)); // no half file
    }
};

QTEST_MAIN(TstDownload)
#include "tst_download.moc"
