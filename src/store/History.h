#pragma once

#include "base/CurrentNote.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

namespace SQLite {
class Database;
}

// What the notebook keeps of replaced and deleted notes, and the tables that hold it.

// How much is kept; the options dialog sets these numbers.
struct KeepLimits
{
    int days = 60;              // history and deleted notes older than this are dropped
    int versionsPerNote = 100;  // the oldest versions of a note beyond this are dropped
    int historyPercent = 25;    // history never takes more than this share of the notebook
};

// One kept state of a note: its fields as they were, and the group it was in.
struct NoteVersion
{
    CurrentNote note; // NoteAddDate: created, NoteLastUpdate: the save this state came from
    qint64 groupId = 0;
};

// A row of a note's history, newest first in listings.
struct VersionInfo
{
    qint64 id = 0;
    QString updated;     // the version's own "last update" text, as the list shows it
    QDateTime replaced;  // when a later save replaced it (UTC)
    QString title;
    qint64 size = 0;     // characters of the stored body (its RTF, not its text)
    bool conflict = false; // a version that lost a conflict between two computers
};

// A row of the recently deleted notes.
struct DeletedInfo
{
    qint64 id = 0;       // of the entry, not of the note
    qint64 noteId = 0;
    QString title;
    qint64 groupId = 0;
    QString groupName;   // as it was when the note was deleted
    bool groupExists = false;
    QDateTime deleted;   // UTC
};

namespace History {

// Every table and index the history adds to a notebook, as sqlite_master names them.
struct SchemaObject
{
    const char *type;
    const char *name;
};
inline constexpr SchemaObject Objects[] = {
    {"table", "NoteHistory"},
    {"index", "NoteHistoryByNote"},
    {"table", "DeletedNotes"},
};

// Adds the history tables; runs inside the caller's transaction (a migration step).
void createTables(SQLite::Database &db);
bool hasTables(SQLite::Database &db);

enum class Table { NoteHistory, DeletedNotes };
// A damaged table goes aside under a name of its own (<table>Damaged, then <table>Damaged2, ...),
// where whatever can still be read stays readable, and the table starts afresh. Returns the name
// it went under. Runs inside the caller's transaction; throws when the schema cannot take it.
QString setAside(SQLite::Database &db, Table table);
// True for a name setAside gives (any case, as SQL names go).
bool isSetAside(const QString &name);

// A version compressed for storage, and back; false when the bytes are not a version.
QByteArray pack(const NoteVersion &v);
bool unpack(const QByteArray &data, NoteVersion *v);

} // namespace History
