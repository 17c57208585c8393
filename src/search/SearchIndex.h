#pragma once

#include "search/Search.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <vector>

namespace SQLite {
class Database;
}
class StatementCache;

// Where a match stands among the results: more terms in its title first, then the latest update,
// then the newest note.
namespace SearchIndex {

struct Rank
{
    qint64 id = 0;
    int titleTerms = 0;
    qint64 updated = 0; // NoteStamp::key of its last update
};
bool before(const Rank &a, const Rank &b);

} // namespace SearchIndex

// The index of one connection, kept in the tables of store/SearchTables.h: the folded texts of
// the notes in SearchNotes and SearchBodies, their one- to three-character runs in the FTS5 table
// SearchGrams (lagging behind for the notes in SearchStaged), brought up to date from
// SearchPending (SearchIndex.cpp) and queried (SearchQuery.cpp). Every function that writes
// expects to run inside the caller's transaction unless it says otherwise; errors throw
// SQLite::Exception.
class SearchIndexer
{
public:
    SearchIndexer(SQLite::Database &db, StatementCache &cache, const TextExtractor &extractor)
        : db_(db), cache_(cache), extractor_(extractor)
    {
    }

    // At open, once the store has made sure of the tables (SearchTables::ensure); false when
    // the index cannot be used on this connection.
    bool open();

    // A note write has changed note id (or, for NoteIndexHook::DeletedNotes, deleted notes): brings the index up to
    // date for it in the same transaction (its texts at once, SearchGrams with the next staged
    // notes). A failure of the index is kept inside a savepoint, so the note write itself always
    // goes through; the note then waits in SearchPending.
    void written(qint64 id);

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
    // The query of SearchGrams; open() prepares it.
    static constexpr const char *MatchSql = "SELECT rowid FROM SearchGrams WHERE SearchGrams MATCH ? ORDER BY rowid";

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
    const TextExtractor &extractor_;
};
