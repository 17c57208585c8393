#include "store/StatementCache.h"

#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

StatementCache::~StatementCache()
{
    for (auto &entry : statements_)
        sqlite3_finalize(entry.second);
}

sqlite3_stmt *StatementCache::get(const char *sql)
{
    auto it = statements_.find(sql);
    if (it != statements_.end())
        return it->second;
    sqlite3_stmt *stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        throw SQLite::Exception(db_, rc);
    }
    statements_.emplace(sql, stmt);
    return stmt;
}

Query::Query(StatementCache &cache, const char *sql) : cache_(cache), stmt_(cache.get(sql))
{
}

Query::~Query()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

Query &Query::bind(int index, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    return bindUtf8(index, std::string_view(utf8.constData(), std::size_t(utf8.size())));
}

Query &Query::bindUtf8(int index, std::string_view value)
{
    // A null pointer would bind NULL; the empty literal keeps "" a text value.
    const char *data = value.data() ? value.data() : "";
    const int rc = sqlite3_bind_text64(stmt_, index, data, sqlite3_uint64(value.size()), SQLITE_TRANSIENT,
                                       SQLITE_UTF8);
    if (rc != SQLITE_OK)
        throw SQLite::Exception(cache_.handle(), rc);
    return *this;
}

Query &Query::bind(int index, qint64 value)
{
    const int rc = sqlite3_bind_int64(stmt_, index, value);
    if (rc != SQLITE_OK)
        throw SQLite::Exception(cache_.handle(), rc);
    return *this;
}

Query &Query::bindBlob(int index, const QByteArray &value)
{
    const int rc = sqlite3_bind_blob64(stmt_, index, value.constData(), sqlite3_uint64(value.size()),
                                       SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        throw SQLite::Exception(cache_.handle(), rc);
    return *this;
}

bool Query::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw SQLite::Exception(cache_.handle(), rc);
}

void Query::run()
{
    while (step()) {
    }
}

int Query::changes() const
{
    return sqlite3_changes(cache_.handle());
}

qint64 Query::int64(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

QString Query::text(int column) const
{
    int bytes = 0;
    const char *p = utf8(column, &bytes);
    return QString::fromUtf8(p, bytes);
}

const char *Query::utf8(int column, int *bytes) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
    *bytes = p ? sqlite3_column_bytes(stmt_, column) : 0;
    return p;
}

bool Query::isInteger(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_INTEGER;
}

QByteArray Query::blob(int column) const
{
    const auto *p = static_cast<const char *>(sqlite3_column_blob(stmt_, column));
    return p ? QByteArray(p, sqlite3_column_bytes(stmt_, column)) : QByteArray();
}
