#include "common/FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error) {
    const auto fail = [error](const char* reason) -> std::optional<std::string> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    // Without O_NONBLOCK, opening a FIFO would wait for a writer before the type can be checked.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return fail(std::strerror(errno));
    struct stat info {};
    std::string bytes;
    const char* reason = nullptr;
    if (fstat(descriptor, &info) != 0)
        reason = std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        reason = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file";
    else if (static_cast<std::size_t>(info.st_size) > MaxTextFileBytes)
        reason = std::strerror(EFBIG);
    else if (!ReadAll(descriptor, static_cast<std::size_t>(info.st_size), MaxTextFileBytes, bytes))
        reason = std::strerror(errno);
    else if (bytes.size() > MaxTextFileBytes) // it grew while being read
        reason = std::strerror(EFBIG);
    close(descriptor);
    if (reason)
        return fail(reason);
    return bytes;
}

} // namespace tavuro
