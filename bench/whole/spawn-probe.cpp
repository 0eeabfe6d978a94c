// Times a program from its spawn to a moment a user notices, for the whole-process benchmark:
//   spawn-probe window COMMAND...        until its first top-level window is mapped
//   spawn-probe sound FILE COMMAND...    until SDL's disk driver writes a non-silent sample to FILE
// Prints the milliseconds and the peak resident memory (kB) one second later, then ends the
// program. Run on an X server without a window manager, so that the program maps its own window.
#include <X11/Xlib.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

pid_t Spawn(char** command) {
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid, command[0], &actions, nullptr, command, environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

long PeakResidentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Waits for the first map of a window that is not override-redirect; false after 30 s.
bool WaitForWindow(Display* display, pid_t pid) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect)
                return true;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

// Waits for a non-zero 16-bit sample in the file the disk driver writes; false after 30 s.
bool WaitForSound(const char* path, pid_t pid) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    std::vector<char> buffer(1 << 16);
    off_t offset = 0;
    int file = -1;
    while (Clock::now() < deadline) {
        if (file < 0)
            file = open(path, O_RDONLY);
        if (file >= 0) {
            const ssize_t got = pread(file, buffer.data(), buffer.size(), offset);
            for (ssize_t i = 0; i + 1 < got; i += 2)
                if (buffer[i] != 0 || buffer[i + 1] != 0) {
                    close(file);
                    return true;
                }
            if (got > 0)
                offset += got & ~1;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (file >= 0)
        close(file);
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const bool sound = argc > 3 && std::strcmp(argv[1], "sound") == 0;
    const bool window = argc > 2 && std::strcmp(argv[1], "window") == 0;
    if (!sound && !window) {
        std::fprintf(stderr, "usage: spawn-probe window COMMAND... | sound FILE COMMAND...\n");
        return 2;
    }
    Display* display = nullptr;
    if (window) {
        display = XOpenDisplay(nullptr);
        if (display == nullptr) {
            std::fprintf(stderr, "spawn-probe: no X display\n");
            return 1;
        }
        XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
        XSync(display, False);
    } else {
        unlink(argv[2]);
    }
    const auto start = Clock::now();
    const pid_t pid = Spawn(argv + (window ? 2 : 3));
    if (pid < 0)
        return 1;
    const bool seen = window ? WaitForWindow(display, pid) : WaitForSound(argv[2], pid);
    const double elapsed = MillisecondsSince(start);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long peak = PeakResidentKilobytes(pid);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (!seen) {
        std::fprintf(stderr, "spawn-probe: %s never came\n", window ? "a window" : "a sound");
        return 1;
    }
    std::printf("%.1f %ld\n", elapsed, peak);
    return 0;
}
