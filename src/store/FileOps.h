#pragma once

#include <QString>

// Whole-file operations on a notebook for the backup and compact commands. Both write into a
// temporary file beside the destination, check that it opens as a notebook, and only then
// rename it into place: a failure leaves the source and any existing destination untouched.
// The notebook should be closed by its owner first, so the copy sees every saved change.
namespace FileOps {

// Copies src to dst (an existing dst is replaced) through the engine's online backup, which
// reads a consistent state even if another program is writing. 1 or 0, reason in *error.
int BackupTo(const QString &src, const QString &dst, QString *error);

// Writes a compacted copy of src to dst; dst may be src itself, for compaction in place.
// 1 or 0, reason in *error.
int CompactTo(const QString &src, const QString &dst, QString *error);

} // namespace FileOps
