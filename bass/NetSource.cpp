#include "NetSource.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "HttpConnection.h"
#include "HttpHead.h"
#include "OggPages.h"
#include "UrlReference.h"
#include "bass.h"

#include "FFmpeg.h"

extern "C" {
#include <libavutil/error.h>
}

namespace bass {

namespace {

constexpr int kMaxRedirects = 10;
constexpr int kPollMs = 200; // how often a waiting download looks at the abort flag
constexpr size_t kChunk = 16384;
constexpr size_t kSniffBytes = 1024;        // tells a station link (or HLS) from a stream
constexpr size_t kMaxLinkBytes = 64 * 1024; // more than any station link holds
constexpr size_t kDropAfter = 65536; // live streams forget data read this far back
constexpr uint64_t kMaxMetaInterval = 0x7FFFFFFF;
constexpr uint64_t kMaxLength = 0x7FFFFFFFFFFFFFFF;

// The last path segment has an extension, so the address names a file.
bool PathNamesFile(const std::string& url) {
    std::string path = url.substr(0, url.find_first_of("?#"));
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
           slash > path.find("//") + 1;
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A byte no text holds: the body is a stream, not a station link.
bool HoldsBinary(const std::string& bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < ' ' && byte != '\t' && byte != '\r' && byte != '\n';
    });
}

int MillisecondsUntil(NetSource::TimePoint deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return static_cast<int>(std::clamp<long long>(left, 0, kPollMs));
}

} // namespace

std::shared_ptr<NetSource> NetSource::Open(const std::string& url, const Options& options,
                                           TimePoint deadline, int& error) {
    std::shared_ptr<NetSource> source(new NetSource);
    source->cancelled_ = options.cancelled;
    source->timeout_ = std::chrono::milliseconds(options.timeoutMs);
    source->liveLimit_ =
        std::max<size_t>(kDropAfter, static_cast<size_t>(options.liveBufferMs) * 48);
    error = url.compare(0, 6, "ftp://") == 0
                ? source->OpenFtp(url)
                : source->OpenHttp(url, options.wantMetadata, deadline);
    if (error != BASS_OK)
        return nullptr;
    if (!source->isStationLink_) {
        NetSource* raw = source.get();
        source->thread_ = std::thread([raw] { raw->ftp_ ? raw->RunFtp() : raw->RunHttp(); });
    }
    return source;
}

int NetSource::OpenFtp(const std::string& url) {
    if (!LoadFFmpeg()) // its protocols carry ftp
        return BASS_ERROR_NOTAVAIL;
    AVDictionary* options = nullptr;
    FFmpeg().av_dict_set_int(&options, "timeout", static_cast<int64_t>(timeout_.count()) * 1000, 0);
    const AVIOInterruptCB callback{[](void* opaque) {
                                       const auto* self = static_cast<NetSource*>(opaque);
                                       return static_cast<int>(
                                           self->abort_.load() ||
                                           (self->cancelled_ && self->cancelled_()));
                                   },
                                   this};
    const int opened = FFmpeg().avio_open2(&ftp_, url.c_str(), AVIO_FLAG_READ, &callback, &options);
    FFmpeg().av_dict_free(&options);
    if (opened < 0)
        return cancelled_ && cancelled_() ? BASS_ERROR_INIT : BASS_ERROR_FILEOPEN;
    const int64_t size = FFmpeg().avio_size(ftp_);
    size_ = size > 0 ? size : -1;
    headers_ += '\0';
    return BASS_OK;
}

