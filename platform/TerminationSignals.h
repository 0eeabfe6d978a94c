#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace tavuro {

// SIGTERM, SIGINT and SIGHUP, handed to the GUI thread's event loop: the handler only writes the
// signal's number into a pipe, and the loop reads it and calls OnSignal there. After the first
// one the signals take their default action again, so a second one ends a player whose shutdown
// hangs. One instance per process.
class TTerminationSignals : public QObject {
public:
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;

    // Called on the GUI thread, once, with the signal's number.
    std::function<void(int signal)> OnSignal;

private:
    void ReadPipe();

    QSocketNotifier* Notifier = nullptr;
    bool Delivered = false;
};

} // namespace tavuro
