#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tavuro {

// No settings file, playlist or registry store is larger; a bigger file is refused rather than
// read into memory.
inline constexpr std::size_t MaxTextFileBytes = std::size_t{256} << 20;

// The whole file, or nothing when it cannot be read. Only a regular file of at most
// MaxTextFileBytes is read: a folder, a FIFO or a device is refused at once, without waiting for
// it or reading it. error, when given, receives the reason.
std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error = nullptr);

} // namespace tavuro
