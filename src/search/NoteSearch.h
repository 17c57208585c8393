#pragma once

#include "search/Search.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <optional>

class Notebook;
class NoteIndex;

// Searching the open notebook through its index, and building the index for the notes that wait
// for it. Owns nothing but its reference to the session, which keeps the index given to it
// (NoteIndex::attach) and the reason of a failure (Notebook::lastError()). A session without
// one fails every search.
class NoteSearch
{
public:
    explicit NoteSearch(Notebook &notebook) : nb_(notebook) {}

    // The notes matching every term of query (SearchText::terms), best first. Notes written
    // meanwhile by other programs are indexed first; when many notes still wait (a notebook
    // from before the index), the answer covers the indexed ones and says how many wait.
    std::optional<SearchResult> find(const QString &query, const SearchOptions &options);
    // Notes waiting for the index.
    qint64 unindexed();
    // Indexes every waiting note, a batch per transaction, reporting progress; false with
    // lastError() "cancelled" when cancel became true (a later call resumes). The window may run
    // it on a second session of the same file in a worker thread.
    bool buildIndex(const IndexProgress &progress = {}, const std::atomic<bool> *cancel = nullptr);

private:
    // The session's index, when it has one and the file can be searched; else nullptr and the
    // reason in lastError().
    const NoteIndex *ready();

    Notebook &nb_;
};
