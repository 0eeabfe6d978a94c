#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/FileBytes.h"

namespace tavuro {

// Writes the lines with CR LF ends through WriteFileReplacing, so a crash or a full disk never
// leaves a truncated file. False when it failed (error, when given, receives the reason); the
// old file is then left as it was.
bool WriteLinesReplacing(const std::string& path, const std::vector<std::string>& lines,
                         std::string* error = nullptr);

bool FileExists(const std::string& path);
// The absolute folder of a file, with its trailing "/" (a relative path is taken from the
// current folder).
std::string AbsoluteFolderOf(const std::string& path);
// Whether two folders are one, symbolic links resolved where they exist; an empty one is none.
bool SameFolder(const std::string& one, const std::string& other);
// True when the path names something that is not a regular file (a folder, a FIFO, a device),
// which no back end may open: opening a FIFO waits for a writer, a device never ends.
bool NamesSpecialFile(const std::string& path);

} // namespace tavuro
