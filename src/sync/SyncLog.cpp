#include "sync/SyncLog.h"

#include <QDataStream>
#include <QIODevice>

namespace SyncLog {

namespace {
constexpr quint32 kMagic = 0x51425331;         // "QBS1"
constexpr quint32 kSnapshotMagic = 0x51425353; // "QBSS"
const QString kSuffix = QStringLiteral(".log");

void write(QDataStream &s, const QList<Revisions::Revision> &revisions)
{
    s << quint32(revisions.size());
    for (const Revisions::Revision &r : revisions)
        s << r.id << r.object << r.parents << r.deleted << r.content;
}

// False when the stream ran short or holds more than the revisions.
bool read(QDataStream &s, QList<Revisions::Revision> *revisions)
{
    quint32 count = 0;
    s >> count;
    for (quint32 i = 0; i < count && s.status() == QDataStream::Ok; ++i) {
        Revisions::Revision r;
        s >> r.id >> r.object >> r.parents >> r.deleted >> r.content;
        revisions->append(r);
    }
    return s.status() == QDataStream::Ok && s.atEnd();
}

} // namespace

QString snapshotOf(const QByteArray &computer)
{
    return folderOf(computer) + QLatin1Char('/') + QLatin1String(SnapshotName);
}

QString folderOf(const QByteArray &computer)
{
    return QString::fromLatin1(computer.toHex());
}

QString pathOf(const QByteArray &computer, quint64 number)
{
    return folderOf(computer) + QLatin1Char('/') + QStringLiteral("%1").arg(number, 16, 16, QLatin1Char('0')) + kSuffix;
}

quint64 numberOf(const QString &fileName)
{
    if (fileName.size() != 16 + kSuffix.size() || !fileName.endsWith(kSuffix))
        return 0;
    bool ok = false;
    const quint64 n = fileName.left(16).toULongLong(&ok, 16);
    return ok ? n : 0;
}

QByteArray encode(const Batch &b)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_0);
    s << kMagic << b.computer << b.number;
    write(s, b.revisions);
    return out;
}

std::optional<Batch> decode(const QByteArray &bytes)
{
    QDataStream s(bytes);
    s.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    Batch b;
    s >> magic >> b.computer >> b.number;
    if (magic != kMagic || !read(s, &b.revisions))
        return std::nullopt;
    return b;
}

QByteArray encode(const Snapshot &snapshot)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_0);
    s << kSnapshotMagic << snapshot.computer << snapshot.covered;
    write(s, snapshot.revisions);
    return out;
}

std::optional<Snapshot> decodeSnapshot(const QByteArray &bytes)
{
    QDataStream s(bytes);
    s.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    Snapshot snapshot;
    s >> magic >> snapshot.computer >> snapshot.covered;
    if (magic != kSnapshotMagic || !read(s, &snapshot.revisions))
        return std::nullopt;
    return snapshot;
}

} // namespace SyncLog
