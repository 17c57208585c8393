#pragma once

#include "store/crypto/NotebookHeader.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class SecretKey;

// The sync key: every file on the sync place is sealed with it, so the place holds only
// ciphertext. The first computer makes it; the key file on the place holds it wrapped under the
// sync passphrase the same way a notebook's header wraps its data key (Argon2id, bounded cost),
// with the place's identity, so the other computers take it from there by the passphrase.
namespace SyncKey {

struct Made
{
    QByteArray keyFile;
    std::shared_ptr<SecretKey> key;
    QByteArray placeId; // random, names this place's data: another notebook's place has another
};
// A fresh key and its key file; nullopt when no secure memory was had.
std::optional<Made> make(const QString &passphrase, NotebookHeader::Cost cost = NotebookHeader::Cost::standard());

enum class Opened { Ok, WrongPassphrase, Damaged };
// The key in keyFile for passphrase (into *key, with the place's identity into *placeId).
Opened open(const QByteArray &keyFile, const QString &passphrase, std::shared_ptr<SecretKey> *key,
            QByteArray *placeId);

// The place's identity a key file names; nullopt when it is damaged.
std::optional<QByteArray> placeIdOf(const QByteArray &keyFile);

// A file's bytes sealed under key for the name it is stored under: a file moved to another
// name, or changed by a byte, no longer opens.
QByteArray seal(const SecretKey &key, const QString &name, const QByteArray &plain);
std::optional<QByteArray> unseal(const SecretKey &key, const QString &name, const QByteArray &sealed);

} // namespace SyncKey
