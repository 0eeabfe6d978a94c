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

    // The key of a UTF-8 caption; invalid bytes collate as U+FFFD.
    std::string SortKey(std::string_view caption) const;

private:
    UCollator* Collator = nullptr;
};

} // namespace tavuro
