#include "search/SearchRunner.h"

#include "base/Logging.h"
#include "search/NoteSearch.h"
#include "store/Notebook.h"
#include "store/NotebookWorker.h"

#include <memory>
#include <utility>

namespace {
// Fewer notes waiting than this are indexed by the first search, in well under a second.
constexpr qint64 kWorkerBacklog = 200;
} // namespace

SearchRunner::SearchRunner(Notebook &notebook, QObject *parent) : QObject(parent), m_db(notebook) {}

SearchRunner::~SearchRunner()
{
    endWorkers();
}

void SearchRunner::find(const QString &query, const SearchOptions &options)
{
    if (!m_build && !m_search) {
        const std::optional<SearchResult> result = NoteSearch(m_db).find(query, options);
        Q_EMIT found(query, result.value_or(SearchResult{}), result ? QString() : m_db.lastError());
        return;
    }
    Q_EMIT searching();
    if (m_search)
        m_next = Request{query, options};
    else
        startWorker({query, options});
}

void SearchRunner::startWorker(const Request &request)
{
    auto result = std::make_shared<SearchResult>();
    auto error = std::make_shared<QString>();
    const auto work = [request, result, error](Notebook &db, NotebookWorker &) {
        std::optional<SearchResult> got = db.isOpen() ? NoteSearch(db).find(request.query, request.options)
                                                      : std::nullopt;
        if (got)
            *result = std::move(*got);
        else
            *error = db.lastError();
    };
    const auto done = [this, query = request.query, result, error] {
        m_search->deleteLater();
        m_search = nullptr;
        if (std::optional<Request> next = std::exchange(m_next, std::nullopt))
            find(next->query, next->options);
        else if (!m_dropped)
            Q_EMIT found(query, *result, *error);
    };
    m_dropped = false;
    m_search = new NotebookWorker(m_db.path(), m_db.index(), work, done, this);
}

void SearchRunner::cancel()
{
    m_next.reset();
    m_dropped = true;
}

void SearchRunner::buildIndex()
{
    stop();
    // Nothing is built into a file known to be damaged (the worker's own session would not know).
    const bool writable = m_db.isOpen() && !m_db.readOnly() && m_db.writesRefused().isEmpty();
    const qint64 waiting = writable ? NoteSearch(m_db).unindexed() : 0;
    if (waiting < kWorkerBacklog)
        return;
    Q_EMIT indexStarted();
    auto error = std::make_shared<QString>();
    const auto work = [this, error](Notebook &db, NotebookWorker &worker) {
        const auto progress = [this, &worker](qint64 done, qint64 total) {
            const int percent = int(total > 0 ? done * 100 / total : 100);
            worker.post([this, percent] { Q_EMIT indexProgress(percent); });
        };
        // What is done stays done: a cancelled or failed build resumes at the next open.
        if (!db.isOpen() || !NoteSearch(db).buildIndex(progress, worker.cancelled()))
            *error = db.lastError();
    };
    const auto done = [this, error, waiting] {
        const bool cancelled = m_build->cancelled()->load();
        m_build->deleteLater();
        m_build = nullptr;
        Q_EMIT indexEnded();
        if (error->isEmpty() || cancelled)
            return;
        // Given up on a lock held too long by another program, say: carry on while it gets on.
        qCInfo(lcStore) << "search index left unfinished:" << *error;
        if (NoteSearch(m_db).unindexed() < waiting)
            buildIndex();
    };
    m_build = new NotebookWorker(m_db.path(), m_db.index(), work, done, this);
}

bool SearchRunner::cancelBuild()
{
    if (!m_build)
        return false;
    m_build->cancel();
    return true;
}

void SearchRunner::stop()
{
    if (endWorkers())
        Q_EMIT indexEnded();
}

bool SearchRunner::endWorkers()
{
    const bool building = m_build != nullptr;
    delete m_build;
    m_build = nullptr;
    delete m_search;
    m_search = nullptr;
    m_next.reset();
    return building;
}
