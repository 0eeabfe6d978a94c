#include "Mixer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "Channel.h"
#include "Notifier.h"
#include "bass.h"

namespace bass {

int Mixer::Open(int device, int rate, Notifier& notifier) {
    notifier_ = &notifier;
    rate_ = rate > 0 ? rate : 44100;
    deviceNumber_ = device;
    closing_ = false;
    if (device == 0) {
        clockRunning_ = true;
        clock_ = std::thread([this] { RunClock(); });
        open_ = true;
        return BASS_OK;
    }
    // The player's switch for machines without speakers: SDL's dummy driver keeps time and
    // plays silence. SDL_AUDIODRIVER set by the user still wins over this hint.
    const char* nullOutput = std::getenv("TAVURO_NULL_OUTPUT");
    if (nullOutput != nullptr && std::string_view(nullOutput) == "1")
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    // SDL would otherwise turn SIGINT and SIGTERM into quit events nobody reads here, and the
    // program using the library could no longer be interrupted or terminated.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return BASS_ERROR_DRIVER;
    SDL_AudioSpec want{};
    want.freq = rate_;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceFrames;
    want.callback = &Mixer::SdlCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    sdlDevice_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (sdlDevice_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return BASS_ERROR_DEVICE;
    }
    accumulator_.assign(2 * std::max<int>(have.samples, kBlockFrames), 0.0f);
    latencyFrames_ = have.samples;
    open_ = true;
    SDL_PauseAudioDevice(sdlDevice_, 0);
    return BASS_OK;
}

void Mixer::Close() {
    if (!open_)
        return;
    if (sdlDevice_ != 0) {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        channelReady_.notify_all();
        SDL_CloseAudioDevice(sdlDevice_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlDevice_ = 0;
    }
    if (clock_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            clockRunning_ = false;
        }
        channelReady_.notify_all();
        clock_.join();
    }
    std::lock_guard lock(mutex_);
    count_ = 0;
    open_ = false;
}

bool Mixer::Add(Channel* channel) {
    for (int i = 0; i < count_; ++i)
        if (channels_[i] == channel)
            return true;
    if (count_ == kMaxChannels)
        return false;
    channels_[count_++] = channel;
    return true;
}

void Mixer::Remove(Channel* channel) {
    for (int i = 0; i < count_; ++i) {
        if (channels_[i] == channel) {
            channels_[i] = channels_[--count_];
            return;
        }
    }
}

void Mixer::Mix(int16_t* out, int frames) {
    const float streamGain = static_cast<float>(streamVolume.load()) / 100.0f;
    const float musicGain = static_cast<float>(musicVolume.load()) / 100.0f;
    const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    const int64_t heardAt = now + static_cast<int64_t>(latencyFrames_) * 1000000000 / rate_;
    while (frames > 0) {
        const int block = std::min<int>(frames, static_cast<int>(accumulator_.size() / 2));
        std::fill_n(accumulator_.begin(), 2 * block, 0.0f);
        bool ended = false;
        for (int i = 0; i < count_; ++i) {
            const float gain = channels_[i]->type == ChannelType::Music ? musicGain : streamGain;
            ended |= channels_[i]->MixInto(accumulator_.data(), block, rate_, gain, heardAt);
        }
        for (int i = 0; i < 2 * block; ++i)
            out[i] = static_cast<int16_t>(
                std::lrint(std::clamp(accumulator_[i] * 32768.0f, -32768.0f, 32767.0f)));
        if (ended)
            notifier_->SignalEnd();
        out += 2 * block;
        frames -= block;
    }
}

void Mixer::SdlCallback(void* self, Uint8* stream, int bytes) {
    auto* mixer = static_cast<Mixer*>(self);
    std::unique_lock lock(mixer->mutex_);
    mixer->HoldWhileSilent(lock, bytes / 4);
    mixer->Mix(reinterpret_cast<int16_t*>(stream), bytes / 4);
}

void Mixer::HoldWhileSilent(std::unique_lock<std::mutex>& lock, int frames) {
    using Clock = std::chrono::steady_clock;
    // Nothing playing or paused: the device is idle until a channel starts.
    const auto idleUntil = Clock::now() + kIdleHold;
    while (!closing_ && !AnyChannelIn(PlayState::Playing) && !AnyChannelIn(PlayState::Paused))
        if (channelReady_.wait_until(lock, idleUntil) == std::cv_status::timeout)
            return;
    // A channel just started, or buffering again, gets a buffer's time to fill its ring.
    const auto fillUntil = Clock::now() + std::chrono::microseconds(1000000LL * frames / rate_);
    while (!closing_ && AnyChannelIn(PlayState::Playing) && !AnyChannelCanFill(frames) &&
           Clock::now() < fillUntil)
        channelReady_.wait_for(lock, kFillingPoll);
}

bool Mixer::AnyChannelIn(PlayState state) const {
    return std::any_of(channels_.begin(), channels_.begin() + count_,
                       [&](const Channel* c) { return c->State() == state; });
}

bool Mixer::AnyChannelCanFill(int frames) const {
    return std::any_of(channels_.begin(), channels_.begin() + count_,
                       [&](const Channel* c) { return c->CanFill(frames, rate_); });
}

void Mixer::RunClock() {
    using Clock = std::chrono::steady_clock;
    std::vector<int16_t> sink(2 * kBlockFrames);
    auto start = Clock::now();
    uint64_t mixed = 0;
    while (clockRunning_) {
        {
            // Nothing to play: the clock sleeps until a channel starts and counts from then.
            std::unique_lock lock(mutex_);
            if (!AnyChannelIn(PlayState::Playing) && !AnyChannelIn(PlayState::Paused)) {
                channelReady_.wait(lock, [this] {
                    return !clockRunning_ || AnyChannelIn(PlayState::Playing) ||
                           AnyChannelIn(PlayState::Paused);
                });
                start = Clock::now();
                mixed = 0;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const auto due = static_cast<uint64_t>(elapsed * rate_);
        while (mixed < due) {
            const int frames = static_cast<int>(std::min<uint64_t>(due - mixed, kBlockFrames));
            std::lock_guard lock(mutex_);
            Mix(sink.data(), frames);
            mixed += frames;
        }
    }
}

} // namespace bass
