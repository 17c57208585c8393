#pragma once

#include "search/Search.h"
#include "store/NoteIndexHook.h"

class Notebook;

// The search index as a notebook session follows it: every note write brings it up to date in
// the write's own transaction (SearchIndexer::written), and each connection opened has a damaged
// index rebuilt. It reads a note body as text through its extractor.
class NoteIndex final : public NoteIndexHook
{
public:
    explicit NoteIndex(TextExtractor extractor) : extractor_(std::move(extractor)) {}

    // Gives notebook the index, reading bodies as the preview shows them (NoteText::visibleText).
    static void attach(Notebook &notebook);
    // The same with another reader of bodies (a test's plain text).
    static void attach(Notebook &notebook, TextExtractor extractor);
    // The index attach gave notebook; nullptr when it has none.
    static const NoteIndex *of(const Notebook &notebook);

    const TextExtractor &extractor() const { return extractor_; }

    bool opened(SQLite::Database &db, StatementCache &cache) const override;
    void written(SQLite::Database &db, StatementCache &cache, qint64 id) const override;

private:
    TextExtractor extractor_;
};
