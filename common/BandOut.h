#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavuro {

// The spectrum levels the engine hands to the display: 19 bands, band 0 the lowest.
constexpr std::size_t kBandCount = 19;
using TBandOut = std::array<std::uint16_t, kBandCount>;

} // namespace tavuro
