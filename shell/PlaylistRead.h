// Reading a playlist file into entries, now or ahead on another thread: the start playlist is
// read while the window is being made, so a long list shows sooner.
#pragma once

#include <future>
#include <optional>
#include <string>

#include "shell/M3U.h"

namespace tavuro {

struct TPlaylistRead {
    // Why the file could not be read (or was no text); Content is then empty.
    std::optional<std::string> Error;
    TM3UContent Content;
};

TPlaylistRead ReadPlaylistFile(const std::string& file);

// One file read ahead, for the first load that asks for that same file.
class TPlaylistReadAhead {
public:
    // Starts reading the file on another thread; an empty name reads nothing.
    void Start(const std::string& file);
    // The file as read ahead, waiting for it if need be; nullopt for any other file or once taken.
    std::optional<TPlaylistRead> Take(const std::string& file);

private:
    std::string File;
    std::future<TPlaylistRead> Read;
};

} // namespace tavuro
