#include "engine/VisBands.h"

#include <gtest/gtest.h>

#include <array>

using namespace tavuro;

namespace {

using TMagnitudes = std::array<float, kFftBinCount>;

TMagnitudes ToneAt(int bin, float magnitude) {
    TMagnitudes magnitudes{};
    magnitudes[bin] = magnitude;
    return magnitudes;
}

} // namespace

TEST(VisBands, SilenceGivesZeroLevels) {
    TBandOut bandOut{};
    UpdateBandOut(TMagnitudes{}, bandOut);
    EXPECT_EQ(bandOut, TBandOut{});
}

TEST(VisBands, FullScaleToneAtBin100LiftsBand15To832) {
    TBandOut bandOut{};
    UpdateBandOut(ToneAt(100, 1.0f), bandOut);
    TBandOut expected{};
    expected[15] = 832; // 1.0 x 3.25 x 256
    EXPECT_EQ(bandOut, expected);
}

TEST(VisBands, EachBinFallsIntoItsBandAndTheBandWeightApplies) {
    // First and last bin of a few bands; level = 0.5 x (1 + 0.15 band) x 256, halves to even.
    struct Case {
        int bin;
        std::size_t band;
        std::uint16_t level;
    } cases[] = {{1, 0, 128}, {2, 1, 147}, {3, 2, 166}, {4, 2, 166}, {9, 4, 205},
                 {16, 4, 205}, {97, 15, 416}, {161, 18, 474}, {192, 18, 474}};
    for (const Case& c : cases) {
        TBandOut bandOut{};
        UpdateBandOut(ToneAt(c.bin, 0.5f), bandOut);
        for (std::size_t band = 0; band < kBandCount; ++band)
            EXPECT_EQ(bandOut[band], band == c.band ? c.level : 0) << "bin " << c.bin;
    }
}

TEST(VisBands, ConstantComponentAndBinsAbove192AreIgnored) {
    TMagnitudes magnitudes{};
    magnitudes[0] = 1.0f;
    for (std::size_t bin = 193; bin < kFftBinCount; ++bin)
        magnitudes[bin] = 1.0f;
    TBandOut bandOut{};
    UpdateBandOut(magnitudes, bandOut);
    EXPECT_EQ(bandOut, TBandOut{});
}

TEST(VisBands, TheLoudestBinOfABandSetsItsLevel) {
    TMagnitudes magnitudes{};
    magnitudes[129] = 0.25f;
    magnitudes[150] = 0.5f;
    magnitudes[160] = 0.1f;
    TBandOut bandOut{};
    UpdateBandOut(magnitudes, bandOut);
    EXPECT_EQ(bandOut[17], 454); // 0.5 x 3.55 x 256 = 454.4
}

TEST(VisBands, LevelsFallByTwoPerTickUnlessNewInputHoldsThemUp) {
    TBandOut bandOut{};
    UpdateBandOut(ToneAt(1, 1.0f), bandOut);
    ASSERT_EQ(bandOut[0], 256);
    UpdateBandOut(TMagnitudes{}, bandOut);
    EXPECT_EQ(bandOut[0], 254);
    UpdateBandOut(TMagnitudes{}, bandOut);
    EXPECT_EQ(bandOut[0], 252);
    UpdateBandOut(ToneAt(1, 0.99f), bandOut); // 253.44 -> 253: held above 250
    EXPECT_EQ(bandOut[0], 253);
    UpdateBandOut(ToneAt(1, 2.0f), bandOut); // louder: rises at once
    EXPECT_EQ(bandOut[0], 512);
}

TEST(VisBands, ALevelBelowTwoFallsToZero) {
    TBandOut bandOut{};
    bandOut[3] = 1;
    UpdateBandOut(TMagnitudes{}, bandOut);
    EXPECT_EQ(bandOut[3], 0);
}

TEST(VisBands, LevelsBeyondSixteenBitsStayAtTheTop) {
    TBandOut bandOut{};
    UpdateBandOut(ToneAt(170, 100.0f), bandOut); // 100 x 3.7 x 256 = 94720
    EXPECT_EQ(bandOut[18], 65535);
}