int NetSource::OpenHttp(const std::string& url, bool wantMetadata, TimePoint deadline) {
    if (const int error =
            FollowRedirects(url, wantMetadata ? "Icy-MetaData: 1\r\n" : "", deadline);
        error != BASS_OK)
        return error;
    for (const std::string& line : http_->Lines())
        headers_ += line + '\0';
    headers_ += '\0';
    // A chunked body ends with its last chunk, whatever length the head claims.
    if (const auto length = http_->Header("Content-Length"); length && !http_->Chunked()) {
        if (const auto value = ParseHeaderNumber(*length, kMaxLength); value && *value > 0)
            size_ = static_cast<int64_t>(*value);
    }
    // An interval that is no number, or out of range, means the stream carries no metadata.
    if (const auto interval = http_->Header("icy-metaint"); interval && wantMetadata)
        metaInterval_ = ParseHeaderNumber(*interval, kMaxMetaInterval).value_or(0);
    std::string body = http_->TakeLeftover();
    // A stream with metadata is no playlist; any other answer shows what it is by its first bytes.
    if (metaInterval_ == 0) {
        bodyRead_ = ReceiveBody(body, kSniffBytes, deadline, HoldsBinary);
        if (bodyRead_ == BodyRead::TimedOut)
            return cancelled_ && cancelled_() ? BASS_ERROR_INIT : BASS_ERROR_TIMEOUT;
        const std::string type = http_->Header("Content-Type").value_or("");
        if (IsHlsPlaylist(type, body))
            return BASS_ERROR_FILEFORM; // a playlist of segments is the media control's
        if (const StationLinkKind kind = StationLinkKindOf(type, body); kind != StationLinkKind::None)
            return ReadStationLink(std::move(body), kind, deadline);
    }
    icy_ = std::make_unique<IcyMetadataFilter>(metaInterval_);
    live_ = metaInterval_ > 0 || (size_ < 0 && !PathNamesFile(location_));
    TakeAudio(reinterpret_cast<const uint8_t*>(body.data()), body.size());
    return BASS_OK;
}

int NetSource::FollowRedirects(const std::string& url, const std::string& extraHeaders,
                               TimePoint deadline) {
    std::set<std::string> visited{url};
    location_ = url;
    for (int redirects = 0;; ++redirects) {
        const auto parsed = HttpUrl::Parse(location_);
        if (!parsed)
            return BASS_ERROR_FILEOPEN;
        int error = BASS_OK;
        http_ = HttpConnection::Open(*parsed, extraHeaders, deadline, cancelled_, error);
        if (!http_)
            return error;
        const int status = http_->Status();
        if (!IsRedirect(status))
            return status == 200 ? BASS_OK : BASS_ERROR_FILEOPEN;
        const auto next = http_->Header("Location");
        if (!next || redirects == kMaxRedirects)
            return BASS_ERROR_FILEOPEN;
        location_ = ResolveReference(location_, *next);
        if (!visited.insert(location_).second)
            return BASS_ERROR_FILEOPEN; // a loop
    }
}

int NetSource::ReadStationLink(std::string body, StationLinkKind kind, TimePoint deadline) {
    if (bodyRead_ == BodyRead::Open)
        bodyRead_ = ReceiveBody(body, kMaxLinkBytes, deadline, nullptr);
    if (bodyRead_ == BodyRead::TimedOut)
        return cancelled_ && cancelled_() ? BASS_ERROR_INIT : BASS_ERROR_TIMEOUT;
    // A link longer than anyone writes is read as far as its last whole line.
    if (bodyRead_ == BodyRead::Open)
        body.erase(body.find_last_of('\n') + 1);
    isStationLink_ = true;
    linkAddresses_ = ::bass::StationLinkAddresses(kind, body, location_);
    http_.reset();
    return BASS_OK;
}

NetSource::BodyRead NetSource::ReceiveBody(std::string& bytes, size_t limit, TimePoint deadline,
                                           const std::function<bool(const std::string&)>& enough) {
    uint8_t buffer[kChunk];
    while (bytes.size() < limit && !(enough && enough(bytes))) {
        if ((cancelled_ && cancelled_()) || std::chrono::steady_clock::now() >= deadline)
            return BodyRead::TimedOut;
        const int n = http_->Receive(buffer, std::min(sizeof buffer, limit - bytes.size()),
                                     MillisecondsUntil(deadline));
        if (n == HttpConnection::kWaitTimedOut)
            continue;
        if (n <= 0)
            return n == 0 ? BodyRead::Ended : BodyRead::Failed;
        bytes.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
    }
    return BodyRead::Open;
}

