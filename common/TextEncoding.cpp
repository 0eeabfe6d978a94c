#include "common/TextEncoding.h"

#include "common/Text.h"

#include <optional>

namespace tavuro {

namespace {

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    return Utf16ToUtf8(units);
}

// UTF-16 without a mark: text of mostly Latin letters, digits and path signs has a NUL in every
// other byte, on the high byte's side. A few NULs on the other side (U+0100, U+4E00 ...) are
// allowed for; text of another encoding has no NUL at all, a binary file has them on both sides.
std::optional<bool> MarklessUtf16BigEndian(std::string_view bytes) {
    std::size_t even = 0, odd = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\0')
            ++(i % 2 == 0 ? even : odd);
    const std::size_t units = bytes.size() / 2;
    // A few NULs in a short text tell nothing.
    const auto oneSided = [units](std::size_t many, std::size_t few) {
        return many >= 4 && many * 4 >= units && few * 8 <= many;
    };
    if (oneSided(odd, even))
        return false;
    if (oneSided(even, odd))
        return true;
    return std::nullopt;
}

} // namespace

std::string_view DecodeTextFile(std::string_view bytes, std::string& storage) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return bytes.substr(3);
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        storage = Utf16BytesToUtf8(bytes.substr(2), bytes[0] == '\xFE');
        return storage;
    }
    if (bytes.find('\0') == std::string_view::npos)
        return bytes;
    if (const auto bigEndian = MarklessUtf16BigEndian(bytes)) {
        storage = Utf16BytesToUtf8(bytes, *bigEndian);
        return storage;
    }
    return bytes;
}

} // namespace tavuro
