#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

// Key material in memory of its own (sodium_malloc: guard pages, kept out of swap where the
// system allows), wiped when the key goes away. Once a key or a password's bytes exist, the
// process writes no core file and cannot be attached to by other processes of the user.
class SecretKey
{
public:
    static constexpr std::size_t Size = 32;

    SecretKey();
    ~SecretKey();
    SecretKey(const SecretKey &) = delete;
    SecretKey &operator=(const SecretKey &) = delete;

    // False when the memory could not be had; the key must not be used then.
    bool valid() const { return bytes_ != nullptr; }
    unsigned char *data() { return bytes_; }
    const unsigned char *data() const { return bytes_; }

private:
    unsigned char *bytes_ = nullptr;
};

// libsodium is set up once per process; false when it cannot be used at all.
bool sodiumReady();

// The UTF-8 copy of a password, wiped when it goes out of scope.
struct SecretBytes
{
    explicit SecretBytes(const QString &s);
    ~SecretBytes();
    SecretBytes(const SecretBytes &) = delete;
    SecretBytes &operator=(const SecretBytes &) = delete;
    QByteArray bytes;
};
