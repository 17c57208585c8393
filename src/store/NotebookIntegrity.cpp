// The check for damage that opening does not read, and the refusal of writes that follows it.
#include "store/Notebook.h"

#include "store/NotebookPrivate.h"

#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <QStringList>

Notebook::Integrity Notebook::checkIntegrity(const std::atomic<bool> *cancel)
{
    if (!ready())
        return Integrity::Unchecked;
    sqlite3 *handle = conn_->db.getHandle();
    if (cancel) {
        // The engine asks every thousand steps whether to go on.
        sqlite3_progress_handler(
            handle, 1000, [](void *flag) { return static_cast<const std::atomic<bool> *>(flag)->load() ? 1 : 0; },
            const_cast<std::atomic<bool> *>(cancel));
    }
    QStringList found;
    Integrity result = Integrity::Intact;
    try {
        SQLite::Statement q(conn_->db, "PRAGMA quick_check(10)");
        while (q.executeStep()) {
            const QString line = QString::fromUtf8(q.getColumn(0).getText());
            if (line != QLatin1String("ok"))
                found << line;
        }
        if (!found.isEmpty())
            result = Integrity::Damaged;
    } catch (const SQLite::Exception &e) {
        // A page too damaged to walk (or, encrypted, one that fails its check) stops the check:
        // that is damage too. A busy file or a cancel is not.
        const int code = e.getErrorCode() & 0xFF;
        found << QString::fromUtf8(e.what());
        result = code == SQLITE_CORRUPT || code == SQLITE_NOTADB || code == SQLITE_IOERR ? Integrity::Damaged
                                                                                         : Integrity::Unchecked;
    }
    if (cancel)
        sqlite3_progress_handler(handle, 0, nullptr, nullptr);
    lastError_ = found.join(QLatin1Char('\n'));
    return result;
}

void Notebook::refuseWrites(const QString &reason)
{
    if (!conn_)
        return;
    refusal_ = reason;
    refusedDevice_ = quint64(conn_->device);
    refusedInode_ = quint64(conn_->inode);
}

QString Notebook::writesRefused() const
{
    const bool here = conn_ && !refusal_.isEmpty() && quint64(conn_->device) == refusedDevice_
                      && quint64(conn_->inode) == refusedInode_;
    return here ? refusal_ : QString();
}
