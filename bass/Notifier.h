// Runs sync callbacks on a library thread of its own, never on the mixing thread.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bass.h"

namespace bass {

class Channel;

class Notifier {
public:
    using Lookup = std::function<std::shared_ptr<Channel>(DWORD)>;
    using Snapshot = std::function<std::vector<std::shared_ptr<Channel>>()>;

    void Start(Lookup lookup, Snapshot snapshot);
    void Stop();

    // From producer threads: call the channel's syncs of `type` with `data` as their argument.
    void Post(DWORD channel, DWORD type, std::string data);
    // From the mixer: some channel has set its endPending flag. Never blocks or allocates.
    void SignalEnd() {
        wake_.fetch_add(1, std::memory_order_release);
        wake_.notify_one();
    }
    // Returns once no callback runs (unless called from a callback itself); with the channel
    // already unregistered no callback of it starts afterwards.
    void WaitForCallbacks();

private:
    struct Event {
        DWORD channel;
        DWORD type;
        std::string data;
    };
    void Run();
    void Fire(Channel& channel, DWORD type, const char* data);
    // Holds an end back until the device has played the channel's last sample.
    static void WaitUntilHeard(const Channel& channel);
    static constexpr std::chrono::milliseconds kMaxLatency{200};
    static constexpr std::ptrdiff_t kMaxWaitingMeta = 16; // per channel

    Lookup lookup_;     // the registered channel of a handle; called on the notifier thread
    Snapshot snapshot_; // every registered channel; called on the notifier thread
    // The notifier thread: takes posted events and pending ends, calls the syncs.
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<uint32_t> wake_{0};
    std::mutex queueMutex_; // protects queue_
    std::deque<Event> queue_;
    std::mutex callbackMutex_; // held while callbacks run, so a free can wait them out
};

} // namespace bass
