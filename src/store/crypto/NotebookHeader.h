#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <memory>

class SecretKey;

// The header that starts an encrypted notebook (docs/encryption.md): magic, format version,
// page layout, Argon2id cost and salt, the file's identity, the data key wrapped by the
// password's key, and a check value over all of it. The engine's pages follow at RegionBytes.
namespace NotebookHeader {

constexpr int RegionBytes = 4096; // the header's share of the file; keeps pages block-aligned
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
};

// How costly the password's key is to derive; stored in the header, so a file opens with the
// cost it was written with.
struct Cost
{
    quint64 opsLimit;
    quint64 memLimit;
    static Cost standard(); // about 0.3-0.5 s on an ordinary desktop
    static Cost lightest(); // libsodium's minimum, for tests only
};

enum class Kind { Plain, Encrypted, Damaged };

// The header's bytes (a prefix of the region; the rest of the region is zero).
QByteArray encode(const Header &h);
// Plain when the bytes do not start with our magic; Damaged when they do but the header is
// short, fails its check value or names a layout this program does not write.
Kind decode(const QByteArray &bytes, Header *out);
// The same for the start of a file; an unreadable file counts as Damaged.
Kind read(const QString &path, Header *out);
// Rewrites the header of an existing encrypted file in place and syncs it.
bool rewrite(const QString &path, const Header &h, QString *error);
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

// The header as the "stored form" of a notebook's access password (see DBase::ReadPassword).
QString storedForm(const Header &h);
bool isStoredForm(const QString &stored);
bool fromStoredForm(const QString &stored, Header *out);

} // namespace NotebookHeader
