#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/Text.h"

// Conversions for the texts that media files store in UTF-16 or in UTF-8 of uncertain quality.
// Narrow text in the player is UTF-8, so every result here is well-formed UTF-8 or wide text.
namespace tavuro {

// Reads `count` UTF-16 code units stored little-endian at `bytes` (2 x count bytes).
inline std::u16string Utf16FromLittleEndian(const std::uint8_t* bytes, std::size_t count) {
    std::u16string units(count, u'\0');
    for (std::size_t i = 0; i < count; ++i)
        units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return units;
}

// Removes leading and trailing code units 0 to 32 from wide text.
inline std::u16string_view TrimControl(std::u16string_view text) {
    while (!text.empty() && text.front() <= 32)
        text.remove_prefix(1);
    while (!text.empty() && text.back() <= 32)
        text.remove_suffix(1);
    return text;
}

// Decodes UTF-8 made of one-, two- and three-byte sequences and returns what it decoded as
// well-formed UTF-8. The text ends at the first sequence that is malformed or cut short (a four-
// byte sequence counts as malformed), so a value cut in the middle of a character loses only it.
inline std::string DecodeUtf8UpToFault(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        char32_t codePoint = 0;
        if (lead < 0x80) {
            length = 1;
            codePoint = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0F;
        } else {
            break;
        }
        if (i + length > bytes.size())
            break;
        bool wellFormed = true;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                wellFormed = false;
                break;
            }
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (!wellFormed)
            break;
        AppendUtf8(out, codePoint);
        i += length;
    }
    return out;
}

} // namespace tavuro
