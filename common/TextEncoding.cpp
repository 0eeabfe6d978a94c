#include "common/TextEncoding.h"

#include "common/Text.h"

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

} // namespace

std::string_view DecodeTextFile(std::string_view bytes, std::string& storage) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return bytes.substr(3);
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        storage = Utf16BytesToUtf8(bytes.substr(2), bytes[0] == '\xFE');
        return storage;
    }
    return bytes;
}

} // namespace tavuro
