#pragma once

#include "store/History.h"

#include <QString>

#include <optional>

namespace SQLite {
class Database;
}

// What a notebook says of itself, in a one-row table of our own: an identity that tells it from
// any other notebook (a copy made of it shares it), and the limits of what it keeps of replaced
// and deleted notes, so that every program opening it keeps the same.
namespace NotebookInfo {

// Adds the table with a fresh random identity and no limits chosen; runs inside the caller's
// transaction (creation or a migration step).
void createTable(SQLite::Database &db);
bool hasTable(SQLite::Database &db);

// The identity; "" when the file has none (an older layout opened read-only).
QString identity(SQLite::Database &db);

// The limits chosen for this notebook; none until a program that knows the user's wish set them.
std::optional<KeepLimits> keepLimits(SQLite::Database &db);
// Runs inside the caller's transaction.
void setKeepLimits(SQLite::Database &db, const KeepLimits &limits);

} // namespace NotebookInfo
