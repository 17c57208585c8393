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
constexpr quint32 FormatVersion = 2;    // two slots, each with a generation
constexpr quint32 OneSlotVersion = 1;   // the first format: one slot, no generation; read only
constexpr quint32 CipherXChaCha20Poly1305 = 1;

// Byte offsets of a slot's fields.
constexpr int OffVersion = 8, OffPageSize = 12, OffReserve = 16, OffCipher = 20, OffKdf = 24, OffReserved = 28,
              OffOps = 32, OffMem = 40, OffSalt = 48, OffFileId = 64, OffWrapNonce = 80,
              OffWrapped = 104, OffGeneration = OffWrapped + WrappedBytes, OffCommits = OffGeneration + 8,
              OffCommitsMac = OffCommits + 8, OffCheck = OffCommitsMac + 16, CheckBytes = 16,
              EncodedBytes = OffCheck + CheckBytes;
// The first format had no generation: its check value sat where the generation is now.
constexpr int OneSlotCheck = OffGeneration;
constexpr int Slots = 2;
// The wrapping covers everything up to the salt, so a copy may take a new file identity
// without the password.
constexpr int WrapAdBytes = OffFileId;

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

void checkValue(const QByteArray &slot, int length, unsigned char *out)
{
    crypto_generichash(out, CheckBytes, reinterpret_cast<const unsigned char *>(slot.constData()),
                       std::size_t(length), nullptr, 0);
}

bool hasMagic(const QByteArray &bytes, int at)
{
    return bytes.size() >= at + int(sizeof Magic) && std::memcmp(bytes.constData() + at, Magic, sizeof Magic) == 0;
}

enum class SlotState { Torn, Intact, Foreign };

// One slot of a region: Torn when it is missing or its check value does not match (a write cut
// short, or never written), Foreign when it is not a header this program can use: then the
// newest, as one of a later format would be.
SlotState readSlot(const QByteArray &region, int index, Header *out)
{
    const QByteArray slot = region.mid(index * SlotStride, EncodedBytes);
    if (slot.size() < OneSlotCheck + CheckBytes || !hasMagic(slot, 0))
        return SlotState::Torn;
    const quint32 version = get32(slot, OffVersion);
    const bool oneSlot = index == 0 && version == OneSlotVersion;
    if (version == 0)
        return SlotState::Torn; // the first write of a slot, cut after the magic
    if (!oneSlot && version != FormatVersion) {
        // Not the mark of a torn write, which leaves the version the slot had or the one written.
        out->generation = ~quint64(0);
        return SlotState::Foreign;
    }
    const int checkAt = oneSlot ? OneSlotCheck : OffCheck;
    if (slot.size() < checkAt + CheckBytes)
        return SlotState::Torn;
    unsigned char check[CheckBytes];
    checkValue(slot, checkAt, check);
    if (sodium_memcmp(check, slot.constData() + checkAt, CheckBytes) != 0)
        return SlotState::Torn;
    Header h;
    h.opsLimit = get64(slot, OffOps);
    h.memLimit = get64(slot, OffMem);
    if (!oneSlot) {
        h.generation = get64(slot, OffGeneration);
        h.commits = get64(slot, OffCommits);
        getBytes(slot, OffCommitsMac, &h.commitsMac);
    }
    getBytes(slot, OffSalt, &h.salt);
    getBytes(slot, OffFileId, &h.fileId);
    getBytes(slot, OffWrapNonce, &h.wrapNonce);
    getBytes(slot, OffWrapped, &h.wrappedKey);
    *out = h;
    const bool ours = get32(slot, OffPageSize) == PageSize && get32(slot, OffReserve) == ReserveBytes
                      && get32(slot, OffCipher) == CipherXChaCha20Poly1305
                      && get32(slot, OffKdf) == crypto_pwhash_ALG_ARGON2ID13 && get32(slot, OffReserved) == 0
                      && Cost{h.opsLimit, h.memLimit}.boundedBy(Cost::standard());
    return ours ? SlotState::Intact : SlotState::Foreign;
}

