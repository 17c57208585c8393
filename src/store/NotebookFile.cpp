#include "store/NotebookFile.h"

#include "store/NotebookPrivate.h"
#include "store/Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <SQLiteCpp/Database.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace NotebookFile {

namespace {

bool setError(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// Temporary files are named ".quillbook-XXXXXX.tmp"; the engine may add "-journal", or the
// file layer its own journal's suffix for an encrypted copy.
const QString TempPattern = QStringLiteral(".quillbook-XXXXXX.tmp");

std::unique_ptr<QTemporaryFile> tempBeside(const QString &target, QString *error)
{
    const QString folder = QFileInfo(target).absolutePath();
    auto tmp = std::make_unique<QTemporaryFile>(folder + QLatin1Char('/') + TempPattern);
    if (!tmp->open()) {
        setError(error, QStringLiteral("无法在 %1 中写入：%2").arg(folder, tmp->errorString()));
        return nullptr;
    }
    // Held open with a lock while it exists, so that removeLeftovers in another process leaves
    // it alone; the engine opens it by name, and the object removes it unless renamed.
    ::flock(tmp->handle(), LOCK_EX);
    return tmp;
}

// Why the file at path must not be handed to the engine ("" when it may). An encrypted notebook
// starts with our header and is opened only once its key is unlocked; every other file must
// start as a notebook of the engine's own format.
QString lockedReason(const QString &path)
{
    NotebookHeader::Header header;
    switch (NotebookHeader::read(path, &header)) {
    case NotebookHeader::Kind::Damaged:
        return QStringLiteral("加密文件头已损坏");
    case NotebookHeader::Kind::Encrypted:
        return CipherVfs::keyFor(header) ? QString() : QStringLiteral("数据库已加密，尚未解锁");
    case NotebookHeader::Kind::Plain:
        break;
    }
    return Schema::checkHeader(path);
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
        return setError(error, QStringLiteral("%1 已存在").arg(path));
    auto tmp = tempBeside(absolute, error);
    if (!tmp)
        return false;
    QString why;
    const int ok = StoreDetail::guarded(why, [&] {
        SQLite::Database db(StoreDetail::nativePath(tmp->fileName()), SQLite::OPEN_READWRITE);
        Schema::guard(db, busyTimeoutMs);
        Schema::configure(db);
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
        QString problem;
        if (!open(tmp->fileName(), true, 0, &problem)) {
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

std::unique_ptr<SQLite::Database> open(const QString &path, bool readOnly, int busyTimeoutMs, QString *error)
{
    const QFileInfo info(path);
    QString why;
    if (path.isEmpty())
        why = QStringLiteral("no file name given");
    else if (!info.exists())
        why = QStringLiteral("文件不存在");
    else if (!info.isFile())
        why = QStringLiteral("不是文件");
    else
        why = lockedReason(path);
    if (!why.isEmpty()) {
        setError(error, why);
        return nullptr;
    }
    std::unique_ptr<SQLite::Database> db;
    StoreDetail::guarded(why, [&] {
        // Never OPEN_CREATE: opening must not make a file. NOMUTEX: a connection is used from one
        // thread only, so SQLite's per-call locking would be pure overhead.
        const int flags = (readOnly ? SQLite::OPEN_READONLY : SQLite::OPEN_READWRITE) | SQLite::OPEN_NOMUTEX;
        auto candidate = std::make_unique<SQLite::Database>(StoreDetail::nativePath(info.absoluteFilePath()), flags,
                                                            0, CipherVfs::name());
        Schema::guard(*candidate, busyTimeoutMs);
        why = Schema::verify(*candidate);
        if (!why.isEmpty())
            return 0;
        if (!readOnly) {
            Schema::configure(*candidate);
            try {
                Schema::repairSequence(*candidate);
            } catch (const SQLite::Exception &e) {
                throw SQLite::Exception(std::string("the table of last used IDs is damaged and cannot be repaired: ")
                                        + e.what());
            }
        }
        db = std::move(candidate);
        return 1;
    });
    if (!db)
        setError(error, why);
    return db;
}

void removeLeftovers(const QString &path)
{
    static const QRegularExpression leftover(QStringLiteral("^\\.quillbook-[A-Za-z0-9]{6}\\.tmp(-journal|%1)?$")
                                                 .arg(QLatin1String(CipherVfs::JournalSuffix)));
    const QDir folder = QFileInfo(path).absoluteDir();
    const QStringList names = folder.entryList({QStringLiteral(".quillbook-*")}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (!leftover.match(name).hasMatch())
            continue;
        const QString file = folder.filePath(name);
        const qsizetype copyName = name.lastIndexOf(QLatin1String(".tmp")) + 4;
        if (copyName < name.size()) {
            // A journal goes with its copy, which is removed below or still in use.
            if (!QFileInfo::exists(folder.filePath(name.left(copyName))))
                QFile::remove(file);
            continue;
        }
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        // The process writing a copy holds this lock until the copy is renamed or removed.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            QFile::remove(file + QStringLiteral("-journal"));
            QFile::remove(file + QLatin1String(CipherVfs::JournalSuffix));
            QFile::remove(file);
        }
        ::close(fd);
    }
}

} // namespace NotebookFile
