// The registry store's INI reader on arbitrary bytes, then a write of what it read: none may
// crash, and what was written once reads back to what it was written from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/IniText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavuro;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TIniRead read = ParseIni(bytes);
    // Names the writer cannot spell as read (bytes that are no UTF-8) settle after one round.
    const std::string written = ComposeIni(read.Sections);
    const TIniRead again = ParseIni(written);
    const std::string settled = ComposeIni(again.Sections);
    if (!again.Readable || ComposeIni(ParseIni(settled).Sections) != settled)
        std::abort();
    for (const auto& [section, values] : read.Sections)
        for (const auto& [name, value] : values) {
            const auto found = again.Sections.find(section);
            if (found != again.Sections.end()) {
                const auto same = found->second.find(name);
                if (same != found->second.end() && same->second != value)
                    std::abort(); // a value is written so that it reads back exactly
            }
        }
    return 0;
}
