#pragma once

#include "store/Search.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <vector>

namespace SQLite {
class Database;
}
class StatementCache;

// The search index inside the notebook file. Triggers on Notes record the ID of every note
// written by anyone (this program, an older one, any SQLite tool) in SearchPending; the index
// (folded texts in SearchNotes and SearchBodies, their one- to three-character runs in the FTS5
// table SearchGrams, lagging behind for the notes in SearchStaged) is brought up to date from
// there. Internal to the store.
namespace SearchIndex {

struct SchemaObject
{
    const char *type; // as in sqlite_master
    const char *name;
};
// Every schema object the index owns, shadow tables of SearchGrams included.
extern const std::vector<SchemaObject> Objects;

// The step that adds the index to a notebook of the first layout: creates the objects and
// queues every note. Runs inside the caller's transaction.
void create(SQLite::Database &db);
void createStaged(SQLite::Database &db);
// True when every object of Objects is there with its type.
bool intact(SQLite::Database &db);
// Drops what is left of the index and creates it again with every note queued, in one
// transaction: a damaged index is rebuilt, never a reason to refuse the notebook.
void recreate(SQLite::Database &db);
// Where a match stands among the results: more terms in its title first, then the latest update,
// then the newest note.
struct Rank
{
    qint64 id = 0;
    int titleTerms = 0;
    qint64 updated = 0; // NoteStamp::key of its last update
};
bool before(const Rank &a, const Rank &b);

} // namespace SearchIndex

// The index of one connection. Every function that writes expects to run inside the caller's
// transaction unless it says otherwise; errors throw SQLite::Exception.
class SearchIndexer
{
public:
    SearchIndexer(SQLite::Database &db, StatementCache &cache) : db_(db), cache_(cache) {}

    // At open: brings an older layout up to date and rebuilds a damaged index. A file that
    // cannot take that (read-only) still opens, without search.
    void open();

    TextExtractor extractor;
    bool available = false;

    // A note write has changed note id (or, for id -1, deleted notes): brings the index up to
    // date for it in the same transaction (its texts at once, SearchGrams with the next staged
    // notes). A failure of the index is kept inside a savepoint, so the note write itself always
    // goes through; the note then waits in SearchPending.
    void written(qint64 id);
    static constexpr qint64 DeletedNotes = -1;

    qint64 pending();
    // Indexes up to count waiting notes in one transaction of its own; returns how many.
    qint64 indexBatch(qint64 count);
    // Brings the index up to date, batch by batch, staged notes included; false when cancel was
    // set (what was done stays done, so a later call resumes).
    bool build(const IndexProgress &progress, const std::atomic<bool> *cancel);

    // Runs the search over the forms of each term (a note holds a term when it holds any of its
    // forms); the index must not be damaged (throws otherwise).
    void search(const std::vector<QStringList> &terms, const SearchOptions &options, SearchResult &out);

    // Rebuilds the index after an error from it.
    void repair();

private:
    // Brings the texts of note id (gone or not) up to date, and SearchGrams too unless staged.
    void index(qint64 id, bool staged);
    // The texts whose runs SearchGrams holds for note id; false when it holds none.
    bool gramsHeld(qint64 id, QString &title, QString &body);
    void dropGrams(qint64 id, const QString &title, const QString &body);
    void settleStaged();
    std::vector<qint64> staged(); // sorted
    std::vector<qint64> pendingIds(qint64 count);

    SQLite::Database &db_;
    StatementCache &cache_;
};
