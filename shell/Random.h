#pragma once

#include <cstdint>

namespace tavuro {

// The one random generator of the program: a 32-bit linear congruential generator, seeded once
// at start from the time of day, so a fixed seed replays every draw.
class TRandom {
public:
    explicit TRandom(std::uint32_t seed = 0) : Seed(seed) {}

    // A draw below n (0 when n < 1): the seed advances first, then (n * seed) div 2^32.
    int Below(int n) {
        Seed = Seed * 134775813u + 1u;
        if (n < 1)
            return 0;
        return static_cast<int>((static_cast<std::uint64_t>(n) * Seed) >> 32);
    }

    std::uint32_t Seed;
};

} // namespace tavuro
