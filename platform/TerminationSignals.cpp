#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tavuro {

namespace {

constexpr int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe's two ends: the handler writes, the event loop reads.
int PipeEnds[2] = {-1, -1};

// Runs in whatever thread the signal interrupts: only async-signal-safe calls.
extern "C" void WriteSignalToPipe(int signal) {
    const int savedErrno = errno;
    const char number = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = write(PipeEnds[1], &number, 1);
    errno = savedErrno;
}

// A signal ignored when the program started (nohup, a background job) stays ignored.
bool IgnoredAtStart(int signal) {
    struct sigaction current {};
    return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

void SetHandlers(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : HandledSignals)
        if (!IgnoredAtStart(signal))
            sigaction(signal, &action, nullptr);
}

} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {
    if (pipe2(PipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their default action: the player ends without saving
    Notifier = new QSocketNotifier(PipeEnds[0], QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TTerminationSignals::ReadPipe);
    SetHandlers(WriteSignalToPipe);
}

TTerminationSignals::~TTerminationSignals() {
    if (!Notifier)
        return;
    SetHandlers(SIG_DFL);
    delete Notifier;
    close(PipeEnds[0]);
    close(PipeEnds[1]);
    PipeEnds[0] = PipeEnds[1] = -1;
}

void TTerminationSignals::ReadPipe() {
    char numbers[16];
    // Signals after the first only repeat the request; what is left in the pipe is read later.
    const ssize_t got = read(PipeEnds[0], numbers, sizeof numbers);
    if (got <= 0 || Delivered)
        return;
    Delivered = true;
    SetHandlers(SIG_DFL);
    if (OnSignal)
        OnSignal(numbers[0]);
}

} // namespace tavuro
