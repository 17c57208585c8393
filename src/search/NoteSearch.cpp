#include "search/NoteSearch.h"

#include "search/ChineseVariants.h"
#include "search/NoteIndex.h"
#include "search/SearchIndex.h"
#include "search/SearchText.h"
#include "store/NotebookPrivate.h"
#include "util/NoteDate.h"

#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <QHash>

#include <algorithm>
#include <functional>
#include <unordered_set>

using StoreDetail::guarded;

namespace {
// Up to this many notes written by other programs are indexed before a search answers; more
// (an older notebook's first open) is the index build's work, with its progress shown.
constexpr qint64 CatchUpLimit = 2000;

bool containsAny(const QString &text, const QStringList &forms)
{
    return std::any_of(forms.begin(), forms.end(), [&text](const QString &f) { return text.contains(f); });
}

// The notes still waiting for the index, read and matched one by one: while an older notebook's
// index is being built, the answer is still exact. They are read a few at a time, each read
// short, so that the worker building the index (and the user's saves) never wait on a long read.
// The index is asked (searchIndex) only after them: a note the worker indexes meanwhile is then
// found in one place or the other, never missed; one found in both counts once.
void searchWithWaiting(StatementCache &cache, const TextExtractor &extract, const std::vector<QStringList> &terms,
                       const SearchOptions &options, const std::function<void(SearchResult &)> &searchIndex,
                       SearchResult &out)
{
    struct Ranked
    {
        SearchHit hit;
        qint64 updated = 0;
    };
    struct Waiting
    {
        SearchHit hit;
        QString title, body;
    };
    std::vector<Ranked> all;
    const QHash<qint64, QString> groupNames = StoreDetail::groupNames(cache);
    std::unordered_set<qint64> waiting;
    for (qint64 after = -1;;) {
        std::vector<Waiting> chunk;
        int rows = 0;
        {
            Query q(cache, "SELECT p.NoteID, n.nNoteTitle, n.nAddDate, n.nLastUpdate, n.nPriority, n.nIcon, "
                           "n.nColor, n.nGroupID, n.nNote, n.ID IS NULL FROM SearchPending p "
                           "LEFT JOIN Notes n ON n.ID = p.NoteID WHERE p.NoteID > ? ORDER BY p.NoteID LIMIT 100");
            q.bind(1, after);
            while (q.step()) {
                ++rows;
                after = q.int64(0);
                waiting.insert(after);
                if (q.int64(9) != 0 || (options.groupId != -1 && q.int64(7) != options.groupId))
                    continue; // deleted since, or in another group
                Waiting w;
                StoreDetail::readNoteItem(q, w.hit.item);
                w.hit.id = after;
                w.hit.groupId = q.int64(7);
                w.title = q.text(1);
                w.body = q.text(8);
                chunk.push_back(std::move(w));
            }
        }
        if (rows == 0)
            break;
        for (Waiting &w : chunk) {
            const QString title = SearchText::fold(w.title);
            QString body; // extracted only when the title lacks a term
            bool bodyRead = false;
            bool matches = true;
            for (const QStringList &forms : terms) {
                if (containsAny(title, forms)) {
                    ++w.hit.titleTerms;
                    continue;
                }
                if (!bodyRead) {
                    body = SearchText::fold(extract(w.body));
                    bodyRead = true;
                }
                if (!containsAny(body, forms)) {
                    matches = false;
                    break;
                }
            }
            if (!matches)
                continue;
            w.hit.groupName = groupNames.value(w.hit.groupId);
            const qint64 updated = w.hit.item.updated.key();
            all.push_back({std::move(w.hit), updated});
        }
    }
    searchIndex(out);
    for (SearchHit &h : out.hits) {
        if (waiting.count(h.id))
            continue;
        const qint64 updated = h.item.updated.key();
        all.push_back({std::move(h), updated});
    }
    std::sort(all.begin(), all.end(), [](const Ranked &a, const Ranked &b) {
        return SearchIndex::before({a.hit.id, a.hit.titleTerms, a.updated}, {b.hit.id, b.hit.titleTerms, b.updated});
    });
    out.total = qint64(all.size());
    if (options.limit > 0 && all.size() > std::size_t(options.limit))
        all.resize(std::size_t(options.limit));
    out.hits.clear();
    for (Ranked &r : all)
        out.hits.push_back(std::move(r.hit));
}
} // namespace

