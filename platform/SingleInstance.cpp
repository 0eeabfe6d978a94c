#include "platform/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tavuro {

namespace {

// One guard per user: the runtime folder is the user's own; in the shared /tmp the user id is
// part of the name, so another user's lock file can neither block nor be taken.
std::string LockPath(const std::string& name) {
    std::string fileName = name;
    for (char& c : fileName)
        if (c == '/')
            c = '_';
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return std::string(runtime) + "/" + fileName + ".lock";
    return "/tmp/" + fileName + "-" + std::to_string(getuid()) + ".lock";
}

} // namespace

TSingleInstanceLock::TSingleInstanceLock(const std::string& name) : Path(LockPath(name)) {}

TSingleInstanceLock::~TSingleInstanceLock() {
    if (Descriptor >= 0)
        close(Descriptor);
}

bool TSingleInstanceLock::TryAcquire() {
    if (Descriptor >= 0)
        return true;
    // Close-on-exec: a program the player starts must not keep the guard after the player ends.
    const int descriptor = open(Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // Without a usable lock file the player still starts: a missing guard is better than a
    // player that silently never opens.
    if (descriptor < 0)
        return true;
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        close(descriptor);
        return !heldElsewhere;
    }
    Descriptor = descriptor;
    return true;
}

} // namespace tavuro
