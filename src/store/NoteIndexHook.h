#pragma once

#include <QtGlobal>

namespace SQLite {
class Database;
}
class StatementCache;

// What the store knows of the search index (src/search), which keeps its tables in the notebook
// file (SearchTables.h) and follows every note write in that write's own transaction. A session
// given none (Notebook::setIndex) still writes notes; they wait for the index in SearchPending.
class NoteIndexHook
{
public:
    virtual ~NoteIndexHook() = default;

    // A connection to a notebook was opened and its layout brought up to date; false when it
    // cannot keep the index (a read-only file): it is then neither followed nor searched.
    virtual bool opened(SQLite::Database &db, StatementCache &cache) const = 0;
    // Inside the transaction of a write that changed note id (DeletedNotes: deleted notes). A
    // failure of the index must not fail the note write: the note then waits in SearchPending.
    virtual void written(SQLite::Database &db, StatementCache &cache, qint64 id) const = 0;
    static constexpr qint64 DeletedNotes = -1;
};
