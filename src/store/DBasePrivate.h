#pragma once

// Internals shared by the DBase source files; not part of the store's interface.

#include "store/DBase.h"
#include "store/StatementCache.h"

#include <SQLiteCpp/Database.h>

#include <QFile>
#include <QString>

#include <exception>
#include <string>

struct DBase::Connection
{
    Connection(const std::string &path, int flags) : db(path, flags), cache(db.getHandle()) {}
    SQLite::Database db;
    StatementCache cache; // declared after db: statements are finalized before the close
    bool noteIndex = true; // NotesByGroup exists (see Schema::hasNoteIndex)
    bool history = false;  // the history tables exist
    qint64 historyBytes = -1; // sum of NoteHistory.Stored; -1 until first needed
};

namespace StoreDetail {

// File names go to SQLite as the bytes the file system sees.
inline std::string nativePath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
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

// The note writes shared by saving and restoring. updateNote keeps the group when groupId is -1
// and returns the number of notes changed; insertNote takes a new ID when id is -1.
int updateNote(StatementCache &cache, qint64 id, const CurrentNote &note, const QString &saveDate,
               qint64 groupId);
void insertNote(StatementCache &cache, qint64 groupId, const CurrentNote &note, qint64 id);

} // namespace StoreDetail
