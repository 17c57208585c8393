#include "store/History.h"

#include <QDataStream>
#include <QIODevice>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace History {

namespace {

// Replaced versions: the listing reads the small columns, Data (compressed) only on demand.
// ReplacedAt is in seconds since 1970 (UTC); Stored is the size of Data, summed for the
// notebook share. The index answers per-note listings, counts and size sums without Data.
const char *const CreateSql = R"sql(
CREATE TABLE NoteHistory (
  ID INTEGER PRIMARY KEY,
  NoteID INTEGER NOT NULL,
  ReplacedAt INTEGER NOT NULL,
  Title TEXT,
  Updated TEXT,
  Size INTEGER NOT NULL,
  Stored INTEGER NOT NULL,
  Data BLOB NOT NULL
);
CREATE INDEX NoteHistoryByNote ON NoteHistory (NoteID, ReplacedAt, Stored);
CREATE TABLE DeletedNotes (
  ID INTEGER PRIMARY KEY,
  NoteID INTEGER NOT NULL,
  GroupID INTEGER,
  GroupName TEXT,
  DeletedAt INTEGER NOT NULL,
  Title TEXT,
  Data BLOB NOT NULL
);
)sql";

constexpr quint8 PackFormat = 1;

} // namespace

void createTables(SQLite::Database &db)
{
    db.exec(CreateSql);
}

bool hasTables(SQLite::Database &db)
{
    SQLite::Statement q(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                            "('NoteHistory', 'DeletedNotes')");
    return q.executeStep() && q.getColumn(0).getInt() == 2;
}

QByteArray pack(const NoteVersion &v)
{
    QByteArray raw;
    {
        QDataStream out(&raw, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        const CurrentNote &n = v.note;
        // UTF-8: bodies are mostly ASCII RTF, so this halves what zlib has to chew on.
        out << PackFormat << n.NoteTitle.toUtf8() << n.NoteAddDate.toUtf8() << n.NoteLastUpdate.toUtf8()
            << n.NotePriority.toUtf8() << n.NoteColor << n.NoteIcon << v.groupId << n.NoteBody.toUtf8();
    }
    return qCompress(raw);
}

bool unpack(const QByteArray &data, NoteVersion *v)
{
    const QByteArray raw = qUncompress(data);
    if (raw.isEmpty())
        return false;
    QDataStream in(raw);
    in.setVersion(QDataStream::Qt_6_0);
    quint8 format = 0;
    in >> format;
    if (format != PackFormat)
        return false;
    NoteVersion out;
    CurrentNote &n = out.note;
    QByteArray title, added, updated, priority, body;
    in >> title >> added >> updated >> priority >> n.NoteColor >> n.NoteIcon >> out.groupId >> body;
    if (in.status() != QDataStream::Ok)
        return false;
    n.NoteTitle = QString::fromUtf8(title);
    n.NoteAddDate = QString::fromUtf8(added);
    n.NoteLastUpdate = QString::fromUtf8(updated);
    n.NotePriority = QString::fromUtf8(priority);
    n.NoteBody = QString::fromUtf8(body);
    *v = out;
    return true;
}

} // namespace History
