// An FFmpeg demuxer and decoder feeding a channel with 16-bit PCM at the source's rate and
// channel count, on a decoding thread of its own.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Cancel.h"
#include "Channel.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVIOContext;
struct SwrContext;
struct AVFrame;
struct AVPacket;

namespace bass {

class NetSource;

// Which sources a caller takes: BASS streams, the WMA add-on's, or module music.
enum class SourceKind { Stream, Wma, Music };

struct DecoderOptions {
    SourceKind kind = SourceKind::Stream;
    int musicRate = 44100; // output rate of module music
    std::chrono::steady_clock::time_point deadline =
        std::chrono::steady_clock::time_point::max(); // for opening network sources
    bool network = false;                             // `path` is a URL for FFmpeg's own protocols
    CancelCheck cancelled;                            // the open is given up when it says so
};

class Decoder final : public Producer {
public:
    // Opens `path` with FFmpeg, or reads through `net` when given. Null with a BASS error code.
    static std::unique_ptr<Decoder> Open(const std::string& path, std::shared_ptr<NetSource> net,
                                         const DecoderOptions& options, int& error);
    ~Decoder() override;

    const BASS_CHANNELINFO& Info() const { return info_; }
    int64_t LengthFrames() const { return lengthFrames_; }
    bool IsVorbis() const;
    // The frame an Ogg source's granule positions count from.
    int64_t StartFrame() const;

    void Start(Channel& channel) override;
    int Seek(uint64_t frame) override;
    void Rewind() override { Seek(0); }
    void Shutdown() override;
    DWORD FilePosition(DWORD mode) override;

    // The playing length in frames of a complete file image, -1 when it cannot be told.
    static int64_t LengthOfImage(const std::vector<uint8_t>& image);

private:
    Decoder() = default;
    int OpenInput(const std::string& path, const DecoderOptions& options);
    int OpenCodec(SourceKind kind, const std::string& path);
    static int ReadNet(void* opaque, uint8_t* buffer, int size);
    static int64_t SeekNet(void* opaque, int64_t offset, int whence);
    static int Interrupted(void* opaque);

    void Run();
    void HandleSeek(uint64_t frame);
    void DecodeNext();
    void Convert(AVFrame* frame);
    void WritePending();

    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVIOContext* io_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    int streamIndex_ = -1;
    BASS_CHANNELINFO info_{};
    int64_t lengthFrames_ = -1;
    int64_t fileSize_ = -1;

    std::shared_ptr<NetSource> net_;
    uint64_t netPosition_ = 0; // decoding thread (and the opening thread before it starts)
    std::chrono::steady_clock::time_point openDeadline_;
    CancelCheck cancelled_; // asked while opening
    bool opening_ = true;
    std::atomic<uint64_t> decodePosition_{0};

    Channel* channel_ = nullptr;
    std::vector<uint8_t> pending_; // converted PCM not yet in the ring
    size_t pendingAt_ = 0;
    int64_t trimUntil_ = -1; // after a seek: frames before this are dropped
    bool inputEnded_ = false;

    std::mutex commandMutex_; // protects seekRequested_, seekTarget_, seekSerial_, quit_
    std::condition_variable seekHandled_;
    bool seekRequested_ = false;
    uint64_t seekTarget_ = 0;
    uint64_t seekSerial_ = 0, seekDoneSerial_ = 0;
    int seekResult_ = 0;
    std::atomic<bool> quit_{false};
    // The decoding thread: reads packets, decodes, converts, writes the channel's ring.
    std::thread thread_;
};

} // namespace bass
