#pragma once

#include <string_view>

namespace tavuro {

// The extension from the last "." on, unless a folder delimiter or ":" follows that dot; empty
// otherwise. "http://host/a.mp3" gives ".mp3", "http://radio.example/live" gives nothing.
inline std::string_view FileExtension(std::string_view path) {
    const auto dot = path.find_last_of("./:");
    if (dot == std::string_view::npos || path[dot] != '.')
        return {};
    return path.substr(dot);
}

} // namespace tavuro
