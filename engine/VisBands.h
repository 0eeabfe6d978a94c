#pragma once

#include "common/BandOut.h"

#include <array>
#include <cstddef>
#include <span>

namespace tavuro {

// A 512-sample FFT gives 256 magnitudes; bin 0 is the constant component.
constexpr std::size_t kFftBinCount = 256;

// Upper bin of each band, inclusive; each band starts one bin above the previous one, band 0 at
// bin 1. Bins above 192 carry too little for the display and are left out.
constexpr std::array<int, kBandCount> kBandUpperEdges = {
    1, 2, 4, 8, 16, 24, 32, 40, 48, 56, 64, 72, 80, 88, 96, 112, 128, 160, 192};

// The loudest magnitude of band i, weighted by (1 + 0.15 i) so that the quieter high bands show,
// and scaled by 256. Levels above 65535 stay at 65535.
std::uint16_t BandLevel(std::span<const float, kFftBinCount> magnitudes, std::size_t band);

// One visualisation tick: each stored level rises at once to a louder input and otherwise falls
// by 2, never below the current input. Allocates nothing.
void UpdateBandOut(std::span<const float, kFftBinCount> magnitudes, TBandOut& bandOut);

} // namespace tavuro
