#include "shell/PlaylistEntry.h"

#include <cstdio>

namespace tavuro {

const std::string& TPlaylistEntry::Path() const {
    static const std::string none;
    return SubItems.empty() ? none : SubItems.front();
}

bool IsNetworkAddress(std::string_view path) { return path.find("://") != std::string_view::npos; }

std::string_view FileExtension(std::string_view path) {
    const auto dot = path.find_last_of("./:");
    if (dot == std::string_view::npos || path[dot] != '.')
        return {};
    return path.substr(dot);
}

std::string EntryCaption(std::string_view path) {
    if (IsNetworkAddress(path))
        return std::string(path);
    const auto slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    name.remove_suffix(FileExtension(name).size());
    return std::string(name);
}

std::string FormatDuration(long long seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    return text;
}

} // namespace tavuro
