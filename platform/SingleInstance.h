#pragma once

#include <string>

namespace tavuro {

// The named single-instance guard: an exclusive flock on a file named after the guard. It is
// keyed on the user, not on the session's environment, so every session of one user (and so one
// program folder) shares it: the user's runtime folder /run/user/UID when the system keeps one,
// else /tmp with the user id in the name. TAVURO_INSTANCE_DIR chooses another folder (tests).
// Where that place holds what the guard cannot use (another user's file, a link, a folder), the
// guard lives in the user's data folder instead. The system releases the lock when the process
// ends.
class TSingleInstanceLock {
public:
    explicit TSingleInstanceLock(const std::string& name);
    ~TSingleInstanceLock();
    TSingleInstanceLock(const TSingleInstanceLock&) = delete;
    TSingleInstanceLock& operator=(const TSingleInstanceLock&) = delete;

    // True when this process now holds the guard; false when another process holds it.
    bool TryAcquire();
    // The lock file this guard uses.
    const std::string& LockFile() const { return Path; }

private:
    std::string Name;
    std::string Path;
    int Descriptor = -1;
};

} // namespace tavuro
