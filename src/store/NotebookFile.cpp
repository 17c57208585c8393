#include "store/NotebookFile.h"

#include "store/DBasePrivate.h"
#include "store/Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <SQLiteCpp/Database.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace NotebookFile {

namespace {

bool setError(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

std::unique_ptr<QTemporaryFile> tempBeside(const QString &target, QString *error)
{
    const QString folder = QFileInfo(target).absolutePath();
    auto tmp = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/.quillbook-XXXXXX.tmp"));
    if (!tmp->open()) {
        setError(error, QStringLiteral("cannot write in %1: %2").arg(folder, tmp->errorString()));
        return nullptr;
    }
    tmp->close(); // the engine opens it by name; the object still removes it unless renamed
    return tmp;
}

} // namespace

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool syncFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool create(const QString &path, int busyTimeoutMs,
            const std::function<void(SQLite::Database &)> &fill, QString *error)
{
    if (path.isEmpty())
        return setError(error, QStringLiteral("no file name given"));
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (QFileInfo(absolute).exists() || QFileInfo(absolute).isSymLink())
        return setError(error, QStringLiteral("%1 already exists").arg(path));
    auto tmp = tempBeside(absolute, error);
    if (!tmp)
        return false;
    QString why;
    const int ok = StoreDetail::guarded(why, [&] {
        SQLite::Database db(StoreDetail::nativePath(tmp->fileName()), SQLite::OPEN_READWRITE);
        Schema::configure(db, busyTimeoutMs);
        Schema::create(db);
        if (fill)
            fill(db);
        return 1;
    });
    if (!ok)
        return setError(error, why);
    if (!syncFile(tmp->fileName()))
        return setError(error, QStringLiteral("cannot sync the new file"));
    // QFile::rename never replaces an existing file, so a file created meanwhile survives.
    if (!tmp->rename(absolute))
        return setError(error, QStringLiteral("cannot create %1: %2").arg(path, tmp->errorString()));
    tmp->setAutoRemove(false);
    syncFolder(QFileInfo(absolute).absolutePath());
    return true;
}

bool replace(const QString &target, const std::function<void(const QString &tempPath)> &write,
             QString *error)
{
    if (target.isEmpty())
        return setError(error, QStringLiteral("no file name given"));
    const QString absolute = QFileInfo(target).absoluteFilePath();
    auto tmp = tempBeside(absolute, error);
    if (!tmp)
        return false;
    QString why;
    const int ok = StoreDetail::guarded(why, [&] {
        write(tmp->fileName());
        // The copy must open as a notebook before it may take the target's place.
        SQLite::Database check(StoreDetail::nativePath(tmp->fileName()), SQLite::OPEN_READONLY);
        const QString problem = Schema::verify(check, QFileInfo(tmp->fileName()).size());
        if (!problem.isEmpty()) {
            why = QStringLiteral("the copy is not a readable notebook: %1").arg(problem);
            return 0;
        }
        return 1;
    });
    if (!ok)
        return setError(error, why);
    if (!syncFile(tmp->fileName()))
        return setError(error, QStringLiteral("cannot sync the copy"));
    // A replaced file keeps its permissions; the temporary file was made private.
    if (QFileInfo::exists(absolute))
        QFile::setPermissions(tmp->fileName(), QFile::permissions(absolute));
    if (std::rename(QFile::encodeName(tmp->fileName()).constData(),
                    QFile::encodeName(absolute).constData())
        != 0)
        return setError(error, QStringLiteral("cannot replace %1: %2")
                                   .arg(target, QString::fromLocal8Bit(std::strerror(errno))));
    tmp->setAutoRemove(false);
    syncFolder(QFileInfo(absolute).absolutePath());
    return true;
}

} // namespace NotebookFile
