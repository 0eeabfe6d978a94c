#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace tavuro {

// Connecting to a network address may take the audio library's whole timeout. The engine runs
// each connect on a worker while the GUI thread keeps handling its events, and may give it up
// meanwhile (a Close, another Open, destruction): the worker then frees the channel it still
// gets, so no channel outlives the engine's knowledge of it. GUI thread only.
class TConnects {
public:
    using TConnect = std::function<std::uint32_t()>;     // on the worker: a channel, 0 on failure
    using TRelease = std::function<void(std::uint32_t)>; // frees a channel given up on

    TConnects() = default;
    TConnects(const TConnects&) = delete;
    TConnects& operator=(const TConnects&) = delete;
    // Waits for the workers: their owner has made the library give their connects up first.
    ~TConnects() { JoinAll(); }

    // Runs connect on a worker and handles the thread's events until it returns: its channel (0
    // when it failed), or nothing when the connect was given up meanwhile.
    std::optional<std::uint32_t> Run(TConnect connect, TRelease release);
    // Gives up every connect that a Run still waits for.
    void GiveUpAll();
    // Whether a worker still runs, given up or not.
    bool Busy();
    void JoinAll();

private:
    struct TState {
        std::mutex Lock; // protects the fields below
        std::condition_variable Changed;
        bool GivenUp = false;
        bool Done = false;
        std::uint32_t Channel = 0;
        TRelease Release;
    };
    void JoinFinished();

    std::vector<std::shared_ptr<TState>> Waiting; // the connects of the Runs on the stack
    // Each worker runs one connect and stores (or, once given up, frees) its channel.
    std::vector<std::pair<std::thread, std::shared_ptr<TState>>> Workers;
};

} // namespace tavuro
