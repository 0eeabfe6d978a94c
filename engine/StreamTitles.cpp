#include "engine/StreamTitles.h"

#include "common/Text.h"

#include <cstring>

namespace tavuro {

namespace {

// Characters from 1-based position `first` to `last` inclusive; empty when the range is empty.
std::string Characters(std::string_view text, std::ptrdiff_t first, std::ptrdiff_t last) {
    if (first < 1)
        first = 1;
    if (last > static_cast<std::ptrdiff_t>(text.size()))
        last = static_cast<std::ptrdiff_t>(text.size());
    if (last < first)
        return {};
    return std::string(text.substr(first - 1, last - first + 1));
}

constexpr std::size_t kMetadataTitleLimit = 259;

// Cuts text to at most limit bytes without splitting a UTF-8 character: continuation bytes
// (10xxxxxx) at the cut go with the character they belong to.
void CutOnCharacter(std::string& text, std::size_t limit) {
    if (text.size() <= limit)
        return;
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
}

} // namespace

std::optional<std::string> ShoutcastTitle(std::string_view block) {
    const std::size_t key = block.find("StreamTitle=");
    if (key == std::string_view::npos)
        return std::nullopt;
    const auto p = static_cast<std::ptrdiff_t>(key) + 1;
    const std::size_t semicolon = block.find(';');
    if (semicolon == std::string_view::npos)
        return Characters(block, p + 13, static_cast<std::ptrdiff_t>(block.size()) - 1);
    const auto q = static_cast<std::ptrdiff_t>(semicolon) + 1;
    return Characters(block, p + 13, q - 2);
}

std::string CommentTitle(const char* comments, bool ignoreCase) {
    if (comments == nullptr)
        return {};
    for (const char* comment = comments; *comment != '\0'; comment += std::strlen(comment) + 1) {
        const std::string_view text(comment);
        const std::string compared = ignoreCase ? UpperAscii(text) : std::string(text);
        if (compared.find("TITLE=") != std::string::npos)
            return Characters(text, 7, static_cast<std::ptrdiff_t>(text.size()));
    }
    return {};
}

std::string MetadataTitle(const char* data) {
    if (data == nullptr)
        return {};
    std::string title;
    if (auto shoutcast = ShoutcastTitle(data))
        title = std::move(*shoutcast);
    else
        title = CommentTitle(data, true);
    CutOnCharacter(title, kMetadataTitleLimit);
    return title;
}

std::string TitleFromURL(std::string_view url) {
    const auto length = static_cast<std::ptrdiff_t>(url.size());
    for (std::ptrdiff_t position = length - 6; position >= 6; --position)
        if (url[position - 1] == '/')
            return Characters(url, position + 1, length - 4);
    return {};
}

} // namespace tavuro
