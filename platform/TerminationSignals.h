#pragma once

#include <QObject>

#include <chrono>
#include <functional>

class QSocketNotifier;

namespace tavuro {

// SIGTERM, SIGINT and SIGHUP, handed to the GUI thread's event loop: the handler only writes the
// signal's number into a pipe, and the loop reads it and calls OnSignal there, once. Signals
// after the first are absorbed, so a second one (a closing terminal and timeout both signal
// twice) cannot end the player in the middle of its close and lose what it saves; only a third
// or later one that comes hungCloseGrace after the first ends the program, whose close then
// hangs. One instance per process.
class TTerminationSignals : public QObject {
public:
    explicit TTerminationSignals(
        QObject* parent = nullptr,
        std::chrono::milliseconds hungCloseGrace = std::chrono::seconds(5));
    ~TTerminationSignals() override;

    // Called on the GUI thread, once, with the signal's number.
    std::function<void(int signal)> OnSignal;

private:
    void ReadPipe();

    QSocketNotifier* Notifier = nullptr;
    bool Delivered = false;
};

} // namespace tavuro
