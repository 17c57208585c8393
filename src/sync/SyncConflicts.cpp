#include "store/SyncTables.h"
#include "sync/NotebookReplica.h"
#include "sync/SyncNotebook.h"

namespace SyncConflicts {

std::optional<QList<Conflict>> list(Notebook &notebook)
{
    QList<Conflict> conflicts;
    const bool ok = SyncNotebook::read(notebook, [&] {
        Query q(SyncNotebook::cache(notebook),
                "SELECT o.LocalID, n.nNoteTitle, count(*) FROM SyncConflicts c "
                "JOIN SyncObjects o ON o.Identity = c.Object AND o.Kind = 1 JOIN Notes n ON n.ID = o.LocalID "
                "GROUP BY c.Object ORDER BY o.LocalID");
        while (q.step())
            conflicts.append({q.int64(0), q.text(1), int(q.int64(2))});
        return true;
    });
    return ok ? std::optional<QList<Conflict>>(conflicts) : std::nullopt;
}

bool dismiss(Notebook &notebook, qint64 noteId)
{
    return SyncNotebook::write(notebook, [&] {
        Query q(SyncNotebook::cache(notebook), "DELETE FROM SyncConflicts WHERE Object = "
                                               "(SELECT Identity FROM SyncObjects WHERE Kind = ? AND LocalID = ?)");
        q.bind(1, qint64(SyncTables::Note)).bind(2, noteId).run();
        return true;
    });
}

} // namespace SyncConflicts
