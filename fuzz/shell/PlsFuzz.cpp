// The .pls reader on arbitrary bytes, then the M3U copy the player writes in its place: neither
// may crash, and the copy must read back to the same rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shell/M3U.h"
#include "shell/Pls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavuro;
    const TM3UContent content =
        ParsePls(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto entryAt = [&](std::size_t i) -> const TPlaylistEntry& { return content.Entries[i]; };
    const TM3UContent copy = ParseM3U(ComposeM3U("#EXTM3U", content.Entries.size(), entryAt));
    if (copy.Entries.size() != content.Entries.size())
        std::abort();
    for (std::size_t i = 0; i < copy.Entries.size(); ++i)
        if (copy.Entries[i].Path() != content.Entries[i].Path() ||
            copy.Entries[i].Caption != content.Entries[i].Caption ||
            copy.Entries[i].SubItems != content.Entries[i].SubItems)
            std::abort();
    return 0;
}
