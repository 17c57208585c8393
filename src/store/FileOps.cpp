#include "store/FileOps.h"

#include "store/NotebookPrivate.h"
#include "store/NotebookFile.h"
#include "store/crypto/NotebookHeader.h"

#include <SQLiteCpp/Backup.h>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

namespace FileOps {

namespace {

// Long enough for another process's save to finish; compaction itself never holds a reader up
// for less than the whole copy.
constexpr int BusyTimeoutMs = 5000;

// A copy keeps the source's protection: an encrypted source gives a header for the copy, with a
// new file identity. False (reason in *error) for a damaged header.
bool copyHeader(const QString &src, NotebookHeader::Header *header, bool *encrypted, QString *error)
{
    switch (NotebookHeader::read(src, header)) {
    case NotebookHeader::Kind::Plain:
        *encrypted = false;
        return true;
    case NotebookHeader::Kind::Encrypted:
        NotebookHeader::renewFileId(header);
        *encrypted = true;
        return true;
    case NotebookHeader::Kind::Damaged:
        break;
    }
    if (error)
        *error = QStringLiteral("%1 is damaged or unreadable").arg(src);
    return false;
}

// The copy is written by write(source, temporary file) and only then put in dst's place. A copy
// to be encrypted starts as our header alone; the engine then sees an empty file.
template <typename Write>
int copyNotebook(const QString &src, const QString &dst, const NotebookHeader::Header *header,
                 QString *error, Write write)
{
    std::unique_ptr<SQLite::Database> source = NotebookFile::open(src, true, BusyTimeoutMs, error);
    if (!source)
        return 0;
    return NotebookFile::replace(
               dst,
               [&](const QString &temp) {
                   QString why;
                   if (header && !NotebookHeader::writeNew(temp, *header, &why))
                       throw SQLite::Exception(why.toStdString());
                   write(*source, temp);
               },
               error)
               ? 1
               : 0;
}

} // namespace

int BackupTo(const QString &src, const QString &dst, QString *error)
{
    NotebookHeader::Header header;
    bool encrypted = false;
    if (!copyHeader(src, &header, &encrypted, error))
        return 0;
    return copyNotebook(src, dst, encrypted ? &header : nullptr, error, [](SQLite::Database &source,
                                                                          const QString &temp) {
        SQLite::Database target(StoreDetail::nativePath(temp), SQLite::OPEN_READWRITE, 0, CipherVfs::name());
        target.exec("PRAGMA synchronous = FULL");
        SQLite::Backup backup(target, source);
        // -1 copies every page in one step, under one read lock of the source.
        if (backup.executeStep(-1) != SQLITE_DONE)
            throw SQLite::Exception("the backup did not complete");
    });
}

int Compact(const QString &path, QString *error)
{
    // Through the file layer, so an encrypted notebook's pages stay encrypted: VACUUM keeps the
    // page size and the reserved bytes, and writes back through the same layer.
    std::unique_ptr<SQLite::Database> db = NotebookFile::open(path, false, BusyTimeoutMs, error);
    if (!db)
        return 0;
    QString why;
    const int ok = StoreDetail::guarded(why, [&] {
        db->exec("VACUUM");
        return 1;
    });
    if (!ok && error)
        *error = why;
    return ok;
}

int CompactAs(const QString &src, const QString &dst, const NotebookHeader::Header *header,
              const std::function<void(SQLite::Database &)> &finish, QString *error)
{
    return copyNotebook(src, dst, header, error, [&](SQLite::Database &source, const QString &temp) {
        if (header) {
            // The copy's pages get the encrypted layout: a fixed size, and room at the end of each
            // for nonce and tag. The source itself is only read.
            source.exec("PRAGMA page_size = " + std::to_string(NotebookHeader::PageSize));
            int reserve = NotebookHeader::ReserveBytes;
            sqlite3_file_control(source.getHandle(), "main", SQLITE_FCNTL_RESERVE_BYTES, &reserve);
        }
        // The copy is opened through the source's file layer, so it is encrypted when it starts
        // with a header.
        SQLite::Statement vacuum(source, "VACUUM INTO ?");
        vacuum.bind(1, StoreDetail::nativePath(temp));
        vacuum.exec();
        if (finish) {
            SQLite::Database copy(StoreDetail::nativePath(temp), SQLite::OPEN_READWRITE, 0, CipherVfs::name());
            finish(copy);
        }
    });
}

} // namespace FileOps
