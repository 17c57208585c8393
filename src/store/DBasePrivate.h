#pragma once

// Internals shared by the DBase source files; not part of the store's interface.

#include "store/DBase.h"
#include "store/StatementCache.h"
#include "store/crypto/CipherVfs.h"
#include "store/crypto/NotebookHeader.h"

#include <SQLiteCpp/Database.h>

#include <QFile>
#include <QString>

#include <sqlite3.h>

#include <exception>
#include <string>

struct DBase::Connection
{
    Connection(const std::string &path, int flags)
        : db(path, flags, 0, CipherVfs::name()), cache(db.getHandle())
    {
    }
    SQLite::Database db;
    StatementCache cache; // declared after db: statements are finalized before the close
    bool noteIndex = true; // NotesByGroup exists (see Schema::hasNoteIndex)
    bool encrypted = false;
    NotebookHeader::Header header; // when encrypted
};

namespace StoreDetail {

// File names go to SQLite as the bytes the file system sees.
inline std::string nativePath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// Size of the database as the engine sees it: for an encrypted file, without our header.
inline qint64 databaseBytes(SQLite::Database &db)
{
    sqlite3_file *file = nullptr;
    sqlite3_int64 size = 0;
    if (sqlite3_file_control(db.getHandle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file
        || !file->pMethods || file->pMethods->xFileSize(file, &size) != SQLITE_OK)
        return -1;
    return size;
}

// Runs f, turning any exception into 0 and its reason into error.
template <typename F>
int guarded(QString &error, F &&f)
{
    try {
        return f();
    } catch (const std::exception &e) {
        error = QString::fromUtf8(e.what());
        return 0;
    }
}

} // namespace StoreDetail
