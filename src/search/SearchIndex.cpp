#include "search/SearchIndex.h"

#include "search/SearchText.h"
#include "store/NoteIndexHook.h"
#include "store/SearchTables.h"
#include "store/StatementCache.h"
#include "util/NoteDate.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <sqlite3.h>

#include <algorithm>
#include <string>

namespace {

// Staged notes go into SearchGrams together once there are this many: a save writes only its
// texts, and one save in StagedLimit pays for the segment and its merging.
constexpr qint64 StagedLimit = 64;

std::string gramLine(const QString &title, const QString &body)
{
    std::vector<quint64> grams;
    SearchText::addGrams(title, grams);
    SearchText::addGrams(body, grams);
    std::sort(grams.begin(), grams.end());
    grams.erase(std::unique(grams.begin(), grams.end()), grams.end());
    std::string line;
    line.reserve(grams.size() * 10);
    for (const quint64 g : grams) {
        SearchText::appendGram(line, g);
        line += ' ';
    }
    return line;
}

// A savepoint that rolls back what was done under it unless released.
class Savepoint
{
public:
    explicit Savepoint(SQLite::Database &db) : db_(db) { db_.exec("SAVEPOINT SearchIndex"); }
    ~Savepoint()
    {
        if (!done_) {
            try {
                db_.exec("ROLLBACK TO SearchIndex");
                db_.exec("RELEASE SearchIndex");
            } catch (const SQLite::Exception &) {
            }
        }
    }
    void release()
    {
        db_.exec("RELEASE SearchIndex");
        done_ = true;
    }

private:
    SQLite::Database &db_;
    bool done_ = false;
};

} // namespace

bool SearchIndexer::open()
{
    try {
        // Saves leave SearchGrams alone most of the time; connecting it now keeps it one that
        // can be dropped and rebuilt when its records are damaged later.
        cache_.get(MatchSql);
        return true;
    } catch (const SQLite::Exception &) {
        return false;
    }
}

void SearchIndexer::dropGrams(qint64 id, const QString &title, const QString &body)
{
    // A contentless table forgets a row only when told the exact tokens it was given.
    Query del(cache_, "INSERT INTO SearchGrams (SearchGrams, rowid, Grams) VALUES ('delete', ?, ?)");
    del.bind(1, id).bindUtf8(2, gramLine(title, body)).run();
}

void SearchIndexer::index(qint64 id, bool staged)
{
    if (staged) {
        // The first change since the note was last in SearchGrams keeps what SearchGrams holds.
        Query keep(cache_, "INSERT OR IGNORE INTO SearchStaged (ID, Title, Body) "
                           "VALUES (?1, (SELECT Title FROM SearchNotes WHERE ID = ?1), "
                           "(SELECT Body FROM SearchBodies WHERE ID = ?1))");
        keep.bind(1, id).run();
    } else {
        QString title, body;
        if (gramsHeld(id, title, body))
            dropGrams(id, title, body);
        Query unstage(cache_, "DELETE FROM SearchStaged WHERE ID = ?");
        unstage.bind(1, id).run();
    }
    Query notes(cache_, "DELETE FROM SearchNotes WHERE ID = ?");
    notes.bind(1, id).run();
    Query bodies(cache_, "DELETE FROM SearchBodies WHERE ID = ?");
    bodies.bind(1, id).run();
    Query note(cache_, "SELECT nNoteTitle, nLastUpdate, nNote FROM Notes WHERE ID = ?");
    note.bind(1, id);
    if (note.step()) {
        const QString title = SearchText::fold(note.text(0));
        const QString body = SearchText::fold(extractor_(note.text(2)));
        Query n(cache_, "INSERT INTO SearchNotes (ID, Updated, Title) VALUES (?, ?, ?)");
        n.bind(1, id).bind(2, NoteStamp(note.text(1)).key()).bind(3, title).run();
        Query b(cache_, "INSERT INTO SearchBodies (ID, Body) VALUES (?, ?)");
        b.bind(1, id).bind(2, body).run();
        if (!staged) {
            Query g(cache_, "INSERT INTO SearchGrams (rowid, Grams) VALUES (?, ?)");
            g.bind(1, id).bindUtf8(2, gramLine(title, body)).run();
        }
    }
    Query done(cache_, "DELETE FROM SearchPending WHERE NoteID = ?");
    done.bind(1, id).run();
}

