#include "store/DBase.h"

#include "store/DBasePrivate.h"
#include "store/NotebookFile.h"
#include "store/Schema.h"

#include <QFileInfo>

#include <sqlite3.h>

using StoreDetail::guarded;
using StoreDetail::nativePath;

DBase::DBase() = default;
DBase::~DBase() = default;

bool DBase::ready()
{
    lastError_.clear();
    if (DatabaseIsOpen && conn_)
        return true;
    lastError_ = QStringLiteral("no notebook is open");
    return false;
}

int DBase::fail(const QString &why)
{
    lastError_ = why;
    return 0;
}

int DBase::CreateDatabase(const QString &path)
{
    lastError_.clear();
    QString error;
    if (!NotebookFile::create(path, BusyTimeoutMs, {}, &error))
        return fail(error);
    return 1;
}

void DBase::OpenDatabase()
{
    lastError_.clear();
    const QFileInfo info(DatabasePath);
    QString error;
    std::unique_ptr<Connection> fresh;
    if (DatabasePath.isEmpty()) {
        error = QStringLiteral("no file name given");
    } else if (!info.exists()) {
        error = QStringLiteral("the file does not exist");
    } else if (!info.isFile()) {
        error = QStringLiteral("not a file");
    } else {
        guarded(error, [&] {
            // No OPEN_CREATE: opening must never make a file. NOMUTEX: a DBase is used from one
            // thread only, so SQLite's per-call locking would be pure overhead.
            auto c = std::make_unique<Connection>(nativePath(info.absoluteFilePath()),
                                                  SQLite::OPEN_READWRITE | SQLite::OPEN_NOMUTEX);
            Schema::configure(c->db, BusyTimeoutMs);
            const QString problem = Schema::verify(c->db, info.size());
            if (!problem.isEmpty()) {
                error = problem;
                return 0;
            }
            c->noteIndex = Schema::hasNoteIndex(c->db);
            try {
                Schema::migrate(c->db);
            } catch (const SQLite::Exception &) {
                // Locked or full: the notebook still opens, without what the newer layout adds.
            }
            c->history = History::hasTables(c->db);
            fresh = std::move(c);
            return 1;
        });
    }
    if (!fresh) {
        DatabaseIsOpen = false;
        lastError_ = error;
        return;
    }
    conn_ = std::move(fresh);
    DatabaseIsOpen = true;
    if (!ReadOnly())
        PruneHistory();
    lastError_.clear(); // the notebook is open; a prune that found it busy waits for the next save
}

void DBase::CloseDatabase()
{
    if (!DatabaseIsOpen)
        return;
    DatabaseIsOpen = false;
    conn_.reset();
}

bool DBase::ReadOnly() const
{
    return conn_ && sqlite3_db_readonly(conn_->db.getHandle(), "main") == 1;
}
