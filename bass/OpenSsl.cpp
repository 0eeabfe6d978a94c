#include "OpenSsl.h"

namespace bass {

// By the names the system loads them by (their sonames, from the build); libcrypto first, as
// libssl stands on it. They stay loaded: download threads may still be winding down at exit.
BASS_DEFINE_RUNTIME_LOADER(OpenSslLibrary, LoadOpenSsl, BASS_OPENSSL_ENTRY_POINTS,
                           BASS_CRYPTO_LIBRARY, BASS_SSL_LIBRARY)

} // namespace bass
