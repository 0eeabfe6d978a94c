// The library's one device, its channels and its settings.
#pragma once

#include <atomic>
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
    DWORD Register(ChannelType type, const BASS_CHANNELINFO& info,
                   std::unique_ptr<Producer> producer, double bufferSeconds, double resumeSeconds,
                   const std::function<void(Channel&)>& prepare);
    std::vector<std::shared_ptr<Channel>> Snapshot() const;

    std::mutex lifecycleMutex_; // serialises Init and Free
    std::atomic<bool> initialised_{false};
    Mixer mixer_;
    Notifier notifier_;
    FftAnalyser analyser_;
    mutable std::mutex registryMutex_; // protects channels_ and nextHandle_
    std::map<DWORD, std::shared_ptr<Channel>> channels_;
    DWORD nextHandle_ = 1;
};

} // namespace bass
