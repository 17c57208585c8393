#include "store/Notebook.h"

#include "store/NotebookPrivate.h"
#include "store/FileOps.h"
#include "store/crypto/SecretKey.h"
#include "store/crypto/SeenCommits.h"

#include <SQLiteCpp/Transaction.h>
#include <sodium.h>

#include <QRegularExpression>

#include <mutex>

using StoreDetail::guarded;

namespace {

constexpr qsizetype MaxPasswordChars = 50;

qsizetype characterCount(const QString &s)
{
    qsizetype n = 0;
    for (const QChar c : s)
        n += c.isLowSurrogate() ? 0 : 1;
    return n;
}

bool looksHashed(const QString &stored)
{
    return stored.startsWith(QLatin1String("$argon2"));
}

// The password row of a notebook whose password now lives in its header, or that has none.
void clearPasswordRow(SQLite::Database &db)
{
    db.exec("PRAGMA secure_delete = ON");
    SQLite::Transaction tx(db, SQLite::TransactionBehavior::IMMEDIATE);
    db.exec("DELETE FROM admin");
    db.exec("INSERT INTO admin (vPassword) VALUES ('')");
    tx.commit();
}

// Checking a hash costs what its parameters say, and a file can say anything: a hash costing
// far more than ours (many passes, gigabytes of memory) would freeze the prompt. Anything
// beyond Cost::boundedBy our own is damage.
bool costWithinBounds(const QString &stored)
{
    static const QRegularExpression params(
        QStringLiteral("^\\$argon2id?\\$v=19\\$m=(\\d{1,10}),t=(\\d{1,10}),p=1\\$[A-Za-z0-9+/]+\\$[A-Za-z0-9+/]+$"));
    const QRegularExpressionMatch m = params.match(stored);
    if (!m.hasMatch())
        return false;
    const NotebookHeader::Cost cost{m.captured(2).toULongLong(), m.captured(1).toULongLong() * 1024};
    return cost.boundedBy({crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE});
}

// The commit count of an encrypted file as its header says now, vouched for by the key this
// process holds; false when it has no key for it or the header is not intact.
bool currentCommits(const QString &path, QByteArray *fileId, quint64 *count)
{
    NotebookHeader::Header h;
    if (NotebookHeader::read(path, &h) != NotebookHeader::Kind::Encrypted)
        return false;
    const std::shared_ptr<SecretKey> key = CipherVfs::keyFor(h);
    if (!key)
        return false;
    *fileId = QByteArray(reinterpret_cast<const char *>(h.fileId.data()), int(h.fileId.size()));
    *count = NotebookHeader::commitsOf(h, *key);
    return true;
}

} // namespace

