#include "store/crypto/SecretKey.h"

#include <sodium.h>
#include <sys/prctl.h>
#include <sys/resource.h>

#include <mutex>

namespace {

// A core file or another process of the same user reading our memory would carry the keys (and
// what the notes say) past every lock: once a key exists, neither happens for this process.
void keepOutOfDumps()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
        const struct rlimit none = {0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
    });
}

} // namespace

bool sodiumReady()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = sodium_init() >= 0; });
    return ok;
}

SecretKey::SecretKey()
{
    keepOutOfDumps();
    if (sodiumReady())
        bytes_ = static_cast<unsigned char *>(sodium_malloc(Size));
}

SecretKey::~SecretKey()
{
    sodium_free(bytes_); // wipes before it frees
}

SecretBytes::SecretBytes(const QString &s) : bytes(s.toUtf8())
{
    keepOutOfDumps();
}

SecretBytes::~SecretBytes()
{
    sodium_memzero(bytes.data(), std::size_t(bytes.size()));
}
