// Station links: the small playlists (.pls, M3U) that radio directories hand out in place of a
// stream's address. Pure functions over an answer's bytes, so tests and fuzzers can feed them;
// the player's own .pls reader uses PlsEntries too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace bass {

enum class StationLinkKind { None, Pls, M3u };

// Whether an answer is a station link, from its Content-Type value and the first bytes of its
// body: a body that starts with "[playlist]" or "#EXTM3U", else the type audio/x-scpls (.pls) or
// audio/x-mpegurl or audio/mpegurl (M3U). Binary bytes (below 32 but tab, CR and LF) and HLS
// (its own types, or #EXT-X- tags) make it none: those are streams, not links.
StationLinkKind StationLinkKindOf(std::string_view contentType, std::string_view firstBytes);

// Whether an answer is an HLS playlist (a list of segments, not of streams): by its types
// application/vnd.apple.mpegurl and application/x-mpegurl, or by #EXT-X- tags in a text body.
bool IsHlsPlaylist(std::string_view contentType, std::string_view firstBytes);

// One entry of a .pls text: its FileN, TitleN and LengthN values, trimmed (empty when absent).
struct PlsEntry {
    std::string_view file, title, length;
};

// The entries of a .pls text (keys in any case, lines ending in LF or CR LF, a UTF-8 byte-order
// mark skipped) in the order of their numbers N, one per N that has a non-empty FileN: a title or
// length without its file names nothing. A number given twice keeps its last values.
std::vector<PlsEntry> PlsEntries(std::string_view text);

// The stream addresses a station link names, in its order (.pls: the FileN= entries by N; M3U:
// the lines that are no comments), each resolved against `playlistUrl`, the link's own address.
// Only http, https, ftp and mms addresses are kept, their scheme in lower case: a link on the
// net never names a local file. Lines are whole in `body`.
std::vector<std::string> StationLinkAddresses(StationLinkKind kind, std::string_view body,
                                              std::string_view playlistUrl);

} // namespace bass
