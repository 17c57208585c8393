#include "store/SearchTables.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <string>

namespace SearchTables {

const std::vector<SchemaObject> Objects = {
    {"table", "SearchPending"},
    {"table", "SearchNotes"},
    {"table", "SearchBodies"},
    {"table", "SearchStaged"},
    {"table", "SearchGrams"},
    {"table", "SearchGrams_data"},
    {"table", "SearchGrams_idx"},
    {"table", "SearchGrams_config"},
    {"trigger", "SearchNoteAdded"},
    {"trigger", "SearchNoteChanged"},
    {"trigger", "SearchNoteDeleted"},
};

namespace {

// SearchGrams keeps no text of its own (content='') and no positions (detail=none): the runs
// of one and two characters answer short terms exactly, and longer terms are checked against
// the folded texts. That keeps the index near twice the plain text.
// SearchNotes and SearchBodies always hold the notes' current folded texts. A save changes only
// them and notes the note in SearchStaged with the texts SearchGrams still holds for it (NULL:
// none), because writing SearchGrams costs a new segment and its merging per commit; staged
// notes are searched by their texts and go into SearchGrams together, a batch at a time.
const char *const CreateSql = R"sql(
CREATE TABLE SearchPending (NoteID INTEGER PRIMARY KEY);
CREATE TABLE SearchNotes (ID INTEGER PRIMARY KEY, Updated INTEGER NOT NULL, Title TEXT NOT NULL);
CREATE TABLE SearchBodies (ID INTEGER PRIMARY KEY, Body TEXT NOT NULL);
CREATE VIRTUAL TABLE SearchGrams USING fts5(Grams, content='', detail=none, columnsize=0, tokenize='ascii');
CREATE TRIGGER SearchNoteAdded AFTER INSERT ON Notes BEGIN
  INSERT OR IGNORE INTO SearchPending (NoteID) VALUES (new.ID);
END;
CREATE TRIGGER SearchNoteChanged AFTER UPDATE OF ID, nNoteTitle, nLastUpdate, nNote ON Notes BEGIN
  INSERT OR IGNORE INTO SearchPending (NoteID) VALUES (old.ID);
  INSERT OR IGNORE INTO SearchPending (NoteID) VALUES (new.ID);
END;
CREATE TRIGGER SearchNoteDeleted AFTER DELETE ON Notes BEGIN
  INSERT OR IGNORE INTO SearchPending (NoteID) VALUES (old.ID);
END;
INSERT INTO SearchPending (NoteID) SELECT ID FROM Notes;
)sql";

// Its own statement: notebooks indexed before saves were staged get it by a migration of its own.
const char *const StagedSql = "CREATE TABLE IF NOT EXISTS SearchStaged (ID INTEGER PRIMARY KEY, Title TEXT, Body TEXT)";

} // namespace

void create(SQLite::Database &db)
{
    db.exec(CreateSql);
    createStaged(db);
}

void createStaged(SQLite::Database &db)
{
    db.exec(StagedSql);
}

bool intact(SQLite::Database &db)
{
    SQLite::Statement q(db, "SELECT 1 FROM sqlite_master WHERE type = ? AND name = ?");
    for (const SchemaObject &o : Objects) {
        q.bind(1, o.type);
        q.bind(2, o.name);
        if (!q.executeStep())
            return false;
        q.reset();
    }
    return true;
}

bool ensure(SQLite::Database &db)
{
    try {
        if (!intact(db))
            recreate(db);
        return true;
    } catch (const SQLite::Exception &) {
        return false;
    }
}

void recreate(SQLite::Database &db)
{
    SQLite::Transaction tx(db, SQLite::TransactionBehavior::IMMEDIATE);
    // Triggers first, then the virtual table (which takes its shadow tables along).
    for (auto it = Objects.rbegin(); it != Objects.rend(); ++it) {
        const std::string kind = it->type;
        if (kind == "trigger")
            db.exec("DROP TRIGGER IF EXISTS " + std::string(it->name));
    }
    db.exec("DROP TABLE IF EXISTS SearchGrams");
    for (const SchemaObject &o : Objects) {
        if (std::string(o.type) == "table")
            db.exec("DROP TABLE IF EXISTS " + std::string(o.name));
    }
    create(db);
    tx.commit();
}

} // namespace SearchTables
