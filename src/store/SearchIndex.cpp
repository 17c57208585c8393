#include "store/SearchIndex.h"

#include "store/DBasePrivate.h"
#include "store/Schema.h"
#include "store/SearchText.h"
#include "store/StatementCache.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <QHash>

#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_set>

namespace SearchIndex {

const std::vector<SchemaObject> Objects = {
    {"table", "SearchPending"},
    {"table", "SearchNotes"},
    {"table", "SearchBodies"},
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

} // namespace

void create(SQLite::Database &db)
{
    db.exec(CreateSql);
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

} // namespace SearchIndex

qint64 SearchIndex::dateKey(const QString &date)
{
    qint64 parts[6] = {};
    int n = 0;
    bool inDigits = false;
    for (const QChar c : date) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (digit && n < 6) {
            parts[n] = std::min<qint64>(parts[n] * 10 + (c.unicode() - '0'), n == 0 ? 999999 : 99);
        } else if (!digit && inDigits) {
            ++n;
        }
        inDigits = digit;
    }
    qint64 key = 0;
    for (const qint64 p : parts)
        key = key * 100 + p;
    return key;
}

namespace {

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

struct Candidate
{
    qint64 id = 0;
    int titleTerms = 0;
    qint64 updated = 0;
};

bool contains(std::string_view text, const std::string &term)
{
    return text.find(term) != std::string_view::npos;
}

} // namespace

void SearchIndexer::open()
{
    try {
        if (!SearchIndex::intact(db_))
            SearchIndex::recreate(db_);
        available = true;
    } catch (const SQLite::Exception &) {
        available = false;
    }
}

void SearchIndexer::remove(qint64 id)
{
    QString title, body;
    bool had = false;
    {
        Query q(cache_, "SELECT Title FROM SearchNotes WHERE ID = ?");
        q.bind(1, id);
        if (q.step()) {
            title = q.text(0);
            had = true;
        }
    }
    {
        Query q(cache_, "SELECT Body FROM SearchBodies WHERE ID = ?");
        q.bind(1, id);
        if (q.step()) {
            body = q.text(0);
            had = true;
        }
    }
    if (!had)
        return;
    // A contentless table forgets a row only when told the exact tokens it was given.
    const std::string line = gramLine(title, body);
    Query del(cache_, "INSERT INTO SearchGrams (SearchGrams, rowid, Grams) VALUES ('delete', ?, ?)");
    del.bind(1, id).bind(2, QString::fromStdString(line)).run();
    Query notes(cache_, "DELETE FROM SearchNotes WHERE ID = ?");
    notes.bind(1, id).run();
    Query bodies(cache_, "DELETE FROM SearchBodies WHERE ID = ?");
    bodies.bind(1, id).run();
}

void SearchIndexer::reindex(qint64 id)
{
    remove(id);
    Query note(cache_, "SELECT nNoteTitle, nLastUpdate, nNote FROM Notes WHERE ID = ?");
    note.bind(1, id);
    if (note.step()) {
        const QString title = SearchText::fold(note.text(0));
        const QString body = SearchText::fold(extractor(note.text(2)));
        Query n(cache_, "INSERT INTO SearchNotes (ID, Updated, Title) VALUES (?, ?, ?)");
        n.bind(1, id).bind(2, SearchIndex::dateKey(note.text(1))).bind(3, title).run();
        Query b(cache_, "INSERT INTO SearchBodies (ID, Body) VALUES (?, ?)");
        b.bind(1, id).bind(2, body).run();
        Query g(cache_, "INSERT INTO SearchGrams (rowid, Grams) VALUES (?, ?)");
        g.bind(1, id).bind(2, QString::fromStdString(gramLine(title, body))).run();
    }
    Query done(cache_, "DELETE FROM SearchPending WHERE NoteID = ?");
    done.bind(1, id).run();
}

