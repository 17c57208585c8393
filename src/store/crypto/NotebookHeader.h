#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <array>
#include <memory>

class SecretKey;

// The header that starts an encrypted notebook (docs/encryption.md): magic, format version,
// page layout, Argon2id cost and salt, the file's identity, the data key wrapped by the
// password's key, a generation and a check value over all of it. It is kept twice, in two
// slots, so that a write cut short leaves the other intact. The engine's pages follow at
// RegionBytes.
namespace NotebookHeader {

constexpr int RegionBytes = 4096; // the header's share of the file; keeps pages block-aligned
constexpr int SlotStride = 512;   // the second slot starts a sector of its own
constexpr int PageSize = 4096;
constexpr int NonceBytes = 24;    // XChaCha20-Poly1305
constexpr int TagBytes = 16;
constexpr int ReserveBytes = NonceBytes + TagBytes; // kept free at the end of every page
constexpr int WrappedBytes = 32 + TagBytes;

struct Header
{
    quint64 opsLimit = 0;
    quint64 memLimit = 0;
    std::array<unsigned char, 16> salt{};
    std::array<unsigned char, 16> fileId{};
    std::array<unsigned char, NonceBytes> wrapNonce{};
    std::array<unsigned char, WrappedBytes> wrappedKey{};
    quint64 generation = 0; // of the slot it was read from: the newest intact one wins
    quint64 commits = 0;    // commits written to the file, vouched for by commitsMac
    std::array<unsigned char, 16> commitsMac{};
};

// How costly the password's key is to derive; stored in the header, so a file opens with the
// cost it was written with.
struct Cost
{
    quint64 opsLimit;
    quint64 memLimit;
    static Cost standard(); // about 0.3-0.5 s on an ordinary desktop
    static Cost lightest(); // libsodium's minimum, for tests only
    // At least libsodium's minimum, and at most four times ours in memory and in total work
    // (passes times memory): a stored cost is read before anything can vouch for it.
    bool boundedBy(Cost ours) const;
};

enum class Kind { Plain, Encrypted, Damaged };

// One slot's bytes, with h's generation.
QByteArray encode(const Header &h);
// Plain when the bytes do not start with our magic. Otherwise the header of the newest intact
// slot (its check value matches); Damaged when no slot is intact, or when the newest names a
// layout this program does not write, a cost beyond Cost::boundedBy or a non-zero reserved
// field. A file of the first format has one slot and reads as generation 0.
Kind decode(const QByteArray &bytes, Header *out);
// The same for the start of a file; an unreadable file counts as Damaged.
Kind read(const QString &path, Header *out);

struct Write
{
    int offset;
    QByteArray bytes;
};
// How h replaces the header of a region starting with current, in order, each synced before the
// next: h in the slot that is not the newest intact one, with the next generation, then the
// same over the other slot, so the old wrapping leaves the file. Empty when current has no
// intact slot. (A password change writes a new file instead; this is the rule a torn header
// write is held to.)
QList<Write> rewriteWrites(const QByteArray &current, const Header &h);
// The write that counts one more commit in a region starting with current: the newest slot
// with the next generation and the next count, into the other slot. The engine's sync that
// ends the commit makes it durable with the pages. Empty when current has no intact slot.
QList<Write> commitWrites(const QByteArray &current, const SecretKey &dataKey);
// h's commit count when its MAC under dataKey holds, else 0: only the key's holders can count.
quint64 commitsOf(const Header &h, const SecretKey &dataKey);
// A new file: the header region and nothing else yet.
bool writeNew(const QString &path, const Header &h, QString *error);

// A fresh random data key; nullptr when no secure memory was available.
std::shared_ptr<SecretKey> newDataKey();
// Wraps dataKey under password with a fresh salt; the file identity is left as it is.
// False when the derivation fails (out of memory).
bool seal(const QString &password, const SecretKey &dataKey, Cost cost, Header *h);
// The data key of h for password, or nullptr for a wrong password.
std::shared_ptr<SecretKey> unseal(const QString &password, const Header &h);
// A fresh random file identity: a copy of a notebook must not accept its original's pages.
void renewFileId(Header *h);
// Identifies the wrapped data key (salt and wrapping); equal for copies of one notebook.
QByteArray keyIdentity(const Header &h);

// The header as the "stored form" of a notebook's access password (see Notebook::readPassword).
QString storedForm(const Header &h);
bool isStoredForm(const QString &stored);
bool fromStoredForm(const QString &stored, Header *out);

} // namespace NotebookHeader
