#pragma once

#include "sync/Revisions.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <memory>

class SecretKey;

// This computer's side of a sync, as the run needs it: what it knows and has made, what it has
// read of other computers, and its hold of the sync key. The notebook keeps all of it, and
// every call that changes it is one transaction there, so a sync killed at any point carries on
// from the last step that completed.
class SyncReplica
{
public:
    virtual ~SyncReplica() = default;

    virtual QByteArray computer() const = 0; // 16 random bytes, made once
    // A copy of the notebook (a backup put back, the file copied to another computer) shares its
    // computer's identity, and would write batches under numbers the place already holds: it
    // takes a new identity and sends what it made again; the batches of the old one are then read
    // like another computer's.
    virtual bool renewComputer() = 0;
    // The place this notebook syncs with (its identity from the key file) and its key; empty and
    // nullptr before the first sync.
    virtual QByteArray placeId() const = 0;
    virtual std::shared_ptr<SecretKey> key() const = 0;
    virtual bool joinPlace(const QByteArray &placeId, const std::shared_ptr<SecretKey> &key) = 0;
    // Whether this notebook holds anything a place of another notebook could mix with.
    virtual bool empty() const = 0;

    // Revisions made here and not yet sent, as the batch they go in: the same batch (number and
    // revisions) until sent() says it is on the place, so a batch sent twice is the same file.
    virtual QList<Revisions::Revision> unsent(quint64 *number) = 0;
    virtual bool sent(quint64 number) = 0;

    // The last batch read of another computer (0 for none).
    virtual quint64 read(const QByteArray &computer) const = 0;
    // Takes in another computer's batch and notes it read, together.
    virtual bool apply(const QByteArray &computer, quint64 number, const QList<Revisions::Revision> &revisions) = 0;

    // For this computer's snapshot: every revision known here, and the last batch read of every
    // other computer.
    virtual QList<Revisions::Revision> everything() const = 0;
    virtual QHash<QByteArray, quint64> readUpTo() const = 0;
    // Takes in another computer's snapshot, and notes read what it covers, together.
    virtual bool applySnapshot(const QHash<QByteArray, quint64> &covered, const QList<Revisions::Revision> &revisions) = 0;
};
