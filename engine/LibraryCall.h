#pragma once

#include <QCoreApplication>

#include <chrono>
#include <future>

namespace tavuro {

// Runs a blocking library call (connecting to a network address may take the library's whole
// timeout) on a worker thread while the GUI thread keeps handling its events, and returns the
// call's result. The caller guards against re-entry while it waits.
template <typename TCall>
auto CallPumpingEvents(TCall call) {
    auto result = std::async(std::launch::async, std::move(call));
    while (result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return result.get();
}

} // namespace tavuro
