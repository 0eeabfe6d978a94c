#include "readers/WAVfile.h"

#include <gtest/gtest.h>

#include "Fixtures.h"

namespace tavuro {
namespace {

using namespace fixtures;

Bytes WavHeader(std::uint32_t riffSize, std::uint16_t channels, std::uint32_t sampleRate,
                std::uint16_t bits, std::string_view fmt = "fmt ") {
    Bytes header = Text("RIFF");
    AppendLE32(header, riffSize);
    Append(header, "WAVE");
    Append(header, fmt);
    AppendLE32(header, 16);
    AppendLE16(header, 1);
    AppendLE16(header, channels);
    AppendLE32(header, sampleRate);
    AppendLE32(header, sampleRate * channels * bits / 8);
    AppendLE16(header, static_cast<std::uint16_t>(channels * bits / 8));
    AppendLE16(header, bits);
    Append(header, "data");
    AppendLE32(header, riffSize - 36);
    return header;
}

class WAVFileTest : public ::testing::Test {
protected:
    TWAVfile Read(const Bytes& bytes, bool expected = true) {
        TWAVfile reader;
        EXPECT_EQ(reader.ReadFromFile(dir.Write("a.wav", bytes)), expected);
        return reader;
    }
    TTempDir dir;
};

TEST_F(WAVFileTest, CanonicalHeader) {
    Bytes file = WavHeader(36 + 176400, 2, 44100, 16);
    file.resize(44 + 176400, 0);
    const TWAVfile wav = Read(file);
    ASSERT_TRUE(wav.Valid());
    EXPECT_EQ(wav.ChannelModeID(), 2);
    EXPECT_EQ(wav.SampleRate(), 44100);
    EXPECT_EQ(wav.BitsPerSample(), 16);
    EXPECT_EQ(wav.FileSize(), 44 + 176400);
    EXPECT_DOUBLE_EQ(wav.Duration(), 1.0);
}

TEST_F(WAVFileTest, FortyThreeBytesAreNotEnough) {
    Bytes file = WavHeader(36, 2, 44100, 16);
    file.pop_back();
    EXPECT_FALSE(Read(file, false).Valid());
    TWAVfile wav;
    EXPECT_FALSE(wav.ReadFromFile(dir.PathOf("missing.wav")));
}

TEST_F(WAVFileTest, HeaderCheck) {
    EXPECT_FALSE(Read(WavHeader(1000, 6, 44100, 16)).Valid());
    EXPECT_FALSE(Read(WavHeader(1000, 0, 44100, 16)).Valid());
    EXPECT_FALSE(Read(WavHeader(1000, 2, 44100, 16, "LIST")).Valid());
    EXPECT_TRUE(Read(WavHeader(1000, 1, 8000, 8)).Valid());
}

TEST_F(WAVFileTest, DeclaredSizeCountsNotTheFile) {
    // Extra chunks or a cut file: the header's size and a 44-byte header are assumed.
    const TWAVfile wav = Read(WavHeader(36 + 88200, 1, 44100, 16));
    EXPECT_EQ(wav.FileSize(), 44 + 88200);
    EXPECT_DOUBLE_EQ(wav.Duration(), 1.0);
}

TEST_F(WAVFileTest, SampleRateKeepsItsLow16Bits) {
    EXPECT_EQ(Read(WavHeader(1000, 2, 96000, 16)).SampleRate(), 30464);
}

TEST_F(WAVFileTest, DeclaredSizeBelowTheHeaderHasNoDuration) {
    const TWAVfile wav = Read(WavHeader(20, 2, 44100, 16));
    EXPECT_TRUE(wav.Valid());
    EXPECT_EQ(wav.FileSize(), 28);
    EXPECT_EQ(wav.Duration(), 0);
}

TEST_F(WAVFileTest, SizesBeyond512MBAreCountedIn64Bits) {
    const TWAVfile wav = Read(WavHeader(0xFFFFFFF7u, 2, 44100, 16));
    EXPECT_EQ(wav.FileSize(), 0xFFFFFFFFll);
    EXPECT_DOUBLE_EQ(wav.Duration(), (0xFFFFFFFFll - 44) * 8.0 / 44100 / 16 / 2);
}

TEST_F(WAVFileTest, ZeroRateOrWidthHasNoDuration) {
    EXPECT_EQ(Read(WavHeader(1000, 2, 0, 16)).Duration(), 0);
    EXPECT_EQ(Read(WavHeader(1000, 2, 44100, 0)).Duration(), 0);
}

} // namespace
} // namespace tavuro
