#include "store/Groups.h"

#include "store/NoteIndexHook.h"
#include "store/NotebookPrivate.h"
#include "util/Paths.h"

#include <SQLiteCpp/Transaction.h>

using StoreDetail::guarded;

namespace {
const QString RootKey = QStringLiteral("M_TOP");
}

bool Groups::load(GroupSink &tree)
{
    tree.clear();
    if (!nb_.ready())
        return false;
    return guarded(nb_.lastError_, [&] {
        tree.addNode(QString(), RootKey, Tools::FileNameOf(nb_.path()), 1, 1);
        Query q(nb_.conn_->cache, "SELECT ID, vGroupName FROM Groups ORDER BY ID");
        while (q.step())
            tree.addNode(RootKey, QLatin1Char('k') + QString::number(q.int64(0)), q.text(1), 2, 3);
        return true;
    });
}

std::optional<qint64> Groups::add(const QString &name)
{
    qint64 id = 0;
    const bool added = nb_.write([&] {
        Query q(nb_.conn_->cache, "INSERT INTO Groups (vGroupName) VALUES (?)");
        q.bind(1, name);
        try {
            q.run();
        } catch (const SQLite::Exception &e) {
            return nb_.fail(StoreDetail::insertFailure(nb_.conn_->db, e, "Groups"));
        }
        id = nb_.conn_->db.getLastInsertRowid();
        return true;
    });
    return added ? std::optional<qint64>(id) : std::nullopt;
}

bool Groups::rename(qint64 id, const QString &name)
{
    return nb_.write([&] {
        Query q(nb_.conn_->cache, "UPDATE Groups SET vGroupName = ? WHERE ID = ?");
        q.bind(1, name).bind(2, id).run();
        return true;
    });
}

bool Groups::remove(qint64 id)
{
    // The notes and the group go together: a failure part-way rolls both back.
    return nb_.write([&] {
        KeptNotes(nb_).keepDeletedGroup(id);
        {
            Query notes(nb_.conn_->cache, "DELETE FROM Notes WHERE nGroupID = ?");
            notes.bind(1, id).run();
        }
        {
            Query group(nb_.conn_->cache, "DELETE FROM Groups WHERE ID = ?");
            group.bind(1, id).run();
        }
        nb_.indexWritten(NoteIndexHook::DeletedNotes);
        return true;
    });
}

QHash<qint64, QString> StoreDetail::groupNames(StatementCache &cache)
{
    QHash<qint64, QString> names;
    Query q(cache, "SELECT ID, vGroupName FROM Groups");
    while (q.step())
        names.insert(q.int64(0), q.text(1));
    return names;
}