const NoteIndex *NoteSearch::ready()
{
    if (!nb_.ready())
        return nullptr;
    const NoteIndex *index = NoteIndex::of(nb_);
    if (!index || !index->extractor()) {
        nb_.fail(QStringLiteral("no search index given"));
        return nullptr;
    }
    if (!nb_.conn().indexed) {
        nb_.fail(QStringLiteral("this notebook cannot be searched (read-only)"));
        return nullptr;
    }
    return index;
}

qint64 NoteSearch::unindexed()
{
    if (!nb_.ready())
        return 0;
    qint64 n = 0;
    guarded(nb_.lastError_, [&] {
        const TextExtractor none; // counting reads no note
        n = SearchIndexer(nb_.conn().db, nb_.conn().cache, none).pending();
        return true;
    });
    return n;
}

bool NoteSearch::buildIndex(const IndexProgress &progress, const std::atomic<bool> *cancel)
{
    const NoteIndex *given = ready();
    if (!given)
        return false;
    if (const QString refused = nb_.writesRefused(); !refused.isEmpty())
        return nb_.fail(refused);
    return guarded(nb_.lastError_, [&] {
        if (!SearchIndexer(nb_.conn().db, nb_.conn().cache, given->extractor()).build(progress, cancel))
            return nb_.fail(QStringLiteral("cancelled"));
        return true;
    });
}

std::optional<SearchResult> NoteSearch::find(const QString &query, const SearchOptions &options)
{
    const NoteIndex *given = ready();
    if (!given)
        return std::nullopt;
    SearchResult found;
    SearchResult *result = &found;
    // Each term with the forms that count as it.
    std::vector<QStringList> terms;
    for (const QString &term : SearchText::terms(query))
        terms.push_back(options.traditionalSimplified ? ChineseVariants::of(term) : QStringList{term});
    SearchIndexer index(nb_.conn().db, nb_.conn().cache, given->extractor());
    // One snapshot for the index's several reads: a note deleted or indexed by another connection
    // between two of them would otherwise look like a damaged index.
    const auto searchIndex = [&](const SearchOptions &o, SearchResult &out) {
        SQLite::Transaction snapshot(nb_.conn().db, SQLite::TransactionBehavior::DEFERRED);
        index.search(terms, o, out);
        snapshot.commit();
    };
    auto run = [&] {
        // Nothing waiting is the usual case: then no write lock is taken at all.
        const qint64 waiting = index.pending();
        // A notebook refused writes is searched as it is, its waiting notes read one by one.
        if (waiting > 0 && waiting <= CatchUpLimit && nb_.writesRefused().isEmpty())
            index.indexBatch(CatchUpLimit); // staged notes stay staged: they are searched as they are
        result->unindexed = index.pending();
        if (result->unindexed == 0 || terms.empty()) {
            searchIndex(options, *result);
            return;
        }
        SearchOptions everyHit = options;
        everyHit.limit = 0;
        searchWithWaiting(nb_.conn().cache, given->extractor(), terms, options,
                          [&](SearchResult &indexed) { searchIndex(everyHit, indexed); }, *result);
    };
    try {
        run();
        return found;
    } catch (const SQLite::Exception &e) {
        // A damaged index (or one another tool took apart) starts again from the notes; the
        // notes themselves are never touched by this. A lock or a disk error is only reported.
        const int code = e.getErrorCode() & 0xFF;
        if (code != SQLITE_CORRUPT && code != SQLITE_ERROR) {
            nb_.fail(QString::fromUtf8(e.what()));
            return std::nullopt;
        }
    } catch (const std::exception &e) {
        nb_.fail(QString::fromUtf8(e.what()));
        return std::nullopt;
    }
    if (const QString refused = nb_.writesRefused(); !refused.isEmpty()) {
        nb_.fail(refused);
        return std::nullopt;
    }
    const bool repaired = guarded(nb_.lastError_, [&] {
        index.repair();
        run();
        return true;
    });
    return repaired ? std::optional<SearchResult>(std::move(found)) : std::nullopt;
}
