// Feeds a channel with 16-bit PCM at the source's rate and channel count, on a decoding thread of
// its own, from the codec the source's first bytes call for (Codec.h). A decode channel has no
// thread: its reader's calls decode straight into the reader's buffer.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ByteInput.h"
#include "Cancel.h"
#include "Channel.h"
#include "Codec.h"
#include "FFmpegCodec.h"

namespace bass {

class NetSource;

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
    // Opens the file `path`, reads through `net` when given, or opens the URL `path` with FFmpeg
    // when options.network. Null with a BASS error code.
    static std::unique_ptr<Decoder> Open(const std::string& path, std::shared_ptr<NetSource> net,
                                         const DecoderOptions& options, int& error);
    ~Decoder() override;

    const BASS_CHANNELINFO& Info() const { return info_; }
    int64_t LengthFrames() const { return lengthFrames_; }
    // The stream's comments as BASS_TAG_OGG has them; empty when the format has none.
    std::string Comments() const { return comments_; }

    void Start(Channel& channel) override;
    int Seek(uint64_t frame) override;
    void Rewind() override { Seek(0); }
    void Shutdown() override;
    DWORD FilePosition(DWORD mode) override;
    size_t Pull(uint8_t* out, size_t size) override;

    // The playing length in frames of a complete file image, -1 when it cannot be told.
    static int64_t LengthOfImage(const std::vector<uint8_t>& image);

private:
    Decoder() = default;

    void Run();
    void HandleSeek(uint64_t frame);
    // Makes `frame` the next one decoded and restarts the channel there; false when the codec
    // cannot go there.
    bool MoveTo(uint64_t frame);
    bool SeekCodec(uint64_t frame);
    void DecodeChunk();
    void WriteChunk();
    size_t TakeChunk(uint8_t* out, size_t size);

    std::unique_ptr<ByteInput> input_;
    NetInput* netInput_ = nullptr; // input_, when it is a download
    std::mutex codecMutex_;        // protects the codec_ pointer: a seek may open the codec again
    std::unique_ptr<Codec> codec_;
    std::atomic<uint64_t> decodePosition_{0}; // how far the codec has read its input
    FFmpegOptions ffmpegOptions_;             // to open the codec again over a download now whole
    BASS_CHANNELINFO info_{};
    int64_t lengthFrames_ = -1;
    std::string comments_;
    std::shared_ptr<NetSource> net_;

    Channel* channel_ = nullptr;
    std::vector<int16_t> chunk_; // decoded PCM not yet in the ring, or not yet pulled; sized once
    size_t chunkBytes_ = 0;      // how much of chunk_ holds PCM
    size_t chunkAt_ = 0;         // how much of that has been passed on, in bytes
    bool inputEnded_ = false;
    // A decode channel: serialises its readers' pulls and seeks (the codec, chunk_, the position).
    std::mutex pullMutex_;
    size_t pulledPartBytes_ = 0; // bytes pulled of a frame not yet whole

    std::mutex commandMutex_; // protects seekRequested_, seekTarget_, seekSerial_, quit_
    std::condition_variable seekHandled_;
    bool seekRequested_ = false;
    uint64_t seekTarget_ = 0;
    uint64_t seekSerial_ = 0, seekDoneSerial_ = 0;
    int seekResult_ = 0;
    std::atomic<bool> quit_{false};
    // The decoding thread: decodes, writes the channel's ring, carries out seeks.
    std::thread thread_;
};

} // namespace bass
