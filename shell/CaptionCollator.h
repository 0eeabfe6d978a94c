#pragma once

#include <string>
#include <string_view>

struct UCollator;

namespace tavuro {

// The order of playlist captions: the user's locale's case-sensitive collation (English for the
// C locale, which would order by code point). Captions are compared through sort keys, byte
// strings made once per caption whose plain byte order is the collation order.
class TCaptionCollator {
public:
    TCaptionCollator();
    ~TCaptionCollator();
    TCaptionCollator(const TCaptionCollator&) = delete;
    TCaptionCollator& operator=(const TCaptionCollator&) = delete;

    // Appends the key of a UTF-8 caption to keys (many keys can share one buffer); invalid bytes
    // collate as U+FFFD. Returns the key's length.
    std::size_t AppendSortKey(std::string_view caption, std::string& keys) const;

private:
    UCollator* Collator = nullptr;
};

} // namespace tavuro
