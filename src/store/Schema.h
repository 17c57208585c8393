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
constexpr int Version = 3;                   // user_version; a higher one is a newer layout

// Writes the marks, tables and index into an empty database, in one transaction. Throws on failure.
void create(SQLite::Database &db);

// Brings an older notebook's layout up to Version in one transaction; does nothing when it is
// current or the file is read-only (the program then works without what the newer layout adds).
// Throws on failure, leaving the file as it was.
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
