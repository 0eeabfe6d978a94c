#include "TlsSession.h"

#include <poll.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "OpenSsl.h"
#include "RuntimeLibrary.h"
#include "bass.h"

namespace bass {

namespace {

int SocketOf(BIO* bio) {
    return static_cast<int>(reinterpret_cast<intptr_t>(OpenSsl().BIO_get_data(bio)));
}

// Tells OpenSSL to try again once the socket is ready, as its own socket layer would.
int Moved(BIO* bio, const IoStep& step) {
    OpenSsl().BIO_clear_flags(bio, BIO_FLAGS_RWS | BIO_FLAGS_SHOULD_RETRY);
    if (step.wait)
        OpenSsl().BIO_set_flags(bio, (step.wait == POLLIN ? BIO_FLAGS_READ : BIO_FLAGS_WRITE) |
                                         BIO_FLAGS_SHOULD_RETRY);
    return step.wait ? -1 : static_cast<int>(step.count);
}

int BioRead(BIO* bio, char* buffer, int size) {
    return Moved(bio, SocketRead(SocketOf(bio), reinterpret_cast<uint8_t*>(buffer),
                                 static_cast<size_t>(size)));
}

int BioWrite(BIO* bio, const char* bytes, int size) {
    return Moved(bio, SocketWrite(SocketOf(bio), reinterpret_cast<const uint8_t*>(bytes),
                                  static_cast<size_t>(size)));
}

long BioControl(BIO*, int command, long, void*) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

// OpenSSL's own socket layer writes with write(), which raises SIGPIPE when the server has gone;
// this one sends with MSG_NOSIGNAL. Made once, kept for the life of the process.
BIO_METHOD* SocketMethod() {
    static BIO_METHOD* const method = [] {
        const OpenSslLibrary& ssl = OpenSsl();
        BIO_METHOD* made =
            ssl.BIO_meth_new(ssl.BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "libbass socket");
        if (made) {
            ssl.BIO_meth_set_read(made, BioRead);
            ssl.BIO_meth_set_write(made, BioWrite);
            ssl.BIO_meth_set_ctrl(made, BioControl);
        }
        return made;
    }();
    return method;
}

SSL_CTX* MakeContext() {
    const OpenSslLibrary& ssl = OpenSsl();
    SSL_CTX* context = ssl.SSL_CTX_new(ssl.TLS_client_method());
    if (!context)
        return nullptr;
    ssl.SSL_CTX_ctrl(context, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr);
    // A server that closes without saying goodbye ends the data as a closed socket does.
    ssl.SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    ssl.SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    if (ssl.SSL_CTX_set_default_verify_paths(context) != 1) {
        ssl.SSL_CTX_free(context);
        return nullptr;
    }
    return context;
}

// What SSL_CERT_FILE and SSL_CERT_DIR say, unset told from empty.
std::string StoreNames() {
    std::string names;
    for (const char* variable : {"SSL_CERT_FILE", "SSL_CERT_DIR"}) {
        const char* value = std::getenv(variable);
        names += value ? "=" + std::string(value) + "\n" : "\n";
    }
    return names;
}

// One context serves every session while SSL_CERT_FILE and SSL_CERT_DIR stay as they are: the
// system's store (some 150 certificates) is read once, not at every open.
SSL* NewSession() {
    static std::mutex mutex; // protects context and contextStore
    static SSL_CTX* context = nullptr;
    static std::string contextStore;
    const std::string store = StoreNames();
    std::lock_guard lock(mutex);
    if (!context || store != contextStore) {
        SSL_CTX* made = MakeContext();
        if (!made)
            return nullptr;
        // Sessions still open keep their own reference to the one replaced.
        if (context)
            OpenSsl().SSL_CTX_free(context);
        context = made;
        contextStore = store;
    }
    return OpenSsl().SSL_new(context);
}

// An address is checked against the certificate's IP entries and sent no name; a host name is
// checked against its DNS entries (no partial wildcards) and sent as the server name.
bool ExpectHost(SSL* session, const std::string& host) {
    const OpenSslLibrary& ssl = OpenSsl();
    X509_VERIFY_PARAM* parameters = ssl.SSL_get0_param(session);
    ssl.X509_VERIFY_PARAM_set_hostflags(parameters, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    if (ssl.X509_VERIFY_PARAM_set1_ip_asc(parameters, host.c_str()) == 1)
        return true;
    return ssl.X509_VERIFY_PARAM_set1_host(parameters, host.c_str(), host.size()) == 1 &&
           ssl.SSL_ctrl(session, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                        const_cast<char*>(host.c_str())) == 1;
}

} // namespace

std::unique_ptr<TlsSession> TlsSession::Start(int fd, const std::string& host, int& error) {
    error = BASS_ERROR_NOTAVAIL;
    if (!LoadOpenSsl() || !SocketMethod())
        return nullptr;
    const OpenSslLibrary& ssl = OpenSsl();
    ssl.ERR_clear_error();
    SSL* session = NewSession();
    if (!session)
        return nullptr;
    std::unique_ptr<TlsSession> made(new TlsSession(session));
    BIO* socket = ssl.BIO_new(SocketMethod());
    if (!socket)
        return nullptr;
    ssl.BIO_set_data(socket, reinterpret_cast<void*>(static_cast<intptr_t>(fd)));
    ssl.BIO_set_init(socket, 1);
    ssl.SSL_set_bio(session, socket, socket); // the session owns it from here
    if (!ExpectHost(session, host)) {
        error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    error = BASS_OK;
    return made;
}

TlsSession::~TlsSession() {
    OpenSsl().SSL_free(ssl_);
}

IoStep TlsSession::StepOf(int result) {
    const OpenSslLibrary& ssl = OpenSsl();
    if (result > 0)
        return {result, 0};
    switch (ssl.SSL_get_error(ssl_, result)) {
    case SSL_ERROR_WANT_READ:
        return {0, POLLIN};
    case SSL_ERROR_WANT_WRITE:
        return {0, POLLOUT};
    case SSL_ERROR_ZERO_RETURN:
        return {0, 0};
    default:
        return {-1, 0};
    }
}

IoStep TlsSession::Handshake() {
    const OpenSslLibrary& ssl = OpenSsl();
    ssl.ERR_clear_error();
    const IoStep step = StepOf(ssl.SSL_connect(ssl_));
    if (step.count == 0 && step.wait == 0)
        return {-1, 0};
    if (step.count < 0 && Debugging()) {
        char reason[256];
        ssl.ERR_error_string_n(ssl.ERR_peek_last_error(), reason, sizeof reason);
        std::fprintf(stderr, "libbass: TLS handshake failed: %s (certificate: %s)\n", reason,
                     ssl.X509_verify_cert_error_string(ssl.SSL_get_verify_result(ssl_)));
    }
    return step;
}

IoStep TlsSession::Read(uint8_t* buffer, size_t size) {
    const OpenSslLibrary& ssl = OpenSsl();
    ssl.ERR_clear_error();
    return StepOf(ssl.SSL_read(ssl_, buffer, static_cast<int>(std::min<size_t>(size, INT_MAX))));
}

IoStep TlsSession::Write(const uint8_t* bytes, size_t size) {
    const OpenSslLibrary& ssl = OpenSsl();
    ssl.ERR_clear_error();
    return StepOf(ssl.SSL_write(ssl_, bytes, static_cast<int>(std::min<size_t>(size, INT_MAX))));
}

} // namespace bass
