#include "common/FileBytes.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavuro {

namespace {

// Reads to the end, never past limit + 1 bytes (so an overlong file is seen as such); false on a
// read error.
bool ReadAll(int descriptor, std::size_t sizeHint, std::size_t limit, std::string& bytes) {
    // Straight into the string: a big playlist is neither copied nor grown step by step.
    bytes.resize(std::min(sizeHint, limit) + 1);
    std::size_t filled = 0;
    while (filled <= limit) {
        if (filled == bytes.size())
            bytes.resize(std::min(bytes.size() * 2, limit + 1));
        const ssize_t got = read(descriptor, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return true;
}

} // namespace

int OpenRegularFile(const std::string& path, std::uint64_t& size, const char*& reason) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer before the type can be checked.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    struct stat info {};
    if (fstat(descriptor, &info) != 0)
        reason = std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        reason = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file";
    else {
        size = static_cast<std::uint64_t>(info.st_size);
        return descriptor;
    }
    close(descriptor);
    return -1;
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error) {
    const char* reason = nullptr;
    std::uint64_t size = 0;
    std::string bytes;
    const int descriptor = OpenRegularFile(path, size, reason);
    if (descriptor >= 0) {
        if (size > MaxTextFileBytes)
            reason = std::strerror(EFBIG);
        else if (!ReadAll(descriptor, static_cast<std::size_t>(size), MaxTextFileBytes, bytes))
            reason = std::strerror(errno);
        else if (bytes.size() > MaxTextFileBytes) // it grew while being read
            reason = std::strerror(EFBIG);
        close(descriptor);
    }
    if (reason) {
        if (error)
            *error = reason;
        return std::nullopt;
    }
    return bytes;
}

namespace {

// Writes everything, going on after a short write; false with errno set when the rest cannot go.
bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A new file beside target, made with the mode a new file gets (the umask applies); -1 on
// failure.
int CreateBeside(const std::string& target, std::string& name) {
    static std::atomic<unsigned> counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".new-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        const int descriptor = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    return -1;
}

constexpr std::string_view TemporaryInfix = ".new-";

// The process that made a temporary file of CreateBeside's naming for a target of the given name
// ("NAME.new-PID-N"), or 0 when the name is no such file's.
pid_t TemporaryOwner(std::string_view name, std::string_view targetName) {
    if (!name.starts_with(targetName) ||
        !name.substr(targetName.size()).starts_with(TemporaryInfix))
        return 0;
    name.remove_prefix(targetName.size() + TemporaryInfix.size());
    const auto dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size() ||
        name.find_first_not_of("0123456789") != dash ||
        name.substr(dash + 1).find_first_not_of("0123456789") != std::string_view::npos)
        return 0;
    long long pid = 0;
    for (const char digit : name.substr(0, dash)) {
        pid = pid * 10 + (digit - '0');
        if (pid > INT_MAX)
            return 0;
    }
    return static_cast<pid_t>(pid);
}

bool ProcessAlive(pid_t pid) {
    return kill(pid, 0) == 0 || errno == EPERM;
}

std::pair<std::string, std::string> FolderAndName(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace

void RemoveLeftOverReplacements(const std::string& folder,
                                const std::function<bool(std::string_view)>& isTarget) {
    DIR* listing = opendir(folder.c_str());
    if (!listing)
        return;
    while (const dirent* entry = readdir(listing)) {
        const std::string_view name = entry->d_name;
        const auto infix = name.rfind(TemporaryInfix);
        if (infix == std::string_view::npos || infix == 0)
            continue;
        const std::string_view target = name.substr(0, infix);
        const pid_t owner = TemporaryOwner(name, target);
        if (owner > 0 && isTarget(target) && !ProcessAlive(owner))
            unlinkat(dirfd(listing), entry->d_name, 0);
    }
    closedir(listing);
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes, std::string* error) {
    std::string target = path;
    char resolved[PATH_MAX];
    struct stat old {};
    const bool exists = stat(path.c_str(), &old) == 0;
    if (exists && realpath(path.c_str(), resolved))
        target = resolved;
    const auto fail = [error](int number) {
        if (error)
            *error = std::strerror(number);
        return false;
    };
    // A FIFO or a device (through a link) would be replaced by a file, a device even for root.
    if (exists && !S_ISREG(old.st_mode)) {
        if (error)
            *error = "Not a regular file";
        return false;
    }
    if (exists && access(target.c_str(), W_OK) != 0)
        return fail(errno);
    const auto [folder, name] = FolderAndName(target);
    RemoveLeftOverReplacements(
        folder, [&target = name](std::string_view other) { return other == target; });
    std::string temporary;
    const int descriptor = CreateBeside(target, temporary);
    if (descriptor < 0)
        return fail(errno);
    bool done = (!exists || fchmod(descriptor, old.st_mode & 07777) == 0) &&
                WriteAll(descriptor, bytes) && fdatasync(descriptor) == 0;
    int number = errno;
    if (close(descriptor) != 0 && done) {
        done = false;
        number = errno;
    }
    if (done && rename(temporary.c_str(), target.c_str()) != 0) {
        done = false;
        number = errno;
    }
    if (!done) {
        unlink(temporary.c_str());
        return fail(number);
    }
    return true;
}

} // namespace tavuro
