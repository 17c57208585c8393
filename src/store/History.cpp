#include "store/History.h"

#include <QDataStream>
#include <QIODevice>
#include <QRegularExpression>
#include <QStringList>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <string>

namespace History {

namespace {

// Replaced versions: the listing reads the small columns, Data (compressed) only on demand.
// ReplacedAt is in seconds since 1970 (UTC); Stored is the size of Data, summed for the
// notebook share. The index answers per-note listings, counts and size sums without Data.
const char *const NoteHistorySql = R"sql(
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
)sql";

const char *const DeletedNotesSql = R"sql(
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

struct TableDef
{
    const char *name;
    const char *index; // of its own, nullptr when none
    const char *createSql;
};
// In the order of Table.
const TableDef Tables[] = {
    {"NoteHistory", "NoteHistoryByNote", NoteHistorySql},
    {"DeletedNotes", nullptr, DeletedNotesSql},
};

const char *const SetAsideMark = "Damaged";

bool nameTaken(SQLite::Database &db, const std::string &name)
{
    SQLite::Statement q(db, "SELECT 1 FROM sqlite_schema WHERE name = ? COLLATE NOCASE");
    q.bind(1, name);
    return q.executeStep();
}

constexpr quint8 PackFormat = 1;

} // namespace

void createTables(SQLite::Database &db)
{
    for (const TableDef &t : Tables)
        db.exec(t.createSql);
}

QString setAside(SQLite::Database &db, Table table)
{
    const TableDef &t = Tables[int(table)];
    const std::string base = std::string(t.name) + SetAsideMark;
    std::string name = base;
    for (int n = 2; nameTaken(db, name); ++n)
        name = base + std::to_string(n);
    // Renaming touches only the schema, never the damaged pages.
    db.exec(std::string("ALTER TABLE ") + t.name + " RENAME TO " + name);
    // An index keeps its name when its table is renamed; the fresh table needs that name.
    if (t.index)
        db.exec(std::string("DROP INDEX ") + t.index);
    db.exec(t.createSql);
    return QString::fromStdString(name);
}

bool isSetAside(const QString &name)
{
    static const QRegularExpression names = [] {
        QStringList tables;
        for (const TableDef &t : Tables)
            tables << QLatin1String(t.name);
        return QRegularExpression(QStringLiteral("^(%1)%2([2-9]|[1-9][0-9]+)?$")
                                      .arg(tables.join(QLatin1Char('|')), QLatin1String(SetAsideMark)),
                                  QRegularExpression::CaseInsensitiveOption);
    }();
    return names.match(name).hasMatch();
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
