#pragma once

#include <QString>

// Path helpers shared by the store and the windows. They split on the platform's separator
// (and on '/' everywhere, since Qt hands out such paths on every platform).
namespace Tools {

// The path with a separator appended unless it already ends with one; "" gives the separator.
QString AddBackslash(const QString &path);
// Everything up to and including the last separator; the whole path when there is none.
QString FolderOf(const QString &path);
// The text after the last separator; "" when there is none.
QString FileNameOf(const QString &path);
// True when a file or folder of that name exists; "" and every error give false.
bool FileExists(const QString &path);

} // namespace Tools
