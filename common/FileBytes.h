#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tavuro {

// No settings file, playlist or registry store is larger; a bigger file is refused rather than
// read into memory.
inline constexpr std::size_t MaxTextFileBytes = std::size_t{256} << 20;

// The whole file, or nothing when it cannot be read. Only a regular file of at most
// MaxTextFileBytes is read: a folder, a FIFO or a device is refused at once, without waiting for
// it or reading it. error, when given, receives the reason.
std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error = nullptr);

// Replaces the file's content whole: the bytes go to a new file beside it, are flushed to the
// disk and renamed over the old one, which keeps its permissions. Any failure (a full disk, a
// read-only folder or file, a short write) leaves the old file as it was and removes the new
// one; error, when given, receives the reason. A symbolic link is followed, so it stays a link.
bool WriteFileReplacing(const std::string& path, std::string_view bytes,
                        std::string* error = nullptr);

} // namespace tavuro
