#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

// Prepared statements kept for the life of a connection, so that listing a group or saving a
// note does not parse SQL again. Only the store uses it.
class StatementCache
{
public:
    explicit StatementCache(sqlite3 *db) : db_(db) {}
    ~StatementCache();
    StatementCache(const StatementCache &) = delete;
    StatementCache &operator=(const StatementCache &) = delete;

    sqlite3 *handle() const { return db_; }
    // Prepares sql on first use; throws SQLite::Exception when it does not compile.
    sqlite3_stmt *get(const char *sql);

private:
    sqlite3 *db_;
    std::unordered_map<std::string, sqlite3_stmt *> statements_;
};

// One use of a cached statement: binds, steps and reads; resets the statement and clears its
// bindings when it goes out of scope, so the next use starts clean even after an exception.
// Errors throw SQLite::Exception.
class Query
{
public:
    Query(StatementCache &cache, const char *sql);
    ~Query();
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    // Text is always bound as text, never as NULL: the program writes "" where it means empty.
    Query &bind(int index, const QString &value);
    Query &bindUtf8(int index, std::string_view value);
    Query &bind(int index, qint64 value);
    Query &bindBlob(int index, const QByteArray &value);

    bool step();      // true while a row is available
    void run();       // steps a statement that returns no rows
    int changes() const;

    qint64 int64(int column) const;
    QString text(int column) const; // NULL reads as ""
    const char *utf8(int column, int *bytes) const; // valid until the next step
    bool isInteger(int column) const;
    QByteArray blob(int column) const;

private:
    StatementCache &cache_;
    sqlite3_stmt *stmt_;
};
