#pragma once

// A real WebDAV server for the sync tests: lighttpd with its WebDAV module (Debian packages
// lighttpd and lighttpd-mod-webdav, installed by scripts/deps.sh), run as this user on a free
// loopback port with a configuration written here, behind basic authentication. Stopped when
// the object goes.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

class DavServer
{
public:
    static constexpr char User[] = "quill";
    static constexpr char Password[] = "book 密码";

    // Why no server can run here ("" when one can).
    static QString missing()
    {
        if (!QFile::exists(QString::fromLatin1(Binary)))
            return QStringLiteral("no %1 (Debian package lighttpd)").arg(QLatin1String(Binary));
        if (!QFile::exists(QStringLiteral("/usr/lib/lighttpd/mod_webdav.so")))
            return QStringLiteral("no WebDAV module (Debian package lighttpd-mod-webdav)");
        return {};
    }

    // Serves the folder dir/root; the configuration and logs go to dir.
    explicit DavServer(const QString &dir)
        : dir_(dir)
    {
    }
    ~DavServer() { stop(); }

    bool start()
    {
        QDir(dir_).mkpath(QStringLiteral("root"));
        QFile users(dir_ + QStringLiteral("/users"));
        if (!users.open(QIODevice::WriteOnly) || users.write(QByteArray(User) + ':' + QByteArray(Password) + '\n') < 0)
            return false;
        users.close();
        // A port free a moment ago may be taken meanwhile: a few tries.
        for (int attempt = 0; attempt < 5; ++attempt) {
            port_ = freePort();
            if (!writeConfig())
                return false;
            process_.start(QString::fromLatin1(Binary), {QStringLiteral("-D"), QStringLiteral("-f"), dir_ + QStringLiteral("/lighttpd.conf")});
            if (!process_.waitForStarted(5000))
                return false;
            if (QTest::qWaitFor([&] { return answers() || process_.state() == QProcess::NotRunning; }, 10000)
                && process_.state() == QProcess::Running)
                return true;
            stop();
        }
        return false;
    }

    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/sync/").arg(port_)); }
    // The served files on disk, for a test to look at or spoil.
    QString files() const { return dir_ + QStringLiteral("/root"); }

private:
    static constexpr char Binary[] = "/usr/sbin/lighttpd";

    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    bool answers() const
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port_);
        return socket.waitForConnected(200);
    }

    bool writeConfig() const
    {
        QFile conf(dir_ + QStringLiteral("/lighttpd.conf"));
        if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const QString text = QStringLiteral(
                                 "server.modules = (\"mod_webdav\", \"mod_auth\", \"mod_authn_file\")\n"
                                 "server.document-root = \"%1/root\"\n"
                                 "server.bind = \"127.0.0.1\"\n"
                                 "server.port = %2\n"
                                 "server.errorlog = \"%1/error.log\"\n"
                                 "server.upload-dirs = (\"%1\")\n"
                                 "webdav.activate = \"enable\"\n"
                                 "webdav.is-readonly = \"disable\"\n"
                                 "auth.backend = \"plain\"\n"
                                 "auth.backend.plain.userfile = \"%1/users\"\n"
                                 "auth.require = (\"/\" => (\"method\" => \"basic\", \"realm\" => \"sync\", "
                                 "\"require\" => \"valid-user\"))\n")
                                 .arg(dir_)
                                 .arg(port_);
        return conf.write(text.toUtf8()) > 0;
    }

    QString dir_;
    quint16 port_ = 0;
    QProcess process_;
};
