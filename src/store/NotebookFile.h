#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace SQLite {
class Database;
}

// Writing whole files safely: the work goes into a temporary file beside the target, which is
// synced and then renamed into place. A failure at any step removes the temporary file and
// leaves the target as it was. Internal to the store.
namespace NotebookFile {

// A new notebook at path holding the schema plus whatever fill writes (fill may be empty).
// Refuses a path that already exists, never replacing it even if it appears meanwhile.
bool create(const QString &path, int busyTimeoutMs,
            const std::function<void(SQLite::Database &)> &fill, QString *error);

// Runs write(tempPath) to produce a complete file, checks that it opens as a notebook, then
// renames it over target (replacing an existing file).
bool replace(const QString &target, const std::function<void(const QString &tempPath)> &write,
             QString *error);

// Opens an existing notebook through every check (Schema): nothing is run on, or written to, a
// file that is refused. nullptr on failure, with the reason in *error.
std::unique_ptr<SQLite::Database> open(const QString &path, bool readOnly, int busyTimeoutMs, QString *error);

// Removes, in path's folder, temporary files this program made beside a notebook (and their
// journals) that no process holds any more: copies left by a backup or compaction that was
// killed part-way.
void removeLeftovers(const QString &path);
// fsync of a file, and of a folder so that a rename in it is durable.
bool syncFile(const QString &path);
void syncFolder(const QString &folder);

} // namespace NotebookFile
