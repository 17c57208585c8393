#include "store/crypto/FileStart.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <sys/stat.h>

#include <memory>

namespace FileStart {

namespace {

// One file opened through the engine's own Unix layer, closed when it goes.
class EngineFile
{
public:
    EngineFile(const QString &path, int flags)
    {
        // Checked first: opening a FIFO or a device would block or read for ever. The engine
        // opens a link's target by its own name (its layer refuses links), and so do we.
        struct stat st {};
        const QString target = QFileInfo(path).canonicalFilePath();
        const QByteArray native = QFile::encodeName(target.isEmpty() ? QFileInfo(path).absoluteFilePath() : target);
        if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            return;
        vfs_ = sqlite3_vfs_find("unix");
        if (!vfs_)
            return;
        name_ = sqlite3_create_filename(native.constData(), "", "", 0, nullptr);
        storage_ = std::make_unique<char[]>(std::size_t(vfs_->szOsFile));
        file_ = reinterpret_cast<sqlite3_file *>(storage_.get());
        int outFlags = 0;
        if (!name_ || vfs_->xOpen(vfs_, name_, file_, flags | SQLITE_OPEN_MAIN_DB, &outFlags) != SQLITE_OK)
            file_ = nullptr;
    }
    ~EngineFile()
    {
        if (file_ && file_->pMethods)
            file_->pMethods->xClose(file_);
        sqlite3_free_filename(name_);
    }
    EngineFile(const EngineFile &) = delete;
    EngineFile &operator=(const EngineFile &) = delete;

    sqlite3_file *file() const { return file_ && file_->pMethods ? file_ : nullptr; }

private:
    sqlite3_vfs *vfs_ = nullptr;
    sqlite3_filename name_ = nullptr;
    std::unique_ptr<char[]> storage_;
    sqlite3_file *file_ = nullptr;
};

} // namespace

QByteArray read(const QString &path, int bytes)
{
    EngineFile f(path, SQLITE_OPEN_READONLY);
    sqlite3_file *file = f.file();
    sqlite3_int64 size = 0;
    if (!file || file->pMethods->xFileSize(file, &size) != SQLITE_OK)
        return {};
    QByteArray out(int(qMin<sqlite3_int64>(bytes, size)), '\0');
    if (!out.isEmpty() && file->pMethods->xRead(file, out.data(), int(out.size()), 0) != SQLITE_OK)
        return {};
    return out.isNull() ? QByteArray("") : out;
}

bool write(const QString &path, const QByteArray &bytes)
{
    EngineFile f(path, SQLITE_OPEN_READWRITE);
    sqlite3_file *file = f.file();
    return file && file->pMethods->xWrite(file, bytes.constData(), int(bytes.size()), 0) == SQLITE_OK
        && file->pMethods->xSync(file, SQLITE_SYNC_FULL) == SQLITE_OK;
}

} // namespace FileStart
