#include "store/crypto/SecretKey.h"

#include <sodium.h>

#include <mutex>

bool sodiumReady()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = sodium_init() >= 0; });
    return ok;
}

SecretKey::SecretKey()
{
    if (sodiumReady())
        bytes_ = static_cast<unsigned char *>(sodium_malloc(Size));
}

SecretKey::~SecretKey()
{
    sodium_free(bytes_); // wipes before it frees
}

SecretBytes::~SecretBytes()
{
    sodium_memzero(bytes.data(), std::size_t(bytes.size()));
}
