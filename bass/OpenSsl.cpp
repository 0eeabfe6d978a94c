#include "OpenSsl.h"

#include "DynamicLoad.h"

namespace bass {

namespace {

// By the names the system loads them by (their sonames, from the build); libcrypto first, as
// libssl stands on it.
constexpr const char* kLibraries[] = {BASS_CRYPTO_LIBRARY, BASS_SSL_LIBRARY};

bool Load(OpenSslLibrary& openssl) {
    std::vector<void*> handles;
    if (!OpenLibraries(kLibraries, handles))
        return false;
    bool complete = true;
#define BASS_OPENSSL_RESOLVE(name)                                                                 \
    openssl.name = reinterpret_cast<decltype(openssl.name)>(FindSymbol(handles, #name));           \
    complete = complete && openssl.name != nullptr;
    BASS_OPENSSL_ENTRY_POINTS(BASS_OPENSSL_RESOLVE)
#undef BASS_OPENSSL_RESOLVE
    return complete;
}

} // namespace

const OpenSslLibrary* LoadOpenSsl() {
    // The libraries stay loaded: download threads may still be winding down at exit.
    static OpenSslLibrary openssl;
    static const bool loaded = Load(openssl);
    return loaded ? &openssl : nullptr;
}

} // namespace bass
