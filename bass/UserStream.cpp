#include "UserStream.h"

#include <algorithm>
#include <mutex>

namespace bass {

void UserStream::Start(Channel& channel) {
    channel_ = &channel;
    const size_t frames =
        std::max<size_t>(1, static_cast<size_t>(kChunkSeconds * channel.info.freq));
    chunk_.resize(frames * channel.FrameBytes());
    thread_ = std::thread([this] { Run(); });
}

void UserStream::Rewind() {
    std::lock_guard lock(*channel_->mixerLock);
    channel_->DiscardBuffered();
}

void UserStream::Shutdown() {
    quit_ = true;
    if (channel_)
        channel_->Wake();
    if (thread_.joinable())
        thread_.join();
}

void UserStream::Run() {
    while (!quit_) {
        const uint32_t seen = channel_->WakeCount();
        const uint64_t discards = channel_->discards.load();
        if (channel_->State() != PlayState::Playing || channel_->producerEnded.load() ||
            channel_->ring.Free() < chunk_.size()) {
            channel_->WaitForChange(seen);
            continue;
        }
        const DWORD result =
            proc_(channel_->handle, chunk_.data(), static_cast<DWORD>(chunk_.size()), user_);
        const size_t delivered = std::min<size_t>(result & ~BASS_STREAMPROC_END, chunk_.size());
        // Under the mixer lock, so that a stop cannot come between the check and the write.
        std::lock_guard lock(*channel_->mixerLock);
        if (channel_->discards.load() != discards)
            continue; // stopped while the callback ran: what it gave belongs before the stop
        channel_->Fill(chunk_.data(), delivered);
        if (result & BASS_STREAMPROC_END)
            channel_->producerEnded.store(true, std::memory_order_release);
    }
}

} // namespace bass
