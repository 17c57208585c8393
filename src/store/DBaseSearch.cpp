#include "store/DBase.h"

#include "store/DBasePrivate.h"
#include "store/SearchText.h"

#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

using StoreDetail::guarded;

namespace {
// Up to this many notes written by other programs are indexed before a search answers; more
// (an older notebook's first open) is the index build's work, with its progress shown.
constexpr qint64 CatchUpLimit = 2000;
} // namespace

void DBase::SetTextExtractor(TextExtractor extractor)
{
    extractor_ = std::move(extractor);
    if (conn_)
        conn_->search.extractor = extractor_;
}

bool DBase::searchReady()
{
    if (!ready())
        return false;
    if (!conn_->search.available) {
        lastError_ = QStringLiteral("this notebook cannot be searched (read-only)");
        return false;
    }
    if (!extractor_) {
        lastError_ = QStringLiteral("no text extractor given");
        return false;
    }
    return true;
}

qint64 DBase::UnindexedNotes()
{
    if (!ready())
        return 0;
    qint64 n = 0;
    guarded(lastError_, [&] {
        n = conn_->search.pending();
        return 1;
    });
    return n;
}

int DBase::BuildIndex(const IndexProgress &progress, const std::atomic<bool> *cancel)
{
    if (!searchReady())
        return 0;
    return guarded(lastError_, [&] {
        if (!conn_->search.build(progress, cancel))
            return fail(QStringLiteral("cancelled"));
        return 1;
    });
}

int DBase::Search(const QString &query, const SearchOptions &options, SearchResult *result)
{
    if (!result)
        return 0;
    *result = SearchResult{};
    if (!searchReady())
        return 0;
    const QStringList terms = SearchText::terms(query);
    SearchIndexer &index = conn_->search;
    auto run = [&] {
        // Nothing waiting is the usual case: then no write lock is taken at all.
        const qint64 waiting = index.pending();
        if (waiting > 0 && waiting <= CatchUpLimit)
            index.indexBatch(CatchUpLimit); // staged notes stay staged: they are searched as they are
        result->unindexed = index.pending();
        index.search(terms, options, *result);
        return 1;
    };
    try {
        return run();
    } catch (const SQLite::Exception &e) {
        // A damaged index (or one another tool took apart) starts again from the notes; the
        // notes themselves are never touched by this. A lock or a disk error is only reported.
        const int code = e.getErrorCode() & 0xFF;
        if (code != SQLITE_CORRUPT && code != SQLITE_ERROR)
            return fail(QString::fromUtf8(e.what()));
    } catch (const std::exception &e) {
        return fail(QString::fromUtf8(e.what()));
    }
    return guarded(lastError_, [&] {
        index.repair();
        return run();
    });
}
