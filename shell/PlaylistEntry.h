#pragma once

#include "common/FilePath.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavuro {

// One row of the playlist: the caption shown to the user and its sub-items
// [path], [path, seconds] or [path, seconds, duration text].
struct TPlaylistEntry {
    std::string Caption;
    std::vector<std::string> SubItems;

    const std::string& Path() const;
};

// A network address names its scheme ("http://", "mms://"); everything else is a local file.
bool IsNetworkAddress(std::string_view path);

// The path an entry is opened by: a relative POSIX path (neither absolute nor an address, with
// no backslash or drive letter of another system's playlist) is taken from the playlist's
// folder, given with its trailing "/"; everything else, and every path without a folder, as
// written.
std::string ResolveEntryPath(const std::string& path, const std::string& folder);

// The caption of a newly added path: a network address is its own caption; a file shows its
// name without folder and without its last extension.
std::string EntryCaption(std::string_view path);

// Whole seconds as minutes and two-digit seconds: 7 gives 0:07, 3725 gives 62:05.
std::string FormatDuration(long long seconds);

} // namespace tavuro
