// One playing channel: a ring of 16-bit (or 8-bit) PCM in the source's own rate and channel
// count, filled by a producer thread and drained by the mixer.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "SpscRing.h"
#include "bass.h"

namespace bass {

class Channel;

// Fills a channel's ring on a thread of its own.
class Producer {
public:
    virtual ~Producer() = default;
    // Starts the producer's thread; the channel outlives it.
    virtual void Start(Channel& channel) = 0;
    // Makes the next bytes heard those of `frame`; returns a BASS error code.
    virtual int Seek(uint64_t frame) = 0;
    // Starts over from the beginning (BASS_StreamPlay with flush).
    virtual void Rewind() = 0;
    // Ends the thread; afterwards the producer touches the channel no more.
    virtual void Shutdown() = 0;
    // BASS_StreamGetFilePosition; 0xFFFFFFFF when not known.
    virtual DWORD FilePosition(DWORD mode) = 0;
    // A decode channel (BASS_STREAM_DECODE), which has no thread: decodes up to `size` bytes
    // into `out` in the calling thread; the count, less only at the end. Only producers of
    // decode channels give anything.
    virtual size_t Pull(uint8_t*, size_t) { return 0; }
};

enum class ChannelType { Stream, Music, User };
enum class PlayState : int { Stopped, Playing, Paused };

struct Sync {
    HSYNC handle;
    DWORD type;
    SYNCPROC* proc; // called on the notifier thread, see Notifier
    DWORD_PTR user;
};

// Tag blocks of a channel, kinds 0 to 5 (BASS_TAG_ID3 ... BASS_TAG_META); only the latest
// block of each kind is kept, so a stream that keeps sending metadata holds one block.
class TagStore {
public:
    void Set(DWORD kind, std::string block);
    // The calling thread's own copy of the block, valid until that thread asks for the same kind
    // again; null when there is none.
    const char* Get(DWORD kind);

private:
    static constexpr DWORD kKinds = 6;
    std::mutex mutex_; // protects blocks_
    std::optional<std::string> blocks_[kKinds];
};

class Channel {
public:
    Channel(DWORD handle, ChannelType type, const BASS_CHANNELINFO& info, double bufferSeconds,
            double resumeSeconds);

    const DWORD handle;
    const ChannelType type;
    const BASS_CHANNELINFO info;

    size_t FrameBytes() const { return info.chans * SampleBytes(); }
    size_t SampleBytes() const {
        return (info.flags & BASS_SAMPLE_8BITS) && type == ChannelType::User ? 1 : 2;
    }
    QWORD FramesToBytes(uint64_t frames) const { return frames * FrameBytes(); }

    // --- producer side
    SpscRing ring;
    std::atomic<bool> producerEnded{false}; // the producer has written its last byte
    // Sleeps until the mixer has taken data, the state changed or Wake was called.
    void WaitForChange(uint32_t seen) { wake_.wait(seen, std::memory_order_acquire); }
    uint32_t WakeCount() const { return wake_.load(std::memory_order_acquire); }
    void Wake() {
        wake_.fetch_add(1, std::memory_order_acq_rel);
        wake_.notify_all();
    }
    // With the mixer lock held, by the producer: the next frame written is `frame`.
    void RestartAt(uint64_t frame);

    // --- mixer side, with the mixer lock held. Returns true when the channel just ended.
    // `heardAt`: when the device will have played what this call mixes (steady clock, ns).
    bool MixInto(float* stereo, int frames, int deviceRate, float globalGain, int64_t heardAt);
    // Mixer lock held: whether the channel plays and has `frames` device frames buffered (or all
    // it will ever have), so mixing it now fills a buffer without running dry.
    bool CanFill(int frames, int deviceRate) const;
    // Drops what is buffered and counts from 0 again (user streams), mixer lock held.
    void DiscardBuffered();
    // How often DiscardBuffered ran: a producer that sees it change while it fetched data drops
    // that data, which belongs before the stop. Changed with the mixer lock held.
    std::atomic<uint64_t> discards{0};
    // The `count` most recently heard samples, channels mixed, oldest first; mixer lock held.
    void CopyHistory(float* out, int count) const;

    // --- state seen by the API
    std::atomic<int> state{static_cast<int>(PlayState::Stopped)};
    std::atomic<bool> stalled{false};
    std::atomic<bool> endPending{false}; // set by the mixer, taken by the notifier
    // When the device will have played the last sample (steady clock, ns); set before endPending.
    std::atomic<int64_t> endHeardAt{0};
    std::atomic<uint64_t> heardFrames{0};
    std::atomic<int64_t> lengthFrames{-1}; // -1 while not known
    std::atomic<int> frequency;
    std::atomic<int> volume{100};
    std::atomic<int> pan{0};
    void SetState(PlayState s) {
        state.store(static_cast<int>(s));
        Wake();
    }
    PlayState State() const { return static_cast<PlayState>(state.load()); }

    std::unique_ptr<Producer> producer;
    TagStore tags;
    std::mutex* mixerLock = nullptr; // the mixer's lock, for producers that restart the ring
    std::condition_variable* mixerReady = nullptr; // the mixer's, see Fill
    // The producer's write to the ring: a mixer holding its buffer back until the ring has
    // enough looks again at once, not at its next poll.
    size_t Fill(const void* bytes, size_t size);

    HSYNC AddSync(DWORD type, SYNCPROC* proc, DWORD_PTR user);
    bool RemoveSync(HSYNC sync);
    std::vector<Sync> SyncsOfType(DWORD type); // removes the one-time ones it returns
    std::atomic<bool> downloadDone{false};     // for a download sync set afterwards

    // A BASS_STREAM_DECODE channel is read by the application (Producer::Pull) instead of the
    // mixer; its ring stays unused.
    bool decodeOnly = false;

    static constexpr int kHistory = 2048; // enough for the largest FFT

private:
    bool NextFrame();
    // At the device's own rate each frame is heard as it comes, two frames after it was taken
    // (the pair the interpolation holds): what the interpolating loop does with a fraction that
    // stays 0, a block at a time. True when the ring ran dry.
    bool MixAsItComes(float* stereo, int frames, const float gains[2], uint64_t& advanced);
    // Moves past frames of the block: the held pair and the history follow.
    void Take(size_t frames);
    // Takes the next frames from the ring into the scratch buffers; false when it was empty.
    bool Refill();
    void ClearMixState();

    std::atomic<uint32_t> wake_{0};
    size_t resumeBytes_;

    // Mixing state, touched only with the mixer lock held.
    float previous_[2] = {0, 0}, next_[2] = {0, 0};
    double fraction_ = 0;
    std::vector<uint8_t> scratch_;     // frames taken from the ring, as they came
    std::vector<float> scratchStereo_; // the held pair, then each frame as left and right
                                       // (mono twice), -1..1
    std::vector<float> scratchMean_;   // each of them as the mean of its channels
    size_t scratchCount_ = 0, scratchIndex_ = 0;
    float history_[kHistory] = {};
    unsigned historyPos_ = 0;

    std::mutex syncMutex_; // protects syncs_ and nextSync_
    std::vector<Sync> syncs_;
    HSYNC nextSync_ = 1;
};

} // namespace bass
