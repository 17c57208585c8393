#include "store/NotebookInfo.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

namespace NotebookInfo {

namespace {

// One row, made once even when an interrupted migration runs again. The limits are NULL until chosen: a program that does not know the user's wish keeps
// everything rather than guess.
const char *const CreateSql = R"sql(
CREATE TABLE IF NOT EXISTS NotebookInfo (
  Identity TEXT NOT NULL,
  KeepDays INTEGER,
  KeepVersions INTEGER,
  KeepPercent INTEGER
);
INSERT INTO NotebookInfo (Identity) SELECT lower(hex(randomblob(16)))
  WHERE NOT EXISTS (SELECT 1 FROM NotebookInfo);
)sql";

} // namespace

void createTable(SQLite::Database &db)
{
    db.exec(CreateSql);
}

bool hasTable(SQLite::Database &db)
{
    SQLite::Statement q(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'NotebookInfo'");
    return q.executeStep();
}

QString identity(SQLite::Database &db)
{
    if (!hasTable(db))
        return {};
    SQLite::Statement q(db, "SELECT Identity FROM NotebookInfo ORDER BY rowid LIMIT 1");
    return q.executeStep() ? QString::fromStdString(q.getColumn(0).getString()) : QString();
}

std::optional<KeepLimits> keepLimits(SQLite::Database &db)
{
    if (!hasTable(db))
        return std::nullopt;
    SQLite::Statement q(db, "SELECT KeepDays, KeepVersions, KeepPercent FROM NotebookInfo ORDER BY rowid LIMIT 1");
    if (!q.executeStep())
        return std::nullopt;
    // Numbers no program of ours writes (a negative age would drop everything) count as unset.
    const auto inRange = [&](int column, qint64 highest) {
        const SQLite::Column c = q.getColumn(column);
        return c.getType() == SQLITE_INTEGER && c.getInt64() >= 1 && c.getInt64() <= highest;
    };
    if (!inRange(0, 3650) || !inRange(1, 10000) || !inRange(2, 100))
        return std::nullopt;
    return KeepLimits{q.getColumn(0).getInt(), q.getColumn(1).getInt(), q.getColumn(2).getInt()};
}

void setKeepLimits(SQLite::Database &db, const KeepLimits &limits)
{
    SQLite::Statement q(db, "UPDATE NotebookInfo SET KeepDays = ?, KeepVersions = ?, KeepPercent = ?");
    q.bind(1, limits.days);
    q.bind(2, limits.versionsPerNote);
    q.bind(3, limits.historyPercent);
    q.exec();
}

} // namespace NotebookInfo
