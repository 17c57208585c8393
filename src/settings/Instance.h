#pragma once

#include <QLockFile>
#include <QPointer>
#include <QString>
#include <functional>

class QLocalServer;
class QObject;

// One running Quillbook per user: the first process takes a lock file and keeps it until it ends.
// The operating system knows when the holder has died, so a crash never blocks the next start.
// Beside the lock the holder listens on a local channel, so a later start can ask it to come
// forward instead of starting a second window.
namespace Tools {

class InstanceLock
{
public:
    explicit InstanceLock(const QString &lockFilePath = DefaultPath());
    ~InstanceLock();

    // True while another live process holds the lock. Otherwise this object takes (or keeps)
    // the lock, and holds it until it is destroyed.
    bool IsPrevInstance();
    bool holdsLock() const { return lock_.isLocked(); }
    QString path() const { return path_; }
    QString channelPath() const { return path_ + QStringLiteral(".channel"); }

    // For the holder: opens the channel; each call from a later start runs `called`. The channel
    // lives as long as `context`. False when the lock is not held or the channel cannot open.
    bool listen(QObject *context, std::function<void()> called);
    // For a later start: asks the holder to come forward; false when no holder answered.
    bool callHolder(int timeoutMs = 2000) const;

    // In the user's runtime folder when there is one, else in the temporary folder under a name
    // that carries the user, so two users on one machine do not block each other.
    static QString DefaultPath();

private:
    QString path_;
    QLockFile lock_;
    QPointer<QLocalServer> channel_;
};

// The process-wide lock at DefaultPath(), held for the life of the process once taken.
InstanceLock &ProcessLock();

} // namespace Tools
