#include "shell/PlaylistEntry.h"

#include <filesystem>

namespace tavuro {

const std::string& TPlaylistEntry::Path() const {
    static const std::string none;
    return SubItems.empty() ? none : SubItems.front();
}

bool IsNetworkAddress(std::string_view path) {
    return path.find("://") != std::string_view::npos;
}

namespace {

bool IsRelativePosixPath(std::string_view path) {
    const bool driveLetter =
        path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return !path.empty() && path.front() != '/' && !driveLetter &&
           path.find('\\') == std::string_view::npos && !IsNetworkAddress(path);
}

} // namespace

std::string ResolveEntryPath(const std::string& path, const std::string& folder) {
    if (folder.empty() || !IsRelativePosixPath(path))
        return path;
    return (std::filesystem::path(folder) / path).lexically_normal().string();
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
    const long long rest = seconds % 60;
    std::string text = std::to_string(seconds / 60);
    text += ':';
    text += static_cast<char>('0' + rest / 10);
    text += static_cast<char>('0' + rest % 10);
    return text;
}

} // namespace tavuro
