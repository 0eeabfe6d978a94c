#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tavuro {

// Splits a command line the way the Windows C runtime does: blanks separate arguments, double
// quotes group blanks into one argument and are removed.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Starts a program by command line and does not wait for it.
class TProcessLauncher {
public:
    virtual ~TProcessLauncher() = default;
    // True when the program could be started.
    virtual bool Launch(const std::string& commandLine) = 0;
};

// posix_spawn of the first argument with the others as its arguments.
std::unique_ptr<TProcessLauncher> MakeSpawnLauncher();

class TRecordingLauncher : public TProcessLauncher {
public:
    std::vector<std::string> CommandLines;
    bool Result = true;
    bool Launch(const std::string& commandLine) override {
        CommandLines.push_back(commandLine);
        return Result;
    }
};

} // namespace tavuro
