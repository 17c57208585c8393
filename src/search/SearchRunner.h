#pragma once

#include "search/Search.h"

#include <QObject>
#include <QString>

#include <optional>

class Notebook;
class NotebookWorker;

// Runs the searches of a window and the catching up of the index on its open notebook, so that
// neither freezes the window, and says what came of them; the window only connects. A search
// runs at once on the window's session, unless the index is being built: then it may have to
// read thousands of waiting notes one by one, and runs on a NotebookWorker instead. Only the
// last search asked for is answered.
class SearchRunner : public QObject
{
    Q_OBJECT

public:
    // notebook is the window's session: searches run on it, workers open its file with its index.
    explicit SearchRunner(Notebook &notebook, QObject *parent = nullptr);
    ~SearchRunner() override;

    // Searches for query: found() follows, at once or, after searching(), when the worker is
    // done. A search asked for while one runs waits for it and takes the place of any other
    // waiting one; the one that ran is then dropped unanswered.
    void find(const QString &query, const SearchOptions &options);
    // Drops the search in flight and any waiting one: neither is answered.
    void cancel();
    // True while a search runs on a worker.
    bool inFlight() const { return m_search != nullptr; }

    // When many notes wait for the index (a notebook from before it), builds it on a worker,
    // with its progress; a build that gave up on a busy file starts again while it gets on.
    void buildIndex();
    // Asks the build to stop; false when none runs.
    bool cancelBuild();
    // Ends the build (indexEnded) and any search, waiting for them, before the file is closed,
    // copied, compacted or rewritten. Nothing is answered afterwards.
    void stop();

Q_SIGNALS:
    void searching();
    void found(const QString &query, const SearchResult &result, const QString &error);
    void indexStarted();
    void indexProgress(int percent);
    void indexEnded();

private:
    struct Request
    {
        QString query;
        SearchOptions options;
    };
    void startWorker(const Request &request);
    // Ends both workers; true when a build was running.
    bool endWorkers();

    Notebook &m_db;
    NotebookWorker *m_build = nullptr;
    NotebookWorker *m_search = nullptr; // a search while the index is being built
    std::optional<Request> m_next;      // asked for meanwhile
    bool m_dropped = false;             // the search in flight is not to be answered
};
