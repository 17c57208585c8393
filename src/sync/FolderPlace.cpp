#include "sync/FolderPlace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool syncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

FolderPlace::FolderPlace(const QString &root)
    : root_(QDir::cleanPath(root))
{
}

QString FolderPlace::at(const QString &path) const
{
    return path.isEmpty() ? root_ : root_ + QLatin1Char('/') + path;
}

std::optional<QList<SyncPlace::Entry>> FolderPlace::list(const QString &folder)
{
    const QDir dir(at(folder));
    // A folder that is not there (a drive not mounted) cannot be read: it is not an empty one.
    if (!dir.exists() || !QFileInfo(dir.path()).isReadable()) {
        fail(QStringLiteral("cannot read the folder %1").arg(dir.path()));
        return std::nullopt;
    }
    QList<Entry> entries;
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (!isPartName(info.fileName()))
            entries.append({info.fileName(), info.size(), info.isDir()});
    }
    return entries;
}

std::optional<QByteArray> FolderPlace::get(const QString &path)
{
    QFile file(at(path));
    if (!file.open(QIODevice::ReadOnly)) {
        fail(file.errorString());
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        fail(file.errorString());
        return std::nullopt;
    }
    return bytes;
}

bool FolderPlace::put(const QString &path, const QByteArray &bytes)
{
    const QString final = at(path);
    const QString part = partNameFor(final);
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()
        || ::fsync(file.handle()) != 0) {
        const QString why = file.errorString();
        file.remove();
        return fail(why);
    }
    file.close();
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(final).constData()) != 0) {
        QFile::remove(part);
        return fail(QStringLiteral("cannot rename %1").arg(part));
    }
    syncPath(QFileInfo(final).absolutePath(), O_RDONLY | O_DIRECTORY);
    return true;
}

bool FolderPlace::makeFolder(const QString &path)
{
    if (QDir().mkpath(at(path)))
        return true;
    return fail(QStringLiteral("cannot make the folder %1").arg(at(path)));
}

bool FolderPlace::remove(const QString &path)
{
    if (QFile::remove(at(path)) || !QFileInfo::exists(at(path)))
        return true;
    return fail(QStringLiteral("cannot remove %1").arg(at(path)));
}
