#include "store/Schema.h"

#include "store/History.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <array>
#include <string>

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

// Each step raises user_version to its number; a file runs every step above its own version.
struct Migration
{
    int version;
    void (*apply)(SQLite::Database &db);
};

const Migration Migrations[] = {
    {3, History::createTables},
};

void applyMigrations(SQLite::Database &db, qint64 from)
{
    for (const Migration &m : Migrations) {
        if (m.version > from)
            m.apply(db);
    }
    db.exec("PRAGMA user_version = " + std::to_string(Version));
}

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

} // namespace

void create(SQLite::Database &db)
{
    SQLite::Transaction tx(db, SQLite::TransactionBehavior::IMMEDIATE);
    db.exec("PRAGMA application_id = " + std::to_string(ApplicationId));
    db.exec(CreateSql);
    applyMigrations(db, 1);
    tx.commit();
}

void migrate(SQLite::Database &db)
{
    if (sqlite3_db_readonly(db.getHandle(), "main") == 1)
        return;
    if (db.execAndGet("PRAGMA user_version").getInt64() >= Version)
        return;
    SQLite::Transaction tx(db, SQLite::TransactionBehavior::IMMEDIATE);
    // Read again under the write lock: another program may have migrated it meanwhile.
    const qint64 version = db.execAndGet("PRAGMA user_version").getInt64();
    if (version >= Version)
        return;
    applyMigrations(db, version);
    tx.commit();
}

QString verify(SQLite::Database &db, qint64 fileSize)
{
    // One read transaction, so the file cannot change between the checks.
    SQLite::Transaction tx(db, SQLite::TransactionBehavior::DEFERRED);
    const qint64 appId = db.execAndGet("PRAGMA application_id").getInt64();
    if (appId != ApplicationId)
        return QStringLiteral("not a notebook file");
    const qint64 version = db.execAndGet("PRAGMA user_version").getInt64();
    if (version > Version)
        return QStringLiteral("made by a newer version of the program");
    if (version < 1)
        return QStringLiteral("not a notebook file");

    const qint64 pages = db.execAndGet("PRAGMA page_count").getInt64();
    const qint64 pageSize = db.execAndGet("PRAGMA page_size").getInt64();
    if (pages * pageSize > fileSize)
        return QStringLiteral("the file is truncated");

    for (const TableShape &table : Tables) {
        const QString problem = checkColumns(db, table);
        if (!problem.isEmpty())
            return problem;
    }
    // Cheap reads of everything a listing touches: the password row, the groups and the note
    // index (count(*) walks the smallest b-tree, which is the index). Bodies are read on demand.
    db.execAndGet("SELECT count(*) FROM admin");
    db.execAndGet("SELECT count(*) FROM (SELECT ID, vGroupName FROM Groups)");
    db.execAndGet("SELECT count(*) FROM Notes");
    tx.commit();
    return {};
}

bool hasNoteIndex(SQLite::Database &db)
{
    SQLite::Statement q(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = 'NotesByGroup' "
                            "AND tbl_name = 'Notes'");
    return q.executeStep();
}

void configure(SQLite::Database &db, int busyTimeoutMs)
{
    db.setBusyTimeout(busyTimeoutMs);
    // A notebook from elsewhere must not run functions with side effects from its schema.
    sqlite3_db_config(db.getHandle(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    db.exec("PRAGMA trusted_schema = OFF");
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
