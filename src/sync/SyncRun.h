#pragma once

#include "store/crypto/NotebookHeader.h"
#include "sync/SyncPlace.h"

#include <QString>

#include <atomic>

class SyncReplica;

// One sync of this computer with the place: the key file first (made by the first computer, its
// passphrase asked of the others), then every batch other computers wrote since the last read
// is taken in (starting from a snapshot on a first sync, or where batches were dropped), then
// this computer's unsent revisions go out as a batch of its own. Nothing read
// is applied unless it opens under the key; a place that cannot be read, or that is empty or
// another notebook's after this notebook synced with it, changes nothing here.
class SyncRun
{
public:
    enum class Outcome { Done, Unreachable, AccessRefused, NeedPassphrase, WrongPassphrase, OtherNotebook, PlaceLost, Refused, Failed,
                         Cancelled };

    SyncRun(SyncPlace &place, SyncReplica &replica);

    // passphrase: asked of the user when run() said NeedPassphrase (or to make a new place's
    // key); empty otherwise.
    Outcome run(const QString &passphrase = QString());
    QString error() const { return error_; }
    // What the last run took in and sent.
    int taken() const { return taken_; }
    int sentCount() const { return sent_; }

    static constexpr char KeyFile[] = "key";
    // Cost of deriving the key from the passphrase when this run makes the key.
    NotebookHeader::Cost keyCost = NotebookHeader::Cost::standard();
    // Every this many batches of its own, a computer writes its snapshot and drops its batches
    // older than this many.
    quint64 snapshotEvery = 50;
    // Set from another thread to stop between two files; what was taken in stays.
    const std::atomic<bool> *cancel = nullptr;

private:
    Outcome joinOrCheck(const QList<SyncPlace::Entry> &root, const QString &passphrase);
    // Whether this computer's folder holds batches it did not write (it is a copy): then it takes
    // a new identity.
    Outcome checkOwnFolder(const QList<SyncPlace::Entry> &root);
    Outcome takeIn(const QList<SyncPlace::Entry> &root);
    // The snapshots of computers (in order) until no batch this computer needs is missing.
    Outcome takeSnapshots(const QList<QByteArray> &computers);
    Outcome writeSnapshot(quint64 lastSent);
    Outcome sendOut(const QList<SyncPlace::Entry> &root);
    Outcome fail(Outcome o, const QString &why);

    SyncPlace &place_;
    SyncReplica &replica_;
    QString error_;
    int taken_ = 0;
    int sent_ = 0;
};
