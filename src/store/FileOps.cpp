#include "store/FileOps.h"

#include "store/DBasePrivate.h"
#include "store/NotebookFile.h"

#include <SQLiteCpp/Backup.h>
#include <SQLiteCpp/Database.h>
#include <sqlite3.h>

namespace FileOps {

namespace {

// Long enough for another process's save to finish; compaction itself never holds a reader up
// for less than the whole copy.
constexpr int BusyTimeoutMs = 5000;

} // namespace

int BackupTo(const QString &src, const QString &dst, QString *error)
{
    std::unique_ptr<SQLite::Database> source = NotebookFile::open(src, true, BusyTimeoutMs, error);
    if (!source)
        return 0;
    const bool ok = NotebookFile::replace(dst, [&](const QString &temp) {
        SQLite::Database target(StoreDetail::nativePath(temp), SQLite::OPEN_READWRITE);
        target.exec("PRAGMA synchronous = FULL");
        SQLite::Backup backup(target, *source);
        // -1 copies every page in one step, under one read lock of the source.
        if (backup.executeStep(-1) != SQLITE_DONE)
            throw SQLite::Exception("the backup did not complete");
    }, error);
    return ok ? 1 : 0;
}

int Compact(const QString &path, QString *error)
{
    std::unique_ptr<SQLite::Database> db = NotebookFile::open(path, false, BusyTimeoutMs, error);
    if (!db)
        return 0;
    QString why;
    const int ok = StoreDetail::guarded(why, [&] {
        db->exec("VACUUM");
        return 1;
    });
    if (!ok && error)
        *error = why;
    return ok;
}

} // namespace FileOps
