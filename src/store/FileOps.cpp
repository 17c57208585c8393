#include "store/FileOps.h"

#include "store/DBasePrivate.h"
#include "store/NotebookFile.h"

#include <QFileInfo>

#include <SQLiteCpp/Backup.h>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

namespace FileOps {

namespace {

constexpr int BusyTimeoutMs = 5000;

// Opened read-only and never created: a missing source must not leave an empty file behind.
bool openSource(const QString &src, std::unique_ptr<SQLite::Database> *db, QString *error)
{
    const QFileInfo info(src);
    if (src.isEmpty() || !info.isFile()) {
        if (error)
            *error = QStringLiteral("%1 is not a file").arg(src);
        return false;
    }
    QString why;
    const int ok = StoreDetail::guarded(why, [&] {
        *db = std::make_unique<SQLite::Database>(StoreDetail::nativePath(info.absoluteFilePath()),
                                                 SQLite::OPEN_READONLY, BusyTimeoutMs);
        return 1;
    });
    if (!ok && error)
        *error = why;
    return ok != 0;
}

// The copy is written by write(source, temporary file) and only then put in dst's place.
template <typename Write>
int copyNotebook(const QString &src, const QString &dst, QString *error, Write write)
{
    std::unique_ptr<SQLite::Database> source;
    if (!openSource(src, &source, error))
        return 0;
    return NotebookFile::replace(dst, [&](const QString &temp) { write(*source, temp); }, error) ? 1 : 0;
}

} // namespace

int BackupTo(const QString &src, const QString &dst, QString *error)
{
    return copyNotebook(src, dst, error, [](SQLite::Database &source, const QString &temp) {
        SQLite::Database target(StoreDetail::nativePath(temp), SQLite::OPEN_READWRITE);
        target.exec("PRAGMA synchronous = FULL");
        SQLite::Backup backup(target, source);
        // -1 copies every page in one step, under one read lock of the source.
        if (backup.executeStep(-1) != SQLITE_DONE)
            throw SQLite::Exception("the backup did not complete");
    });
}

int CompactTo(const QString &src, const QString &dst, QString *error)
{
    return copyNotebook(src, dst, error, [](SQLite::Database &source, const QString &temp) {
        source.exec("PRAGMA synchronous = FULL");
        SQLite::Statement vacuum(source, "VACUUM INTO ?");
        vacuum.bind(1, StoreDetail::nativePath(temp));
        vacuum.exec();
    });
}

} // namespace FileOps
