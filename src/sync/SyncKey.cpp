#include "sync/SyncKey.h"

#include "store/crypto/SecretKey.h"

#include <sodium.h>

namespace SyncKey {

namespace {

constexpr char kFormat[] = "quillbook sync 1";

QByteArray associated(const QString &name)
{
    return QByteArray(kFormat, sizeof kFormat) + name.toUtf8();
}

} // namespace

std::optional<Made> make(const QString &passphrase, NotebookHeader::Cost cost)
{
    Made made;
    made.key = NotebookHeader::newDataKey();
    NotebookHeader::Header h;
    NotebookHeader::renewFileId(&h);
    if (!made.key || !NotebookHeader::seal(passphrase, *made.key, cost, &h))
        return std::nullopt;
    made.keyFile = NotebookHeader::encode(h);
    made.placeId = QByteArray(reinterpret_cast<const char *>(h.fileId.data()), qsizetype(h.fileId.size()));
    return made;
}

Opened open(const QByteArray &keyFile, const QString &passphrase, std::shared_ptr<SecretKey> *key,
            QByteArray *placeId)
{
    NotebookHeader::Header h;
    if (NotebookHeader::decode(keyFile, &h) != NotebookHeader::Kind::Encrypted)
        return Opened::Damaged;
    *key = NotebookHeader::unseal(passphrase, h);
    if (!*key)
        return Opened::WrongPassphrase;
    *placeId = *placeIdOf(keyFile);
    return Opened::Ok;
}

std::optional<QByteArray> placeIdOf(const QByteArray &keyFile)
{
    NotebookHeader::Header h;
    if (NotebookHeader::decode(keyFile, &h) != NotebookHeader::Kind::Encrypted)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char *>(h.fileId.data()), qsizetype(h.fileId.size()));
}

QByteArray seal(const SecretKey &key, const QString &name, const QByteArray &plain)
{
    const QByteArray ad = associated(name);
    QByteArray out(qsizetype(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES) + plain.size()
                       + qsizetype(crypto_aead_xchacha20poly1305_ietf_ABYTES),
                   Qt::Uninitialized);
    auto *nonce = reinterpret_cast<unsigned char *>(out.data());
    randombytes_buf(nonce, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
    unsigned long long written = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(nonce + crypto_aead_xchacha20poly1305_ietf_NPUBBYTES, &written,
                                               reinterpret_cast<const unsigned char *>(plain.constData()),
                                               quint64(plain.size()),
                                               reinterpret_cast<const unsigned char *>(ad.constData()),
                                               quint64(ad.size()), nullptr, nonce, key.data());
    return out;
}

std::optional<QByteArray> unseal(const SecretKey &key, const QString &name, const QByteArray &sealed)
{
    constexpr qsizetype overhead = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES + crypto_aead_xchacha20poly1305_ietf_ABYTES;
    if (sealed.size() < overhead)
        return std::nullopt;
    const QByteArray ad = associated(name);
    const auto *nonce = reinterpret_cast<const unsigned char *>(sealed.constData());
    QByteArray plain(sealed.size() - overhead, Qt::Uninitialized);
    unsigned long long length = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(reinterpret_cast<unsigned char *>(plain.data()), &length, nullptr,
                                                   nonce + crypto_aead_xchacha20poly1305_ietf_NPUBBYTES,
                                                   quint64(sealed.size()) - crypto_aead_xchacha20poly1305_ietf_NPUBBYTES,
                                                   reinterpret_cast<const unsigned char *>(ad.constData()),
                                                   quint64(ad.size()), nonce, key.data())
        != 0)
        return std::nullopt;
    return plain;
}

} // namespace SyncKey
