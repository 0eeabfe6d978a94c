#include "engine/Connects.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>

namespace tavuro {

namespace {
constexpr auto kPumpStep = std::chrono::milliseconds(10);
} // namespace

std::optional<std::uint32_t> TConnects::Run(TConnect connect, TRelease release) {
    JoinFinished();
    auto state = std::make_shared<TState>();
    state->Release = std::move(release);
    Waiting.push_back(state);
    Workers.emplace_back(
        [state, connect = std::move(connect)] {
            const std::uint32_t channel = connect();
            std::lock_guard lock(state->Lock);
            if (state->GivenUp && channel != 0)
                state->Release(channel);
            else
                state->Channel = channel;
            state->Done = true;
            state->Changed.notify_all();
        },
        state);
    std::optional<std::uint32_t> result;
    for (;;) {
        {
            std::unique_lock lock(state->Lock);
            state->Changed.wait_for(lock, kPumpStep, [&] { return state->Done || state->GivenUp; });
            if (state->GivenUp)
                break;
            if (state->Done) {
                result = state->Channel;
                break;
            }
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPumpStep.count());
    }
    std::erase(Waiting, state);
    return result;
}

void TConnects::GiveUpAll() {
    for (const auto& state : Waiting) {
        std::lock_guard lock(state->Lock);
        state->GivenUp = true;
        // Done but not yet taken by its Run, which waits beneath the caller.
        if (state->Done && state->Channel != 0)
            state->Release(std::exchange(state->Channel, 0));
        state->Changed.notify_all();
    }
}

bool TConnects::Busy() {
    return std::any_of(Workers.begin(), Workers.end(), [](const auto& worker) {
        std::lock_guard lock(worker.second->Lock);
        return !worker.second->Done;
    });
}

void TConnects::JoinFinished() {
    std::erase_if(Workers, [](auto& worker) {
        {
            std::lock_guard lock(worker.second->Lock);
            if (!worker.second->Done)
                return false;
        }
        worker.first.join();
        return true;
    });
}

void TConnects::JoinAll() {
    for (auto& worker : Workers)
        worker.first.join();
    Workers.clear();
}

} // namespace tavuro
