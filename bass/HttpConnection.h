// An HTTP/1.0 (or Shoutcast "ICY") GET over TCP, or over TLS for https://, with deadlines. The
// body comes out as sent, or with the framing of a chunked answer taken off.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Cancel.h"
#include "ChunkedDecoder.h"
#include "HttpHead.h"
#include "HttpUrl.h"
#include "SocketIo.h"
#include "TlsSession.h"

namespace bass {

class HttpConnection {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Connects (and, for https, makes sure of the server's certificate), sends the request (with
    // `extraHeaders`, each line ended by CR LF) and reads the answer's head, all before
    // `deadline` and each wait given up once `cancelled` says so. Null with a BASS error code on
    // failure: among others BASS_ERROR_FILEOPEN for a server that fails verification,
    // BASS_ERROR_NOTAVAIL without OpenSSL, and BASS_ERROR_FILEFORM for a successful answer whose
    // body is encoded (a Content-Encoding, or a Transfer-Encoding other than chunked).
    static std::unique_ptr<HttpConnection> Open(const HttpUrl& url, const std::string& extraHeaders,
                                                TimePoint deadline, const CancelCheck& cancelled,
                                                int& error);
    ~HttpConnection();

    int Status() const { return head_.status; }
    const std::vector<std::string>& Lines() const { return head_.lines; } // status line first
    std::optional<std::string> Header(const std::string& name) const { return head_.Header(name); }
    // Whether the body comes in chunks (its Content-Length, if any, means nothing then).
    bool Chunked() const { return chunked_ != nullptr; }
    // Body bytes that came in with the head.
    std::string TakeLeftover() { return std::move(leftover_); }

    static constexpr int kWaitTimedOut = -2;
    // Up to size body bytes, waiting at most waitMs: the count; 0 at the end of the body (the
    // server closed, or a chunked body's last chunk came); -1 on error, a chunked body cut short
    // or malformed among them.
    int Receive(uint8_t* buffer, size_t size, int waitMs);

private:
    HttpConnection() = default;
    int Connect(const HttpUrl& url, TimePoint deadline, const CancelCheck& cancelled);
    int Handshake(TimePoint deadline, const CancelCheck& cancelled);
    int SendAll(const std::string& text, TimePoint deadline, const CancelCheck& cancelled);
    int ReadHead(TimePoint deadline, const CancelCheck& cancelled);
    int TakeBodyEncoding();
    int AwaitSocket(short events, TimePoint deadline, const CancelCheck& cancelled);
    IoStep ReadSome(uint8_t* buffer, size_t size);
    IoStep WriteSome(const uint8_t* bytes, size_t size);
    size_t Dechunk(uint8_t* bytes, size_t count);

    int fd_ = -1;
    std::unique_ptr<TlsSession> tls_;         // https only
    std::unique_ptr<ChunkedDecoder> chunked_; // a chunked answer only
    HttpHead head_;
    std::string leftover_;
};

} // namespace bass
