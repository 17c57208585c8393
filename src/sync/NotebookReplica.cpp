#include "sync/NotebookReplica.h"

#include "store/crypto/SecretKey.h"
#include "sync/ReplicaWrites.h"
#include "sync/SyncNotebook.h"

#include <sodium.h>

#include <cstring>

namespace {

using Revision = Revisions::Revision;

QList<Revision> revisionsWhere(StatementCache &cache, const char *sql, qint64 value = 0)
{
    QList<Revision> out;
    Query q(cache, sql);
    if (value)
        q.bind(1, value);
    while (q.step())
        out.append(ReplicaWrites::readRevision(q, 0));
    return out;
}

QByteArray stateBlob(Notebook &nb, const char *sql)
{
    QByteArray out;
    SyncNotebook::read(nb, [&] {
        Query q(SyncNotebook::cache(nb), sql);
        if (q.step())
            out = q.blob(0);
        return true;
    });
    return out;
}

// Takes revisions in and notes what was read, in one transaction.
bool takeIn(Notebook &nb, const QList<Revision> &revisions, const std::function<void(StatementCache &)> &noteRead)
{
    return SyncNotebook::write(nb, [&] {
        ReplicaWrites writes(nb);
        writes.settle();
        QSet<QByteArray> touched;
        for (const Revision &r : revisions)
            if (writes.add(r))
                touched.insert(r.object);
        writes.show(touched);
        noteRead(SyncNotebook::cache(nb));
        return true;
    });
}

void noteRead(StatementCache &cache, const QByteArray &computer, quint64 number)
{
    Query q(cache, "INSERT INTO SyncRead (Computer, Batch) VALUES (?, ?) "
                   "ON CONFLICT (Computer) DO UPDATE SET Batch = max(Batch, excluded.Batch)");
    q.bindBlob(1, computer).bind(2, qint64(number)).run();
}

} // namespace

NotebookReplica::NotebookReplica(Notebook &notebook)
    : nb_(notebook)
{
}

NotebookReplica::~NotebookReplica() = default;

QByteArray NotebookReplica::computer() const
{
    return stateBlob(nb_, "SELECT Computer FROM SyncState");
}

bool NotebookReplica::renewComputer()
{
    return SyncNotebook::write(nb_, [&] {
        StatementCache &cache = SyncNotebook::cache(nb_);
        Query(cache, "UPDATE SyncState SET Computer = randomblob(16), LastSent = 0").run();
        Query(cache, "UPDATE SyncRevisions SET Batch = NULL WHERE Mine = 1").run();
        return true;
    });
}

QByteArray NotebookReplica::placeId() const
{
    return stateBlob(nb_, "SELECT PlaceID FROM SyncState");
}

std::shared_ptr<SecretKey> NotebookReplica::key() const
{
    QByteArray bytes = stateBlob(nb_, "SELECT SyncKey FROM SyncState");
    std::shared_ptr<SecretKey> key;
    if (bytes.size() == qsizetype(SecretKey::Size)) {
        key = std::make_shared<SecretKey>();
        if (key->valid())
            std::memcpy(key->data(), bytes.constData(), SecretKey::Size);
        else
            key.reset();
    }
    sodium_memzero(bytes.data(), std::size_t(bytes.size()));
    return key;
}

bool NotebookReplica::joinPlace(const QByteArray &placeId, const std::shared_ptr<SecretKey> &key)
{
    QByteArray bytes(reinterpret_cast<const char *>(key->data()), qsizetype(SecretKey::Size));
    const bool joined = SyncNotebook::write(nb_, [&] {
        StatementCache &cache = SyncNotebook::cache(nb_);
        Query state(cache, "UPDATE SyncState SET PlaceID = ?, SyncKey = ?, Capture = 1, LastSent = 0");
        state.bindBlob(1, placeId).bindBlob(2, bytes).run();
        Query(cache, "DELETE FROM SyncRead").run();
        // Everything this notebook knows goes to the place it joins: its revisions, and what it
        // holds now as changes made here.
        Query(cache, "UPDATE SyncRevisions SET Mine = 1, Batch = NULL").run();
        Query(cache, "INSERT INTO SyncOutbox (Kind, LocalID, Deleted, Title) "
                     "SELECT 0, ID, 0, vGroupName FROM Groups ORDER BY ID")
            .run();
        Query(cache, "INSERT INTO SyncOutbox (Kind, LocalID, Deleted, Title, AddDate, LastUpdate, Priority, Icon, "
                     "GroupID, Color, Body) SELECT 1, ID, 0, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, "
                     "nGroupID, nColor, nNote FROM Notes ORDER BY ID")
            .run();
        return true;
    });
    sodium_memzero(bytes.data(), std::size_t(bytes.size()));
    return joined;
}

