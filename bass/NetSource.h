// A network file or live stream fetched on a download thread: http:// over our own socket
// client (with Shoutcast metadata taken out of the audio), ftp:// through FFmpeg's protocol.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Cancel.h"
#include "IcyMetadataFilter.h"
#include "OggChain.h"
#include "OggPages.h"
#include "StationLink.h"

struct AVIOContext;

namespace bass {

class HttpConnection;

class NetSource {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Told on the download thread.
    struct Listener {
        std::function<void(const std::string&)> metadata; // a new Shoutcast metadata block
        std::function<void(std::string)> comments; // the comment list of a chained Ogg's next song
        std::function<void()> complete;            // the whole net file is in
    };

    struct Options {
        bool wantMetadata = false;     // asks a Shoutcast server for its metadata
        int timeoutMs = 5000;          // a server that sends nothing this long ends the data
        int liveBufferMs = 5000;       // how much of a live stream is held ahead of the reader
        CancelCheck cancelled;         // the open gives up once it says so
    };

    // Connects, follows redirects (301, 302, 303, 307 and 308; ten at most, never in a loop) and
    // reads the answer's head before `deadline`; an answer that is a station link is read whole
    // and its streams' addresses kept (StationLinkAddresses), nothing more is read from it. Null
    // with a BASS error code.
    static std::shared_ptr<NetSource> Open(const std::string& url, const Options& options,
                                           TimePoint deadline, int& error);
    ~NetSource();

    // The stream addresses of a station link, in its order; empty for a stream.
    const std::vector<std::string>& StationLinkAddresses() const { return linkAddresses_; }
    bool IsStationLink() const { return isStationLink_; }

    // Waits until the first Shoutcast metadata block has passed (empty or not), the data end, the
    // live buffer is full or `deadline` passes; at once for a stream without metadata.
    void AwaitFirstMetadata(TimePoint deadline);

    // Blocks until bytes at `position` are in, the data end, Abort is called or the deadline
    // passes (or, with a deadline, the open is cancelled). Returns the count read, 0 at the end,
    // kTimedOut or kFailed.
    int Read(uint64_t position, uint8_t* buffer, int size, std::optional<TimePoint> deadline);
    static constexpr int kTimedOut = -1;
    static constexpr int kFailed = -2;

    // Starts the download thread; a completion that happened before is told at once.
    void Listen(Listener listener);
    void Abort();

    int64_t Size() const { return size_; } // -1 when the server did not tell it
    uint64_t Downloaded() const { return downloaded_; }
    bool Complete() const { return complete_; }
    bool Live() const { return live_; }
    // Response headers as NUL-terminated strings ended by an empty one.
    const std::string& Headers() const { return headers_; }
    std::string LastMetadata();
    // The Ogg audio stream (Vorbis, Opus or FLAC) among the first pages, while they are kept.
    std::optional<OggAudio> FirstOggAudioStream();
    // The whole file once Complete() (net files only).
    const std::vector<uint8_t>& Data() const { return data_; }
    // The last `count` bytes of an http net file of known size, fetched on a second connection
    // where the server serves ranges; empty when it does not, or on failure or cancel.
    std::vector<uint8_t> FetchTail(size_t count, TimePoint deadline);

private:
    enum class BodyRead { Open, Ended, Failed, TimedOut };

    NetSource() = default;
    int OpenFtp(const std::string& url);
    int OpenHttp(const std::string& url, bool wantMetadata, TimePoint deadline);
    int FollowRedirects(const std::string& url, const std::string& extraHeaders,
                        TimePoint deadline);
    int ReadStationLink(std::string body, StationLinkKind kind, TimePoint deadline);
    // Receives body bytes into `bytes` until it holds `limit`, `enough` says so, or the body
    // ends, fails or the deadline passes.
    BodyRead ReceiveBody(std::string& bytes, size_t limit, TimePoint deadline,
                         const std::function<bool(const std::string&)>& enough);
    void RunHttp();
    void RunFtp();
    void Append(const uint8_t* bytes, size_t count);
    void TakeAudio(const uint8_t* bytes, size_t count); // strips Shoutcast metadata
    void TakeMetadata(std::string text);
    void TakeComments(std::string list);
    void Finish(bool whole);

    std::unique_ptr<HttpConnection> http_;
    std::string location_; // the address answered, after redirects
    bool isStationLink_ = false;
    std::vector<std::string> linkAddresses_;
    BodyRead bodyRead_ = BodyRead::Open; // how the body's first bytes, read at the open, ended
    CancelCheck cancelled_;
    std::chrono::milliseconds timeout_{0};
    AVIOContext* ftp_ = nullptr;
    std::string headers_;
    std::atomic<int64_t> size_{-1};
    bool live_ = false;
    size_t liveLimit_ = 0;
    size_t metaInterval_ = 0;
    std::unique_ptr<IcyMetadataFilter> icy_; // used by the download thread only
    OggChainScanner oggChain_;               // used by the download thread only
    bool firstBlockSeen_ = false;            // used by the download thread only

    mutable std::mutex mutex_; // protects data_, base_, ended_, lastMeta_, listener_, firstBlockIn_
    std::condition_variable changed_;
    std::vector<uint8_t> data_;
    uint64_t base_ = 0; // stream offset of data_[0]; live streams drop what was read
    bool ended_ = false;
    std::string lastMeta_;
    bool firstBlockIn_ = false;
    Listener listener_;
    std::atomic<bool> complete_{false};
    std::atomic<bool> abort_{false};
    std::atomic<uint64_t> downloaded_{0};
    // The download thread: reads the connection into data_ until the end, an error or Abort.
    std::thread thread_;
};

} // namespace bass
