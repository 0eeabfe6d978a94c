#include "platform/SingleInstance.h"

#include "platform/DataFolder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
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

std::string LockFileName(const std::string& name) {
    std::string fileName = name;
    for (char& c : fileName)
        if (c == '/')
            c = '_';
    return fileName;
}

// The user's own folder for the guard; in the shared /tmp the user id is part of the name, so
// another user's lock file can neither block nor be taken.
std::string LockPath(const std::string& name) {
    const std::string fileName = LockFileName(name);
    if (const char* chosen = std::getenv("TAVURO_INSTANCE_DIR"); chosen && *chosen)
        return std::string(chosen) + "/" + fileName + ".lock";
    const std::string uid = std::to_string(getuid());
    if (const std::string runtime = "/run/user/" + uid; IsOwnFolder(runtime))
        return runtime + "/" + fileName + ".lock";
    return "/tmp/" + fileName + "-" + uid + ".lock";
}

} // namespace

TSingleInstanceLock::TSingleInstanceLock(const std::string& name)
    : Name(name), Path(LockPath(name)) {}

TSingleInstanceLock::~TSingleInstanceLock() {
    if (Descriptor >= 0)
        close(Descriptor);
}

namespace {

// The lock file opened for the guard, or -1 when it cannot be used. Close-on-exec: a program the
// player starts must not keep the guard after the player ends. No symbolic link is followed, and
// a file of another user is not taken as the guard.
int OpenOwnLockFile(const std::string& path) {
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat info {};
    if (descriptor >= 0 && (fstat(descriptor, &info) != 0 || info.st_uid != getuid())) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

} // namespace

bool TSingleInstanceLock::TryAcquire() {
    if (Descriptor >= 0)
        return true;
    int descriptor = OpenOwnLockFile(Path);
    if (descriptor < 0) {
        // Something of another user's (or a link) holds the place: the guard moves to the user's
        // own data folder, where every start of this user looks next.
        const std::string folder = UserDataFolder();
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        Path = folder + LockFileName(Name) + ".lock";
        descriptor = OpenOwnLockFile(Path);
    }
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
