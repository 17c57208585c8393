#include "store/DBase.h"

#include "store/DBasePrivate.h"

#include <SQLiteCpp/Transaction.h>
#include <sodium.h>

#include <QRegularExpression>

#include <mutex>

using StoreDetail::guarded;

namespace {

constexpr qsizetype MaxPasswordChars = 50;

bool sodiumReady()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = sodium_init() >= 0; });
    return ok;
}

qsizetype characterCount(const QString &s)
{
    qsizetype n = 0;
    for (const QChar c : s)
        n += c.isLowSurrogate() ? 0 : 1;
    return n;
}

// Wipes the UTF-8 copy of a password when it goes out of scope.
struct SecretBytes
{
    explicit SecretBytes(const QString &s) : bytes(s.toUtf8()) {}
    ~SecretBytes() { sodium_memzero(bytes.data(), std::size_t(bytes.size())); }
    SecretBytes(const SecretBytes &) = delete;
    SecretBytes &operator=(const SecretBytes &) = delete;
    QByteArray bytes;
};

bool looksHashed(const QString &stored)
{
    return stored.startsWith(QLatin1String("$argon2"));
}

// Checking a hash costs what its parameters say, and a file can say anything: a hash costing
// far more than ours (many passes, gigabytes of memory) would freeze the prompt. Up to four
// times our memory and four times our total work is accepted, anything else is damage.
bool costWithinBounds(const QString &stored)
{
    static const QRegularExpression params(
        QStringLiteral("^\\$argon2id?\\$v=19\\$m=(\\d{1,10}),t=(\\d{1,10}),p=1\\$[A-Za-z0-9+/]+\\$[A-Za-z0-9+/]+$"));
    const QRegularExpressionMatch m = params.match(stored);
    if (!m.hasMatch())
        return false;
    const quint64 memoryKiB = m.captured(1).toULongLong();
    const quint64 passes = m.captured(2).toULongLong();
    const quint64 ourMemoryKiB = crypto_pwhash_MEMLIMIT_INTERACTIVE / 1024;
    const quint64 ourPasses = crypto_pwhash_OPSLIMIT_INTERACTIVE;
    return memoryKiB >= 8 && passes >= 1 && memoryKiB <= 4 * ourMemoryKiB
        && memoryKiB * passes <= 4 * ourMemoryKiB * ourPasses;
}

} // namespace

QString DBase::HashPassword(const QString &plain)
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

bool DBase::PasswordMatches(const QString &typed, const QString &stored)
{
    if (stored.isEmpty())
        return typed.isEmpty();
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

QString DBase::ReadPassword()
{
    if (!ready())
        return {};
    QString stored;
    guarded(lastError_, [&] {
        Query q(conn_->cache, "SELECT vPassword FROM admin ORDER BY rowid LIMIT 1");
        if (q.step())
            stored = q.text(0); // NULL, never written by us, reads as no password
        return 1;
    });
    // Returned all the same: PasswordMatches refuses it too, so no caller takes it for "none".
    if (looksHashed(stored) && !costWithinBounds(stored))
        lastError_ = QStringLiteral("the stored password hash is damaged");
    return stored;
}

int DBase::WritePassword(const QString &plain)
{
    if (!writable())
        return 0;
    if (characterCount(plain) > MaxPasswordChars)
        return fail(QStringLiteral("the password is longer than %1 characters").arg(MaxPasswordChars));
    // Hash before taking the write lock: it is the slow part.
    const QString stored = HashPassword(plain);
    if (!plain.isEmpty() && stored.isEmpty())
        return fail(QStringLiteral("the password could not be hashed"));
    // Delete and insert together, so a failure never leaves the file without its password.
    return guarded(lastError_, [&] {
        SQLite::Transaction tx(conn_->db, SQLite::TransactionBehavior::IMMEDIATE);
        {
            Query del(conn_->cache, "DELETE FROM admin");
            del.run();
        }
        {
            Query ins(conn_->cache, "INSERT INTO admin (vPassword) VALUES (?)");
            ins.bind(1, stored).run();
        }
        tx.commit();
        return 1;
    });
}
