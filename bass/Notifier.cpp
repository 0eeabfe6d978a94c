#include "Notifier.h"

#include <algorithm>

#include "Channel.h"

namespace bass {

void Notifier::Start(Lookup lookup, Snapshot snapshot) {
    lookup_ = std::move(lookup);
    snapshot_ = std::move(snapshot);
    running_ = true;
    thread_ = std::thread([this] { Run(); });
}

void Notifier::Stop() {
    if (!thread_.joinable())
        return;
    running_ = false;
    SignalEnd();
    thread_.join();
    std::lock_guard lock(queueMutex_);
    queue_.clear();
}

void Notifier::Post(DWORD channel, DWORD type, std::string data) {
    {
        std::lock_guard lock(queueMutex_);
        // A stream that floods metadata faster than it can be told would grow the queue without
        // end: past a few waiting blocks, the newest replaces the last one waiting.
        const auto waitingMeta = [&](const Event& e) {
            return e.type == BASS_SYNC_META && e.channel == channel;
        };
        if (type == BASS_SYNC_META &&
            std::count_if(queue_.begin(), queue_.end(), waitingMeta) >= kMaxWaitingMeta)
            std::find_if(queue_.rbegin(), queue_.rend(), waitingMeta)->data = std::move(data);
        else
            queue_.push_back({channel, type, std::move(data)});
    }
    SignalEnd();
}

void Notifier::WaitForCallbacks() {
    if (std::this_thread::get_id() == thread_.get_id())
        return;
    std::lock_guard lock(callbackMutex_);
}

void Notifier::Fire(Channel& channel, DWORD type, const char* data) {
    for (const Sync& sync : channel.SyncsOfType(type))
        sync.proc(sync.handle, channel.handle, reinterpret_cast<DWORD_PTR>(data), sync.user);
}

void Notifier::WaitUntilHeard(const Channel& channel) {
    const std::chrono::steady_clock::time_point heard{
        std::chrono::nanoseconds(channel.endHeardAt.load())};
    std::this_thread::sleep_until(std::min(heard, std::chrono::steady_clock::now() + kMaxLatency));
}

void Notifier::Run() {
    while (running_) {
        const uint32_t seen = wake_.load(std::memory_order_acquire);
        std::deque<Event> events;
        {
            std::lock_guard lock(queueMutex_);
            events.swap(queue_);
        }
        {
            std::lock_guard callbacks(callbackMutex_);
            for (const Event& event : events)
                if (auto channel = lookup_(event.channel))
                    Fire(*channel, event.type, event.data.c_str());
            for (const auto& channel : snapshot_()) {
                if (!channel->endPending.exchange(false))
                    continue;
                WaitUntilHeard(*channel);
                Fire(*channel, BASS_SYNC_END, nullptr);
            }
        }
        if (events.empty())
            wake_.wait(seen, std::memory_order_acquire);
    }
}

} // namespace bass
