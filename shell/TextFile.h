#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavuro {

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error = nullptr);

// Writes the lines with CR LF ends to a temporary file beside the target and renames it over
// the target, so a crash or a full disk never leaves a truncated file. False when it failed.
bool WriteLinesReplacing(const std::string& path, const std::vector<std::string>& lines);
bool WriteBytesReplacing(const std::string& path, std::string_view bytes);

bool FileExists(const std::string& path);

} // namespace tavuro
