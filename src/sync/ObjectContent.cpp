#include "sync/ObjectContent.h"

#include "store/SyncTables.h"

#include <QDataStream>
#include <QIODevice>

namespace ObjectContent {

namespace {
constexpr quint8 kFormat = 1;
}

QByteArray encode(const Fields &f)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_0);
    s << kFormat << quint8(f.kind) << f.title;
    if (f.kind == SyncTables::Note)
        s << f.addDate << f.lastUpdate << f.priority << f.icon << f.color << f.body << f.group;
    return out;
}

std::optional<Fields> decode(const QByteArray &bytes)
{
    QDataStream s(bytes);
    s.setVersion(QDataStream::Qt_6_0);
    quint8 format = 0, kind = 0;
    Fields f;
    s >> format >> kind >> f.title;
    if (format != kFormat || (kind != SyncTables::Group && kind != SyncTables::Note))
        return std::nullopt;
    f.kind = kind;
    if (f.kind == SyncTables::Note)
        s >> f.addDate >> f.lastUpdate >> f.priority >> f.icon >> f.color >> f.body >> f.group;
    if (s.status() != QDataStream::Ok || !s.atEnd())
        return std::nullopt;
    return f;
}

} // namespace ObjectContent
