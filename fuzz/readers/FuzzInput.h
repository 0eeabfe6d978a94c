#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

// The readers take file names, so each input becomes an in-memory file with a path.
inline std::string InputAsFile(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("tavuro-fuzz-input", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0)
        __builtin_trap();
    std::size_t written = 0;
    while (written < size) {
        const ssize_t got = pwrite(fd, data + written, size - written, static_cast<off_t>(written));
        if (got <= 0)
            __builtin_trap();
        written += static_cast<std::size_t>(got);
    }
    return "/proc/self/fd/" + std::to_string(fd);
}
