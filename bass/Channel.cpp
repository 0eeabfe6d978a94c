#include "Channel.h"

#include <algorithm>
#include <cmath>

namespace bass {

namespace {
constexpr size_t kScratchFrames = 1024;
constexpr size_t kHeldFrames = 2; // previous_ and next_, ahead of a block's frames
constexpr size_t kMaxChannels = 8;

size_t RoundToFrames(double seconds, const BASS_CHANNELINFO& info, size_t frameBytes) {
    return std::max<size_t>(1, static_cast<size_t>(seconds * info.freq)) * frameBytes;
}
} // namespace

void TagStore::Set(DWORD kind, std::string block) {
    std::lock_guard lock(mutex_);
    if (kind < kKinds)
        blocks_[kind] = std::move(block);
}

const char* TagStore::Get(DWORD kind) {
    // Copies the caller keeps: the store itself may replace its block at any time.
    thread_local std::string copies[kKinds];
    std::lock_guard lock(mutex_);
    if (kind >= kKinds || !blocks_[kind])
        return nullptr;
    copies[kind] = *blocks_[kind];
    return copies[kind].c_str();
}

Channel::Channel(DWORD handleValue, ChannelType typeValue, const BASS_CHANNELINFO& infoValue,
                 double bufferSeconds, double resumeSeconds)
    : handle(handleValue), type(typeValue), info(infoValue),
      ring(RoundToFrames(bufferSeconds, infoValue, FrameBytes())),
      frequency(static_cast<int>(infoValue.freq)),
      resumeBytes_(RoundToFrames(resumeSeconds, infoValue, FrameBytes())),
      scratch_(kScratchFrames * FrameBytes()), scratchStereo_(2 * (kHeldFrames + kScratchFrames)),
      scratchMean_(kScratchFrames) {}

void Channel::ClearMixState() {
    previous_[0] = previous_[1] = next_[0] = next_[1] = 0;
    fraction_ = 0;
    scratchCount_ = scratchIndex_ = 0;
    stalled = false;
}

void Channel::RestartAt(uint64_t frame) {
    ring.Reset();
    ClearMixState();
    heardFrames = frame;
    producerEnded = false;
    endPending = false;
}

size_t Channel::Fill(const void* bytes, size_t size) {
    const size_t written = ring.Write(static_cast<const uint8_t*>(bytes), size);
    if (written > 0 && mixerReady != nullptr)
        mixerReady->notify_all();
    return written;
}

void Channel::DiscardBuffered() {
    discards.fetch_add(1);
    ring.DiscardAll();
    ClearMixState();
    heardFrames = 0;
    producerEnded = false;
    Wake();
}

void Channel::CopyHistory(float* out, int count) const {
    const unsigned first = historyPos_ + kHistory - static_cast<unsigned>(count);
    for (int i = 0; i < count; ++i)
        out[i] = history_[(first + i) % kHistory];
}

bool Channel::Refill() {
    const size_t frameBytes = FrameBytes();
    const size_t frames = std::min(ring.Used() / frameBytes, kScratchFrames);
    scratchCount_ = ring.Read(scratch_.data(), frames * frameBytes) / frameBytes;
    scratchIndex_ = 0;
    // The pair held from the last block goes first: the frames heard next, all in one array.
    std::copy_n(previous_, 2, scratchStereo_.begin());
    std::copy_n(next_, 2, scratchStereo_.begin() + 2);
    float* const stereo = scratchStereo_.data() + 2 * kHeldFrames;
    // Converted a block at a time: the mixer then takes each frame as two floats.
    const unsigned chans = std::min<unsigned>(info.chans, kMaxChannels);
    const bool eightBit = SampleBytes() == 1;
    if (!eightBit && chans == 2) { // the common case, in a loop the compiler can vectorise
        for (size_t i = 0; i < scratchCount_; ++i) {
            int16_t values[2];
            std::memcpy(values, scratch_.data() + 4 * i, 4);
            const float left = values[0] / 32768.0f, right = values[1] / 32768.0f;
            stereo[2 * i] = left;
            stereo[2 * i + 1] = right;
            scratchMean_[i] = (left + right) / 2.0f;
        }
        return scratchCount_ > 0;
    }
    for (size_t i = 0; i < scratchCount_; ++i) {
        const uint8_t* frame = scratch_.data() + i * frameBytes;
        float first = 0, second = 0, sum = 0;
        for (unsigned c = 0; c < chans; ++c) {
            float sample;
            if (eightBit) {
                sample = (static_cast<int>(frame[c]) - 128) / 128.0f;
            } else {
                int16_t value;
                std::memcpy(&value, frame + 2 * c, 2);
                sample = value / 32768.0f;
            }
            if (c == 0)
                first = sample;
            else if (c == 1)
                second = sample;
            sum += sample;
        }
        stereo[2 * i] = first;
        stereo[2 * i + 1] = chans > 1 ? second : first;
        scratchMean_[i] = sum / static_cast<float>(chans);
    }
    return scratchCount_ > 0;
}

bool Channel::NextFrame() {
    if (scratchIndex_ == scratchCount_ && !Refill())
        return false;
    Take(1);
    return true;
}

void Channel::Take(size_t frames) {
    const float* held = scratchStereo_.data() + 2 * (scratchIndex_ + frames);
    std::copy_n(held, 2, previous_);
    std::copy_n(held + 2, 2, next_);
    const float* means = scratchMean_.data() + scratchIndex_;
    scratchIndex_ += frames;
    while (frames > 0) {
        const size_t run = std::min<size_t>(frames, kHistory - historyPos_);
        std::copy_n(means, run, history_ + historyPos_);
        historyPos_ = (historyPos_ + run) % kHistory;
        means += run;
        frames -= run;
    }
}

bool Channel::MixAsItComes(float* stereo, int frames, const float gains[2], uint64_t& advanced) {
    const float left = gains[0], right = gains[1];
    const auto wanted = static_cast<size_t>(frames);
    for (size_t done = 0; done < wanted;) {
        if (scratchIndex_ == scratchCount_ && !Refill()) {
            // The frame held first is still heard as the ring runs dry.
            stereo[2 * done] += previous_[0] * left;
            stereo[2 * done + 1] += previous_[1] * right;
            return true;
        }
        const size_t count = std::min(wanted - done, scratchCount_ - scratchIndex_);
        const float* heard = scratchStereo_.data() + 2 * scratchIndex_;
        float* out = stereo + 2 * done;
        for (size_t i = 0; i < count; ++i) {
            out[2 * i] += heard[2 * i] * left;
            out[2 * i + 1] += heard[2 * i + 1] * right;
        }
        Take(count);
        advanced += count;
        done += count;
    }
    return false;
}

bool Channel::MixInto(float* stereo, int frames, int deviceRate, float globalGain,
                      int64_t heardAt) {
    if (State() != PlayState::Playing)
        return false;
    if (stalled) {
        if (!producerEnded.load(std::memory_order_acquire) && ring.Used() < resumeBytes_)
            return false;
        stalled = false;
    }
    const double step = static_cast<double>(frequency.load()) / deviceRate;
    const float gain = globalGain * static_cast<float>(volume.load()) / 100.0f;
    const int panValue = pan.load();
    const float gains[2] = {gain * (panValue > 0 ? (100 - panValue) / 100.0f : 1.0f),
                            gain * (panValue < 0 ? (100 + panValue) / 100.0f : 1.0f)};
    uint64_t advanced = 0;
    bool starved = false;
    const bool asItComes = step == 1.0 && fraction_ == 0.0;
    if (asItComes)
        starved = MixAsItComes(stereo, frames, gains, advanced);
    for (int i = 0; i < frames && !starved && !asItComes; ++i) {
        const float f = static_cast<float>(fraction_);
        stereo[2 * i] += (previous_[0] + (next_[0] - previous_[0]) * f) * gains[0];
        stereo[2 * i + 1] += (previous_[1] + (next_[1] - previous_[1]) * f) * gains[1];
        fraction_ += step;
        while (fraction_ >= 1.0) {
            if (!NextFrame()) {
                starved = true;
                fraction_ = 0;
                break;
            }
            fraction_ -= 1.0;
            ++advanced;
        }
    }
    heardFrames.fetch_add(advanced, std::memory_order_relaxed);
    // The producer refills in large steps: woken once a quarter of the ring is free, it decodes
    // a few times a second instead of after every device buffer.
    if (starved || ring.Free() >= ring.Capacity() / 4)
        Wake();
    if (!starved)
        return false;
    // The producer stores its end after its last bytes, so read the flag before the ring.
    if (producerEnded.load(std::memory_order_acquire) && ring.Used() < FrameBytes()) {
        state.store(static_cast<int>(PlayState::Stopped));
        endHeardAt = heardAt;
        endPending = true;
        return true;
    }
    stalled = true;
    return false;
}

bool Channel::CanFill(int frames, int deviceRate) const {
    if (State() != PlayState::Playing)
        return false;
    if (producerEnded.load(std::memory_order_acquire))
        return true;
    const uint64_t sourceFrames =
        static_cast<uint64_t>(frames) * static_cast<uint64_t>(frequency.load()) / deviceRate + 1;
    const size_t wanted = std::max<size_t>(FramesToBytes(sourceFrames), stalled ? resumeBytes_ : 0);
    return ring.Used() + (scratchCount_ - scratchIndex_) * FrameBytes() >=
           std::min(wanted, ring.Capacity());
}

HSYNC Channel::AddSync(DWORD type, SYNCPROC* proc, DWORD_PTR user) {
    std::lock_guard lock(syncMutex_);
    syncs_.push_back({nextSync_, type, proc, user});
    return nextSync_++;
}

bool Channel::RemoveSync(HSYNC sync) {
    std::lock_guard lock(syncMutex_);
    const auto it =
        std::find_if(syncs_.begin(), syncs_.end(), [&](const Sync& s) { return s.handle == sync; });
    if (it == syncs_.end())
        return false;
    syncs_.erase(it);
    return true;
}

std::vector<Sync> Channel::SyncsOfType(DWORD type) {
    std::lock_guard lock(syncMutex_);
    std::vector<Sync> matching;
    for (const Sync& s : syncs_)
        if ((s.type & 0xFFFF) == type)
            matching.push_back(s);
    // A download completes once, so its syncs go with it.
    std::erase_if(syncs_, [&](const Sync& s) {
        return (s.type & 0xFFFF) == type &&
               ((s.type & BASS_SYNC_ONETIME) || type == BASS_SYNC_DOWNLOAD);
    });
    return matching;
}

} // namespace bass
