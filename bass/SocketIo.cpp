#include "SocketIo.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace bass {

namespace {

IoStep StepOf(ssize_t result, short wait) {
    if (result >= 0)
        return {static_cast<long>(result), 0};
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return {0, wait};
    return {-1, 0};
}

} // namespace

IoStep SocketRead(int fd, uint8_t* buffer, size_t size) {
    ssize_t n;
    do
        n = recv(fd, buffer, size, 0);
    while (n < 0 && errno == EINTR);
    return StepOf(n, POLLIN);
}

IoStep SocketWrite(int fd, const uint8_t* bytes, size_t size) {
    ssize_t n;
    do
        n = send(fd, bytes, size, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return StepOf(n, POLLOUT);
}

} // namespace bass
