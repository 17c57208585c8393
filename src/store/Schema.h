#pragma once

#include <QString>
#include <QtGlobal>

namespace SQLite {
class Database;
}

// The notebook file layout: three tables with the columns in their fixed order, the index that
// lets a group be listed without touching note bodies, and the header marks that tell a
// notebook from any other SQLite file.
namespace Schema {

constexpr qint32 ApplicationId = 0x51424E42; // "QBNB" in the file header
constexpr int Version = 2;                   // user_version; a higher one is a newer layout

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

// Checks marks, tables, columns and that the file is not shorter than its pages claim, and
// reads the small tables and the note index once so that a damaged page there shows up now.
// Returns "" when the file is a readable notebook, else the reason. Throws on engine errors.
QString verify(SQLite::Database &db, qint64 fileSize);

// Whether the note index exists; a file changed by another tool may lack it, and listings then
// read the table instead.
bool hasNoteIndex(SQLite::Database &db);

// Connection settings every notebook connection uses (one file, full sync, zeroed deletes).
void configure(SQLite::Database &db, int busyTimeoutMs);

} // namespace Schema
