#include "util/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace Tools {

namespace {

bool isSeparator(QChar c)
{
    return c == QDir::separator() || c == u'/';
}

qsizetype lastSeparator(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path.at(i)))
            return i;
    }
    return -1;
}

} // namespace

QString AddBackslash(const QString &path)
{
    if (!path.isEmpty() && isSeparator(path.back()))
        return path;
    return path + QDir::separator();
}

QString FolderOf(const QString &path)
{
    const qsizetype i = lastSeparator(path);
    return i < 0 ? path : path.left(i + 1);
}

QString FileNameOf(const QString &path)
{
    const qsizetype i = lastSeparator(path);
    return i < 0 ? QString() : path.mid(i + 1);
}

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    return QFileInfo::exists(path);
}

} // namespace Tools
