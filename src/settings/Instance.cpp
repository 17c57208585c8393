#include "settings/Instance.h"

#include <QDir>
#include <QStandardPaths>

namespace Tools {

InstanceLock::InstanceLock(const QString &lockFilePath)
    : path_(lockFilePath), lock_(lockFilePath)
{
    // Never treat a lock as stale for its age: an instance may run for weeks. A lock whose
    // process is gone is still recognised and taken over.
    lock_.setStaleLockTime(0);
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

bool IsPrevInstance()
{
    // Lives to the end of the process so the lock is held as long as this instance runs.
    static InstanceLock lock;
    return lock.IsPrevInstance();
}

} // namespace Tools
