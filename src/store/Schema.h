#pragma once

#include <QString>
#include <QtGlobal>

namespace SQLite {
class Database;
}

// The notebook file layout: three tables with the columns in their fixed order, the index that
// lets a group be listed without touching note bodies, and the header marks that tell a
// notebook from any other SQLite file. Opening a file goes: checkHeader (no engine involved),
// guard, verify (read only), then configure.
namespace Schema {

constexpr qint32 ApplicationId = 0x51424E42; // "QBNB" in the file header
constexpr int Version = 6;                   // user_version; a higher one is a newer layout

// One step from the layout before to version `to`; runs inside the transaction that also sets
// user_version to `to`.
struct Migration
{
    int to;
    void (*apply)(SQLite::Database &db);
};

// Writes the marks, tables and index into an empty database, with every migration applied, in
// one transaction. Throws on failure.
void create(SQLite::Database &db);

// Brings a verified notebook of an older layout up to Version, one transaction per step, so an
// interruption leaves a file at some complete version. Throws on failure (a read-only file).
void migrate(SQLite::Database &db);

// Reads the file's first bytes itself: "" when they carry a notebook's marks, else the reason.
// The engine never sees a file refused here, so it cannot write to it (a journal rolled back, a
// log checkpointed) on the way to refusing it.
QString checkHeader(const QString &path);

// Settings for reading a file from elsewhere safely; set before its first statement. They change
// nothing in the file.
void guard(SQLite::Database &db, int busyTimeoutMs);

// Accepts only the schema objects this program creates, each defined exactly as it creates it
// (a planted trigger or view, or one of ours with another body, would run inside our
// statements), then checks marks, tables, columns and that the file is not shorter
// than its pages claim, all under one read lock, and reads the small tables and the note index
// once so that a damaged page there shows up now. Returns "" for a readable notebook, else the
// reason. Throws on engine errors.
QString verify(SQLite::Database &db);

// Whether the note index exists; a file changed by another tool may lack it, and listings then
// read the table instead.
bool hasNoteIndex(SQLite::Database &db);

// Connection settings of every notebook connection (one file, full sync, zeroed deletes); set
// only once verify accepted the file, since switching the journal mode writes to it.
void configure(SQLite::Database &db);

// The engine keeps the last ID given to each table in sqlite_sequence; when that table cannot be
// read, every add would fail. It is made anew from the highest IDs in the tables. Only for a
// connection that may write, after verify. Throws when the repair fails.
void repairSequence(SQLite::Database &db);

} // namespace Schema
