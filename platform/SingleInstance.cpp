#include "platform/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavuro {

namespace {

bool IsOwnFolder(const std::string& folder) {
    struct stat info {};
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & 0077) == 0;
}

// The user's own folder for the guard; in the shared /tmp the user id is part of the name, so
// another user's lock file can neither block nor be taken.
std::string LockPath(const std::string& name) {
    std::string fileName = name;
    for (char& c : fileName)
        if (c == '/')
            c = '_';
    if (const char* chosen = std::getenv("TAVURO_INSTANCE_DIR"); chosen && *chosen)
        return std::string(chosen) + "/" + fileName + ".lock";
    const std::string uid = std::to_string(getuid());
    if (const std::string runtime = "/run/user/" + uid; IsOwnFolder(runtime))
        return runtime + "/" + fileName + ".lock";
    return "/tmp/" + fileName + "-" + uid + ".lock";
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
    // No symbolic link is followed, and a file of another user is not taken as the guard.
    const int descriptor = open(Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat info {};
    // Without a usable lock file the player still starts: a missing guard is better than a
    // player that silently never opens.
    if (descriptor < 0)
        return true;
    if (fstat(descriptor, &info) != 0 || info.st_uid != getuid()) {
        close(descriptor);
        return true;
    }
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        close(descriptor);
        return !heldElsewhere;
    }
    Descriptor = descriptor;
    return true;
}

} // namespace tavuro
