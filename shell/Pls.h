// Local .pls playlists, as radio directories hand them out: read into playlist entries as M3U
// files are. The player never writes one; it keeps what it read as an M3U list of its own.
#pragma once

#include <string_view>

#include "shell/M3U.h"

namespace tavuro {

// Whether a path names a .pls playlist: its extension is ".pls" in any case.
bool IsPlsPath(std::string_view path);

// The entries of .pls text of any content, in the order of their numbers, each path once (ASCII
// case ignored): FileN is the path as written (a relative one is found beside the playlist only
// when it is opened), TitleN the caption (the path's caption when it has none), LengthN the
// seconds (-1 or anything below 1: not known). A relative path that starts with "#" is kept as
// "./#..." so that an M3U copy does not read it as a comment. Never fails; the text may be
// UTF-8 with or without a byte-order mark, or UTF-16.
TM3UContent ParsePls(std::string_view bytes);

} // namespace tavuro
