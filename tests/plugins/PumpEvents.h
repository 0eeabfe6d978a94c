#pragma once

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <thread>

namespace tavuro::test {

// Handles the GUI thread's events until done() holds or the time is up; whether it holds.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace tavuro::test