// The index of the newest intact slot (the first on a tie), or -1 when it is not usable.
int newestSlot(const QByteArray &region, Header *out)
{
    int newest = -1;
    bool usable = false;
    for (int i = 0; i < Slots; ++i) {
        Header h;
        const SlotState state = readSlot(region, i, &h);
        if (state == SlotState::Torn || (newest >= 0 && h.generation <= out->generation))
            continue;
        newest = i;
        usable = state == SlotState::Intact;
        *out = h;
    }
    return usable ? newest : -1;
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

bool writeAt(int fd, int offset, const QByteArray &bytes)
{
    return ::pwrite(fd, bytes.constData(), std::size_t(bytes.size()), offset) == bytes.size() && ::fsync(fd) == 0;
}

// The MAC of a commit count: keyed BLAKE2b-128 under a key derived from the data key, over the
// file identity and the count, so a count cannot be carried to another file.
void commitsMac(const Header &h, const SecretKey &dataKey, unsigned char *out)
{
    SecretKey macKey;
    unsigned char message[16 + 8];
    std::memcpy(message, h.fileId.data(), 16);
    qToLittleEndian(h.commits, message + 16);
    if (!macKey.valid()
        || crypto_kdf_derive_from_key(macKey.data(), SecretKey::Size, 1, "QBcommit", dataKey.data()) != 0) {
        std::memset(out, 0, 16); // no count can be vouched for
        return;
    }
    crypto_generichash(out, 16, message, sizeof message, macKey.data(), SecretKey::Size);
}

// The wrapping's associated data: the slot up to the salt as the first format laid it out, so
// a header moved into a later format unwraps as before.
QByteArray wrapAd(const Header &h)
{
    QByteArray ad = encode(h).left(WrapAdBytes);
    put32(ad, OffVersion, OneSlotVersion);
    return ad;
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

bool Cost::boundedBy(Cost ours) const
{
    // The work bound divided rather than multiplied: a stored cost can be any 64-bit number.
    return opsLimit >= crypto_pwhash_OPSLIMIT_MIN && memLimit >= crypto_pwhash_MEMLIMIT_MIN
           && memLimit <= 4 * ours.memLimit && opsLimit <= 4 * ours.opsLimit * ours.memLimit / memLimit;
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
    put64(b, OffGeneration, h.generation);
    put64(b, OffCommits, h.commits);
    putBytes(b, OffCommitsMac, h.commitsMac);
    checkValue(b, OffCheck, reinterpret_cast<unsigned char *>(b.data() + OffCheck));
    return b;
}

Kind decode(const QByteArray &bytes, Header *out)
{
    if (!hasMagic(bytes, 0))
        return Kind::Plain;
    Header h;
    if (!sodiumReady() || newestSlot(bytes, &h) < 0)
        return Kind::Damaged;
    if (out)
        *out = h;
    return Kind::Encrypted;
}

Kind read(const QString &path, Header *out)
{
    const QByteArray start = FileStart::read(path, Slots * SlotStride);
    return start.isNull() ? Kind::Damaged : decode(start, out);
}

QList<Write> rewriteWrites(const QByteArray &current, const Header &h)
{
    Header now;
    const int newest = sodiumReady() ? newestSlot(current, &now) : -1;
    if (newest < 0)
        return {};
    Header next = h;
    next.generation = now.generation + 1;
    next.commits = now.commits; // counted since h was read
    next.commitsMac = now.commitsMac;
    const QByteArray slot = encode(next);
    const int first = newest == 0 ? 1 : 0;
    return {{first * SlotStride, slot}, {newest * SlotStride, slot}};
}

QList<Write> commitWrites(const QByteArray &current, const SecretKey &dataKey)
{
    Header next;
    const int newest = sodiumReady() ? newestSlot(current, &next) : -1;
    if (newest < 0)
        return {};
    next.generation += 1;
    next.commits = commitsOf(next, dataKey) + 1;
    commitsMac(next, dataKey, next.commitsMac.data());
    return {{(newest == 0 ? 1 : 0) * SlotStride, encode(next)}};
}

quint64 commitsOf(const Header &h, const SecretKey &dataKey)
{
    unsigned char mac[16];
    commitsMac(h, dataKey, mac);
    return sodium_memcmp(mac, h.commitsMac.data(), sizeof mac) == 0 ? h.commits : 0;
}

bool writeNew(const QString &path, const Header &h, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return setError(error, QStringLiteral("cannot write %1").arg(path));
    // One slot: the first rewrite fills the other.
    Header first = h;
    first.generation = 1;
    QByteArray region = encode(first);
    region.append(RegionBytes - region.size(), '\0');
    const bool ok = writeAt(fd, 0, region);
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
    const QByteArray ad = wrapAd(*h);
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
    const QByteArray ad = wrapAd(h);
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
