#include "store/Schema.h"

#include "store/History.h"
#include "store/NotebookInfo.h"
#include "store/SearchTables.h"
#include "store/SyncTables.h"
#include "store/crypto/FileStart.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <QHash>
#include <QRegularExpression>

#include <array>
#include <iterator>
#include <string>
#include <utility>

namespace Schema {

namespace {

// Text columns refuse "" and more than 50 characters, as the original engine did; NULL stays
// possible only for rows carried over from old files (this program never writes it).
// length() counts characters of TEXT values, so Chinese text counts per character.
const char *const CreateSql = R"sql(
CREATE TABLE admin (
  vPassword TEXT CHECK (vPassword IS NULL OR length(vPassword) <= 128)
);
CREATE TABLE Groups (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  vGroupName TEXT CHECK (vGroupName IS NULL OR length(vGroupName) BETWEEN 1 AND 50)
);
CREATE TABLE Notes (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  nNoteTitle TEXT CHECK (nNoteTitle IS NULL OR length(nNoteTitle) BETWEEN 1 AND 50),
  nAddDate TEXT CHECK (nAddDate IS NULL OR length(nAddDate) BETWEEN 1 AND 50),
  nLastUpdate TEXT CHECK (nLastUpdate IS NULL OR length(nLastUpdate) BETWEEN 1 AND 50),
  nPriority TEXT CHECK (nPriority IS NULL OR length(nPriority) BETWEEN 1 AND 50),
  nIcon INTEGER CHECK (nIcon IS NULL OR nIcon BETWEEN -32768 AND 32767),
  nGroupID INTEGER,
  nColor TEXT CHECK (nColor IS NULL OR length(nColor) BETWEEN 1 AND 50),
  nNote TEXT
);
CREATE INDEX NotesByGroup
  ON Notes (nGroupID, ID, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nColor);
)sql";

// Each row raises user_version by one; a new layout is a new row at the end.
const Migration Migrations[] = {
    {2, SearchTables::create},
    {3, History::createTables},
    {4, SearchTables::createStaged},
    {5, NotebookInfo::createTable},
    {6, SyncTables::create},
};
static_assert(std::size(Migrations) == Version - 1, "one migration per version above 1");

struct TableShape
{
    const char *name;
    std::array<const char *, 9> columns; // nullptr-terminated when shorter
};

const TableShape Tables[] = {
    {"admin", {"vPassword"}},
    {"Groups", {"ID", "vGroupName"}},
    {"Notes",
     {"ID", "nNoteTitle", "nAddDate", "nLastUpdate", "nPriority", "nIcon", "nGroupID", "nColor",
      "nNote"}},
};

QString checkColumns(SQLite::Database &db, const TableShape &table)
{
    SQLite::Statement info(db, std::string("PRAGMA table_info(") + table.name + ")");
    std::size_t i = 0;
    while (info.executeStep()) {
        const std::string column = info.getColumn(1).getString();
        if (i >= table.columns.size() || !table.columns[i] || column != table.columns[i])
            return QStringLiteral("table %1 has unexpected column %2")
                .arg(QLatin1String(table.name), QString::fromStdString(column));
        ++i;
    }
    if (i == 0)
        return QStringLiteral("table %1 is missing").arg(QLatin1String(table.name));
    if (i < table.columns.size() && table.columns[i])
        return QStringLiteral("table %1 lacks column %2")
            .arg(QLatin1String(table.name), QLatin1String(table.columns[i]));
    return {};
}

// The tables SQLite's FTS5 module keeps beside a full-text table. The engine writes their
// definitions, which may differ between its versions, so they are checked by kind only.
const char *const Fts5Shadows[] = {"_data", "_idx", "_content", "_docsize", "_config"};

// A real table: "CREATE TABLE", not a view and not "CREATE VIRTUAL TABLE".
bool isOrdinaryTable(const QString &sql)
{
    static const QRegularExpression re(QStringLiteral("^\\s*CREATE\\s+TABLE\\s"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(sql).hasMatch();
}

bool isFts5Table(const QString &sql)
{
    static const QRegularExpression re(QStringLiteral("^\\s*CREATE\\s+VIRTUAL\\s+TABLE\\s.*?\\sUSING\\s+fts5\\b"),
                                       QRegularExpression::CaseInsensitiveOption
                                           | QRegularExpression::DotMatchesEverythingOption);
    return re.match(sql).hasMatch();
}

// Definitions compare with runs of white space as one space, so re-indenting the creating code
// does not make every existing notebook look foreign.
QString normalised(const QString &sql)
{
    return sql.simplified();
}

struct OwnObject
{
    QString type;
    QString sql; // normalised; empty for the engine's own indexes
};

// Every object this program creates, by lower-case name (SQL names ignore case), as the
// engine stores it: the creating code itself runs once on a database in memory, so a new
// layout is known here without being described twice.
const QHash<QString, OwnObject> &ownObjects()
{
    static const QHash<QString, OwnObject> objects = [] {
        SQLite::Database db(":memory:", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        guard(db, 0);
        create(db);
        QHash<QString, OwnObject> all;
        SQLite::Statement q(db, "SELECT type, name, sql FROM sqlite_schema");
        while (q.executeStep()) {
            all.insert(QString::fromStdString(q.getColumn(1).getString()).toLower(),
                       {QString::fromStdString(q.getColumn(0).getString()),
                        normalised(QString::fromStdString(q.getColumn(2).getString()))});
        }
        return all;
    }();
    return objects;
}

// Definitions that builds of this program wrote before the current text, for tables whose
// definition changed without a layout version of its own; files holding them still open.
const std::pair<const char *, const char *> EarlierTables[] = {
    {"searchnotes", "CREATE TABLE SearchNotes (ID INTEGER PRIMARY KEY, Updated TEXT NOT NULL, Title TEXT NOT NULL)"},
};

bool isShadowTable(const QString &name)
{
    const QHash<QString, OwnObject> &own = ownObjects();
    for (auto it = own.cbegin(); it != own.cend(); ++it) {
        if (it->type != QLatin1String("table") || !isFts5Table(it->sql))
            continue;
        for (const char *suffix : Fts5Shadows) {
            if (name.compare(it.key() + QLatin1String(suffix), Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

bool sameAsOurs(const QString &type, const QString &name, const QString &sql)
{
    const QString key = name.toLower();
    const auto own = ownObjects().constFind(key);
    if (own == ownObjects().cend() || own->type != type || own->sql.isEmpty())
        return false;
    const QString stored = normalised(sql);
    if (stored == own->sql)
        return true;
    for (const auto &[earlierName, earlierSql] : EarlierTables) {
        if (type == QLatin1String("table") && key == QLatin1String(earlierName)
            && stored == QLatin1String(earlierSql))
            return true;
    }
    return false;
}

// Our objects must be exactly as we create them: a trigger or index under one of our names but
// with another body runs inside our statements (a trigger deleting other notes on every add), and
// a table of ours redefined with a conflict clause can replace notes.
bool acceptedObject(const QString &type, const QString &name, const QString &table, const QString &sql,
                    bool sqlIsNull)
{
    // The full-text engine's own tables, and damaged history tables set aside for what can still
    // be read: plain tables, which run nothing.
    if (type == QLatin1String("table") && (isShadowTable(name) || History::isSetAside(name)))
        return name.compare(table, Qt::CaseInsensitive) == 0 && isOrdinaryTable(sql);
    if (type == QLatin1String("index") && sqlIsNull) {
        // Indexes the engine makes for a UNIQUE or PRIMARY KEY constraint of an accepted table.
        if (!name.startsWith(QLatin1String("sqlite_autoindex_"), Qt::CaseInsensitive))
            return false;
        const auto own = ownObjects().constFind(table.toLower());
        return (own != ownObjects().cend() && own->type == QLatin1String("table")) || isShadowTable(table);
    }
    // Views and anything else are never ours.
    return sameAsOurs(type, name, sql);
}

// The first statement on a file from elsewhere: it only reads the schema table, which runs
// nothing stored in the file.
QString checkObjects(SQLite::Database &db)
{
    SQLite::Statement q(db, "SELECT type, name, tbl_name, sql FROM sqlite_schema");
    while (q.executeStep()) {
        const QString type = QString::fromStdString(q.getColumn(0).getString());
        const QString name = QString::fromStdString(q.getColumn(1).getString());
        const QString table = QString::fromStdString(q.getColumn(2).getString());
        const bool sqlIsNull = q.getColumn(3).isNull();
        const QString sql = QString::fromStdString(q.getColumn(3).getString());
        if (!acceptedObject(type, name, table, sql, sqlIsNull))
            return QStringLiteral("the file holds %1 %2, which this program does not create").arg(type, name);
    }
    return {};
}

// The size of the main file as the engine sees it; under a read lock no writer can change it.
qint64 lockedFileSize(SQLite::Database &db)
{
    sqlite3_file *file = nullptr;
    sqlite3_int64 size = -1;
    if (sqlite3_file_control(db.getHandle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK && file
        && file->pMethods && file->pMethods->xFileSize(file, &size) == SQLITE_OK)
        return size;
    return -1;
}

quint32 bigEndian32(const char *p)
{
    return (quint32(quint8(p[0])) << 24) | (quint32(quint8(p[1])) << 16) | (quint32(quint8(p[2])) << 8)
        | quint32(quint8(p[3]));
}

} // namespace

void create(SQLite::Database &db)
{
    SQLite::Transaction tx(db, SQLite::TransactionBehavior::IMMEDIATE);
    db.exec("PRAGMA application_id = " + std::to_string(ApplicationId));
    db.exec(CreateSql);
    for (const Migration &m : Migrations)
        m.apply(db);
    db.exec("PRAGMA user_version = " + std::to_string(Version));
    tx.commit();
}

QString checkHeader(const QString &path)
{
    const QByteArray head = FileStart::read(path, 100);
    if (head.isNull())
        return QStringLiteral("无法读取文件");
    if (head.size() < 100 || !head.startsWith(QByteArrayView("SQLite format 3", 16)))
        return QStringLiteral("不是数据库文件");
    if (qint32(bigEndian32(head.constData() + 68)) != ApplicationId)
        return QStringLiteral("不是数据库文件");
    return {};
}

void guard(SQLite::Database &db, int busyTimeoutMs)
{
    db.setBusyTimeout(busyTimeoutMs);
    // A notebook from elsewhere must not run functions with side effects from its schema.
    sqlite3_db_config(db.getHandle(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db.getHandle(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}

void migrate(SQLite::Database &db)
{
    if (db.execAndGet("PRAGMA user_version").getInt64() >= Version)
        return;
    for (const Migration &m : Migrations) {
        SQLite::Transaction tx(db, SQLite::TransactionBehavior::IMMEDIATE);
        // Read again under the write lock: another process may have migrated meanwhile.
        if (db.execAndGet("PRAGMA user_version").getInt64() >= m.to)
            continue;
        m.apply(db);
        db.exec("PRAGMA user_version = " + std::to_string(m.to));
        tx.commit();
    }
}

QString verify(SQLite::Database &db)
{
    // One read transaction, so the file cannot change between the checks.
    SQLite::Transaction tx(db, SQLite::TransactionBehavior::DEFERRED);
    const QString planted = checkObjects(db);
    if (!planted.isEmpty())
        return planted;
    const qint64 appId = db.execAndGet("PRAGMA application_id").getInt64();
    if (appId != ApplicationId)
        return QStringLiteral("不是数据库文件");
    const qint64 version = db.execAndGet("PRAGMA user_version").getInt64();
    if (version > Version)
        return QStringLiteral("由较新版本的程序建立");
    if (version < 1)
        return QStringLiteral("不是数据库文件");

    // The size is taken while the read lock is held: another process adding notes grows the
    // file, and a size read before the lock would make a sound notebook look truncated.
    const qint64 pages = db.execAndGet("PRAGMA page_count").getInt64();
    const qint64 pageSize = db.execAndGet("PRAGMA page_size").getInt64();
    if (pages * pageSize > lockedFileSize(db))
        return QStringLiteral("文件不完整");

    for (const TableShape &table : Tables) {
        const QString problem = checkColumns(db, table);
        if (!problem.isEmpty())
            return problem;
    }
    // Cheap reads of what every listing starts from: the password row, the groups, and one path
    // from the root of the note index and of the note table, so a damaged root shows up now. The
    // rest is read on demand (every page of an encrypted notebook is decrypted when read), and the
    // window checks every page after opening.
    db.execAndGet("SELECT count(*) FROM admin");
    db.execAndGet("SELECT count(*) FROM (SELECT ID, vGroupName FROM Groups)");
    db.execAndGet("SELECT min(nGroupID) FROM Notes");
    db.execAndGet("SELECT max(ID) FROM Notes");
    tx.commit();
    return {};
}

bool hasNoteIndex(SQLite::Database &db)
{
    SQLite::Statement q(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = 'NotesByGroup' "
                            "AND tbl_name = 'Notes'");
    return q.executeStep();
}

bool sequenceReadable(SQLite::Database &db)
{
    try {
        db.execAndGet("SELECT count(*) FROM sqlite_sequence");
        return true;
    } catch (const SQLite::Exception &) {
        return false;
    }
}

void repairSequence(SQLite::Database &db)
{
    if (sequenceReadable(db))
        return;
    sqlite3 *handle = db.getHandle();
    // Unlinking the damaged table takes an edit of the schema table itself, which the guard
    // forbids; it is allowed for these two statements only. The page it used stays unused until
    // the next compaction.
    const bool present = db.execAndGet("SELECT count(*) FROM sqlite_schema WHERE name = 'sqlite_sequence'").getInt() > 0;
    if (present) {
        const int schemaVersion = db.execAndGet("PRAGMA schema_version").getInt();
        sqlite3_db_config(handle, SQLITE_DBCONFIG_DEFENSIVE, 0, nullptr);
        db.exec("PRAGMA writable_schema = ON");
        try {
            SQLite::Transaction tx(db, SQLite::TransactionBehavior::IMMEDIATE);
            db.exec("DELETE FROM sqlite_schema WHERE type = 'table' AND name = 'sqlite_sequence'");
            db.exec("PRAGMA schema_version = " + std::to_string(schemaVersion + 1));
            tx.commit();
        } catch (const SQLite::Exception &) {
            db.exec("PRAGMA writable_schema = OFF");
            sqlite3_db_config(handle, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
            throw;
        }
        db.exec("PRAGMA writable_schema = OFF");
        sqlite3_db_config(handle, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    }
    // The engine makes a fresh sequence table for the first AUTOINCREMENT table it sees created;
    // it then continues after the highest IDs in use.
    SQLite::Transaction tx(db, SQLite::TransactionBehavior::IMMEDIATE);
    db.exec("CREATE TABLE QuillbookSequenceRepair (ID INTEGER PRIMARY KEY AUTOINCREMENT)");
    db.exec("DROP TABLE QuillbookSequenceRepair");
    db.exec("DELETE FROM sqlite_sequence");
    db.exec("INSERT INTO sqlite_sequence (name, seq) SELECT 'Groups', max(ID) FROM Groups HAVING count(*) > 0");
    db.exec("INSERT INTO sqlite_sequence (name, seq) SELECT 'Notes', max(ID) FROM Notes HAVING count(*) > 0");
    tx.commit();
}

void configure(SQLite::Database &db)
{
    db.exec("PRAGMA synchronous = FULL");
    db.exec("PRAGMA secure_delete = ON"); // deleted notes and old password hashes are zeroed
    // Our files never use WAL; one written by another tool in that mode is switched back when
    // nobody else has it open, and otherwise left as it is.
    try {
        db.exec("PRAGMA journal_mode = DELETE");
    } catch (const SQLite::Exception &) {
    }
}

} // namespace Schema
