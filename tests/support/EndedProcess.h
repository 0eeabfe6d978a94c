#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavuro::testing_support {

// The id of a process that has ended: a child made for it and reaped at once. Left-overs named
// after it stand for those of a player killed while it saved.
inline pid_t EndedProcessId() {
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return child;
}

} // namespace tavuro::testing_support
