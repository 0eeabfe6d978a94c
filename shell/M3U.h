#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/PlaylistEntry.h"

namespace tavuro {

// Whether a path names a playlist the player reads: its extension is ".m3u" or ".pls" in any case.
bool IsPlaylistPath(std::string_view path);

// What an extended M3U file holds: its header flags and its entries in file order, each path
// once (ASCII case ignored).
struct TM3UContent {
    bool RandomFlag = false;
    bool VisMidiFlag = false;
    std::vector<TPlaylistEntry> Entries;
    bool HadDuplicates = false; // a path was listed twice, so the file is due for a rewrite
    bool NotText = false;       // NUL bytes of no known text encoding: nothing was read
};

// A playlist file's bytes as text (UTF-8, or UTF-16 converted into storage); nullopt when a NUL
// byte is left, as no text of a known encoding holds one.
std::optional<std::string_view> DecodePlaylistText(std::string_view bytes, std::string& storage);

// Parses M3U text of any content; never fails (a file without entries gives no entries). The
// text may be UTF-8 with or without a byte-order mark, or UTF-16. Paths stay as written: a
// relative one is found beside the playlist only when it is opened (ResolveEntryPath).
TM3UContent ParseM3U(std::string_view bytes);

// "#EXTM3U", or "#EXTM3U " followed by "Random", "VisMIDI" or "Random,VisMIDI".
std::string M3UHeader(bool random, bool visMidi);

// The full file: the header, then per entry an "#EXTINF:" line (when it has a length sub-item)
// and its path, each line ending in CR LF. Paths are written as the entries hold them; with a
// rebase folder (the entries were read from there, the file lies elsewhere) a relative one is
// written resolved against it.
std::string ComposeM3U(const std::string& header, std::size_t count,
                       const std::function<const TPlaylistEntry&(std::size_t)>& entryAt,
                       const std::string& rebaseFolder = {});

// The existing file, as UTF-8, with only its header line replaced (or inserted when it has none).
std::string UpdateM3UHeader(std::string_view existing, const std::string& header);

} // namespace tavuro