bool NotebookReplica::empty() const
{
    bool none = false;
    SyncNotebook::read(nb_, [&] {
        Query q(SyncNotebook::cache(nb_), "SELECT NOT EXISTS (SELECT 1 FROM Groups) AND NOT EXISTS (SELECT 1 FROM Notes) "
                                          "AND NOT EXISTS (SELECT 1 FROM SyncRevisions)");
        none = q.step() && q.int64(0) != 0;
        return true;
    });
    return none;
}

QList<Revision> NotebookReplica::unsent(quint64 *number)
{
    QList<Revision> batch;
    *number = 0;
    SyncNotebook::write(nb_, [&] {
        StatementCache &cache = SyncNotebook::cache(nb_);
        ReplicaWrites(nb_).settle();
        Query last(cache, "SELECT LastSent FROM SyncState");
        if (!last.step())
            return false;
        const qint64 next = last.int64(0) + 1;
        const char *const ofBatch = "SELECT ID, Object, Parents, Deleted, Content FROM SyncRevisions WHERE Batch = ? "
                                    "ORDER BY Seq";
        batch = revisionsWhere(cache, ofBatch, next);
        if (batch.isEmpty()) {
            // Fixed once numbered: a run killed before noting it sent sends the same file again.
            Query fix(cache, "UPDATE SyncRevisions SET Batch = ? WHERE Mine = 1 AND Batch IS NULL");
            fix.bind(1, next).run();
            batch = revisionsWhere(cache, ofBatch, next);
        }
        *number = quint64(next);
        return true;
    });
    return batch;
}

bool NotebookReplica::sent(quint64 number)
{
    return SyncNotebook::write(nb_, [&] {
        Query q(SyncNotebook::cache(nb_), "UPDATE SyncState SET LastSent = max(LastSent, ?)");
        q.bind(1, qint64(number)).run();
        return true;
    });
}

quint64 NotebookReplica::read(const QByteArray &computer) const
{
    quint64 batch = 0;
    SyncNotebook::read(nb_, [&] {
        Query q(SyncNotebook::cache(nb_), "SELECT Batch FROM SyncRead WHERE Computer = ?");
        q.bindBlob(1, computer);
        batch = q.step() ? quint64(q.int64(0)) : 0;
        return true;
    });
    return batch;
}

bool NotebookReplica::apply(const QByteArray &computer, quint64 number, const QList<Revision> &revisions)
{
    return takeIn(nb_, revisions, [&](StatementCache &cache) { noteRead(cache, computer, number); });
}

QList<Revision> NotebookReplica::everything() const
{
    QList<Revision> all;
    SyncNotebook::read(nb_, [&] {
        all = revisionsWhere(SyncNotebook::cache(nb_), "SELECT ID, Object, Parents, Deleted, Content FROM SyncRevisions "
                                                       "ORDER BY Seq");
        return true;
    });
    return all;
}

QHash<QByteArray, quint64> NotebookReplica::readUpTo() const
{
    QHash<QByteArray, quint64> upTo;
    SyncNotebook::read(nb_, [&] {
        Query q(SyncNotebook::cache(nb_), "SELECT Computer, Batch FROM SyncRead");
        while (q.step())
            upTo.insert(q.blob(0), quint64(q.int64(1)));
        return true;
    });
    return upTo;
}

bool NotebookReplica::applySnapshot(const QHash<QByteArray, quint64> &covered, const QList<Revision> &revisions)
{
    return takeIn(nb_, revisions, [&](StatementCache &cache) {
        for (auto it = covered.begin(); it != covered.end(); ++it)
            noteRead(cache, it.key(), it.value());
    });
}
