#pragma once

// What NotebookReplica does inside one transaction of the notebook: turning the saves waiting in
// the outbox into revisions, adding revisions read from other computers, and writing what the
// touched objects resolve to into the groups and notes. Internal to src/sync.

#include "sync/Revisions.h"

#include <QByteArray>
#include <QSet>
#include <QtGlobal>

#include <functional>
#include <optional>

class Notebook;
class Query;
class StatementCache;

class ReplicaWrites
{
public:
    explicit ReplicaWrites(Notebook &nb);

    // Every save waiting in the outbox becomes a revision made here, replacing the object's heads
    // as they are now: run before anything read is added, so a save is based on what this
    // computer showed when it was made.
    void settle();
    // Adds a revision read from another computer; true when it is new and of an object to show.
    bool add(const Revisions::Revision &r);
    // Writes what the objects resolve to into the groups and notes (and history, recently
    // deleted, the conflicts), with the outbox closed meanwhile so none of it comes back as a
    // change made here. Notes whose group is not known yet wait, and are tried again every time.
    void show(const QSet<QByteArray> &objects);

    Revisions load(const QByteArray &object);
    static Revisions::Revision readRevision(const Query &q, int first);

private:
    std::optional<qint64> localOf(const QByteArray &object);
    QByteArray identityOf(int kind, qint64 localId, bool make);
    bool insertRevision(const Revisions::Revision &r, bool mine);
    void markHere(const QByteArray &revision);
    bool here(const QByteArray &revision);
    bool rowExists(const char *sql, qint64 id);
    void setLocal(const QByteArray &object, qint64 localId);

    void showGroup(const QByteArray &object);
    void showNote(const QByteArray &object, QSet<qint64> *groupsLeft);
    // The group's row, shown again when a kept note needs it; nullopt when nothing of it is known.
    std::optional<qint64> groupRowFor(const QByteArray &object);
    qint64 groupRow(const QByteArray &object, const QString &name);
    // Drops the row of a deleted group no note needs any more.
    void settleGroup(const QByteArray &object);
    // The name a group shows: its current version's, or for a deleted group the last one it had.
    static std::optional<QString> nameOf(const Revisions &rs, const QByteArray &object);
    // Runs write with the outbox closed: what sync writes is no change made here.
    void uncaptured(const std::function<void()> &write);
    void keepOthers(const Revisions::Resolved &resolved, qint64 localId);
    // Marks the versions of a conflict that this write put into the note's history (those after
    // historyBefore that hold a losing head), so the history says which they are.
    void markConflictVersions(const Revisions &rs, const QByteArray &object, const Revisions::Resolved &resolved,
                              qint64 localId, qint64 historyBefore);

    Notebook &nb_;
    StatementCache &cache_;
};
