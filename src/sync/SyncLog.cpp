#include "sync/SyncLog.h"

#include <QDataStream>
#include <QIODevice>

namespace SyncLog {

namespace {
constexpr quint32 kMagic = 0x51425331; // "QBS1"
const QString kSuffix = QStringLiteral(".log");
} // namespace

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
    s << kMagic << b.computer << b.number << quint32(b.revisions.size());
    for (const Revisions::Revision &r : b.revisions)
        s << r.id << r.object << r.parents << r.deleted << r.content;
    return out;
}

std::optional<Batch> decode(const QByteArray &bytes)
{
    QDataStream s(bytes);
    s.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, count = 0;
    Batch b;
    s >> magic >> b.computer >> b.number >> count;
    if (magic != kMagic || s.status() != QDataStream::Ok)
        return std::nullopt;
    for (quint32 i = 0; i < count && s.status() == QDataStream::Ok; ++i) {
        Revisions::Revision r;
        s >> r.id >> r.object >> r.parents >> r.deleted >> r.content;
        b.revisions.append(r);
    }
    if (s.status() != QDataStream::Ok || !s.atEnd())
        return std::nullopt;
    return b;
}

} // namespace SyncLog
