#include "engine/VisBands.h"

#include "common/Rounding.h"

#include <algorithm>
#include <limits>

namespace tavuro {

std::uint16_t BandLevel(std::span<const float, kFftBinCount> magnitudes, std::size_t band) {
    const int first = band == 0 ? 1 : kBandUpperEdges[band - 1] + 1;
    float peak = 0.0f;
    for (int bin = first; bin <= kBandUpperEdges[band]; ++bin)
        if (magnitudes[bin] > peak) // a NaN never wins this comparison
            peak = magnitudes[bin];
    const double weighted = peak * (1.0 + 0.15 * static_cast<double>(band)) * 256.0;
    // Clamped rather than cut to 16 bits: a wrapped level would show a loud band as a quiet one.
    constexpr double kMaxLevel = std::numeric_limits<std::uint16_t>::max();
    return static_cast<std::uint16_t>(RoundHalfEven(std::min(weighted, kMaxLevel)));
}

void UpdateBandOut(std::span<const float, kFftBinCount> magnitudes, TBandOut& bandOut) {
    for (std::size_t band = 0; band < kBandCount; ++band) {
        const std::uint16_t level = BandLevel(magnitudes, band);
        std::uint16_t& stored = bandOut[band];
        if (stored < level) {
            stored = level;
            continue;
        }
        stored = stored < 2 ? 0 : static_cast<std::uint16_t>(stored - 2);
        if (stored < level)
            stored = level;
    }
}

} // namespace tavuro
