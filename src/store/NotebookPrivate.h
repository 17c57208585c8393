#pragma once

// Internals shared by the session and the classes that take it (search's NoteSearch among them);
// not part of the store's interface.

#include "store/KeptNotes.h"
#include "store/Notebook.h"
#include "store/Sinks.h"
#include "store/StatementCache.h"
#include "store/crypto/CipherVfs.h"
#include "store/crypto/NotebookHeader.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Transaction.h>

#include <QFile>
#include <QHash>
#include <QString>

#include <sqlite3.h>

#include <exception>
#include <string>

#include <sys/types.h>

struct Notebook::Connection
{
    explicit Connection(SQLite::Database &&opened) : db(std::move(opened)), cache(db.getHandle()) {}
    SQLite::Database db;
    StatementCache cache; // declared after db: statements are finalized before the close
    bool searchTables = false; // the index's tables are there (SearchTables::ensure)
    bool indexed = false;      // the session's index follows this connection (NoteIndexHook::opened)
    bool noteIndex = true; // NotesByGroup exists (see Schema::hasNoteIndex)
    bool encrypted = false;
    NotebookHeader::Header header; // when encrypted
    // Which file the path named when it was opened: a file replaced under us (renamed over,
    // or moved away) is told apart from the one we hold.
    QString path; // absolute
    dev_t device = 0;
    ino_t inode = 0;
    QString identity;      // NotebookInfo::identity
    bool history = false;  // the history tables exist
    qint64 historyBytes = -1; // sum of NoteHistory.Stored; -1 until first needed
};

namespace StoreDetail {

// File names go to SQLite as the bytes the file system sees.
inline std::string nativePath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// What KeptNotes::keepIn throws for a damaged history table (not a std::exception, so guarded()
// lets it through to Notebook::write).
struct HistoryDamaged
{
    History::Table table;
};

// The reason to report for an engine failure: damage is named as damage.
QString failureText(const SQLite::Exception &e);

// Runs f, turning any exception into false and its reason into error.
template <typename F>
bool guarded(QString &error, F &&f)
{
    try {
        return f();
    } catch (const SQLite::Exception &e) {
        error = failureText(e);
        return false;
    } catch (const std::exception &e) {
        error = QString::fromUtf8(e.what());
        return false;
    }
}

// The reason an insert into table (Groups or Notes) failed. The engine reports a table whose
// highest possible ID is taken as "database or disk is full", and a damaged sqlite_sequence as a
// malformed file; both are named for what they are.
QString insertFailure(SQLite::Database &db, const SQLite::Exception &e, const char *table);
// Every group's name by its ID.
QHash<qint64, QString> groupNames(StatementCache &cache);
// A note's list row from columns 0..6 of q: ID, nNoteTitle, nAddDate, nLastUpdate, nPriority,
// nIcon, nColor.
void readNoteItem(const Query &q, NoteItem &item);
// The columns a note is read from as a version, in the order readVersion expects them.
#define QB_NOTE_COLUMNS "n.nNoteTitle, n.nAddDate, n.nLastUpdate, n.nPriority, n.nIcon, n.nColor, n.nNote, n.nGroupID"
inline constexpr const char *CurrentRow = "SELECT " QB_NOTE_COLUMNS " FROM Notes n WHERE n.ID = ?";
// Columns 0-7 of QB_NOTE_COLUMNS; colorText receives nColor exactly as stored.
NoteVersion readVersion(const Query &q, QString *colorText);
// The note writes shared by saving and restoring. updateNote keeps the group when groupId is -1
// and returns the number of notes changed; insertNote takes a new ID when id is -1.
int updateNote(StatementCache &cache, qint64 id, const CurrentNote &note, const QString &saveDate,
               qint64 groupId);
void insertNote(StatementCache &cache, qint64 groupId, const CurrentNote &note, qint64 id);

} // namespace StoreDetail

// A program that puts a new file in the notebook's place (a password set or removed, a copy put
// back) holds the write lock while it does; a write that waited for that lock would otherwise go
// to the old file, unlinked by then, and be lost. So the file is looked at again once the lock is
// held, and the write goes to the file now at the path.
template <typename Body>
bool Notebook::write(Body &&body)
{
    int replacedTries = 0;
    bool setAside[2] = {}; // per History::Table
    for (;;) {
        if (!writable())
            return false;
        bool replaced = false;
        try {
            const bool result = StoreDetail::guarded(lastError_, [&] {
                SQLite::Transaction tx(conn_->db, SQLite::TransactionBehavior::IMMEDIATE);
                if (!sameFileAtPath()) {
                    replaced = true;
                    return false;
                }
                if (!body())
                    return false;
                tx.commit();
                return true;
            });
            if (!replaced)
                return result;
            if (++replacedTries == 3)
                return fail(MovedOrDeleted);
        } catch (const StoreDetail::HistoryDamaged &d) {
            // Damage spoils the whole transaction (it is rolled back by now): the damaged table
            // is set aside and the write runs again, keeping what it replaces in a fresh one.
            if (!KeptNotes(*this).mend(d.table, &setAside[int(d.table)]))
                return false;
        }
    }
}