void SearchIndexer::written(qint64 id)
{
    if (!available)
        return;
    try {
        Savepoint sp(db_);
        if (id == DeletedNotes) {
            std::vector<qint64> gone;
            Query q(cache_, "SELECT NoteID FROM SearchPending WHERE NoteID NOT IN (SELECT ID FROM Notes)");
            while (q.step())
                gone.push_back(q.int64(0));
            for (const qint64 g : gone) {
                remove(g);
                Query done(cache_, "DELETE FROM SearchPending WHERE NoteID = ?");
                done.bind(1, g).run();
            }
        } else if (extractor) {
            reindex(id);
        }
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

qint64 SearchIndexer::indexBatch(qint64 count)
{
    SQLite::Transaction tx(db_, SQLite::TransactionBehavior::IMMEDIATE);
    std::vector<qint64> ids;
    {
        Query q(cache_, "SELECT NoteID FROM SearchPending ORDER BY NoteID LIMIT ?");
        q.bind(1, count);
        while (q.step())
            ids.push_back(q.int64(0));
    }
    for (const qint64 id : ids)
        reindex(id);
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
            return true;
        done = std::min(total, done + n);
        if (progress)
            progress(done, total);
    }
}

void SearchIndexer::repair()
{
    SearchIndex::recreate(db_);
}

void SearchIndexer::search(const QStringList &terms, const SearchOptions &options, SearchResult &out)
{
    out.hits.clear();
    out.total = 0;
    out.terms = terms;
    if (terms.isEmpty())
        return;

    std::vector<std::string> tokens;
    std::vector<std::string> termBytes;
    std::vector<bool> check;
    for (const QString &t : terms) {
        for (std::string &g : SearchText::termGrams(t))
            tokens.push_back(std::move(g));
        termBytes.push_back(t.toStdString());
        check.push_back(SearchText::needsCheck(t));
    }
    std::sort(tokens.begin(), tokens.end());
    tokens.erase(std::unique(tokens.begin(), tokens.end()), tokens.end());
    std::string match;
    for (const std::string &tok : tokens)
        match += '"' + tok + "\" ";

    std::vector<qint64> ids;
    {
        Query q(cache_, "SELECT rowid FROM SearchGrams WHERE SearchGrams MATCH ? ORDER BY rowid");
        q.bind(1, QString::fromStdString(match));
        while (q.step())
            ids.push_back(q.int64(0));
    }
    if (options.groupId != -1 && !ids.empty()) {
        std::vector<qint64> inGroup;
        Query q(cache_, "SELECT ID FROM Notes WHERE nGroupID = ? ORDER BY ID");
        q.bind(1, options.groupId);
        while (q.step())
            inGroup.push_back(q.int64(0));
        std::vector<qint64> both;
        std::set_intersection(ids.begin(), ids.end(), inGroup.begin(), inGroup.end(),
                              std::back_inserter(both));
        ids.swap(both);
    }

    // Title and date of each candidate; terms of three characters and more that the title does
    // not hold are looked for in the body.
    std::vector<Candidate> found;
    found.reserve(ids.size());
    auto consider = [&](qint64 id, qint64 updated, std::string_view title) {
        Candidate c{id, 0, updated};
        std::vector<std::size_t> bodyChecks;
        for (std::size_t i = 0; i < termBytes.size(); ++i) {
            if (contains(title, termBytes[i]))
                ++c.titleTerms;
            else if (check[i])
                bodyChecks.push_back(i);
        }
        if (!bodyChecks.empty()) {
            Query b(cache_, "SELECT Body FROM SearchBodies WHERE ID = ?");
            b.bind(1, id);
            if (!b.step())
                throw SQLite::Exception("search index: a body is missing", SQLITE_CORRUPT);
            int bytes = 0;
            const char *p = b.utf8(0, &bytes);
            const std::string_view body(p ? p : "", std::size_t(bytes));
            for (const std::size_t i : bodyChecks) {
                if (!contains(body, termBytes[i]))
                    return;
            }
        }
        found.push_back(std::move(c));
    };
    std::size_t seen = 0;
    auto titleOf = [&seen](const Query &q) {
        ++seen;
        int bytes = 0;
        const char *p = q.utf8(2, &bytes);
        return std::string_view(p ? p : "", std::size_t(bytes));
    };
    if (ids.size() > 3000) {
        // Many candidates: one pass over the small table beats a look-up per note.
        Query q(cache_, "SELECT ID, Updated, Title FROM SearchNotes ORDER BY ID");
        std::size_t next = 0;
        while (next < ids.size() && q.step()) {
            const qint64 id = q.int64(0);
            while (next < ids.size() && ids[next] < id)
                ++next;
            if (next < ids.size() && ids[next] == id)
                consider(id, q.int64(1), titleOf(q));
        }
    } else {
        for (const qint64 id : ids) {
            Query q(cache_, "SELECT ID, Updated, Title FROM SearchNotes WHERE ID = ?");
            q.bind(1, id);
            if (q.step())
                consider(id, q.int64(1), titleOf(q));
        }
    }
    if (seen != ids.size())
        throw SQLite::Exception("search index: a note's text is missing", SQLITE_CORRUPT);

    std::sort(found.begin(), found.end(), [](const Candidate &a, const Candidate &b) {
        if (a.titleTerms != b.titleTerms)
            return a.titleTerms > b.titleTerms;
        if (a.updated != b.updated)
            return a.updated > b.updated;
        return a.id > b.id;
    });
    out.total = qint64(found.size());
    if (options.limit > 0 && found.size() > std::size_t(options.limit))
        found.resize(std::size_t(options.limit));

    QHash<qint64, QString> groups;
    {
        Query q(cache_, "SELECT ID, vGroupName FROM Groups");
        while (q.step())
            groups.insert(q.int64(0), q.text(1));
    }
    for (const Candidate &c : found) {
        Query q(cache_, "SELECT ID, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nColor, nGroupID "
                        "FROM Notes WHERE ID = ?");
        q.bind(1, c.id);
        if (!q.step())
            continue;
        SearchHit hit;
        hit.id = c.id;
        hit.titleTerms = c.titleTerms;
        StoreDetail::readNoteItem(q, hit.item);
        hit.groupId = q.int64(7);
        hit.groupName = groups.value(hit.groupId);
        out.hits.push_back(std::move(hit));
    }
}
