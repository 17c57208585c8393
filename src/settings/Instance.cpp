#include "settings/Instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace Tools {

namespace {
// What a later start says on the channel; anything else is ignored.
const QByteArray kComeForward = QByteArrayLiteral("come-forward\n");
} // namespace

InstanceLock::InstanceLock(const QString &lockFilePath)
    : path_(lockFilePath), lock_(lockFilePath)
{
    // Never treat a lock as stale for its age: an instance may run for weeks. A lock whose
    // process is gone is still recognised and taken over.
    lock_.setStaleLockTime(0);
}

InstanceLock::~InstanceLock()
{
    delete channel_.data();
}

bool InstanceLock::IsPrevInstance()
{
    if (lock_.isLocked())
        return false;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (lock_.tryLock(0))
        return false;
    // Only a lock held by a live process means another instance; a file we merely cannot
    // create (permissions, full disk) must not keep the user out of the program.
    return lock_.error() == QLockFile::LockFailedError;
}

bool InstanceLock::listen(QObject *context, std::function<void()> called)
{
    if (!lock_.isLocked() || channel_)
        return false;
    // Holding the lock, any channel file left there belongs to a holder that has died.
    QLocalServer::removeServer(channelPath());
    auto *server = new QLocalServer(context);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(channelPath())) {
        delete server;
        return false;
    }
    channel_ = server;
    QObject::connect(server, &QLocalServer::newConnection, server, [server, called] {
        while (QLocalSocket *caller = server->nextPendingConnection()) {
            QObject::connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
            QObject::connect(caller, &QLocalSocket::readyRead, caller, [caller, called] {
                if (!caller->canReadLine())
                    return;
                if (caller->readLine(kComeForward.size() + 1) == kComeForward)
                    called();
                caller->disconnectFromServer();
            });
        }
    });
    return true;
}

bool InstanceLock::callHolder(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(channelPath());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kComeForward);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The holder hangs up once it has read the call.
    return socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(timeoutMs);
}

QString InstanceLock::DefaultPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        QString user = qEnvironmentVariable("USER");
        if (user.isEmpty())
            user = qEnvironmentVariable("USERNAME");
        dir = QDir::tempPath() + QStringLiteral("/quillbook-") + user;
    }
    return QDir(dir).filePath(QStringLiteral("Quillbook.lock"));
}

InstanceLock &ProcessLock()
{
    // Lives to the end of the process so the lock is held as long as this instance runs.
    static InstanceLock lock;
    return lock;
}

} // namespace Tools
