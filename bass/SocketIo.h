// Reads and writes on a non-blocking socket: the plain connection's and, under TLS, OpenSSL's.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bass {

// One step on a non-blocking connection: `count` bytes moved (0: the peer closed, -1: the
// connection failed), or, where `wait` is set, nothing yet: poll for those events, then try again.
struct IoStep {
    long count = 0;
    short wait = 0;
};

// recv and send, retried after a signal; a peer that went away never raises SIGPIPE.
IoStep SocketRead(int fd, uint8_t* buffer, size_t size);
IoStep SocketWrite(int fd, const uint8_t* bytes, size_t size);

} // namespace bass
