#include "platform/ProcessLauncher.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tavuro {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// An unquoted program path may hold blanks (a program folder "/opt/my player/"): as the system
// that defined these command lines does, try ever longer blank-separated prefixes until one
// names a program, and split only the rest into arguments.
std::vector<std::string> ResolveArguments(const std::string& commandLine) {
    const std::size_t start = commandLine.find_first_not_of(" \t");
    if (start != std::string::npos && commandLine[start] != '"') {
        for (std::size_t blank = commandLine.find_first_of(" \t", start);
             blank != std::string::npos; blank = commandLine.find_first_of(" \t", blank + 1)) {
            const std::string program = commandLine.substr(start, blank - start);
            if (IsExecutableFile(program)) {
                // The rest is split behind a placeholder program name, which is then replaced.
                std::string rest = "x";
                rest.append(commandLine, blank);
                std::vector<std::string> arguments = SplitCommandLine(rest);
                arguments.front() = program;
                return arguments;
            }
        }
    }
    return SplitCommandLine(commandLine);
}

// Waits for one child so that it never lingers as a zombie; touches no other child and no
// process-wide signal setting.
void ReapWhenDone(pid_t child) {
    std::thread([child] {
        int status = 0;
        while (waitpid(child, &status, 0) == -1 && errno == EINTR) {
        }
    }).detach();
}

class TSpawnLauncher : public TProcessLauncher {
public:
    bool Launch(const std::string& commandLine) override {
        std::vector<std::string> arguments = ResolveArguments(commandLine);
        if (arguments.empty() || arguments.front().empty())
            return false;
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);

        // The child starts with default signal handling and nothing blocked, whatever the
        // player's threads have set.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        pid_t child = 0;
        const int result =
            posix_spawn(&child, argv.front(), nullptr, &attributes, argv.data(), environ);
        posix_spawnattr_destroy(&attributes);
        if (result != 0)
            return false;
        ReapWhenDone(child);
        return true;
    }
};

} // namespace

std::unique_ptr<TProcessLauncher> MakeSpawnLauncher() {
    return std::make_unique<TSpawnLauncher>();
}

} // namespace tavuro
