#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// One running Quillbook per user: the first process takes a lock file and keeps it until it ends.
// The operating system knows when the holder has died, so a crash never blocks the next start.
namespace Tools {

class InstanceLock
{
public:
    explicit InstanceLock(const QString &lockFilePath = DefaultPath());

    // True while another live process holds the lock. Otherwise this object takes (or keeps)
    // the lock, and holds it until it is destroyed.
    bool IsPrevInstance();
    bool holdsLock() const { return lock_.isLocked(); }
    QString path() const { return path_; }

    // In the user's runtime folder when there is one, else in the temporary folder under a name
    // that carries the user, so two users on one machine do not block each other.
    static QString DefaultPath();

private:
    QString path_;
    QLockFile lock_;
};

// For start-up: the process-wide lock at DefaultPath(), held for the life of the process.
bool IsPrevInstance();

} // namespace Tools
