#include "search/NoteIndex.h"

#include "search/NoteText.h"
#include "search/SearchIndex.h"
#include "store/Notebook.h"

void NoteIndex::attach(Notebook &notebook)
{
    attach(notebook, &NoteText::visibleText);
}

void NoteIndex::attach(Notebook &notebook, TextExtractor extractor)
{
    notebook.setIndex(std::make_shared<const NoteIndex>(std::move(extractor)));
}

const NoteIndex *NoteIndex::of(const Notebook &notebook)
{
    return dynamic_cast<const NoteIndex *>(notebook.index().get());
}

bool NoteIndex::opened(SQLite::Database &db, StatementCache &cache) const
{
    return SearchIndexer(db, cache, extractor_).open();
}

void NoteIndex::written(SQLite::Database &db, StatementCache &cache, qint64 id) const
{
    SearchIndexer(db, cache, extractor_).written(id);
}
