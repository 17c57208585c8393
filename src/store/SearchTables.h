#pragma once

#include <vector>

namespace SQLite {
class Database;
}

// The search index's tables as part of the notebook file's layout. Triggers on Notes record the
// ID of every note written by anyone (this program, an older one, any SQLite tool) in
// SearchPending; the index (src/search) brings the rest (SearchNotes, SearchBodies, SearchGrams,
// SearchStaged) up to date from there. The store creates them, migrates them and accepts them
// when it checks a file; what goes into them is the index's business.
namespace SearchTables {

struct SchemaObject
{
    const char *type; // as in sqlite_master
    const char *name;
};
// Every schema object of the index, shadow tables of SearchGrams included.
extern const std::vector<SchemaObject> Objects;

// The step that adds the index to a notebook of the first layout: creates the objects and
// queues every note. Runs inside the caller's transaction.
void create(SQLite::Database &db);
// The later step that adds SearchStaged.
void createStaged(SQLite::Database &db);
// True when every object of Objects is there with its type.
bool intact(SQLite::Database &db);
// At open: true when the objects are there, created anew when any was missing or damaged; false
// when the file cannot take that (read-only): it still opens, without search.
bool ensure(SQLite::Database &db);
// Drops what is left of the index and creates it again with every note queued, in one
// transaction: a damaged index is rebuilt, never a reason to refuse the notebook.
void recreate(SQLite::Database &db);

} // namespace SearchTables
