#pragma once

#include <QByteArray>
#include <QString>

// The first bytes of a notebook file, read or written the way the engine opens the file.
// Closing any descriptor of a file drops every lock this process holds on it (POSIX record
// locks belong to the process, not to the descriptor): a plain open and close of the notebook
// while one of our connections is in a transaction would let another program write under it.
// The engine's file layer keeps such descriptors open until its locks are gone.
namespace FileStart {

// Up to bytes bytes from the start of the regular file at path (fewer when it is shorter); a null
// array when it is missing, no regular file or unreadable.
QByteArray read(const QString &path, int bytes);
// Writes bytes at the start of the existing regular file at path and syncs it.
bool write(const QString &path, const QByteArray &bytes);

} // namespace FileStart
