#pragma once

#include <QSet>
#include <QString>

namespace exchange {

// Longest file name written, in UTF-8 bytes (file systems allow 255; the rest is room for a
// " (2)" and an extension added later).
constexpr int MaxNameBytes = 200;

// A file name made from a title that every common file system accepts: characters that
// Windows or a path would read specially become "_", no control characters, no leading dots, no
// trailing dots or blanks, no device name (CON, NUL, COM1 ...), at most maxBytes of UTF-8 cut
// between characters. Never empty, never "." or "..", never holds a separator.
QString safeFileName(const QString &title, int maxBytes = MaxNameBytes);

// The names given out inside one folder. A name met again, in any letter case (some file
// systems do not tell them apart), is numbered "标题 (2)", "标题 (3)" ...
class FolderNames
{
public:
    // A free name for title with extension ext (".html", or "" for a folder); the whole name
    // stays within MaxNameBytes.
    QString take(const QString &title, const QString &ext);

private:
    QSet<QString> m_taken;
};

} // namespace exchange
