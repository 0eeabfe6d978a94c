#pragma once

#include <cmath>
#include <cstdint>

namespace tavuro {

// Every rounding in the player goes to the nearest integer, halves to the even neighbour.
inline std::int64_t RoundHalfEven(double value) {
    return static_cast<std::int64_t>(std::nearbyint(value));
}

} // namespace tavuro
