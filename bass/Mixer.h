// The output: SDL's default audio device, or for device 0 a clock thread that consumes the
// channels in real time without sound. Mixes every playing channel into 16-bit stereo.
#pragma once

#include <SDL2/SDL.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace bass {

class Channel;
class Notifier;
enum class PlayState : int;

class Mixer {
public:
    // Returns a BASS error code.
    int Open(int device, int rate, Notifier& notifier);
    void Close();
    bool IsOpen() const { return open_; }
    int Rate() const { return rate_; }
    int Device() const { return deviceNumber_; }

    // Held by the mixing callback for one buffer; the API takes it for short state changes.
    std::mutex& Lock() { return mutex_; }
    // With Lock() held: adds the channel to the mix (no-op when already in it) or removes it.
    bool Add(Channel* channel);
    void Remove(Channel* channel);
    // With Lock() held, once a channel in the mix was set playing: lets a held buffer go to it.
    void Started() { channelReady_.notify_all(); }
    // Notified, too, when a producer wrote to its ring (Channel::Fill).
    std::condition_variable& ChannelReady() { return channelReady_; }

    std::atomic<int> streamVolume{100}; // BASS_CONFIG_GVOL_STREAM
    std::atomic<int> musicVolume{100};  // BASS_CONFIG_GVOL_MUSIC

    // Mixes `frames` stereo frames into out. Called with Lock() held.
    void Mix(int16_t* out, int frames);

private:
    // SDL's audio thread asks for the next buffer: mixes it under Lock().
    static void SdlCallback(void* self, Uint8* stream, int bytes);
    // While the next buffer would be silent, holds it back (the device plays out what it has): a
    // channel started meanwhile is heard at once, not after silence already queued. A paused
    // channel keeps the device going, so the silence of a pause is written out in real time.
    void HoldWhileSilent(std::unique_lock<std::mutex>& lock, int frames);
    bool AnyChannelIn(PlayState state) const;
    bool AnyChannelCanFill(int frames) const;
    void RunClock();

    static constexpr int kMaxChannels = 64;
    static constexpr int kBlockFrames = 1024;
    static constexpr int kDeviceFrames = 2048; // 46 ms at 44.1 kHz: fewer wake-ups, still prompt
    // How long an idle device waits for a channel before it takes a buffer of silence after all,
    // and how often a playing channel that is still filling its ring is looked at when no write
    // of its producer woke the callback.
    static constexpr std::chrono::milliseconds kIdleHold{1000};
    static constexpr std::chrono::milliseconds kFillingPoll{2};

    std::mutex mutex_; // protects channels_, count_, closing_ and every channel's mixing state
    std::condition_variable channelReady_; // a channel started, or a producer wrote to its ring
    bool closing_ = false;                 // a held buffer is let go at once
    std::array<Channel*, kMaxChannels> channels_{};
    int count_ = 0;
    std::vector<float> accumulator_ = std::vector<float>(2 * kBlockFrames);
    Notifier* notifier_ = nullptr;
    bool open_ = false;
    int rate_ = 44100;
    int deviceNumber_ = 0;
    int latencyFrames_ = 0; // the device's buffer: what is mixed is heard this much later
    SDL_AudioDeviceID sdlDevice_ = 0;
    // The no-sound clock thread (device 0): mixes into a scratch buffer at the wall clock's pace
    // while a channel plays or is paused; sleeps otherwise.
    std::thread clock_;
    std::atomic<bool> clockRunning_{false};
};

} // namespace bass