bool SearchIndexer::gramsHeld(qint64 id, QString &title, QString &body)
{
    {
        Query q(cache_, "SELECT Title IS NOT NULL OR Body IS NOT NULL, Title, Body FROM SearchStaged WHERE ID = ?");
        q.bind(1, id);
        if (q.step()) {
            title = q.text(1);
            body = q.text(2);
            return q.int64(0) != 0;
        }
    }
    bool had = false;
    {
        Query q(cache_, "SELECT Title FROM SearchNotes WHERE ID = ?");
        q.bind(1, id);
        if (q.step()) {
            title = q.text(0);
            had = true;
        }
    }
    Query q(cache_, "SELECT Body FROM SearchBodies WHERE ID = ?");
    q.bind(1, id);
    if (q.step()) {
        body = q.text(0);
        had = true;
    }
    return had;
}

void SearchIndexer::settleStaged()
{
    std::vector<qint64> ids = staged();
    for (const qint64 id : ids) {
        QString title, body;
        if (gramsHeld(id, title, body))
            dropGrams(id, title, body);
        Query q(cache_, "SELECT n.Title, b.Body FROM SearchNotes n, SearchBodies b WHERE n.ID = ? AND b.ID = n.ID");
        q.bind(1, id);
        if (q.step()) {
            Query g(cache_, "INSERT INTO SearchGrams (rowid, Grams) VALUES (?, ?)");
            g.bind(1, id).bindUtf8(2, gramLine(q.text(0), q.text(1))).run();
        }
        Query unstage(cache_, "DELETE FROM SearchStaged WHERE ID = ?");
        unstage.bind(1, id).run();
    }
}

std::vector<qint64> SearchIndexer::staged()
{
    std::vector<qint64> ids;
    Query q(cache_, "SELECT ID FROM SearchStaged ORDER BY ID");
    while (q.step())
        ids.push_back(q.int64(0));
    return ids;
}

void SearchIndexer::written(qint64 id)
{
    if (id != NoteIndexHook::DeletedNotes && !extractor_)
        return;
    try {
        Savepoint sp(db_);
        if (id == NoteIndexHook::DeletedNotes) {
            std::vector<qint64> gone;
            Query q(cache_, "SELECT NoteID FROM SearchPending WHERE NoteID NOT IN (SELECT ID FROM Notes)");
            while (q.step())
                gone.push_back(q.int64(0));
            for (const qint64 g : gone)
                index(g, true);
        } else {
            index(id, true);
        }
        Query count(cache_, "SELECT count(*) FROM SearchStaged");
        if (count.step() && count.int64(0) >= StagedLimit)
            settleStaged();
        sp.release();
    } catch (const SQLite::Exception &) {
        // The note stays queued; the next search finds the index damaged or the note pending.
    }
}

qint64 SearchIndexer::pending()
{
    Query q(cache_, "SELECT count(*) FROM SearchPending");
    return q.step() ? q.int64(0) : 0;
}

std::vector<qint64> SearchIndexer::pendingIds(qint64 count)
{
    std::vector<qint64> ids;
    Query q(cache_, "SELECT NoteID FROM SearchPending ORDER BY NoteID LIMIT ?");
    q.bind(1, count);
    while (q.step())
        ids.push_back(q.int64(0));
    return ids;
}

qint64 SearchIndexer::indexBatch(qint64 count)
{
    SQLite::Transaction tx(db_, SQLite::TransactionBehavior::IMMEDIATE);
    const std::vector<qint64> ids = pendingIds(count);
    for (const qint64 id : ids)
        index(id, false);
    tx.commit();
    return qint64(ids.size());
}

bool SearchIndexer::build(const IndexProgress &progress, const std::atomic<bool> *cancel)
{
    const qint64 total = pending();
    qint64 done = 0;
    if (progress)
        progress(0, total);
    // The index's segments are merged as they grow; a larger page cache keeps the merges in
    // memory instead of reading the same pages again.
    struct CacheSize
    {
        SQLite::Database &db;
        explicit CacheSize(SQLite::Database &d) : db(d) { db.exec("PRAGMA cache_size = -32768"); }
        ~CacheSize() { db.exec("PRAGMA cache_size = -2000"); }
    } cache(db_);
    while (true) {
        if (cancel && cancel->load())
            return false;
        // Batches of a few hundred notes: each commit waits for the disk, and a cancel or a
        // save of the user's waits at most one batch.
        const qint64 n = indexBatch(500);
        if (n == 0)
            break;
        done = std::min(total, done + n);
        if (progress)
            progress(done, total);
    }
    SQLite::Transaction tx(db_, SQLite::TransactionBehavior::IMMEDIATE);
    settleStaged();
    tx.commit();
    return true;
}

void SearchIndexer::repair()
{
    SearchTables::recreate(db_);
}