void NetSource::AwaitFirstMetadata(TimePoint deadline) {
    if (metaInterval_ == 0)
        return;
    std::unique_lock lock(mutex_);
    const auto over = [&] {
        return firstBlockIn_ || ended_ || abort_ || (live_ && data_.size() >= liveLimit_) ||
               (cancelled_ && cancelled_());
    };
    // In slices, so that a cancelled open gives up quickly.
    while (!over() && std::chrono::steady_clock::now() < deadline)
        changed_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                         std::chrono::milliseconds(kPollMs)));
}

NetSource::~NetSource() {
    Abort();
    if (ftp_)
        FFmpeg().avio_closep(&ftp_);
}

void NetSource::Abort() {
    {
        std::lock_guard lock(mutex_);
        abort_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void NetSource::Listen(Listener listener) {
    bool completeAlready;
    {
        std::lock_guard lock(mutex_);
        listener_ = std::move(listener);
        completeAlready = complete_;
    }
    if (completeAlready && listener_.complete)
        listener_.complete();
}

std::string NetSource::LastMetadata() {
    std::lock_guard lock(mutex_);
    return lastMeta_;
}

std::optional<OggAudio> NetSource::FirstOggAudioStream() {
    std::lock_guard lock(mutex_);
    if (base_ != 0)
        return std::nullopt;
    return FirstOggAudio(data_.data(), data_.size());
}

int NetSource::Read(uint64_t position, uint8_t* buffer, int size,
                    std::optional<TimePoint> deadline) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (deadline && cancelled_ && cancelled_())
            return kFailed;
        if (abort_ || position < base_)
            return kFailed;
        const uint64_t end = base_ + data_.size();
        if (position < end) {
            const size_t count = static_cast<size_t>(
                std::min<uint64_t>(static_cast<uint64_t>(size), end - position));
            const size_t offset = static_cast<size_t>(position - base_);
            std::memcpy(buffer, data_.data() + offset, count);
            if (live_ && offset + count > kDropAfter) {
                data_.erase(data_.begin(),
                            data_.begin() + static_cast<std::ptrdiff_t>(offset + count));
                base_ += offset + count;
                changed_.notify_all();
            }
            return static_cast<int>(count);
        }
        if (ended_)
            return 0;
        if (!deadline) {
            changed_.wait(lock);
        } else {
            // In slices, so that a cancelled open gives up quickly.
            const auto slice =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(kPollMs);
            if (changed_.wait_until(lock, std::min(slice, *deadline)) == std::cv_status::timeout &&
                std::chrono::steady_clock::now() >= *deadline)
                return kTimedOut;
        }
    }
}

void NetSource::Append(const uint8_t* bytes, size_t count) {
    std::unique_lock lock(mutex_);
    if (live_)
        changed_.wait(lock, [&] { return abort_ || data_.size() < liveLimit_; });
    data_.insert(data_.end(), bytes, bytes + count);
    downloaded_ += count;
    changed_.notify_all();
}

void NetSource::TakeAudio(const uint8_t* bytes, size_t count) {
    icy_->Feed(
        bytes, count,
        [this](const uint8_t* audio, size_t size) {
            Append(audio, size);
            oggChain_.Feed(audio, size,
                           [this](std::string list) { TakeComments(std::move(list)); });
        },
        [this](std::string text) { TakeMetadata(std::move(text)); });
    if (icy_->Blocks() > 0 && !firstBlockSeen_) {
        firstBlockSeen_ = true;
        {
            std::lock_guard lock(mutex_);
            firstBlockIn_ = true;
        }
        changed_.notify_all();
    }
}

void NetSource::TakeMetadata(std::string text) {
    Listener listener;
    {
        std::lock_guard lock(mutex_);
        lastMeta_ = text;
        listener = listener_;
    }
    if (listener.metadata)
        listener.metadata(text);
}

