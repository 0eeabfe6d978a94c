#include "readers/MPEGaudio.h"

#include <gtest/gtest.h>

#include "ID3v2Builders.h"

namespace tavuro {
namespace {

using namespace fixtures;

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, stereo, no CRC: frames of 417 bytes.
const Bytes kHeader128{0xFF, 0xFB, 0x90, 0x00};
constexpr std::size_t kFrame128 = 417;

Bytes Frames(const Bytes& header, std::size_t frameLength, int count) {
    Bytes out;
    for (int i = 0; i < count; ++i) {
        Append(out, header);
        out.resize(out.size() + frameLength - header.size(), 0);
    }
    return out;
}

Bytes XingFrames(const Bytes& header, std::size_t frameLength, std::size_t xingAt,
                 std::uint32_t frames, std::uint32_t bytes, std::string_view id = "Xing") {
    Bytes out = Frames(header, frameLength, 20);
    Bytes vbr = Text(id);
    if (id == "Xing") {
        AppendBE32(vbr, 0x0F);
        AppendBE32(vbr, frames);
        AppendBE32(vbr, bytes);
    } else {
        vbr.resize(10, 0);
        vbr[9] = 77;
        AppendBE32(vbr, bytes);
        AppendBE32(vbr, frames);
    }
    std::copy(vbr.begin(), vbr.end(), out.begin() + static_cast<std::ptrdiff_t>(xingAt));
    return out;
}

Bytes ID3v1Block(std::string_view title) {
    Bytes tag = Text("TAG");
    Append(tag, title);
    tag.resize(127, 0);
    tag.push_back(17);
    return tag;
}

class MPEGFile : public ::testing::Test {
protected:
    TMPEGaudio Read(const Bytes& bytes) {
        TMPEGaudio reader;
        EXPECT_TRUE(reader.ReadFromFile(dir.Write("a.mp3", bytes)));
        return reader;
    }
    TTempDir dir;
};

TEST_F(MPEGFile, ConstantBitRateStream) {
    const Bytes file = Frames(kHeader128, kFrame128, 40);
    const TMPEGaudio mpeg = Read(file);
    ASSERT_TRUE(mpeg.Frame().Found);
    EXPECT_EQ(mpeg.Frame().Position, 0);
    EXPECT_EQ(mpeg.Frame().Size, kFrame128);
    EXPECT_EQ(mpeg.FileLength(), static_cast<std::int64_t>(file.size()));
    EXPECT_EQ(mpeg.SampleRate(), 44100);
    EXPECT_EQ(mpeg.BitRate(), 128);
    EXPECT_EQ(mpeg.ChannelMode(), "Stereo");
    EXPECT_DOUBLE_EQ(mpeg.Duration(), file.size() / 128.0 / 1000 * 8);
    EXPECT_TRUE(mpeg.Valid());
    EXPECT_FALSE(mpeg.VBR().Found);
}

TEST_F(MPEGFile, ID3v1TagTakes128BytesOffTheDuration) {
    Bytes file = Frames(kHeader128, kFrame128, 40);
    const double without = Read(file).Duration();
    Append(file, ID3v1Block("Tagged"));
    const TMPEGaudio mpeg = Read(file);
    EXPECT_TRUE(mpeg.ID3v1().Exists());
    EXPECT_EQ(mpeg.ID3v1().Title(), "Tagged");
    EXPECT_DOUBLE_EQ(mpeg.Duration(), without);
}

TEST_F(MPEGFile, AudioIsSearchedAfterTheID3v2Tag) {
    Bytes file = ID3v2Tag(3, {Frame("TIT2", Latin1("Front"))}, 100);
    const std::size_t tagSize = file.size();
    Append(file, Frames(kHeader128, kFrame128, 40));
    const TMPEGaudio mpeg = Read(file);
    ASSERT_TRUE(mpeg.Valid());
    EXPECT_EQ(mpeg.Frame().Position, 0);
    EXPECT_EQ(mpeg.ID3v2().Title(), "Front");
    EXPECT_DOUBLE_EQ(mpeg.Duration(), (file.size() - tagSize) / 128.0 / 1000 * 8);
}

TEST_F(MPEGFile, LoneHeaderWithoutASecondIsSkipped) {
    Bytes file = kHeader128;
    file.resize(500, 0x11);
    Append(file, Frames(kHeader128, kFrame128, 40));
    EXPECT_EQ(Read(file).Frame().Position, 500);
}

TEST_F(MPEGFile, FrameFarAfterTheTagIsFoundInTheMiddleOfTheFile) {
    Bytes file = ID3v2Tag(3, {Frame("TIT2", Latin1("x"))}, 80);
    const std::int64_t tagSize = static_cast<std::int64_t>(file.size());
    file.resize(file.size() + 2000, 0x11);
    const std::int64_t audioStart = static_cast<std::int64_t>(file.size());
    Append(file, Frames(kHeader128, kFrame128, 40));
    const std::int64_t middle = (static_cast<std::int64_t>(file.size()) - tagSize) / 2;
    const std::int64_t intoFrame = (middle - audioStart) % kFrame128;
    const TMPEGaudio mpeg = Read(file);
    ASSERT_TRUE(mpeg.Frame().Found);
    EXPECT_EQ(mpeg.Frame().Position, intoFrame == 0 ? 0 : kFrame128 - intoFrame);
}

struct RefusedCase {
    const char* name;
    Bytes header;
};

class MPEGRefusedHeader : public MPEGFile, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(MPEGRefusedHeader, IsNeverAcceptedAndTheTagsAreCleared) {
    Bytes file = ID3v2Tag(3, {Frame("TIT2", Latin1("Gone"))});
    Append(file, Frames(GetParam().header, kFrame128, 20));
    Append(file, ID3v1Block("Gone too"));
    const TMPEGaudio mpeg = Read(file);
    EXPECT_FALSE(mpeg.Frame().Found);
    EXPECT_FALSE(mpeg.Valid());
    EXPECT_FALSE(mpeg.ID3v1().Exists());
    EXPECT_FALSE(mpeg.ID3v2().Exists());
    EXPECT_EQ(mpeg.ID3v2().Title(), "");
    EXPECT_EQ(mpeg.SampleRate(), 0);
    EXPECT_EQ(mpeg.ChannelMode(), "Unknown");
}

INSTANTIATE_TEST_SUITE_P(Cases, MPEGRefusedHeader,
                         ::testing::Values(RefusedCase{"FreeFormat", {0xFF, 0xFB, 0x00, 0x00}},
                                           RefusedCase{"BitRateIndex15", {0xFF, 0xFB, 0xF0, 0x00}},
                                           RefusedCase{"SampleRateIndex3",
                                                       {0xFF, 0xFB, 0x9C, 0x00}},
                                           RefusedCase{"Emphasis2", {0xFF, 0xFB, 0x90, 0x02}},
                                           RefusedCase{"ReservedVersion", {0xFF, 0xEB, 0x90, 0x00}},
                                           RefusedCase{"ReservedLayer", {0xFF, 0xF9, 0x90, 0x00}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MPEGFile, XingHeaderGivesBitRateAndDurationFromItsCounts) {
    const TMPEGaudio mpeg = Read(XingFrames(kHeader128, kFrame128, 36, 100, 100 * 209));
    ASSERT_TRUE(mpeg.VBR().Found);
    EXPECT_EQ(mpeg.VBR().ID, "Xing");
    EXPECT_EQ(mpeg.VBR().Frames, 100);
    EXPECT_EQ(mpeg.BitRate(), 64); // 209 * 44100 / 144 / 1000 = 64.0
    EXPECT_DOUBLE_EQ(mpeg.Duration(), 1152.0 * 100 / 44100);
    EXPECT_TRUE(mpeg.Valid());
}

TEST_F(MPEGFile, XingWithoutFramesFallsBackToTheFrameHeader) {
    const Bytes file = XingFrames(kHeader128, kFrame128, 36, 0, 5000);
    const TMPEGaudio mpeg = Read(file);
    EXPECT_TRUE(mpeg.VBR().Found);
    EXPECT_EQ(mpeg.BitRate(), 128);
    EXPECT_DOUBLE_EQ(mpeg.Duration(), file.size() / 128.0 / 1000 * 8);
}

TEST_F(MPEGFile, VBRIHeaderIsReadFromItsOwnPlaces) {
    const TMPEGaudio mpeg = Read(XingFrames(kHeader128, kFrame128, 36, 100, 100 * 209, "VBRI"));
    ASSERT_TRUE(mpeg.VBR().Found);
    EXPECT_EQ(mpeg.VBR().ID, "VBRI");
    EXPECT_EQ(mpeg.VBR().Scale, 77);
    EXPECT_EQ(mpeg.VBR().Frames, 100);
    EXPECT_EQ(mpeg.VBR().Bytes, 100 * 209);
}

TEST_F(MPEGFile, LongStreamDurationDoesNotWrapAt32Bits) {
    const TMPEGaudio mpeg = Read(XingFrames(kHeader128, kFrame128, 36, 2000000000u, 2000000000u));
    EXPECT_DOUBLE_EQ(mpeg.Duration(), 1152.0 * 2000000000 / 44100);
}

TEST_F(MPEGFile, AbsurdXingBitRateSaturatesAndIsNotValid) {
    const TMPEGaudio mpeg = Read(XingFrames(kHeader128, kFrame128, 36, 1, 2000000000u));
    EXPECT_EQ(mpeg.BitRate(), 65535);
    EXPECT_FALSE(mpeg.Valid());
}

struct XingPlaceCase {
    const char* name;
    Bytes header;
    std::size_t frameLength;
    std::size_t xingAt;
    bool found;
};

class MPEGXingPlace : public MPEGFile, public ::testing::WithParamInterface<XingPlaceCase> {};

TEST_P(MPEGXingPlace, DependsOnVersionAndMode) {
    const XingPlaceCase& c = GetParam();
    EXPECT_EQ(Read(XingFrames(c.header, c.frameLength, c.xingAt, 50, 50 * 100)).VBR().Found,
              c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MPEGXingPlace,
    ::testing::Values(XingPlaceCase{"Mpeg1Stereo36", kHeader128, kFrame128, 36, true},
                      XingPlaceCase{"Mpeg1Mono21", {0xFF, 0xFB, 0x90, 0xC0}, kFrame128, 21, true},
                      XingPlaceCase{
                          "Mpeg1MonoNot36", {0xFF, 0xFB, 0x90, 0xC0}, kFrame128, 36, false},
                      XingPlaceCase{"Mpeg2Stereo21", {0xFF, 0xF3, 0x80, 0x00}, 208, 21, true},
                      XingPlaceCase{"Mpeg2StereoNot36", {0xFF, 0xF3, 0x80, 0x00}, 208, 36, false},
                      XingPlaceCase{"Mpeg2Mono13", {0xFF, 0xF3, 0x80, 0xC0}, 208, 13, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MPEGFile, Mpeg2LayerIFramesHold384Samples) {
    // 64 kbit/s at 22050 Hz: 48 x 64000 / 22050 = 139 bytes a frame.
    const Bytes file = Frames({0xFF, 0xF7, 0x40, 0x00}, 139, 40);
    const TMPEGaudio mpeg = Read(file);
    ASSERT_TRUE(mpeg.Frame().Found);
    EXPECT_EQ(mpeg.Frame().Size, 139);
    EXPECT_EQ(mpeg.SampleRate(), 22050);
    EXPECT_EQ(mpeg.BitRate(), 64);
}

TEST_F(MPEGFile, TooShortOrTooFastIsNotValid) {
    EXPECT_FALSE(Read(Frames(kHeader128, kFrame128, 3)).Valid()); // 0.078 s
    // 448 kbit/s Layer I passes; the table holds nothing faster.
    EXPECT_TRUE(Read(Frames({0xFF, 0xFF, 0xE0, 0x00}, 48 * 448000 / 44100, 60)).Valid());
}

TEST(MPEGaudio, FileShorterThanAnID3v1TagFails) {
    TTempDir dir;
    TMPEGaudio mpeg;
    EXPECT_FALSE(mpeg.ReadFromFile(dir.Write("short.mp3", Frames(kHeader128, 50, 2))));
    EXPECT_FALSE(mpeg.Valid());
    EXPECT_FALSE(mpeg.ReadFromFile(dir.PathOf("missing.mp3")));
}

TEST(MPEGaudio, BufferDecodingGoesToTheTagReaderOfTheKind) {
    TMPEGaudio mpeg;
    TMP3TagInfo info;
    const Bytes v1 = ID3v1Block("One");
    const Bytes v2 = ID3v2Tag(3, {Frame("TIT2", Latin1("Two"))});
    EXPECT_TRUE(mpeg.ReadTagFromBuffer(v1.data(), v1.size(), 1, info));
    EXPECT_EQ(info.Title, "One");
    EXPECT_TRUE(mpeg.ReadTagFromBuffer(v2.data(), v2.size(), 2, info));
    EXPECT_EQ(info.Title, "Two");
    EXPECT_FALSE(mpeg.ReadTagFromBuffer(v2.data(), v2.size(), 3, info));
    EXPECT_FALSE(mpeg.ReadTagFromBuffer(v2.data(), v2.size(), 1, info));
}

} // namespace
} // namespace tavuro
