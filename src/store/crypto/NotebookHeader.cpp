#include "store/crypto/NotebookHeader.h"

#include "store/crypto/FileStart.h"
#include "store/crypto/SecretKey.h"

#include <QFile>
#include <QtEndian>

#include <sodium.h>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace NotebookHeader {

namespace {

constexpr char Magic[8] = {'Q', 'B', 'S', 'E', 'A', 'L', 'E', 'D'};
constexpr quint32 FormatVersion = 1;
constexpr quint32 CipherXChaCha20Poly1305 = 1;

// Byte offsets of the fields.
constexpr int OffVersion = 8, OffPageSize = 12, OffReserve = 16, OffCipher = 20, OffKdf = 24,
              OffOps = 32, OffMem = 40, OffSalt = 48, OffFileId = 64, OffWrapNonce = 80,
              OffWrapped = 104, OffCheck = OffWrapped + WrappedBytes, CheckBytes = 16,
              EncodedBytes = OffCheck + CheckBytes;
// The wrapping covers everything up to the salt, so a copy may take a new file identity
// without the password.
constexpr int WrapAdBytes = OffFileId;

constexpr quint64 MaxMemLimit = quint64(1) << 30; // a header asking for more is not ours

const QLatin1String StoredPrefix("$qbsealed$");

void put32(QByteArray &b, int at, quint32 v) { qToLittleEndian(v, b.data() + at); }
void put64(QByteArray &b, int at, quint64 v) { qToLittleEndian(v, b.data() + at); }
quint32 get32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint64 get64(const QByteArray &b, int at) { return qFromLittleEndian<quint64>(b.constData() + at); }

template <std::size_t N>
void putBytes(QByteArray &b, int at, const std::array<unsigned char, N> &a)
{
    std::memcpy(b.data() + at, a.data(), N);
}
template <std::size_t N>
void getBytes(const QByteArray &b, int at, std::array<unsigned char, N> *a)
{
    std::memcpy(a->data(), b.constData() + at, N);
}

void checkValue(const QByteArray &b, unsigned char *out)
{
    crypto_generichash(out, CheckBytes, reinterpret_cast<const unsigned char *>(b.constData()), OffCheck,
                       nullptr, 0);
}

// The password's key: Argon2id over the password with the header's salt and cost.
bool deriveKey(const QString &password, const Header &h, SecretKey *out)
{
    if (!out->valid() || !sodiumReady())
        return false;
    SecretBytes secret(password);
    return crypto_pwhash(out->data(), SecretKey::Size, secret.bytes.constData(),
                         static_cast<unsigned long long>(secret.bytes.size()), h.salt.data(),
                         h.opsLimit, std::size_t(h.memLimit), crypto_pwhash_ALG_ARGON2ID13)
           == 0;
}

bool setError(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

bool writeAt(int fd, const QByteArray &bytes)
{
    return ::pwrite(fd, bytes.constData(), std::size_t(bytes.size()), 0) == bytes.size() && ::fsync(fd) == 0;
}

} // namespace

Cost Cost::standard()
{
    // 3 passes over 128 MiB: about 0.4 s here, and each guess costs an attacker as much.
    return {3, quint64(128) << 20};
}

Cost Cost::lightest()
{
    return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
}

QByteArray encode(const Header &h)
{
    QByteArray b(EncodedBytes, '\0');
    std::memcpy(b.data(), Magic, sizeof Magic);
    put32(b, OffVersion, FormatVersion);
    put32(b, OffPageSize, PageSize);
    put32(b, OffReserve, ReserveBytes);
    put32(b, OffCipher, CipherXChaCha20Poly1305);
    put32(b, OffKdf, crypto_pwhash_ALG_ARGON2ID13);
    put64(b, OffOps, h.opsLimit);
    put64(b, OffMem, h.memLimit);
    putBytes(b, OffSalt, h.salt);
    putBytes(b, OffFileId, h.fileId);
    putBytes(b, OffWrapNonce, h.wrapNonce);
    putBytes(b, OffWrapped, h.wrappedKey);
    checkValue(b, reinterpret_cast<unsigned char *>(b.data() + OffCheck));
    return b;
}

Kind decode(const QByteArray &bytes, Header *out)
{
    if (bytes.size() < int(sizeof Magic) || std::memcmp(bytes.constData(), Magic, sizeof Magic) != 0)
        return Kind::Plain;
    if (bytes.size() < EncodedBytes || !sodiumReady())
        return Kind::Damaged;
    unsigned char check[CheckBytes];
    checkValue(bytes, check);
    if (sodium_memcmp(check, bytes.constData() + OffCheck, CheckBytes) != 0)
        return Kind::Damaged;
    if (get32(bytes, OffVersion) != FormatVersion || get32(bytes, OffPageSize) != PageSize
        || get32(bytes, OffReserve) != ReserveBytes || get32(bytes, OffCipher) != CipherXChaCha20Poly1305
        || get32(bytes, OffKdf) != crypto_pwhash_ALG_ARGON2ID13)
        return Kind::Damaged;
    Header h;
    h.opsLimit = get64(bytes, OffOps);
    h.memLimit = get64(bytes, OffMem);
    if (h.opsLimit < crypto_pwhash_OPSLIMIT_MIN || h.opsLimit > 64 || h.memLimit < crypto_pwhash_MEMLIMIT_MIN
        || h.memLimit > MaxMemLimit)
        return Kind::Damaged;
    getBytes(bytes, OffSalt, &h.salt);
    getBytes(bytes, OffFileId, &h.fileId);
    getBytes(bytes, OffWrapNonce, &h.wrapNonce);
    getBytes(bytes, OffWrapped, &h.wrappedKey);
    if (out)
        *out = h;
    return Kind::Encrypted;
}

Kind read(const QString &path, Header *out)
{
    const QByteArray start = FileStart::read(path, EncodedBytes);
    return start.isNull() ? Kind::Damaged : decode(start, out);
}

bool rewrite(const QString &path, const Header &h, QString *error)
{
    // One write inside the first sector: it lands whole or not at all.
    return FileStart::write(path, encode(h)) || setError(error, QStringLiteral("cannot write the header of %1").arg(path));
}

bool writeNew(const QString &path, const Header &h, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return setError(error, QStringLiteral("cannot write %1").arg(path));
    QByteArray region = encode(h);
    region.append(RegionBytes - region.size(), '\0');
    const bool ok = writeAt(fd, region);
    ::close(fd);
    return ok || setError(error, QStringLiteral("cannot write %1").arg(path));
}

std::shared_ptr<SecretKey> newDataKey()
{
    auto key = std::make_shared<SecretKey>();
    if (!key->valid())
        return nullptr;
    randombytes_buf(key->data(), SecretKey::Size);
    return key;
}

bool seal(const QString &password, const SecretKey &dataKey, Cost cost, Header *h)
{
    if (!sodiumReady())
        return false;
    h->opsLimit = cost.opsLimit;
    h->memLimit = cost.memLimit;
    randombytes_buf(h->salt.data(), h->salt.size());
    randombytes_buf(h->wrapNonce.data(), h->wrapNonce.size());
    SecretKey wrapping;
    if (!deriveKey(password, *h, &wrapping))
        return false;
    const QByteArray ad = encode(*h).left(WrapAdBytes);
    crypto_aead_xchacha20poly1305_ietf_encrypt(h->wrappedKey.data(), nullptr, dataKey.data(), SecretKey::Size,
                                               reinterpret_cast<const unsigned char *>(ad.constData()),
                                               std::size_t(ad.size()), nullptr, h->wrapNonce.data(),
                                               wrapping.data());
    return true;
}

std::shared_ptr<SecretKey> unseal(const QString &password, const Header &h)
{
    SecretKey wrapping;
    if (!deriveKey(password, h, &wrapping))
        return nullptr;
    auto key = std::make_shared<SecretKey>();
    if (!key->valid())
        return nullptr;
    const QByteArray ad = encode(h).left(WrapAdBytes);
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(key->data(), nullptr, nullptr, h.wrappedKey.data(),
                                                   h.wrappedKey.size(),
                                                   reinterpret_cast<const unsigned char *>(ad.constData()),
                                                   std::size_t(ad.size()), h.wrapNonce.data(), wrapping.data())
        != 0)
        return nullptr;
    return key;
}

void renewFileId(Header *h)
{
    if (sodiumReady())
        randombytes_buf(h->fileId.data(), h->fileId.size());
}

QByteArray keyIdentity(const Header &h)
{
    return encode(h).mid(OffSalt, OffFileId - OffSalt)
           + QByteArray(reinterpret_cast<const char *>(h.wrappedKey.data()), int(h.wrappedKey.size()));
}

QString storedForm(const Header &h)
{
    return StoredPrefix + QString::fromLatin1(encode(h).toBase64());
}

bool isStoredForm(const QString &stored)
{
    return stored.startsWith(StoredPrefix);
}

bool fromStoredForm(const QString &stored, Header *out)
{
    return isStoredForm(stored)
           && decode(QByteArray::fromBase64(stored.mid(StoredPrefix.size()).toLatin1()), out) == Kind::Encrypted;
}

} // namespace NotebookHeader
