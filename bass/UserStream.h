// A stream whose PCM comes from the application's STREAMPROC, pulled on a feeder thread while
// the stream plays, so a slow callback never holds up the mixing callback.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

#include "Channel.h"

namespace bass {

class UserStream final : public Producer {
public:
    UserStream(STREAMPROC* proc, DWORD_PTR user) : proc_(proc), user_(user) {}
    ~UserStream() override { Shutdown(); }

    // How much of the source's audio the channel buffers, and asks for at a time.
    static constexpr double kBufferSeconds = 0.2;
    static constexpr double kChunkSeconds = 0.05;

    void Start(Channel& channel) override;
    int Seek(uint64_t) override { return BASS_ERROR_NOTAVAIL; }
    void Rewind() override;
    void Shutdown() override;
    DWORD FilePosition(DWORD) override { return 0xFFFFFFFF; }

private:
    void Run();

    STREAMPROC* const proc_; // the application's callback, called on thread_ only
    const DWORD_PTR user_;
    Channel* channel_ = nullptr;
    std::vector<uint8_t> chunk_;
    std::atomic<bool> quit_{false};
    // The feeder thread: calls proc_ whenever the stream plays and its ring has room for a chunk.
    std::thread thread_;
};

} // namespace bass
