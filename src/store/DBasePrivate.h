#pragma once

// Internals shared by the DBase source files; not part of the store's interface.

#include "store/DBase.h"
#include "store/SearchIndex.h"
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

struct DBase::Connection
{
    explicit Connection(SQLite::Database &&opened) : db(std::move(opened)), cache(db.getHandle()) {}
    SQLite::Database db;
    StatementCache cache; // declared after db: statements are finalized before the close
    SearchIndexer search{db, cache};
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

// What DBase::keepIn throws for a damaged history table (not a std::exception, so guarded()
// lets it through to DBase::write).
struct HistoryDamaged
{
    History::Table table;
};

// The reason to report for an engine failure: damage is named as damage.
QString failureText(const SQLite::Exception &e);

// Runs f, turning any exception into 0 and its reason into error.
template <typename F>
int guarded(QString &error, F &&f)
{
    try {
        return f();
    } catch (const SQLite::Exception &e) {
        error = failureText(e);
        return 0;
    } catch (const std::exception &e) {
        error = QString::fromUtf8(e.what());
        return 0;
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
int DBase::write(Body &&body)
{
    int replacedTries = 0;
    bool setAside[2] = {}; // per History::Table
    for (;;) {
        if (!writable())
            return 0;
        bool replaced = false;
        try {
            const int result = StoreDetail::guarded(lastError_, [&] {
                SQLite::Transaction tx(conn_->db, SQLite::TransactionBehavior::IMMEDIATE);
                if (!sameFileAtPath()) {
                    replaced = true;
                    return 0;
                }
                if (body() != 1)
                    return 0;
                tx.commit();
                return 1;
            });
            if (!replaced)
                return result;
            if (++replacedTries == 3)
                return fail(MovedOrDeleted);
        } catch (const StoreDetail::HistoryDamaged &d) {
            // Damage spoils the whole transaction (it is rolled back by now): the damaged table
            // is set aside and the write runs again, keeping what it replaces in a fresh one.
            if (!mendHistory(d.table, &setAside[int(d.table)]))
                return 0;
        }
    }
}
