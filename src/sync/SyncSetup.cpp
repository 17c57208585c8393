#include "sync/NotebookReplica.h"
#include "sync/SyncNotebook.h"

#include <QDataStream>
#include <QIODevice>

namespace SyncSetup {

namespace {
constexpr quint8 kFormat = 1;
}

std::optional<SyncSettings> read(Notebook &notebook)
{
    QByteArray stored;
    const bool ok = SyncNotebook::read(notebook, [&] {
        Query q(SyncNotebook::cache(notebook), "SELECT Settings FROM SyncState");
        if (q.step())
            stored = q.blob(0);
        return true;
    });
    if (!ok || stored.isEmpty())
        return std::nullopt;
    QDataStream s(stored);
    s.setVersion(QDataStream::Qt_6_0);
    quint8 format = 0, kind = 0;
    SyncSettings settings;
    s >> format >> kind >> settings.address >> settings.user >> settings.automatic;
    if (format != kFormat || s.status() != QDataStream::Ok)
        return std::nullopt;
    settings.kind = kind == 1 ? SyncSettings::Kind::Folder : SyncSettings::Kind::WebDav;
    return settings;
}

bool write(Notebook &notebook, const SyncSettings &settings)
{
    // The WebDAV password is never kept here: it goes to the desktop's keyring, or is asked for.
    QByteArray stored;
    QDataStream s(&stored, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_0);
    s << kFormat << quint8(settings.kind == SyncSettings::Kind::Folder ? 1 : 0) << settings.address << settings.user
      << settings.automatic;
    return SyncNotebook::write(notebook, [&] {
        Query q(SyncNotebook::cache(notebook), "UPDATE SyncState SET Settings = ?");
        q.bindBlob(1, stored).run();
        return true;
    });
}

bool leave(Notebook &notebook)
{
    return SyncNotebook::write(notebook, [&] {
        StatementCache &cache = SyncNotebook::cache(notebook);
        Query(cache, "UPDATE SyncState SET PlaceID = NULL, SyncKey = NULL, Capture = 0, LastSent = 0").run();
        Query(cache, "DELETE FROM SyncRead").run();
        Query(cache, "DELETE FROM SyncOutbox").run();
        return true;
    });
}

} // namespace SyncSetup
