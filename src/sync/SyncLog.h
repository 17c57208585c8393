#pragma once

#include "sync/Revisions.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// A computer's log on the sync place: one file per batch of its own revisions, numbered from 1
// in the order made, in a folder named for the computer. Only that computer writes there. The
// file is sealed under the sync key for its name (SyncKey), and names its computer and number
// inside as well, so a file copied to another place in the folder is refused.
namespace SyncLog {

struct Batch
{
    QByteArray computer; // 16 random bytes, the folder's name in hex
    quint64 number = 0;
    QList<Revisions::Revision> revisions;
};

// Everything a computer knew when it wrote it, and up to which batch of every computer that is:
// a computer new to the place starts from one instead of replaying years of batches, and a
// computer may drop its own batches that its snapshot covers. One per computer, replaced whole.
struct Snapshot
{
    QByteArray computer;
    QHash<QByteArray, quint64> covered; // computer -> last batch included
    QList<Revisions::Revision> revisions;
};

// Where a computer's batch lies on the place.
QString folderOf(const QByteArray &computer);
QString pathOf(const QByteArray &computer, quint64 number);
// The number of a batch file's name; 0 when the name is not one.
quint64 numberOf(const QString &fileName);

QString snapshotOf(const QByteArray &computer);
inline constexpr char SnapshotName[] = "snapshot";

QByteArray encode(const Batch &b);
std::optional<Batch> decode(const QByteArray &bytes);
QByteArray encode(const Snapshot &s);
std::optional<Snapshot> decodeSnapshot(const QByteArray &bytes);

} // namespace SyncLog
