#pragma once

// The door sync goes through into the notebook session: its write transaction, its statements
// and the history hooks of the note writes, so what a sync writes into the notes is kept and
// indexed the way a save is. Internal to src/sync.

#include "store/NotebookPrivate.h"

class SyncNotebook
{
public:
    // body runs in one write transaction; committed when it returns true.
    template <typename Body>
    static bool write(Notebook &nb, Body &&body)
    {
        return nb.write(std::forward<Body>(body));
    }
    template <typename Body>
    static bool read(Notebook &nb, Body &&body)
    {
        return nb.ready() && StoreDetail::guarded(nb.lastError_, std::forward<Body>(body));
    }
    static bool fail(Notebook &nb, const QString &why) { return nb.fail(why); }
    static StatementCache &cache(Notebook &nb) { return nb.conn().cache; }
    // Tells the search index of a note written, inside the write's transaction.
    static void indexWritten(Notebook &nb, qint64 id) { nb.indexWritten(id); }
    static void keepReplaced(Notebook &nb, qint64 id, const CurrentNote &next, qint64 groupId)
    {
        KeptNotes(nb).keepReplaced(id, &next, groupId);
    }
    static void keepVersion(Notebook &nb, qint64 id, const NoteVersion &v) { KeptNotes(nb).keepVersion(id, v); }
    static void keepDeletedNote(Notebook &nb, qint64 id) { KeptNotes(nb).keepDeletedNote(id); }
    static std::optional<NoteVersion> version(Notebook &nb, qint64 historyId) { return KeptNotes(nb).version(historyId); }
};
