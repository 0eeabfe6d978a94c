#pragma once

#include <string>

namespace tavuro {

// The named single-instance guard: an exclusive lock on a file named after the guard in
// $XDG_RUNTIME_DIR (else /tmp). The system releases it when the process ends.
class TSingleInstanceLock {
public:
    explicit TSingleInstanceLock(const std::string& name);
    ~TSingleInstanceLock();
    TSingleInstanceLock(const TSingleInstanceLock&) = delete;
    TSingleInstanceLock& operator=(const TSingleInstanceLock&) = delete;

    // True when this process now holds the guard; false when another process holds it.
    bool TryAcquire();

private:
    std::string Path;
    int Descriptor = -1;
};

} // namespace tavuro