QString Notebook::hashPassword(const QString &plain)
{
    if (plain.isEmpty())
        return {};
    if (!sodiumReady())
        return {};
    SecretBytes secret(plain);
    char out[crypto_pwhash_STRBYTES];
    // Interactive limits (2 passes, 64 MiB): the libsodium recommendation for a password that
    // unlocks something at once; about a tenth of a second here, yet costly to guess offline.
    if (crypto_pwhash_str(out, secret.bytes.constData(),
                          static_cast<unsigned long long>(secret.bytes.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        return {};
    return QString::fromLatin1(out);
}

bool Notebook::passwordMatches(const QString &typed, const QString &stored)
{
    if (stored.isEmpty())
        return typed.isEmpty();
    NotebookHeader::Header header;
    if (NotebookHeader::fromStoredForm(stored, &header))
        return !typed.isEmpty() && NotebookHeader::unseal(typed, header) != nullptr;
    if (!looksHashed(stored))
        return typed == stored;
    if (typed.isEmpty() || !costWithinBounds(stored) || !sodiumReady())
        return false;
    SecretBytes secret(typed);
    const QByteArray hash = stored.toLatin1();
    return crypto_pwhash_str_verify(hash.constData(), secret.bytes.constData(),
                                    static_cast<unsigned long long>(secret.bytes.size()))
        == 0;
}

QString Notebook::readPassword()
{
    if (!ready())
        return {};
    if (conn_->encrypted)
        return NotebookHeader::storedForm(conn_->header);
    QString stored;
    guarded(lastError_, [&] {
        Query q(conn_->cache, "SELECT vPassword FROM admin ORDER BY rowid LIMIT 1");
        if (q.step())
            stored = q.text(0); // NULL, never written by us, reads as no password
        return true;
    });
    // Returned all the same: passwordMatches refuses it too, so no caller takes it for "none".
    if (looksHashed(stored) && !costWithinBounds(stored))
        lastError_ = QStringLiteral("the stored password hash is damaged");
    return stored;
}

bool Notebook::writePassword(const QString &plain)
{
    if (!writable())
        return false;
    if (characterCount(plain) > MaxPasswordChars)
        return fail(QStringLiteral("the password is longer than %1 characters").arg(MaxPasswordChars));
    if (conn_->encrypted || !plain.isEmpty())
        return rewriteProtected(plain);
    // Hash before taking the write lock: it is the slow part.
    const QString stored = hashPassword(plain);
    if (!plain.isEmpty() && stored.isEmpty())
        return fail(QStringLiteral("the password could not be hashed"));
    // Delete and insert together, so a failure never leaves the file without its password.
    return write([&] {
        {
            Query del(conn_->cache, "DELETE FROM admin");
            del.run();
        }
        {
            Query ins(conn_->cache, "INSERT INTO admin (vPassword) VALUES (?)");
            ins.bind(1, stored).run();
        }
        return true;
    });
}

Notebook::Protection Notebook::protectionOf(const QString &path)
{
    switch (NotebookHeader::read(path, nullptr)) {
    case NotebookHeader::Kind::Plain:
        return Protection::Plain;
    case NotebookHeader::Kind::Encrypted:
        return Protection::Encrypted;
    case NotebookHeader::Kind::Damaged:
        break;
    }
    return Protection::Damaged;
}

bool Notebook::unlock(const QString &path, const QString &typed)
{
    return keepKey(deriveKey(path, typed));
}

Notebook::DerivedKey Notebook::deriveKey(const QString &path, const QString &typed)
{
    DerivedKey derived;
    const NotebookHeader::Kind kind = NotebookHeader::read(path, &derived.header);
    if (kind != NotebookHeader::Kind::Encrypted) {
        derived.error = kind == NotebookHeader::Kind::Plain ? QStringLiteral("the notebook is not encrypted")
                                                            : QStringLiteral("the header is damaged");
        return derived;
    }
    derived.key = NotebookHeader::unseal(typed, derived.header);
    if (!derived.key)
        derived.error = QStringLiteral("wrong password");
    return derived;
}

bool Notebook::keepKey(const DerivedKey &derived)
{
    lastError_.clear();
    if (!derived.key)
        return fail(derived.error);
    CipherVfs::remember(derived.header, derived.key);
    keys_.push_back(derived.key);
    return true;
}

Notebook::Access Notebook::openWithPassword(const QString &path, const QString &typed)
{
    switch (protectionOf(path)) {
    case Protection::Damaged:
        lastError_ = QStringLiteral("the header is damaged");
        return Access::Unreadable;
    case Protection::Encrypted:
        if (!unlock(path, typed))
            return Access::WrongPassword;
        break;
    case Protection::Plain:
        break;
    }
    if (!open(path))
        return Access::Unreadable;
    if (encrypted())
        return Access::Opened;
    const QString stored = readPassword();
    if (!lastError_.isEmpty()) {
        close();
        return Access::Unreadable;
    }
    if (!passwordMatches(typed, stored)) {
        close();
        lastError_ = QStringLiteral("wrong password");
        return Access::WrongPassword;
    }
    return Access::Opened;
}

// Setting, changing or removing the password of an encrypted notebook, or setting one on a plain
// notebook: a new file (encrypted under a new data key and file identity, or plain) takes the old
// one's place, and the store opens it. A new key on every change: whoever knew the old password
// and kept any older copy of the file (even its header) reads nothing written afterwards.
// The notebook's write lock is held from before the copy until the new file is in place, so no
// save of another program falls between them: those wait, then find the new file.
bool Notebook::rewriteProtected(const QString &plain)
{
    NotebookHeader::Header header;
    std::shared_ptr<SecretKey> key;
    if (!plain.isEmpty()) {
        key = NotebookHeader::newDataKey();
        NotebookHeader::renewFileId(&header);
        if (!key || !NotebookHeader::seal(plain, *key, passwordCost_, &header))
            return fail(QStringLiteral("the key could not be made"));
        CipherVfs::remember(header, key);
    }
    // The new file must open with the new password before it may replace the notebook.
    const auto checkCopy = [&](SQLite::Database &copy) {
        clearPasswordRow(copy);
        if (!key)
            return;
        NotebookHeader::Header written;
        if (NotebookHeader::read(QString::fromStdString(copy.getFilename()), &written) != NotebookHeader::Kind::Encrypted
            || !NotebookHeader::unseal(plain, written))
            throw SQLite::Exception("the new file does not open with the new password");
    };
    const QString path = path_;
    const bool replaced = write([&] {
        QString error;
        if (FileOps::CompactAs(path, path, key ? &header : nullptr, checkCopy, &error) != 1)
            return fail(error);
        return true; // the lock goes with the old file, which nothing was written to
    });
    if (!replaced)
        return false;
    close();
    return open(path); // keeps the new key, or none
}

bool Notebook::olderThanLastSeen()
{
    QByteArray fileId;
    quint64 count = 0;
    if (!open_ || !conn_->encrypted || !currentCommits(conn_->path, &fileId, &count))
        return false;
    const bool older = count < SeenCommits::highest(fileId);
    SeenCommits::record(fileId, count, true);
    return older;
}

void Notebook::rememberCommits()
{
    QByteArray fileId;
    quint64 count = 0;
    if (open_ && conn_->encrypted && currentCommits(conn_->path, &fileId, &count))
        SeenCommits::record(fileId, count);
}
