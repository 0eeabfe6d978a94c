#include "HttpConnection.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "OpenSsl.h"
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

// Waits for the socket until the deadline, in slices so that a cancel is seen quickly. A
// deadline already passed ends the wait even while bytes keep trickling in.
Wait WaitBefore(int fd, short events, HttpConnection::TimePoint deadline,
                const CancelCheck& cancelled) {
    for (;;) {
        if (cancelled && cancelled())
            return Wait::Cancelled;
        if (std::chrono::steady_clock::now() >= deadline)
            return Wait::TimedOut;
        if (WaitFor(fd, events, std::min(MillisecondsLeft(deadline), kSliceMs)))
            return Wait::Ready;
    }
}

// The host as the Host header names it: an IPv6 address in brackets.
std::string HostField(const HttpUrl& url) {
    const std::string host = url.host.find(':') == std::string::npos ? url.host
                                                                      : "[" + url.host + "]";
    const bool defaultPort = url.port == (url.scheme == HttpUrl::Scheme::Https ? "443" : "80");
    return defaultPort ? host : host + ":" + url.port;
}

bool IsIdentity(const std::optional<std::string>& coding) {
    return !coding || coding->empty() || EqualsIgnoringCase(*coding, "identity");
}

} // namespace

HttpConnection::~HttpConnection() {
    tls_.reset();
    if (fd_ >= 0)
        close(fd_);
}

std::unique_ptr<HttpConnection> HttpConnection::Open(const HttpUrl& url,
                                                     const std::string& extraHeaders,
                                                     TimePoint deadline,
                                                     const CancelCheck& cancelled, int& error) {
    const bool secure = url.scheme == HttpUrl::Scheme::Https;
    // Loaded before connecting, so that a system without OpenSSL fails without a network wait.
    if (secure && !LoadOpenSsl()) {
        error = BASS_ERROR_NOTAVAIL;
        return nullptr;
    }
    std::unique_ptr<HttpConnection> connection(new HttpConnection);
    error = connection->Connect(url, deadline, cancelled);
    if (error == BASS_OK && secure) {
        connection->tls_ = TlsSession::Start(connection->fd_, url.host, error);
        if (connection->tls_)
            error = connection->Handshake(deadline, cancelled);
    }
    if (error != BASS_OK)
        return nullptr;
    // Compressed bodies are not undone here, so none is asked for.
    const std::string request = "GET " + url.path + " HTTP/1.0\r\nHost: " + HostField(url) +
                                "\r\nUser-Agent: libbass/2.0\r\nAccept: */*\r\n"
                                "Accept-Encoding: identity\r\n" +
                                extraHeaders + "Connection: close\r\n\r\n";
    error = connection->SendAll(request, deadline, cancelled);
    if (error == BASS_OK)
        error = connection->ReadHead(deadline, cancelled);
    if (error == BASS_OK)
        error = connection->TakeBodyEncoding();
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
                error = wait == Wait::Cancelled ? BASS_ERROR_INIT : BASS_ERROR_TIMEOUT;
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

int HttpConnection::AwaitSocket(short events, TimePoint deadline, const CancelCheck& cancelled) {
    switch (WaitBefore(fd_, events, deadline, cancelled)) {
    case Wait::Ready:
        return BASS_OK;
    case Wait::Cancelled:
        return BASS_ERROR_INIT;
    case Wait::TimedOut:
        break;
    }
    return BASS_ERROR_TIMEOUT;
}

// A server whose certificate fails verification is a failed open, like one that is not there.
int HttpConnection::Handshake(TimePoint deadline, const CancelCheck& cancelled) {
    for (;;) {
        const IoStep step = tls_->Handshake();
        if (!step.wait)
            return step.count > 0 ? BASS_OK : BASS_ERROR_FILEOPEN;
        if (const int error = AwaitSocket(step.wait, deadline, cancelled); error != BASS_OK)
            return error;
    }
}

int HttpConnection::SendAll(const std::string& text, TimePoint deadline,
                            const CancelCheck& cancelled) {
    size_t sent = 0;
    while (sent < text.size()) {
        const IoStep step =
            WriteSome(reinterpret_cast<const uint8_t*>(text.data()) + sent, text.size() - sent);
        if (step.wait) {
            if (const int error = AwaitSocket(step.wait, deadline, cancelled); error != BASS_OK)
                return error;
        } else if (step.count > 0) {
            sent += static_cast<size_t>(step.count);
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
        uint8_t buffer[4096];
        const IoStep step = ReadSome(buffer, sizeof buffer);
        if (step.wait) {
            if (const int error = AwaitSocket(step.wait, deadline, cancelled); error != BASS_OK)
                return error;
        } else if (step.count > 0) {
            bytes.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(step.count));
        } else {
            return BASS_ERROR_FILEOPEN;
        }
    }
    leftover_ = bytes.substr(end->body);
    auto head = ParseHttpHead(std::string_view(bytes).substr(0, end->head));
    if (!head)
        return BASS_ERROR_FILEFORM;
    head_ = std::move(*head);
    return BASS_OK;
}

int HttpConnection::TakeBodyEncoding() {
    const auto transfer = head_.Header("Transfer-Encoding");
    if (transfer && EqualsIgnoringCase(*transfer, "chunked")) {
        chunked_ = std::make_unique<ChunkedDecoder>();
        leftover_.resize(Dechunk(reinterpret_cast<uint8_t*>(leftover_.data()), leftover_.size()));
    } else if (!IsIdentity(transfer) && head_.status / 100 == 2) {
        return BASS_ERROR_FILEFORM;
    }
    // A body compressed although identity was asked for cannot be played.
    if (!IsIdentity(head_.Header("Content-Encoding")) && head_.status / 100 == 2)
        return BASS_ERROR_FILEFORM;
    return BASS_OK;
}

IoStep HttpConnection::ReadSome(uint8_t* buffer, size_t size) {
    return tls_ ? tls_->Read(buffer, size) : SocketRead(fd_, buffer, size);
}

IoStep HttpConnection::WriteSome(const uint8_t* bytes, size_t size) {
    return tls_ ? tls_->Write(bytes, size) : SocketWrite(fd_, bytes, size);
}

size_t HttpConnection::Dechunk(uint8_t* bytes, size_t count) {
    size_t body = 0;
    // The body is never longer than its framing, so it moves down within the same buffer.
    chunked_->Feed(bytes, count, [&](const uint8_t* data, size_t size) {
        std::memmove(bytes + body, data, size);
        body += size;
    });
    return body;
}

int HttpConnection::Receive(uint8_t* buffer, size_t size, int waitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (chunked_ && chunked_->Finished())
            return 0;
        if (chunked_ && chunked_->Failed())
            return -1;
        // Tried before any wait: under TLS, bytes may be in already that the socket no longer shows.
        const IoStep step = ReadSome(buffer, size);
        if (step.wait) {
            if (!WaitFor(fd_, step.wait, MillisecondsLeft(deadline)))
                return kWaitTimedOut;
            continue;
        }
        if (!chunked_ || step.count < 0)
            return static_cast<int>(step.count);
        if (step.count == 0) // the server closed before the last chunk
            return -1;
        if (const size_t body = Dechunk(buffer, static_cast<size_t>(step.count)); body > 0)
            return static_cast<int>(body);
        // Only framing came: more is waited for within the same time.
        if (MillisecondsLeft(deadline) == 0 && !chunked_->Finished() && !chunked_->Failed())
            return kWaitTimedOut;
    }
}

} // namespace bass
