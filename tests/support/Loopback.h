#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tavuro::testing_support {

// A TCP socket listening on a free port of 127.0.0.1; the port is stored in `port`.
inline int ListenOnLoopback(int backlog, int& port) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, backlog);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return listener;
}

// A port of 127.0.0.1 that nobody listens on: connections to it are refused.
inline int ClosedLoopbackPort() {
    int port = 0;
    close(ListenOnLoopback(1, port));
    return port;
}

} // namespace tavuro::testing_support
