#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The highest commit count this user has seen for each encrypted notebook file, by the file's
// identity, kept in a file of the user's own (docs/encryption.md): a file whose count went
// backwards is an older copy of itself put in its place.
namespace SeenCommits {

// Where the counts are kept: Quillbook/seen-commits in the user's data folder.
QString path();
// 0 for a file never seen.
quint64 highest(const QByteArray &fileId);
// Raises the count kept for fileId to count; lowers it too when accepted (the user chose to
// go on with an older copy). False when the file could not be written.
bool record(const QByteArray &fileId, quint64 count, bool accepted = false);

} // namespace SeenCommits
