#include "store/DBase.h"

#include "store/DBasePrivate.h"
#include "util/Paths.h"

#include <SQLiteCpp/Transaction.h>

using StoreDetail::guarded;

namespace {
const QString RootKey = QStringLiteral("M_TOP");
}

void DBase::LoadGroups(GroupSink &tree)
{
    tree.clear();
    if (!ready())
        return;
    guarded(lastError_, [&] {
        tree.addNode(QString(), RootKey, Tools::FileNameOf(DatabasePath), 1, 1);
        Query q(conn_->cache, "SELECT ID, vGroupName FROM Groups ORDER BY ID");
        while (q.step())
            tree.addNode(RootKey, QLatin1Char('k') + QString::number(q.int64(0)), q.text(1), 2, 3);
        return 1;
    });
}

int DBase::AddGroup(const QString &name)
{
    return write([&] {
        Query q(conn_->cache, "INSERT INTO Groups (vGroupName) VALUES (?)");
        q.bind(1, name);
        try {
            q.run();
        } catch (const SQLite::Exception &e) {
            return fail(StoreDetail::insertFailure(conn_->db, e, "Groups"));
        }
        lastInsertedId_ = conn_->db.getLastInsertRowid();
        return 1;
    });
}

int DBase::RenameGroup(const QString &name, qint64 id)
{
    // An id that matches no group changes nothing and still succeeds.
    return write([&] {
        Query q(conn_->cache, "UPDATE Groups SET vGroupName = ? WHERE ID = ?");
        q.bind(1, name).bind(2, id).run();
        return 1;
    });
}

int DBase::DeleteGroup(qint64 id)
{
    // The notes and the group go together: a failure part-way rolls both back.
    return write([&] {
        keepDeletedGroup(id);
        {
            Query notes(conn_->cache, "DELETE FROM Notes WHERE nGroupID = ?");
            notes.bind(1, id).run();
        }
        {
            Query group(conn_->cache, "DELETE FROM Groups WHERE ID = ?");
            group.bind(1, id).run();
        }
        conn_->search.written(SearchIndexer::DeletedNotes);
        return 1;
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
