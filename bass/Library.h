// The library's one device, its channels and its settings.
#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "Analyser.h"
#include "Channel.h"
#include "Decoder.h"
#include "Mixer.h"
#include "Notifier.h"

namespace bass {

class Library {
public:
    static Library& Instance();
    // A program that never called BASS_Free still ends without running threads.
    ~Library() { Free(); }

    int Init(int device, DWORD freq); // BASS error code
    // Frees every channel and the device. Opens in progress on other threads give up at their
    // next wait and fail with BASS_ERROR_INIT; Free returns once they have.
    int Free();
    bool Initialised() const { return initialised_; }

    // Channels, created with the library initialised. Null with a BASS error code.
    DWORD CreateFileStream(const std::string& path, SourceKind kind, DWORD flags, int& error);
    DWORD CreateNetworkStream(const std::string& url, DWORD flags, int& error);
    // A stream through one of FFmpeg's own network protocols (mms).
    DWORD CreateProtocolStream(const std::string& url, SourceKind kind, int& error);
    DWORD CreateUserStream(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, DWORD_PTR user,
                           int& error);
    std::shared_ptr<Channel> Find(DWORD handle) const;
    int FreeChannel(DWORD handle);

    Mixer& Output() { return mixer_; }
    Notifier& Notices() { return notifier_; }
    FftAnalyser& Analyser() { return analyser_; }

    std::atomic<DWORD> netTimeoutMs{5000};
    std::atomic<DWORD> netBufferMs{5000};

private:
    // An open in progress, counted so that Free can make it give up and wait for it.
    class OpenTicket {
    public:
        explicit OpenTicket(Library& library);
        ~OpenTicket();
        // True once Free has run since the open began (or the library was not initialised).
        bool Cancelled() const;
        CancelCheck Check() const;

    private:
        Library& library_;
        uint64_t epoch_;
    };

    // True once the library is not initialised, or was freed after `epoch` was read from frees_.
    bool FreedSince(uint64_t epoch) const { return !initialised_ || frees_ != epoch; }

    DWORD Register(ChannelType type, const BASS_CHANNELINFO& info,
                   std::unique_ptr<Producer> producer, double bufferSeconds, double resumeSeconds,
                   const std::function<void(Channel&)>& prepare);
    std::vector<std::shared_ptr<Channel>> Snapshot() const;

    std::mutex lifecycleMutex_; // serialises Init and Free
    std::atomic<bool> initialised_{false};
    std::atomic<uint64_t> frees_{0}; // opens begun before the last Free are given up
    std::mutex opensMutex_;          // protects opens_
    std::condition_variable opensDone_;
    int opens_ = 0;
    Mixer mixer_;
    Notifier notifier_;
    FftAnalyser analyser_;
    mutable std::mutex registryMutex_; // protects channels_ and nextHandle_
    std::map<DWORD, std::shared_ptr<Channel>> channels_;
    DWORD nextHandle_ = 1;
};

} // namespace bass
