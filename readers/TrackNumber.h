#pragma once

#include <cstdint>
#include <string_view>

#include "common/Text.h"

namespace tavuro {

// A track text such as "3" or "3/12": the number before the first "/", 0 when it is none.
inline std::int32_t TrackNumberOf(std::string_view text) {
    std::int32_t number = 0;
    if (!ParseInt32(text.substr(0, text.find('/')), number))
        return 0;
    return number;
}

} // namespace tavuro
