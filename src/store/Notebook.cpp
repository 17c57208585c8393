#include "store/Notebook.h"

#include "store/NoteIndexHook.h"
#include "store/NotebookPrivate.h"
#include "store/NotebookFile.h"
#include "store/NotebookInfo.h"
#include "store/Schema.h"
#include "store/SearchTables.h"

#include <QFileInfo>

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <limits>

using StoreDetail::guarded;
using StoreDetail::nativePath;

QString StoreDetail::insertFailure(SQLite::Database &db, const SQLite::Exception &e, const char *table)
{
    const int code = e.getErrorCode();
    try {
        if (code == SQLITE_FULL) {
            // table is one of our two fixed names, never user text.
            SQLite::Statement q(db, std::string("SELECT max((SELECT max(ID) FROM ") + table
                                        + "), (SELECT max(seq) FROM sqlite_sequence WHERE name = ?))");
            q.bind(1, table);
            if (q.executeStep() && q.getColumn(0).getInt64() == std::numeric_limits<qint64>::max())
                return QStringLiteral("no ID left in table %1: the highest possible ID (%2) has been used")
                    .arg(QLatin1String(table))
                    .arg(std::numeric_limits<qint64>::max());
        }
    } catch (const SQLite::Exception &) {
        return QStringLiteral("the table of last used IDs (sqlite_sequence) is damaged");
    }
    if (e.getExtendedErrorCode() == SQLITE_CORRUPT_SEQUENCE)
        return QStringLiteral("the table of last used IDs (sqlite_sequence) is damaged");
    return QString::fromUtf8(e.what());
}

QString StoreDetail::failureText(const SQLite::Exception &e)
{
    const int code = e.getErrorCode() & 0xFF;
    if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB || e.getExtendedErrorCode() == SQLITE_IOERR_DATA)
        return Notebook::DamagedFile;
    return QString::fromUtf8(e.what());
}

const QString Notebook::DamagedFile = QStringLiteral("数据库文件已损坏。请从自动备份恢复。");
const QString Notebook::MovedOrDeleted = QStringLiteral("数据库文件已被移动或删除。");
const QString Notebook::ReplacedByAnother = QStringLiteral("数据库文件已被另一个数据库替换。");
const QString Notebook::OlderCopy = QStringLiteral("这个记事本比上次打开时旧，可能是有人放回了较早的副本。");

Notebook::Notebook() = default;
Notebook::~Notebook()
{
    close(); // which records what was seen of an encrypted notebook
}

bool Notebook::ready()
{
    lastError_.clear();
    if (open_ && conn_)
        return true;
    lastError_ = QStringLiteral("no notebook is open");
    return false;
}

bool Notebook::fail(const QString &why)
{
    lastError_ = why;
    return false;
}

bool Notebook::create(const QString &path)
{
    lastError_.clear();
    QString error;
    if (!NotebookFile::create(path, busyTimeoutMs_, {}, &error))
        return fail(error);
    return true;
}

std::unique_ptr<Notebook::Connection> Notebook::openConnection(const QString &path, QString *error)
{
    std::unique_ptr<SQLite::Database> db = NotebookFile::open(path, false, busyTimeoutMs_, error);
    if (!db)
        return nullptr;
    auto c = std::make_unique<Connection>(std::move(*db));
    c->path = QFileInfo(path).absoluteFilePath();
    struct stat st;
    if (::stat(nativePath(c->path).c_str(), &st) == 0) {
        c->device = st.st_dev;
        c->inode = st.st_ino;
    }
    guarded(*error, [&] {
        c->noteIndex = Schema::hasNoteIndex(c->db);
        return true;
    });
    // An older layout is brought up to date; a file that cannot take it (read-only) opens as it
    // is, without what the newer layouts add.
    try {
        Schema::migrate(c->db);
    } catch (const SQLite::Exception &) {
    }
    c->encrypted = NotebookHeader::read(c->path, &c->header) == NotebookHeader::Kind::Encrypted;
    c->history = History::hasTables(c->db);
    guarded(*error, [&] {
        c->identity = NotebookInfo::identity(c->db);
        return true;
    });
    c->searchTables = SearchTables::ensure(c->db);
    c->indexed = c->searchTables && index_ && index_->opened(c->db, c->cache);
    return c;
}

bool Notebook::open(const QString &path)
{
    lastError_.clear();
    QString error;
    std::unique_ptr<Connection> fresh = openConnection(path, &error);
    if (!fresh) {
        open_ = false;
        return fail(error);
    }
    NotebookFile::removeLeftovers(fresh->path);
    conn_ = std::move(fresh);
    open_ = true;
    path_ = path;
    // The open notebook's key stays; any other is no longer needed.
    keys_.clear();
    if (conn_->encrypted)
        keys_.push_back(CipherVfs::keyFor(conn_->header));
    return true;
}

bool Notebook::sameFileAtPath() const
{
    struct stat st;
    return ::stat(nativePath(conn_->path).c_str(), &st) == 0 && st.st_dev == conn_->device
        && st.st_ino == conn_->inode;
}

bool Notebook::writable()
{
    if (!ready())
        return false;
    struct stat st;
    if (::stat(nativePath(conn_->path).c_str(), &st) != 0) {
        lastError_ = MovedOrDeleted;
        return false;
    }
    if (sameFileAtPath()) {
        if (writesRefused().isEmpty())
            return true;
        lastError_ = refusal_;
        return false;
    }
    // Another file took its place (a compaction or a copy put back by another program): write
    // to that one, as long as it is the same notebook with the same password. Two notebooks
    // without a password store the same "", so the identity tells them apart.
    QString error;
    std::unique_ptr<Connection> fresh = openConnection(conn_->path, &error);
    if (!fresh) {
        lastError_ = MovedOrDeleted + QLatin1Char(' ') + error;
        return false;
    }
    if (fresh->identity.isEmpty() || fresh->identity != conn_->identity) {
        lastError_ = ReplacedByAnother;
        return false;
    }
    const auto storedPassword = [](Connection &c) {
        if (c.encrypted)
            return QString::fromLatin1(NotebookHeader::keyIdentity(c.header).toHex());
        Query q(c.cache, "SELECT vPassword FROM admin ORDER BY rowid LIMIT 1");
        return q.step() ? q.text(0) : QString();
    };
    bool samePassword = false;
    guarded(lastError_, [&] {
        samePassword = storedPassword(*conn_) == storedPassword(*fresh);
        return true;
    });
    if (!samePassword) {
        lastError_ = MovedOrDeleted;
        return false;
    }
    conn_ = std::move(fresh);
    return true;
}

void Notebook::close()
{
    if (!open_)
        return;
    rememberCommits();
    open_ = false;
    conn_.reset();
}

bool Notebook::encrypted() const
{
    return conn_ && conn_->encrypted;
}

bool Notebook::readOnly() const
{
    return conn_ && sqlite3_db_readonly(conn_->db.getHandle(), "main") == 1;
}

QString Notebook::identity() const
{
    return conn_ ? conn_->identity : QString();
}

void Notebook::setIndex(std::shared_ptr<const NoteIndexHook> index)
{
    index_ = std::move(index);
    if (conn_)
        conn_->indexed = conn_->searchTables && index_ && index_->opened(conn_->db, conn_->cache);
}

void Notebook::indexWritten(qint64 id)
{
    if (index_ && conn_->indexed)
        index_->written(conn_->db, conn_->cache, id);
}

QDateTime Notebook::now() const
{
    return clock_ ? clock_() : QDateTime::currentDateTimeUtc();
}
