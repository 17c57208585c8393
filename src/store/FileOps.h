#pragma once

#include <QString>

#include <functional>

namespace SQLite {
class Database;
}
namespace NotebookHeader {
struct Header;
}

// Whole-file operations on a notebook for the backup and compact commands. Both write into a
// temporary file beside the destination, check that it opens as a notebook, and only then
// rename it into place: a failure leaves the source and any existing destination untouched.
// The copy of an encrypted notebook is encrypted too, under the same password and key, with an
// identity of its own; its key must have been unlocked in this process (DBase::Unlock).
// The notebook should be closed by its owner first, so the copy sees every saved change.
namespace FileOps {

// Copies src to dst (an existing dst is replaced) through the engine's online backup, which
// reads a consistent state even if another program is writing. 1 or 0, reason in *error.
int BackupTo(const QString &src, const QString &dst, QString *error);

// Writes a compacted copy of src to dst; dst may be src itself, for compaction in place.
// 1 or 0, reason in *error.
int CompactTo(const QString &src, const QString &dst, QString *error);

// For the store's access password: a compacted copy of src in dst's place, encrypted under the
// key that header wraps (CipherVfs must know it) with header's identity, or plain when header
// is null. finish, when given, runs on the copy before it is checked and renamed.
int CompactAs(const QString &src, const QString &dst, const NotebookHeader::Header *header,
              const std::function<void(SQLite::Database &)> &finish, QString *error);

} // namespace FileOps
