// The TLS client of an https:// connection, over a connected non-blocking socket, with OpenSSL:
// TLS 1.2 or newer, the server's certificate verified against the system's store (or the
// SSL_CERT_FILE and SSL_CERT_DIR that OpenSSL honours) for the host asked for, the host name
// sent (SNI). A server that fails verification is never talked to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "SocketIo.h"

struct ssl_st;

namespace bass {

class TlsSession {
public:
    // Null with a BASS error code when OpenSSL is missing or cannot be set up.
    static std::unique_ptr<TlsSession> Start(int fd, const std::string& host, int& error);
    ~TlsSession();

    // The handshake's next step: count 1 once the server is verified, -1 when it failed.
    IoStep Handshake();
    // As on the socket. Bytes OpenSSL already holds come before any wait, so a read is tried
    // before the socket is polled.
    IoStep Read(uint8_t* buffer, size_t size);
    // After a wait, the same bytes must be offered again.
    IoStep Write(const uint8_t* bytes, size_t size);

private:
    explicit TlsSession(ssl_st* ssl) : ssl_(ssl) {}
    IoStep StepOf(int result);

    ssl_st* ssl_;
};

} // namespace bass
