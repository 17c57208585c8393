#pragma once

#include <QString>

#include <functional>

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

// fsync of a file, and of a folder so that a rename in it is durable.
bool syncFile(const QString &path);
void syncFolder(const QString &folder);

} // namespace NotebookFile
