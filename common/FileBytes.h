#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavuro {

// No settings file, playlist or registry store is larger; a bigger file is refused rather than
// read into memory.
inline constexpr std::size_t MaxTextFileBytes = std::size_t{256} << 20;

// Opens a regular file for reading: its descriptor (the caller closes it) and size. A folder, a
// FIFO or a device is refused at once, without waiting for it: -1, with the reason.
int OpenRegularFile(const std::string& path, std::uint64_t& size, const char*& reason);

// The whole file, or nothing when it cannot be read. Only a regular file of at most
// MaxTextFileBytes is read: a folder, a FIFO or a device is refused at once, without waiting for
// it or reading it. error, when given, receives the reason.
std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error = nullptr);

// Replaces the file's content whole: the bytes go to a new file beside it ("NAME.new-PID-N"),
// are flushed to the disk and renamed over the old one, which keeps its permissions. Any failure
// (a full disk, a read-only folder or file, a short write, an existing path that is no regular
// file) leaves the old file as it was and removes the new one; error, when given, receives the
// reason. A symbolic link is followed, so it stays a link. New files that processes now gone
// left beside the same file (killed while they saved) are removed first.
bool WriteFileReplacing(const std::string& path, std::string_view bytes,
                        std::string* error = nullptr);

// Removes from folder the new files of WriteFileReplacing that processes now gone left behind,
// for the files whose names isTarget accepts.
void RemoveLeftOverReplacements(const std::string& folder,
                                const std::function<bool(std::string_view name)>& isTarget);

} // namespace tavuro
