#include "NetSource.h"

#include <algorithm>
#include <cstring>

#include "HttpConnection.h"
#include "HttpHead.h"
#include "OggPages.h"
#include "bass.h"

#include "FFmpeg.h"

extern "C" {
#include <libavutil/error.h>
}

namespace bass {

namespace {

constexpr int kMaxRedirects = 4;
constexpr int kPollMs = 200; // how often a waiting download looks at the abort flag
constexpr size_t kChunk = 16384;
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

} // namespace

std::shared_ptr<NetSource> NetSource::Open(const std::string& url, bool wantMetadata, int timeoutMs,
                                           int liveBufferMs, CancelCheck cancelled, int& error) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::shared_ptr<NetSource> source(new NetSource);
    source->cancelled_ = std::move(cancelled);
    source->timeout_ = std::chrono::milliseconds(timeoutMs);
    source->liveLimit_ = std::max<size_t>(kDropAfter, static_cast<size_t>(liveBufferMs) * 48);
    if (url.compare(0, 6, "ftp://") == 0) {
        if (!LoadFFmpeg()) { // its protocols carry ftp
            error = BASS_ERROR_NOTAVAIL;
            return nullptr;
        }
        AVDictionary* options = nullptr;
        FFmpeg().av_dict_set_int(&options, "timeout", static_cast<int64_t>(timeoutMs) * 1000, 0);
        const AVIOInterruptCB callback{[](void* opaque) {
                                           const auto* self = static_cast<NetSource*>(opaque);
                                           return static_cast<int>(
                                               self->abort_.load() ||
                                               (self->cancelled_ && self->cancelled_()));
                                       },
                                       source.get()};
        const int opened =
            FFmpeg().avio_open2(&source->ftp_, url.c_str(), AVIO_FLAG_READ, &callback, &options);
        FFmpeg().av_dict_free(&options);
        if (opened < 0) {
            error =
                source->cancelled_ && source->cancelled_() ? BASS_ERROR_INIT : BASS_ERROR_FILEOPEN;
            return nullptr;
        }
        const int64_t size = FFmpeg().avio_size(source->ftp_);
        source->size_ = size > 0 ? size : -1;
        source->headers_ += '\0';
        source->thread_ = std::thread([raw = source.get()] { raw->RunFtp(); });
        error = BASS_OK;
        return source;
    }
    std::string location = url;
    for (int redirects = 0;; ++redirects) {
        const auto parsed = HttpUrl::Parse(location);
        if (!parsed) {
            error = BASS_ERROR_FILEOPEN;
            return nullptr;
        }
        source->http_ = HttpConnection::Open(*parsed, wantMetadata ? "Icy-MetaData: 1\r\n" : "",
                                             deadline, source->cancelled_, error);
        if (!source->http_)
            return nullptr;
        const int status = source->http_->Status();
        const auto next = source->http_->Header("Location");
        if (status >= 300 && status < 400 && next && redirects < kMaxRedirects) {
            location = *next;
            continue;
        }
        if (status != 200) {
            error = BASS_ERROR_FILEOPEN;
            return nullptr;
        }
        break;
    }
    source->location_ = location;
    for (const std::string& line : source->http_->Lines())
        source->headers_ += line + '\0';
    source->headers_ += '\0';
    if (const auto length = source->http_->Header("Content-Length")) {
        if (const auto value = ParseHeaderNumber(*length, kMaxLength); value && *value > 0)
            source->size_ = static_cast<int64_t>(*value);
    }
    // An interval that is no number, or out of range, means the stream carries no metadata.
    if (const auto interval = source->http_->Header("icy-metaint"); interval && wantMetadata)
        source->metaInterval_ = ParseHeaderNumber(*interval, kMaxMetaInterval).value_or(0);
    source->icy_ = std::make_unique<IcyMetadataFilter>(source->metaInterval_);
    source->live_ = source->metaInterval_ > 0 || (source->size_ < 0 && !PathNamesFile(location));
    const std::string leftover = source->http_->TakeLeftover();
    source->TakeAudio(reinterpret_cast<const uint8_t*>(leftover.data()), leftover.size());
    source->thread_ = std::thread([raw = source.get()] { raw->RunHttp(); });
    error = BASS_OK;
    return source;
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
