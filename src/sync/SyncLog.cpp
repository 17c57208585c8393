#include "sync/SyncLog.h"

#include <QDataStream>
#include <QIODevice>

#include <functional>

namespace SyncLog {

namespace {
constexpr quint32 kMagic = 0x51425331;         // "QBS1"
constexpr quint32 kSnapshotMagic = 0x51425353; // "QBSS"
const QString kSuffix = QStringLiteral(".log");

// magic, what head writes, then the revisions.
QByteArray frame(quint32 magic, const std::function<void(QDataStream &)> &head, const QList<Revisions::Revision> &revisions)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_0);
    s << magic;
    head(s);
    s << quint32(revisions.size());
    for (const Revisions::Revision &r : revisions)
        s << r.id << r.object << r.parents << r.deleted << r.content;
    return out;
}

// False when bytes do not start with magic, run short, or hold more than the revisions.
bool unframe(const QByteArray &bytes, quint32 magic, const std::function<void(QDataStream &)> &head,
             QList<Revisions::Revision> *revisions)
{
    QDataStream s(bytes);
    s.setVersion(QDataStream::Qt_6_0);
    quint32 found = 0, count = 0;
    s >> found;
    if (found != magic)
        return false;
    head(s);
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
    return frame(kMagic, [&](QDataStream &s) { s << b.computer << b.number; }, b.revisions);
}

std::optional<Batch> decode(const QByteArray &bytes)
{
    Batch b;
    if (!unframe(bytes, kMagic, [&](QDataStream &s) { s >> b.computer >> b.number; }, &b.revisions))
        return std::nullopt;
    return b;
}

QByteArray encode(const Snapshot &snapshot)
{
    return frame(kSnapshotMagic, [&](QDataStream &s) { s << snapshot.computer << snapshot.covered; }, snapshot.revisions);
}

std::optional<Snapshot> decodeSnapshot(const QByteArray &bytes)
{
    Snapshot snapshot;
    if (!unframe(bytes, kSnapshotMagic, [&](QDataStream &s) { s >> snapshot.computer >> snapshot.covered; },
                 &snapshot.revisions))
        return std::nullopt;
    return snapshot;
}

} // namespace SyncLog
