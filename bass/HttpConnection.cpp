#include "HttpConnection.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "bass.h"

namespace bass {

namespace {

constexpr size_t kMaxHead = 65536;
constexpr int kSliceMs = 50; // how often a long wait asks whether it was given up

enum class Wait { Ready, TimedOut, Cancelled };

int MillisecondsLeft(HttpConnection::TimePoint deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

bool WaitFor(int fd, short events, int waitMs) {
    pollfd entry{fd, events, 0};
    int ready;
    do
        ready = poll(&entry, 1, waitMs);
    while (ready < 0 && errno == EINTR);
    return ready > 0;
}

// Waits for the socket until the deadline, in slices so that a cancel is seen quickly.
Wait WaitBefore(int fd, short events, HttpConnection::TimePoint deadline,
                const CancelCheck& cancelled) {
    for (;;) {
        if (cancelled && cancelled())
            return Wait::Cancelled;
        if (WaitFor(fd, events, std::min(MillisecondsLeft(deadline), kSliceMs)))
            return Wait::Ready;
        if (std::chrono::steady_clock::now() >= deadline)
            return Wait::TimedOut;
    }
}

int ErrorOf(Wait wait) {
    return wait == Wait::Cancelled ? BASS_ERROR_INIT : BASS_ERROR_TIMEOUT;
}

} // namespace

std::optional<HttpUrl> HttpUrl::Parse(const std::string& url) {
    const std::string scheme = "http://";
    if (url.compare(0, scheme.size(), scheme) != 0)
        return std::nullopt;
    const std::string rest = url.substr(scheme.size());
    const auto slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    HttpUrl parsed;
    parsed.path = slash == std::string::npos ? "/" : rest.substr(slash);
    if (const auto at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    parsed.port = "80";
    if (!authority.empty() && authority[0] == '[') {
        const auto close = authority.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        parsed.host = authority.substr(1, close - 1);
        if (close + 1 < authority.size() && authority[close + 1] == ':')
            parsed.port = authority.substr(close + 2);
    } else if (const auto colon = authority.find(':'); colon != std::string::npos) {
        parsed.host = authority.substr(0, colon);
        parsed.port = authority.substr(colon + 1);
    } else {
        parsed.host = authority;
    }
    if (parsed.host.empty() || parsed.port.empty())
        return std::nullopt;
    return parsed;
}

HttpConnection::~HttpConnection() {
    if (fd_ >= 0)
        close(fd_);
}

std::unique_ptr<HttpConnection> HttpConnection::Open(const HttpUrl& url,
                                                     const std::string& extraHeaders,
                                                     TimePoint deadline,
                                                     const CancelCheck& cancelled, int& error) {
    std::unique_ptr<HttpConnection> connection(new HttpConnection);
    error = connection->Connect(url, deadline, cancelled);
    if (error != BASS_OK)
        return nullptr;
    const bool defaultPort = url.port == "80";
    const std::string request = "GET " + url.path + " HTTP/1.0\r\nHost: " + url.host +
                                (defaultPort ? "" : ":" + url.port) +
                                "\r\nUser-Agent: libbass/2.0\r\nAccept: */*\r\n" + extraHeaders +
                                "Connection: close\r\n\r\n";
    error = connection->SendAll(request, deadline, cancelled);
    if (error == BASS_OK)
        error = connection->ReadHead(deadline, cancelled);
    if (error != BASS_OK)
        return nullptr;
    return connection;
}

int HttpConnection::Connect(const HttpUrl& url, TimePoint deadline, const CancelCheck& cancelled) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    if (getaddrinfo(url.host.c_str(), url.port.c_str(), &hints, &addresses) != 0)
        return BASS_ERROR_NONET;
    int error = BASS_ERROR_NONET;
    for (addrinfo* address = addresses; address && fd_ < 0; address = address->ai_next) {
        const int fd =
            socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                   address->ai_protocol);
        if (fd < 0)
            continue;
        int done = connect(fd, address->ai_addr, address->ai_addrlen);
        if (done < 0 && errno == EINPROGRESS) {
            const Wait wait = WaitBefore(fd, POLLOUT, deadline, cancelled);
            if (wait == Wait::Ready) {
                int soError = 0;
                socklen_t length = sizeof soError;
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
                done = soError == 0 ? 0 : -1;
            } else {
                error = ErrorOf(wait);
            }
        }
        if (done == 0)
            fd_ = fd;
        else
            close(fd);
    }
    freeaddrinfo(addresses);
    return fd_ >= 0 ? BASS_OK : error;
}

int HttpConnection::SendAll(const std::string& text, TimePoint deadline,
                            const CancelCheck& cancelled) {
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (const Wait wait = WaitBefore(fd_, POLLOUT, deadline, cancelled);
                wait != Wait::Ready)
                return ErrorOf(wait);
        } else {
            return BASS_ERROR_NONET;
        }
    }
    return BASS_OK;
}

int HttpConnection::ReadHead(TimePoint deadline, const CancelCheck& cancelled) {
    std::string bytes;
    std::optional<HeadEnd> end;
    while (!(end = FindHeadEnd(bytes))) {
        if (bytes.size() > kMaxHead)
            return BASS_ERROR_FILEFORM;
        if (const Wait wait = WaitBefore(fd_, POLLIN, deadline, cancelled); wait != Wait::Ready)
            return ErrorOf(wait);
        char buffer[4096];
        const int n = Receive(reinterpret_cast<uint8_t*>(buffer), sizeof buffer, 0);
        if (n == kWaitTimedOut)
            continue;
        if (n <= 0)
            return BASS_ERROR_FILEOPEN;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    leftover_ = bytes.substr(end->body);
    auto head = ParseHttpHead(std::string_view(bytes).substr(0, end->head));
    if (!head)
        return BASS_ERROR_FILEFORM;
    head_ = std::move(*head);
    return BASS_OK;
}

int HttpConnection::Receive(uint8_t* buffer, size_t size, int waitMs) {
    for (;;) {
        const ssize_t n = recv(fd_, buffer, size, 0);
        if (n >= 0)
            return static_cast<int>(n);
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return -1;
        if (!WaitFor(fd_, POLLIN, waitMs))
            return kWaitTimedOut;
    }
}

} // namespace bass
