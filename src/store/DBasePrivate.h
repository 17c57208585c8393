#pragma once

// Internals shared by the DBase source files; not part of the store's interface.

#include "store/DBase.h"
#include "store/SearchIndex.h"
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
    SearchIndexer search{db, cache};
    bool noteIndex = true; // NotesByGroup exists (see Schema::hasNoteIndex)
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

// A note's list row from columns 0..6 of q: ID, nNoteTitle, nAddDate, nLastUpdate, nPriority,
// nIcon, nColor.
void readNoteItem(const Query &q, NoteItem &item);

} // namespace StoreDetail
