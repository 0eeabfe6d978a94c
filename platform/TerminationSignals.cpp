#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace tavuro {

namespace {

constexpr int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe's two ends: the handler writes, the event loop reads.
int PipeEnds[2] = {-1, -1};

// What the handler knows of the signals so far; the handler alone changes them once installed.
volatile sig_atomic_t SignalsSeen = 0;
timespec FirstSignalAt{};
long long HungCloseGraceNanoseconds = 0;

long long NanosecondsSince(const timespec& then) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - then.tv_sec) * 1000000000LL + (now.tv_nsec - then.tv_nsec);
}

// Runs in whatever thread the signal interrupts: only async-signal-safe calls.
extern "C" void WriteSignalToPipe(int signal) {
    const int savedErrno = errno;
    if (SignalsSeen == 0)
        clock_gettime(CLOCK_MONOTONIC, &FirstSignalAt);
    if (SignalsSeen < 3)
        SignalsSeen = SignalsSeen + 1;
    if (SignalsSeen >= 3 && NanosecondsSince(FirstSignalAt) >= HungCloseGraceNanoseconds) {
        // The close hangs: the signal takes its default action once this handler returns.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigaction(signal, &fallback, nullptr);
        raise(signal);
    }
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

TTerminationSignals::TTerminationSignals(QObject* parent, std::chrono::milliseconds hungCloseGrace)
    : QObject(parent) {
    if (pipe2(PipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their default action: the player ends without saving
    SignalsSeen = 0;
    HungCloseGraceNanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(hungCloseGrace).count();
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
    if (OnSignal)
        OnSignal(numbers[0]);
}

} // namespace tavuro
