#include "store/crypto/CipherVfs.h"

#include "store/crypto/FileStart.h"
#include "store/crypto/NotebookHeader.h"
#include "store/crypto/SecretKey.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <sodium.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <vector>

namespace CipherVfs {

namespace {

using NotebookHeader::NonceBytes;
using NotebookHeader::PageSize;
using NotebookHeader::RegionBytes;
using NotebookHeader::TagBytes;

constexpr int PayloadBytes = PageSize - NotebookHeader::ReserveBytes;

// What a page is sealed with: the notebook's data key and the file's identity; and the key
// that blinds the journal's checksums, derived from the data key.
struct PageCipher
{
    std::shared_ptr<SecretKey> key;
    std::shared_ptr<SecretKey> checksumKey;
    std::array<unsigned char, 16> fileId{};
};

// The process's keys by the identity of their wrapping, and the encrypted databases open now
// by the name the engine gave them (which is how a journal finds its database).
struct Registry
{
    std::mutex lock;
    // Every holder of a notebook's key, so that one store letting go (a second store that unlocked
    // the same file, or a copy sharing its key) never locks out the others.
    std::map<QByteArray, std::vector<std::weak_ptr<SecretKey>>> keys;
    std::map<const char *, std::shared_ptr<const PageCipher>> openDatabases;
};

Registry &registry()
{
    static Registry r;
    return r;
}

enum class Role { Database, Journal, Temporary, SuperJournal };

// A temporary file is stored in blocks of this many bytes, each followed by its nonce and tag.
constexpr int TempBlock = PageSize;
constexpr int TempStoredBlock = TempBlock + NotebookHeader::ReserveBytes;

struct CipherFile
{
    sqlite3_file base;
    Role role;
    const char *dbName; // a database's registry key
    std::shared_ptr<const PageCipher> cipher;
    // A journal: the name it really has (the default layer keeps the pointer while it is open),
    // and where the last page image it wrote or read ends, with that image's nonce: the record's
    // checksum follows there.
    std::vector<char> journalName;
    sqlite3_int64 recordEnd = -1;
    std::array<unsigned char, NonceBytes> recordNonce{};
    // A temporary file: its own key, and its size as the engine sees it.
    std::unique_ptr<SecretKey> tempKey;
    sqlite3_int64 tempSize = 0;
    std::vector<unsigned char> page;
    sqlite3_file *real;
};

sqlite3_vfs *baseVfs(sqlite3_vfs *vfs) { return static_cast<sqlite3_vfs *>(vfs->pAppData); }
CipherFile *cf(sqlite3_file *f) { return reinterpret_cast<CipherFile *>(f); }
sqlite3_file *realOf(sqlite3_file *f) { return cf(f)->real; }

// Associated data of a page: where it belongs (database page or journal record) and in which file.
struct Ad
{
    unsigned char bytes[1 + 16 + 4 + 8];
    Ad(char domain, const PageCipher &c, quint32 pgno, quint64 at)
    {
        bytes[0] = static_cast<unsigned char>(domain);
        std::memcpy(bytes + 1, c.fileId.data(), 16);
        qToLittleEndian(pgno, bytes + 17);
        qToLittleEndian(at, bytes + 21);
    }
};

void sealPage(const PageCipher &c, const Ad &ad, const unsigned char *plain, unsigned char *out)
{
    unsigned char *nonce = out + PayloadBytes;
    randombytes_buf(nonce, NonceBytes);
    crypto_aead_xchacha20poly1305_ietf_encrypt_detached(out, nonce + NonceBytes, nullptr, plain, PayloadBytes,
                                                        ad.bytes, sizeof ad.bytes, nullptr, nonce,
                                                        c.key->data());
}

bool openPage(const PageCipher &c, const Ad &ad, unsigned char *page)
{
    const unsigned char *nonce = page + PayloadBytes;
    return crypto_aead_xchacha20poly1305_ietf_decrypt_detached(page, nullptr, page, PayloadBytes,
                                                               nonce + NonceBytes, ad.bytes, sizeof ad.bytes,
                                                               nonce, c.key->data())
           == 0;
}

int realSize(sqlite3_file *real, sqlite3_int64 *size) { return real->pMethods->xFileSize(real, size); }

// An encrypted journal's real name beside database db, laid out as the default layer expects
// of a name (zero bytes before and after); the name starts at offset 4.
std::vector<char> journalNameOf(const char *db)
{
    const std::size_t n = std::strlen(db);
    std::vector<char> out(4 + n + sizeof JournalSuffix + 1, '\0');
    std::memcpy(out.data() + 4, db, n);
    std::memcpy(out.data() + 4 + n, JournalSuffix, sizeof JournalSuffix - 1);
    return out;
}

enum class Beside { Journal, Wal };

// The cipher of the open encrypted database whose journal or write-ahead log name is: the
// engine keeps those names in the database name's own block, so the pointer tells. For a
// journal, *journal gets its real name.
std::shared_ptr<const PageCipher> ownerOf(const char *name, Beside what, std::vector<char> *journal = nullptr)
{
    if (!name)
        return nullptr;
    Registry &r = registry();
    const std::lock_guard<std::mutex> guard(r.lock);
    for (const auto &[db, cipher] : r.openDatabases) {
        if (name != (what == Beside::Journal ? sqlite3_filename_journal(db) : sqlite3_filename_wal(db)))
            continue;
        if (journal)
            *journal = journalNameOf(db);
        return cipher;
    }
    return nullptr;
}

// ---- an encrypted database: pages after the header region, each sealed on its own ----

int dbRead(sqlite3_file *f, void *buf, int amt, sqlite3_int64 off)
{
    CipherFile *c = cf(f);
    auto *out = static_cast<unsigned char *>(buf);
    bool shortRead = false;
    while (amt > 0) {
        const sqlite3_int64 pageStart = off - off % PageSize;
        const int inPage = int(off - pageStart);
        const int n = std::min(amt, PageSize - inPage);
        const auto pgno = quint32(pageStart / PageSize + 1);
        unsigned char *page = (inPage == 0 && n == PageSize) ? out : c->page.data();
        const int rc = c->real->pMethods->xRead(c->real, page, PageSize, RegionBytes + pageStart);
        if (rc == SQLITE_IOERR_SHORT_READ) {
            sqlite3_int64 size = 0;
            if (realSize(c->real, &size) != SQLITE_OK || size > RegionBytes + pageStart)
                return SQLITE_IOERR_DATA; // a page cut short: the file was truncated
            std::memset(out, 0, std::size_t(amt));
            shortRead = true;
            break;
        }
        if (rc != SQLITE_OK)
            return rc;
        if (!openPage(*c->cipher, Ad('P', *c->cipher, pgno, 0), page))
            return SQLITE_IOERR_DATA;
        if (page != out)
            std::memcpy(out, page + inPage, std::size_t(n));
        out += n;
        off += n;
        amt -= n;
    }
    return shortRead ? SQLITE_IOERR_SHORT_READ : SQLITE_OK;
}

int dbWrite(sqlite3_file *f, const void *buf, int amt, sqlite3_int64 off)
{
    CipherFile *c = cf(f);
    if (off % PageSize != 0 || amt % PageSize != 0)
        return SQLITE_IOERR_WRITE; // the engine writes whole pages of a database
    const auto *in = static_cast<const unsigned char *>(buf);
    for (; amt > 0; amt -= PageSize, off += PageSize, in += PageSize) {
        const auto pgno = quint32(off / PageSize + 1);
        // The last bytes of every page hold nonce and tag; a file made without that room
        // must never be written. Nor one switched to a write-ahead log, which would be
        // written in the clear (bytes 18 and 19 say which journal the file uses).
        if (pgno == 1 && (in[20] != NotebookHeader::ReserveBytes || in[18] != 1 || in[19] != 1))
            return SQLITE_IOERR_WRITE;
        sealPage(*c->cipher, Ad('P', *c->cipher, pgno, 0), in, c->page.data());
        const int rc = c->real->pMethods->xWrite(c->real, c->page.data(), PageSize, RegionBytes + off);
        if (rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

int dbTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    return realOf(f)->pMethods->xTruncate(realOf(f), RegionBytes + size);
}

int dbFileSize(sqlite3_file *f, sqlite3_int64 *size)
{
    const int rc = realSize(realOf(f), size);
    *size = std::max<sqlite3_int64>(0, *size - RegionBytes);
    return rc;
}

// The sync that ends a commit carries one more count of commits in the header, so a copy of
// the file put back later shows a lower count (docs/encryption.md).
int dbSync(sqlite3_file *f, int flags)
{
    CipherFile *c = cf(f);
    QByteArray current(2 * NotebookHeader::SlotStride, '\0');
    const int rc = c->real->pMethods->xRead(c->real, current.data(), int(current.size()), 0);
    if (rc != SQLITE_OK)
        return rc == SQLITE_IOERR_SHORT_READ ? SQLITE_IOERR_DATA : rc;
    const QList<NotebookHeader::Write> writes = NotebookHeader::commitWrites(current, *c->cipher->key);
    if (writes.isEmpty())
        return SQLITE_IOERR_DATA; // the header went bad under the open notebook
    for (const NotebookHeader::Write &w : writes) {
        const int wrc = c->real->pMethods->xWrite(c->real, w.bytes.constData(), int(w.bytes.size()), w.offset);
        if (wrc != SQLITE_OK)
            return wrc;
    }
    return c->real->pMethods->xSync(c->real, flags);
}

int dbFileControl(sqlite3_file *f, int op, void *arg)
{
    if (op == SQLITE_FCNTL_SIZE_HINT) {
        sqlite3_int64 hint = *static_cast<sqlite3_int64 *>(arg) + RegionBytes;
        return realOf(f)->pMethods->xFileControl(realOf(f), op, &hint);
    }
    return realOf(f)->pMethods->xFileControl(realOf(f), op, arg);
}

// ---- a rollback journal of an encrypted database ----
// The engine writes each record as page number, page image, checksum, and reads them back in
// that order; headers start at multiples of the sector size. So a page-sized transfer at 4 past
// a multiple of 8 is a page image (records are 8 bytes longer than a page), four bytes right
// after it are its checksum, anything else is the engine's bookkeeping.

bool isPageImage(int amt, sqlite3_int64 off)
{
    return amt == PageSize && off % 8 == 4;
}

// The engine checks a record by a sum of sampled bytes of the plain page, stored after the
// image. Stored as it is, it would tell those bytes; it is stored masked by a value only the
// key gives for the image's nonce, which is new for every record written.
void blindChecksum(const PageCipher &c, const unsigned char *nonce, unsigned char *checksum)
{
    unsigned char mask[crypto_generichash_BYTES_MIN];
    crypto_generichash(mask, sizeof mask, nonce, NonceBytes, c.checksumKey->data(), SecretKey::Size);
    for (int i = 0; i < 4; ++i)
        checksum[i] ^= mask[i];
}

// The page number the record stores just before its image; it is sealed with the image, so
// the record cannot be pointed at another page.
bool recordPageNumber(sqlite3_file *real, sqlite3_int64 off, quint32 *pgno)
{
    unsigned char b[4];
    if (real->pMethods->xRead(real, b, 4, off - 4) != SQLITE_OK)
        return false;
    *pgno = qFromBigEndian<quint32>(b);
    return true;
}

int journalRead(sqlite3_file *f, void *buf, int amt, sqlite3_int64 off)
{
    CipherFile *c = cf(f);
    auto *bytes = static_cast<unsigned char *>(buf);
    const int rc = c->real->pMethods->xRead(c->real, buf, amt, off);
    if (rc != SQLITE_OK)
        return rc;
    if (amt == 4 && off == c->recordEnd) {
        blindChecksum(*c->cipher, c->recordNonce.data(), bytes);
        return SQLITE_OK;
    }
    if (!isPageImage(amt, off))
        return SQLITE_OK;
    quint32 pgno = 0;
    if (!recordPageNumber(c->real, off, &pgno) || !openPage(*c->cipher, Ad('J', *c->cipher, pgno, quint64(off)), bytes))
        return SQLITE_IOERR_DATA;
    c->recordEnd = off + amt;
    std::memcpy(c->recordNonce.data(), bytes + PayloadBytes, NonceBytes);
    return SQLITE_OK;
}

int journalWrite(sqlite3_file *f, const void *buf, int amt, sqlite3_int64 off)
{
    CipherFile *c = cf(f);
    const auto *in = static_cast<const unsigned char *>(buf);
    if (amt == 4 && off == c->recordEnd) {
        unsigned char checksum[4];
        std::memcpy(checksum, in, 4);
        blindChecksum(*c->cipher, c->recordNonce.data(), checksum);
        return c->real->pMethods->xWrite(c->real, checksum, 4, off);
    }
    if (!isPageImage(amt, off))
        return c->real->pMethods->xWrite(c->real, buf, amt, off);
    quint32 pgno = 0;
    if (!recordPageNumber(c->real, off, &pgno))
        return SQLITE_IOERR_WRITE;
    sealPage(*c->cipher, Ad('J', *c->cipher, pgno, quint64(off)), in, c->page.data());
    c->recordEnd = off + amt;
    std::memcpy(c->recordNonce.data(), c->page.data() + PayloadBytes, NonceBytes);
    return c->real->pMethods->xWrite(c->real, c->page.data(), amt, off);
}

// ---- temporary files: sealed block by block, under a fresh nonce for every write ----
// Their pages have no reserved bytes (and statement journals and the sorter write at any
// offset), so the layer lays them out itself: the engine's block b is stored at
// b * TempStoredBlock, its ciphertext followed by nonce and tag, with the block number as
// associated data. A block never written is all zeros on disk and reads as zeros. The file is
// this handle's alone (deleted when closed), so its size is kept here.

// The file's key is its own, so a block needs no file identity, only its place.
Ad tempAd(sqlite3_int64 block)
{
    static const PageCipher anonymous;
    return Ad('T', anonymous, 0, quint64(block));
}

// Reads block b's plain bytes into c->page; false for a block that fails its tag.
bool loadTempBlock(CipherFile *c, sqlite3_int64 b, int *rc)
{
    unsigned char *stored = c->page.data();
    *rc = c->real->pMethods->xRead(c->real, stored, TempStoredBlock, b * TempStoredBlock);
    if (*rc != SQLITE_OK && *rc != SQLITE_IOERR_SHORT_READ)
        return false;
    *rc = SQLITE_OK;
    if (std::all_of(stored, stored + TempStoredBlock, [](unsigned char x) { return x == 0; }))
        return true; // never written
    const Ad ad = tempAd(b);
    const unsigned char *nonce = stored + TempBlock;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt_detached(stored, nullptr, stored, TempBlock, nonce + NonceBytes,
                                                            ad.bytes, sizeof ad.bytes, nonce, c->tempKey->data())
        != 0) {
        *rc = SQLITE_IOERR_DATA;
        return false;
    }
    return true;
}

int storeTempBlock(CipherFile *c, sqlite3_int64 b)
{
    unsigned char *stored = c->page.data();
    unsigned char *nonce = stored + TempBlock;
    randombytes_buf(nonce, NonceBytes);
    const Ad ad = tempAd(b);
    crypto_aead_xchacha20poly1305_ietf_encrypt_detached(stored, nonce + NonceBytes, nullptr, stored, TempBlock,
                                                        ad.bytes, sizeof ad.bytes, nullptr, nonce,
                                                        c->tempKey->data());
    return c->real->pMethods->xWrite(c->real, stored, TempStoredBlock, b * TempStoredBlock);
}

int tempRead(sqlite3_file *f, void *buf, int amt, sqlite3_int64 off)
{
    CipherFile *c = cf(f);
    auto *out = static_cast<unsigned char *>(buf);
    const int present = int(std::clamp<sqlite3_int64>(c->tempSize - off, 0, amt));
    std::memset(out + present, 0, std::size_t(amt - present));
    for (int done = 0; done < present;) {
        const sqlite3_int64 at = off + done;
        const int inBlock = int(at % TempBlock);
        const int n = std::min(present - done, TempBlock - inBlock);
        int rc = SQLITE_OK;
        if (!loadTempBlock(c, at / TempBlock, &rc))
            return rc;
        std::memcpy(out + done, c->page.data() + inBlock, std::size_t(n));
        done += n;
    }
    return present < amt ? SQLITE_IOERR_SHORT_READ : SQLITE_OK;
}

int tempWrite(sqlite3_file *f, const void *buf, int amt, sqlite3_int64 off)
{
    CipherFile *c = cf(f);
    const auto *in = static_cast<const unsigned char *>(buf);
    for (int done = 0; done < amt;) {
        const sqlite3_int64 at = off + done;
        const int inBlock = int(at % TempBlock);
        const int n = std::min(amt - done, TempBlock - inBlock);
        int rc = SQLITE_OK;
        // Part of a block: the rest of it is kept (or zero where the file ends).
        if (n < TempBlock) {
            if (at - inBlock >= c->tempSize)
                std::memset(c->page.data(), 0, TempBlock);
            else if (!loadTempBlock(c, at / TempBlock, &rc))
                return rc;
        }
        std::memcpy(c->page.data() + inBlock, in + done, std::size_t(n));
        if ((rc = storeTempBlock(c, at / TempBlock)) != SQLITE_OK)
            return rc;
        done += n;
    }
    c->tempSize = std::max(c->tempSize, off + amt);
    return SQLITE_OK;
}

int tempTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    CipherFile *c = cf(f);
    const sqlite3_int64 blocks = (size + TempBlock - 1) / TempBlock;
    const int keep = int(size % TempBlock);
    // A block cut in the middle loses its tail, so that growing the file again reads zeros.
    if (keep != 0 && size < c->tempSize) {
        int rc = SQLITE_OK;
        if (!loadTempBlock(c, blocks - 1, &rc))
            return rc;
        std::memset(c->page.data() + keep, 0, std::size_t(TempBlock - keep));
        if ((rc = storeTempBlock(c, blocks - 1)) != SQLITE_OK)
            return rc;
    }
    const int rc = c->real->pMethods->xTruncate(c->real, blocks * TempStoredBlock);
    if (rc == SQLITE_OK)
        c->tempSize = size;
    return rc;
}

int tempFileSize(sqlite3_file *f, sqlite3_int64 *size)
{
    *size = cf(f)->tempSize;
    return SQLITE_OK;
}

int tempFileControl(sqlite3_file *f, int op, void *arg)
{
    if (op == SQLITE_FCNTL_SIZE_HINT) {
        sqlite3_int64 hint = *static_cast<sqlite3_int64 *>(arg);
        hint = (hint + TempBlock - 1) / TempBlock * TempStoredBlock;
        return realOf(f)->pMethods->xFileControl(realOf(f), op, &hint);
    }
    return realOf(f)->pMethods->xFileControl(realOf(f), op, arg);
}

// ---- a super-journal: the journals' names of a transaction over several files ----
// Recovering such a transaction looks for each journal under the name written here, the
// engine's own, where an encrypted notebook's journal is not: its half-written pages would be
// kept. So an encrypted notebook takes no part in one. The engine writes each journal's name
// here (the very string it opens the journal by) before any journal points here, and gives up
// the commit and deletes this file when a write fails.
int superJournalWrite(sqlite3_file *f, const void *buf, int amt, sqlite3_int64 off)
{
    if (ownerOf(static_cast<const char *>(buf), Beside::Journal))
        return SQLITE_IOERR_WRITE;
    return realOf(f)->pMethods->xWrite(realOf(f), buf, amt, off);
}

// ---- shared by all ----

int fileClose(sqlite3_file *f)
{
    CipherFile *c = cf(f);
    const int rc = c->real->pMethods->xClose(c->real);
    if (c->role == Role::Database) {
        Registry &r = registry();
        const std::lock_guard<std::mutex> guard(r.lock);
        r.openDatabases.erase(c->dbName);
    }
    c->~CipherFile();
    return rc;
}

int fileRead(sqlite3_file *f, void *buf, int amt, sqlite3_int64 off)
{
    return realOf(f)->pMethods->xRead(realOf(f), buf, amt, off);
}
int fileTruncate(sqlite3_file *f, sqlite3_int64 size) { return realOf(f)->pMethods->xTruncate(realOf(f), size); }
int fileSync(sqlite3_file *f, int flags) { return realOf(f)->pMethods->xSync(realOf(f), flags); }
int fileSize(sqlite3_file *f, sqlite3_int64 *size) { return realSize(realOf(f), size); }
int fileLock(sqlite3_file *f, int level) { return realOf(f)->pMethods->xLock(realOf(f), level); }
int fileUnlock(sqlite3_file *f, int level) { return realOf(f)->pMethods->xUnlock(realOf(f), level); }
int fileReserved(sqlite3_file *f, int *out) { return realOf(f)->pMethods->xCheckReservedLock(realOf(f), out); }
int fileControl(sqlite3_file *f, int op, void *arg) { return realOf(f)->pMethods->xFileControl(realOf(f), op, arg); }
int fileSectorSize(sqlite3_file *f) { return realOf(f)->pMethods->xSectorSize(realOf(f)); }
int fileDevice(sqlite3_file *f)
{
    // Writing several pages as one atomic batch would skip the journal's page images.
    return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f)) & ~SQLITE_IOCAP_BATCH_ATOMIC;
}

