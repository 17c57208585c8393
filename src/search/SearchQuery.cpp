#include "search/SearchIndex.h"

#include "search/SearchText.h"
#include "store/NotebookPrivate.h"
#include "store/StatementCache.h"

#include <SQLiteCpp/Exception.h>

#include <QHash>

#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

bool SearchIndex::before(const Rank &a, const Rank &b)
{
    if (a.titleTerms != b.titleTerms)
        return a.titleTerms > b.titleTerms;
    if (a.updated != b.updated)
        return a.updated > b.updated;
    return a.id > b.id;
}

namespace {

bool contains(std::string_view text, const std::vector<std::string> &forms)
{
    return std::any_of(forms.begin(), forms.end(),
                       [text](const std::string &f) { return text.find(f) != std::string_view::npos; });
}

} // namespace

void SearchIndexer::search(const std::vector<QStringList> &terms, const SearchOptions &options,
                           SearchResult &out)
{
    out.hits.clear();
    out.total = 0;
    out.terms.clear();
    for (const QStringList &forms : terms)
        out.terms << forms;
    out.terms.removeDuplicates();
    if (terms.empty())
        return;

    // Every term's tokens must be there; a term of several forms needs those of one of them.
    // FTS5 joins bare phrases by AND, but a parenthesised group only by an explicit AND.
    std::vector<std::string> tokens;
    std::vector<std::string> clauses;
    std::vector<std::vector<std::string>> termBytes;
    std::vector<bool> check;
    for (const QStringList &forms : terms) {
        std::vector<std::string> bytes;
        bool anyCheck = false;
        std::string alternatives;
        for (const QString &form : forms) {
            std::string phrases;
            for (std::string &g : SearchText::termGrams(form)) {
                phrases += '"' + g + "\" ";
                if (forms.size() == 1)
                    tokens.push_back(std::move(g));
            }
            alternatives += (alternatives.empty() ? "(" : " OR (") + phrases + ')';
            bytes.push_back(form.toStdString());
            anyCheck = anyCheck || SearchText::needsCheck(form);
        }
        if (forms.size() > 1)
            clauses.push_back('(' + alternatives + ')');
        termBytes.push_back(std::move(bytes));
        check.push_back(anyCheck);
    }
    std::sort(tokens.begin(), tokens.end());
    tokens.erase(std::unique(tokens.begin(), tokens.end()), tokens.end());
    std::string phrases;
    for (const std::string &tok : tokens)
        phrases += '"' + tok + "\" ";
    if (!phrases.empty())
        clauses.push_back(std::move(phrases));
    std::string match;
    for (const std::string &clause : clauses)
        match += (match.empty() ? "" : " AND ") + clause;

    std::vector<qint64> ids;
    {
        Query q(cache_, MatchSql);
        q.bind(1, QString::fromStdString(match));
        while (q.step())
            ids.push_back(q.int64(0));
    }
    // SearchGrams is behind for staged notes: those still there are all candidates, checked on
    // every term, and those gone are none.
    std::vector<qint64> stagedIds, goneIds;
    {
        Query q(cache_, "SELECT s.ID, n.ID IS NULL FROM SearchStaged s LEFT JOIN Notes n ON n.ID = s.ID "
                        "ORDER BY s.ID");
        while (q.step())
            (q.int64(1) ? goneIds : stagedIds).push_back(q.int64(0));
    }
    if (!stagedIds.empty() || !goneIds.empty()) {
        std::vector<qint64> live, both;
        std::set_difference(ids.begin(), ids.end(), goneIds.begin(), goneIds.end(), std::back_inserter(live));
        std::set_union(live.begin(), live.end(), stagedIds.begin(), stagedIds.end(), std::back_inserter(both));
        ids.swap(both);
    }
    auto isStaged = [&stagedIds](qint64 id) {
        return std::binary_search(stagedIds.begin(), stagedIds.end(), id);
    };
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
    std::vector<SearchIndex::Rank> found;
    found.reserve(ids.size());
    auto consider = [&](qint64 id, qint64 updated, std::string_view title) {
        SearchIndex::Rank c{id, 0, updated};
        std::vector<std::size_t> bodyChecks;
        const bool checkAll = isStaged(id);
        for (std::size_t i = 0; i < termBytes.size(); ++i) {
            if (contains(title, termBytes[i]))
                ++c.titleTerms;
            else if (check[i] || checkAll)
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

    std::sort(found.begin(), found.end(), SearchIndex::before);
    out.total = qint64(found.size());
    if (options.limit > 0 && found.size() > std::size_t(options.limit))
        found.resize(std::size_t(options.limit));

    const QHash<qint64, QString> groups = StoreDetail::groupNames(cache_);
    for (const SearchIndex::Rank &c : found) {
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
