#include "shell/Pls.h"

#include <cstdint>
#include <unordered_set>

#include "bass/StationLink.h"
#include "common/Text.h"

namespace tavuro {

namespace {

// The row of an entry with a title or a length, as an "#EXTINF:" line of an M3U file makes it.
TPlaylistEntry InfoEntry(std::string path, std::string_view title, std::string_view length) {
    // Trimmed as the M3U copy's "#EXTINF:" line will read back, where an empty caption is the
    // path's.
    const std::string pathCaption = EntryCaption(path);
    std::string caption(TrimControl(title.empty() ? std::string_view(pathCaption) : title));
    TPlaylistEntry entry{caption.empty() ? pathCaption : std::move(caption), {std::move(path)}};
    std::int32_t seconds = 0;
    if (ParseInt32(length, seconds) && seconds >= 1) {
        entry.SubItems.emplace_back(length);
        entry.SubItems.push_back(FormatDuration(seconds));
    } else {
        entry.SubItems.push_back("0");
    }
    return entry;
}

} // namespace

bool IsPlsPath(std::string_view path) {
    return UpperAscii(FileExtension(path)) == ".PLS";
}

TM3UContent ParsePls(std::string_view bytes) {
    TM3UContent content;
    std::string decoded;
    const std::optional<std::string_view> text = DecodePlaylistText(bytes, decoded);
    if (!text) {
        content.NotText = true;
        return content;
    }
    std::unordered_set<std::string> seen;
    for (const bass::PlsEntry& pls : bass::PlsEntries(*text)) {
        std::string path(pls.file);
        if (path.front() == '#')
            path.insert(0, "./");
        if (!seen.insert(UpperAscii(path)).second) {
            content.HadDuplicates = true;
            continue;
        }
        if (pls.title.empty() && pls.length.empty())
            content.Entries.push_back({EntryCaption(path), {path}});
        else
            content.Entries.push_back(InfoEntry(std::move(path), pls.title, pls.length));
    }
    return content;
}

} // namespace tavuro
