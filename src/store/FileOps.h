#pragma once

#include <QString>

#include <functional>

namespace SQLite {
class Database;
}
namespace NotebookHeader {
struct Header;
}

// Whole-file operations on a notebook for the backup and compact commands. Both refuse a file
// that does not open as a notebook without writing to it, and a failure leaves the notebook and
// any existing destination as they were. Other processes may keep the notebook open meanwhile.
// The copy of an encrypted notebook is encrypted too, under the same password and key, with an
// identity of its own; its key must have been unlocked in this process (Notebook::unlock).
namespace FileOps {

// Copies src to dst (an existing dst is replaced) through the engine's online backup, which
// reads one consistent state under a read lock even while another process writes. The copy goes
// to a temporary file beside dst that is checked and then renamed into place. 1 or 0, reason in
// *error.
int BackupTo(const QString &src, const QString &dst, QString *error);

// Compacts the notebook at path in place with the engine's VACUUM: journaled, and under the
// file's exclusive lock, so another process's saves wait for it instead of going to a file that
// is about to be replaced, and the file keeps its identity, permissions and any link pointing to
// it. 1 or 0, reason in *error.
int Compact(const QString &path, QString *error);

// For the store's access password: a compacted copy of src in dst's place, encrypted under the
// key that header wraps (CipherVfs must know it) with header's identity, or plain when header
// is null. finish, when given, runs on the copy before it is checked and renamed.
int CompactAs(const QString &src, const QString &dst, const NotebookHeader::Header *header,
              const std::function<void(SQLite::Database &)> &finish, QString *error);

} // namespace FileOps
