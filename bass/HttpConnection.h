// A plain HTTP/1.0 (or Shoutcast "ICY") GET over a TCP socket, with deadlines.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Cancel.h"
#include "HttpHead.h"

namespace bass {

struct HttpUrl {
    std::string host, port, path;
    // http://host[:port][/path]; nullopt for anything else.
    static std::optional<HttpUrl> Parse(const std::string& url);
};

class HttpConnection {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Connects, sends the request (with `extraHeaders`, each line ended by CR LF) and reads the
    // answer's head, all before `deadline` and each wait given up once `cancelled` says so.
    // Null with a BASS error code on failure.
    static std::unique_ptr<HttpConnection> Open(const HttpUrl& url, const std::string& extraHeaders,
                                                TimePoint deadline, const CancelCheck& cancelled,
                                                int& error);
    ~HttpConnection();

    int Status() const { return head_.status; }
    const std::vector<std::string>& Lines() const { return head_.lines; } // status line first
    std::optional<std::string> Header(const std::string& name) const { return head_.Header(name); }
    // Body bytes that came in with the head.
    std::string TakeLeftover() { return std::move(leftover_); }

    static constexpr int kWaitTimedOut = -2;
    // Up to size bytes, waiting at most waitMs: the count, 0 when the server closed, -1 on error.
    int Receive(uint8_t* buffer, size_t size, int waitMs);

private:
    HttpConnection() = default;
    int Connect(const HttpUrl& url, TimePoint deadline, const CancelCheck& cancelled);
    int SendAll(const std::string& text, TimePoint deadline, const CancelCheck& cancelled);
    int ReadHead(TimePoint deadline, const CancelCheck& cancelled);

    int fd_ = -1;
    HttpHead head_;
    std::string leftover_;
};

} // namespace bass
