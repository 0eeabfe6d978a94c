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

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
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

std::unique_ptr<HttpConnection> HttpConnection::Open(const HttpUrl& url, bool wantMetadata,
                                                     TimePoint deadline, int& error) {
    std::unique_ptr<HttpConnection> connection(new HttpConnection);
    error = connection->Connect(url, deadline);
    if (error != BASS_OK)
        return nullptr;
    const bool defaultPort = url.port == "80";
    std::string request = "GET " + url.path + " HTTP/1.0\r\nHost: " + url.host +
                          (defaultPort ? "" : ":" + url.port) +
                          "\r\nUser-Agent: libbass/2.0\r\nAccept: */*\r\n";
    if (wantMetadata)
        request += "Icy-MetaData: 1\r\n";
    request += "Connection: close\r\n\r\n";
    error = connection->SendAll(request, deadline);
    if (error == BASS_OK)
        error = connection->ReadHead(deadline);
    if (error != BASS_OK)
        return nullptr;
    return connection;
}

int HttpConnection::Connect(const HttpUrl& url, TimePoint deadline) {
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
            if (WaitFor(fd, POLLOUT, MillisecondsLeft(deadline))) {
                int soError = 0;
                socklen_t length = sizeof soError;
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
                done = soError == 0 ? 0 : -1;
            } else {
                error = BASS_ERROR_TIMEOUT;
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

int HttpConnection::SendAll(const std::string& text, TimePoint deadline) {
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!WaitFor(fd_, POLLOUT, MillisecondsLeft(deadline)))
                return BASS_ERROR_TIMEOUT;
        } else {
            return BASS_ERROR_NONET;
        }
    }
    return BASS_OK;
}

int HttpConnection::ReadHead(TimePoint deadline) {
    std::string head;
    size_t end = std::string::npos;
    size_t separator = 0;
    while (end == std::string::npos) {
        if (head.size() > kMaxHead)
            return BASS_ERROR_FILEFORM;
        char buffer[4096];
        const int n =
            Receive(reinterpret_cast<uint8_t*>(buffer), sizeof buffer, MillisecondsLeft(deadline));
        if (n == kWaitTimedOut)
            return BASS_ERROR_TIMEOUT;
        if (n <= 0)
            return BASS_ERROR_FILEOPEN;
        head.append(buffer, static_cast<size_t>(n));
        if ((end = head.find("\r\n\r\n")) != std::string::npos)
            separator = 4;
        else if ((end = head.find("\n\n")) != std::string::npos)
            separator = 2;
    }
    leftover_ = head.substr(end + separator);
    head.resize(end);
    size_t start = 0;
    while (start <= head.size()) {
        size_t stop = head.find('\n', start);
        if (stop == std::string::npos)
            stop = head.size();
        std::string line = head.substr(start, stop - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines_.push_back(line);
        start = stop + 1;
    }
    if (lines_.empty())
        return BASS_ERROR_FILEFORM;
    const std::string& statusLine = lines_.front();
    const auto space = statusLine.find(' ');
    if (space == std::string::npos)
        return BASS_ERROR_FILEFORM;
    status_ = std::atoi(statusLine.c_str() + space + 1);
    return BASS_OK;
}

std::optional<std::string> HttpConnection::Header(const std::string& name) const {
    const std::string wanted = Lower(name) + ":";
    for (size_t i = 1; i < lines_.size(); ++i) {
        if (Lower(lines_[i].substr(0, wanted.size())) != wanted)
            continue;
        std::string value = lines_[i].substr(wanted.size());
        value.erase(0, value.find_first_not_of(" \t"));
        return value;
    }
    return std::nullopt;
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
