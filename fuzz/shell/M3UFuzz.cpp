// The M3U parser on arbitrary bytes, then a write of what it found and a header update: none
// may crash, a written playlist must read back to the same entries, and one written into another
// folder must name no entry relative to it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "shell/M3U.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavuro;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TM3UContent content = ParseM3U(bytes);
    const std::string header = M3UHeader(content.RandomFlag, content.VisMidiFlag);
    const auto entryAt = [&](std::size_t i) -> const TPlaylistEntry& { return content.Entries[i]; };
    const TM3UContent again = ParseM3U(ComposeM3U(header, content.Entries.size(), entryAt));
    if (again.RandomFlag != content.RandomFlag || again.VisMidiFlag != content.VisMidiFlag ||
        again.Entries.size() != content.Entries.size())
        std::abort();
    for (std::size_t i = 0; i < again.Entries.size(); ++i)
        if (again.Entries[i].Path() != content.Entries[i].Path())
            std::abort();
    const TM3UContent copied =
        ParseM3U(ComposeM3U(header, content.Entries.size(), entryAt, "/lists/"));
    for (const TPlaylistEntry& entry : copied.Entries)
        if (ResolveEntryPath(entry.Path(), "/elsewhere/") != entry.Path())
            std::abort();
    UpdateM3UHeader(bytes, header);
    return 0;
}