// Version 1: no shared memory (so no WAL) and no memory-mapped reads, which would bypass us.
const sqlite3_io_methods DatabaseMethods = {1, fileClose, dbRead, dbWrite, dbTruncate, dbSync, dbFileSize,
                                            fileLock, fileUnlock, fileReserved, dbFileControl, fileSectorSize,
                                            fileDevice, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
const sqlite3_io_methods JournalMethods = {1, fileClose, journalRead, journalWrite, fileTruncate, fileSync,
                                           fileSize, fileLock, fileUnlock, fileReserved, fileControl,
                                           fileSectorSize, fileDevice, nullptr, nullptr, nullptr, nullptr,
                                           nullptr, nullptr};
const sqlite3_io_methods TemporaryMethods = {1, fileClose, tempRead, tempWrite, tempTruncate, fileSync,
                                             tempFileSize, fileLock, fileUnlock, fileReserved, tempFileControl,
                                             fileSectorSize, fileDevice, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, nullptr};

const sqlite3_io_methods SuperJournalMethods = {1, fileClose, fileRead, superJournalWrite, fileTruncate, fileSync,
                                                fileSize, fileLock, fileUnlock, fileReserved, fileControl,
                                                fileSectorSize, fileDevice, nullptr, nullptr, nullptr, nullptr,
                                                nullptr, nullptr};

constexpr int CipherFileBytes = int((sizeof(CipherFile) + 7) / 8 * 8);

// The start of a database file, read before the engine opens it; empty when there is none.
QByteArray headerBytes(const char *path)
{
    return FileStart::read(QFile::decodeName(path), RegionBytes);
}

std::shared_ptr<const PageCipher> databaseCipher(const char *name, int *rc)
{
    NotebookHeader::Header h;
    switch (NotebookHeader::decode(headerBytes(name), &h)) {
    case NotebookHeader::Kind::Plain:
        return nullptr;
    case NotebookHeader::Kind::Damaged:
        *rc = SQLITE_NOTADB;
        return nullptr;
    case NotebookHeader::Kind::Encrypted:
        break;
    }
    auto cipher = std::make_shared<PageCipher>();
    cipher->key = keyFor(h);
    cipher->fileId = h.fileId;
    if (!cipher->key) {
        *rc = SQLITE_AUTH; // locked: no password was given for it
        return nullptr;
    }
    cipher->checksumKey = std::make_shared<SecretKey>();
    if (!cipher->checksumKey->valid()) {
        *rc = SQLITE_NOMEM;
        return nullptr;
    }
    crypto_kdf_derive_from_key(cipher->checksumKey->data(), SecretKey::Size, 1, "qbjrnlck", cipher->key->data());
    return cipher;
}

int vfsOpen(sqlite3_vfs *vfs, const char *name, sqlite3_file *f, int flags, int *outFlags)
{
    sqlite3_vfs *base = baseVfs(vfs);
    Role role = Role::Temporary;
    std::shared_ptr<const PageCipher> cipher;
    std::vector<char> journal;
    int rc = SQLITE_OK;
    if (flags & SQLITE_OPEN_MAIN_DB) {
        role = Role::Database;
        cipher = name ? databaseCipher(name, &rc) : nullptr;
        if (rc != SQLITE_OK)
            return rc;
    } else if (flags & SQLITE_OPEN_MAIN_JOURNAL) {
        role = Role::Journal;
        cipher = ownerOf(name, Beside::Journal, &journal);
    } else if (flags & SQLITE_OPEN_WAL) {
        // Its pages would be written in the clear; the engine then stays with the journal.
        if (ownerOf(name, Beside::Wal))
            return SQLITE_CANTOPEN;
        return base->xOpen(base, name, f, flags, outFlags);
    } else if (flags & SQLITE_OPEN_SUPER_JOURNAL) {
        role = Role::SuperJournal;
    } else if (!(flags & (SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TEMP_JOURNAL | SQLITE_OPEN_TRANSIENT_DB
                          | SQLITE_OPEN_SUBJOURNAL))) {
        return SQLITE_CANTOPEN; // a kind of file this layer does not know could hold anything
    }
    if ((role == Role::Database || role == Role::Journal) && !cipher)
        return base->xOpen(base, name, f, flags, outFlags); // a plain notebook: no shim at all

    auto *c = new (f) CipherFile{};
    c->role = role;
    c->cipher = cipher;
    c->real = reinterpret_cast<sqlite3_file *>(reinterpret_cast<char *>(f) + CipherFileBytes);
    c->page.resize(TempStoredBlock);
    if (role == Role::Journal) {
        c->journalName = std::move(journal);
        name = c->journalName.data() + 4;
    } else if (role == Role::Temporary) {
        c->tempKey = std::make_unique<SecretKey>();
        if (!c->tempKey->valid()) {
            c->~CipherFile();
            return SQLITE_NOMEM;
        }
        randombytes_buf(c->tempKey->data(), SecretKey::Size);
    }
    rc = base->xOpen(base, name, c->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        c->~CipherFile();
        f->pMethods = nullptr;
        return rc;
    }
    if (role == Role::Temporary) {
        sqlite3_int64 stored = 0;
        realSize(c->real, &stored);
        c->tempSize = (stored + TempStoredBlock - 1) / TempStoredBlock * TempBlock;
    }
    c->base.pMethods = role == Role::Database       ? &DatabaseMethods
                       : role == Role::Journal      ? &JournalMethods
                       : role == Role::SuperJournal ? &SuperJournalMethods
                                                    : &TemporaryMethods;
    if (role == Role::Database) {
        c->dbName = name;
        Registry &r = registry();
        const std::lock_guard<std::mutex> guard(r.lock);
        r.openDatabases[name] = cipher;
    }
    return SQLITE_OK;
}

int vfsDelete(sqlite3_vfs *v, const char *n, int sync)
{
    std::vector<char> journal;
    if (ownerOf(n, Beside::Journal, &journal))
        n = journal.data() + 4;
    return baseVfs(v)->xDelete(baseVfs(v), n, sync);
}

int vfsAccess(sqlite3_vfs *v, const char *n, int flags, int *out)
{
    std::vector<char> journal;
    if (ownerOf(n, Beside::Journal, &journal)) {
        n = journal.data() + 4;
    } else if (ownerOf(n, Beside::Wal)) {
        *out = 0; // a log beside an encrypted notebook is none of ours: never read
        return SQLITE_OK;
    }
    return baseVfs(v)->xAccess(baseVfs(v), n, flags, out);
}
int vfsFullPathname(sqlite3_vfs *v, const char *n, int size, char *out)
{
    return baseVfs(v)->xFullPathname(baseVfs(v), n, size, out);
}
void *vfsDlOpen(sqlite3_vfs *v, const char *n) { return baseVfs(v)->xDlOpen(baseVfs(v), n); }
void vfsDlError(sqlite3_vfs *v, int n, char *out) { baseVfs(v)->xDlError(baseVfs(v), n, out); }
void (*vfsDlSym(sqlite3_vfs *v, void *h, const char *s))(void) { return baseVfs(v)->xDlSym(baseVfs(v), h, s); }
void vfsDlClose(sqlite3_vfs *v, void *h) { baseVfs(v)->xDlClose(baseVfs(v), h); }
int vfsRandomness(sqlite3_vfs *v, int n, char *out) { return baseVfs(v)->xRandomness(baseVfs(v), n, out); }
int vfsSleep(sqlite3_vfs *v, int us) { return baseVfs(v)->xSleep(baseVfs(v), us); }
int vfsCurrentTime(sqlite3_vfs *v, double *t) { return baseVfs(v)->xCurrentTime(baseVfs(v), t); }
int vfsLastError(sqlite3_vfs *v, int n, char *out) { return baseVfs(v)->xGetLastError(baseVfs(v), n, out); }
int vfsCurrentTimeInt64(sqlite3_vfs *v, sqlite3_int64 *t)
{
    return baseVfs(v)->xCurrentTimeInt64(baseVfs(v), t);
}

sqlite3_vfs *registered()
{
    static sqlite3_vfs vfs;
    static std::once_flag once;
    std::call_once(once, [] {
        sodiumReady();
        sqlite3_vfs *base = sqlite3_vfs_find(nullptr);
        vfs.iVersion = 2;
        vfs.szOsFile = CipherFileBytes + base->szOsFile;
        vfs.mxPathname = base->mxPathname;
        vfs.zName = "quillbook";
        vfs.pAppData = base;
        vfs.xOpen = vfsOpen;
        vfs.xDelete = vfsDelete;
        vfs.xAccess = vfsAccess;
        vfs.xFullPathname = vfsFullPathname;
        vfs.xDlOpen = vfsDlOpen;
        vfs.xDlError = vfsDlError;
        vfs.xDlSym = vfsDlSym;
        vfs.xDlClose = vfsDlClose;
        vfs.xRandomness = vfsRandomness;
        vfs.xSleep = vfsSleep;
        vfs.xCurrentTime = vfsCurrentTime;
        vfs.xGetLastError = vfsLastError;
        vfs.xCurrentTimeInt64 = vfsCurrentTimeInt64;
        sqlite3_vfs_register(&vfs, 0);
    });
    return &vfs;
}

} // namespace

const char *name()
{
    return registered()->zName;
}

void remember(const NotebookHeader::Header &h, const std::shared_ptr<SecretKey> &key)
{
    Registry &r = registry();
    const std::lock_guard<std::mutex> guard(r.lock);
    for (auto it = r.keys.begin(); it != r.keys.end();) {
        std::erase_if(it->second, [](const std::weak_ptr<SecretKey> &k) { return k.expired(); });
        it = it->second.empty() ? r.keys.erase(it) : std::next(it);
    }
    r.keys[NotebookHeader::keyIdentity(h)].push_back(key);
}

std::shared_ptr<SecretKey> keyFor(const NotebookHeader::Header &h)
{
    Registry &r = registry();
    const std::lock_guard<std::mutex> guard(r.lock);
    const auto it = r.keys.find(NotebookHeader::keyIdentity(h));
    if (it != r.keys.end())
        for (const std::weak_ptr<SecretKey> &held : it->second)
            if (std::shared_ptr<SecretKey> key = held.lock())
                return key;
    return nullptr;
}

} // namespace CipherVfs
