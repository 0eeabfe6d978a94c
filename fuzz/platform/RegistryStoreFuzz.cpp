// The registry store's INI reader on arbitrary bytes, then a write of what it read: none may
// crash, a written store reads back whole and writes again the same, keeps every comment line,
// and every value whose names the writer can spell reads back exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/IniText.h"

namespace {

using tavuro::ComposeIni;
using tavuro::ParseIni;
using tavuro::TIniSections;

// Names are written as Qt's settings files spell them: a byte that is no UTF-8 as the character
// of its value, and a key spelt like the "General" section as "General". Two such names may meet
// in one, so only the others are checked value by value.
bool SpeltExactly(const std::string& section, const std::string& name) {
    const TIniSections alone{{section, {{name, ""}}}};
    return ParseIni(ComposeIni(alone)).Sections == alone;
}

std::size_t CommentCount(const tavuro::TIniComments& comments) {
    std::size_t count = 0;
    for (const auto& [section, lines] : comments)
        count += lines.size();
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto read = ParseIni(bytes);
    const auto again = ParseIni(ComposeIni(read.Sections, read.Comments));
    const std::string settled = ComposeIni(again.Sections, again.Comments);
    const auto last = ParseIni(settled);
    if (!again.Readable || ComposeIni(last.Sections, last.Comments) != settled)
        std::abort();
    if (CommentCount(again.Comments) != CommentCount(read.Comments))
        std::abort();
    for (const auto& [section, values] : read.Sections)
        for (const auto& [name, value] : values) {
            if (!SpeltExactly(section, name))
                continue;
            const auto found = again.Sections.find(section);
            if (found == again.Sections.end() || !found->second.contains(name) ||
                found->second.at(name) != value)
                std::abort();
        }
    return 0;
}
