// OpenSSL, which the library loads when the first https:// address is opened: a player that
// plays no such address never maps libssl or libcrypto.
#pragma once

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include "RuntimeLibrary.h"

// Every OpenSSL function the library calls; each is resolved by name when OpenSSL loads.
#define BASS_OPENSSL_ENTRY_POINTS(X)                                                               \
    X(BIO_clear_flags)                                                                             \
    X(BIO_get_data)                                                                                \
    X(BIO_get_new_index)                                                                           \
    X(BIO_meth_new)                                                                                \
    X(BIO_meth_set_ctrl)                                                                           \
    X(BIO_meth_set_read)                                                                           \
    X(BIO_meth_set_write)                                                                          \
    X(BIO_new)                                                                                     \
    X(BIO_set_data)                                                                                \
    X(BIO_set_flags)                                                                               \
    X(BIO_set_init)                                                                                \
    X(ERR_clear_error)                                                                             \
    X(ERR_error_string_n)                                                                          \
    X(ERR_peek_last_error)                                                                         \
    X(SSL_CTX_ctrl)                                                                                \
    X(SSL_CTX_free)                                                                                \
    X(SSL_CTX_new)                                                                                 \
    X(SSL_CTX_set_default_verify_paths)                                                            \
    X(SSL_CTX_set_options)                                                                         \
    X(SSL_CTX_set_verify)                                                                          \
    X(SSL_connect)                                                                                 \
    X(SSL_ctrl)                                                                                    \
    X(SSL_free)                                                                                    \
    X(SSL_get0_param)                                                                              \
    X(SSL_get_error)                                                                               \
    X(SSL_get_verify_result)                                                                       \
    X(SSL_new)                                                                                     \
    X(SSL_read)                                                                                    \
    X(SSL_set_bio)                                                                                 \
    X(SSL_write)                                                                                   \
    X(TLS_client_method)                                                                           \
    X(X509_VERIFY_PARAM_set1_host)                                                                 \
    X(X509_VERIFY_PARAM_set1_ip_asc)                                                               \
    X(X509_VERIFY_PARAM_set_hostflags)                                                             \
    X(X509_verify_cert_error_string)

namespace bass {

struct OpenSslLibrary {
    BASS_OPENSSL_ENTRY_POINTS(BASS_RUNTIME_MEMBER)
};

// Loads OpenSSL at the first call, from any thread, and keeps it for the life of the process.
// Null when its libraries or one of its functions are missing (TAVURO_DEBUG=1 says which).
const OpenSslLibrary* LoadOpenSsl();

// The loaded OpenSSL: only after LoadOpenSsl answered non-null.
inline const OpenSslLibrary& OpenSsl() {
    return *LoadOpenSsl();
}

} // namespace bass
