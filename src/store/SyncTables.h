#pragma once

namespace SQLite {
class Database;
}

// What sync keeps in a notebook, in tables of its own (docs/sync.md): the computer's identity and
// the place it syncs with (SyncState), the identities of groups and notes shared by every
// computer (SyncObjects), every revision known (SyncRevisions), the saves made here not yet
// turned into revisions (SyncOutbox, filled by triggers while the notebook syncs, so a note
// written by any program is picked up), what was read of each other computer (SyncRead) and the
// notes in conflict (SyncConflicts).
namespace SyncTables {

// Adds the tables and triggers; runs inside the caller's transaction (a migration step), and
// again after an interrupted one.
void create(SQLite::Database &db);

// The object kinds of SyncObjects and SyncOutbox.
inline constexpr int Group = 0;
inline constexpr int Note = 1;

} // namespace SyncTables