void NetSource::TakeComments(std::string list) {
    Listener listener;
    {
        std::lock_guard lock(mutex_);
        listener = listener_;
    }
    if (listener.comments)
        listener.comments(std::move(list));
}

void NetSource::Finish(bool whole) {
    Listener listener;
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        if (whole && !live_) {
            if (size_ < 0)
                size_ = static_cast<int64_t>(data_.size());
            complete_ = true;
            listener = listener_;
        }
    }
    changed_.notify_all();
    if (listener.complete)
        listener.complete();
}

void NetSource::RunHttp() {
    // The body may have ended, or come whole, while the open read its first bytes.
    if (bodyRead_ != BodyRead::Open || (size_ >= 0 && !live_ && downloaded_ >= static_cast<uint64_t>(size_))) {
        Finish(bodyRead_ != BodyRead::Failed &&
               (size_ < 0 || downloaded_ >= static_cast<uint64_t>(size_)));
        return;
    }
    uint8_t buffer[kChunk];
    // Time spent waiting for room in a full live buffer is not the server's silence.
    auto lastData = std::chrono::steady_clock::now();
    while (!abort_) {
        const int n = http_->Receive(buffer, sizeof buffer, kPollMs);
        if (n == HttpConnection::kWaitTimedOut) {
            // A server that stays connected but sends nothing ends the stream where it stands.
            if (std::chrono::steady_clock::now() - lastData >= timeout_) {
                Finish(false);
                return;
            }
            continue;
        }
        if (n <= 0) {
            Finish(n == 0 && (size_ < 0 || downloaded_ >= static_cast<uint64_t>(size_)));
            return;
        }
        TakeAudio(buffer, static_cast<size_t>(n));
        lastData = std::chrono::steady_clock::now();
        if (size_ >= 0 && !live_ && downloaded_ >= static_cast<uint64_t>(size_)) {
            Finish(true);
            return;
        }
    }
}

std::vector<uint8_t> NetSource::FetchTail(size_t count, TimePoint deadline) {
    const int64_t size = size_;
    const auto url = HttpUrl::Parse(location_);
    if (!url || size <= 0)
        return {};
    const uint64_t first = static_cast<uint64_t>(size) > count ? size - count : 0;
    int error = BASS_OK;
    auto tail = HttpConnection::Open(*url, "Range: bytes=" + std::to_string(first) + "-\r\n",
                                     deadline, cancelled_, error);
    // A server without ranges answers 200 with the whole file: that is not waited for.
    const auto range = tail ? tail->Header("Content-Range") : std::nullopt;
    if (!tail || tail->Status() != 206 || !range ||
        range->rfind("bytes " + std::to_string(first) + "-", 0) != 0)
        return {};
    std::string leftover = tail->TakeLeftover();
    std::vector<uint8_t> bytes(leftover.begin(), leftover.end());
    const size_t wanted = static_cast<size_t>(size - first);
    uint8_t buffer[kChunk];
    while (bytes.size() < wanted && std::chrono::steady_clock::now() < deadline &&
           !(cancelled_ && cancelled_())) {
        const int n = tail->Receive(buffer, sizeof buffer, kPollMs);
        if (n == HttpConnection::kWaitTimedOut)
            continue;
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    // Only the true end of the file tells its length.
    if (bytes.size() < wanted)
        return {};
    bytes.resize(wanted);
    return bytes;
}

void NetSource::RunFtp() {
    uint8_t buffer[kChunk];
    while (!abort_) {
        const int n = FFmpeg().avio_read(ftp_, buffer, sizeof buffer);
        if (n <= 0) {
            Finish(n == AVERROR_EOF && (size_ < 0 || downloaded_ >= static_cast<uint64_t>(size_)));
            return;
        }
        Append(buffer, static_cast<size_t>(n));
    }
}

} // namespace bass
