// Each codec of the library, by the files real encoders make: the format it reports, its length
// against what it decodes, the tone it gives, a seek near the end, a truncated file and a name
// that lies about the content. Decoded with BASS_STREAM_DECODE, so no test waits for real time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "BassTestSupport.h"

using namespace basstest;

namespace {

constexpr double kSeconds = 1.0;

struct CodecCase {
    const char* name;
    int rate; // of the tone given to the encoder
    int channels;
    const char* sampleFormat; // sox's, of that tone
    const char* file;
    const char* command; // the encoder, {in} and {out}; empty: the WAV itself
    DWORD ctype;
    int playRate; // the channel's rate
    bool exact;   // the length counts exactly the samples given to the encoder
};

const char* const k16 = "-b 16 -e signed-integer";
const char* const k24 = "-b 24 -e signed-integer";

const CodecCase kCodecs[] = {
    {"Mp3Stereo44k", 44100, 2, k16, "t.mp3", "lame --quiet -b 128 {in} {out}",
     BASS_CTYPE_STREAM_MP3, 44100, true},
    {"Mp3Mono22k", 22050, 1, k16, "t.mp3", "lame --quiet -b 64 -m m {in} {out}",
     BASS_CTYPE_STREAM_MP3, 22050, true},
    {"Mp2Mono32k", 32000, 1, k16, "t.mp2", "ffmpeg -nostdin -v error -i {in} -c:a mp2 {out}",
     BASS_CTYPE_STREAM_MP2, 32000, false},
    {"VorbisStereo44k", 44100, 2, k16, "t.ogg", "oggenc --quiet -q 4 -o {out} {in}",
     BASS_CTYPE_STREAM_OGG, 44100, true},
    {"VorbisMono22k", 22050, 1, k16, "t.ogg", "oggenc --quiet -q 2 -o {out} {in}",
     BASS_CTYPE_STREAM_OGG, 22050, true},
    {"OpusStereo48k", 48000, 2, k16, "t.opus", "opusenc --quiet {in} {out}", BASS_CTYPE_STREAM_OPUS,
     48000, true},
    {"OpusMono16k", 16000, 1, k16, "t.opus", "opusenc --quiet {in} {out}", BASS_CTYPE_STREAM_OPUS,
     48000, true},
    {"Flac16Stereo44k", 44100, 2, k16, "t.flac", "flac -s -f -o {out} {in}", BASS_CTYPE_STREAM_FLAC,
     44100, true},
    {"Flac24Stereo96k", 96000, 2, k24, "t.flac", "flac -s -f -o {out} {in}", BASS_CTYPE_STREAM_FLAC,
     96000, true},
    {"Flac8Mono8k", 8000, 1, "-b 8 -e signed-integer", "t.flac", "flac -s -f -o {out} {in}",
     BASS_CTYPE_STREAM_FLAC, 8000, true},
    {"OggFlac16Stereo44k", 44100, 2, k16, "t.oga", "flac -s -f --ogg -o {out} {in}",
     BASS_CTYPE_STREAM_FLAC, 44100, true},
    {"Wav24Mono48k", 48000, 1, k24, "t.wav", "", BASS_CTYPE_STREAM_WAV, 48000, true},
    {"WavExtensible6ch", 44100, 6, k16, "t.wav", "", BASS_CTYPE_STREAM_WAV, 44100, true},
    {"WavFloat64", 44100, 2, "-b 64 -e floating-point", "t.wav", "", BASS_CTYPE_STREAM_WAV, 44100,
     true},
    {"WavALaw", 8000, 1, "-b 8 -e a-law", "t.wav", "", BASS_CTYPE_STREAM_WAV, 8000, true},
    {"AacM4a44k", 44100, 2, k16, "t.m4a", "ffmpeg -nostdin -v error -i {in} -c:a aac {out}",
     BASS_CTYPE_STREAM_AAC, 44100, false},
    {"AacAdtsMono48k", 48000, 1, k16, "t.aac", "ffmpeg -nostdin -v error -i {in} -c:a aac {out}",
     BASS_CTYPE_STREAM_AAC, 48000, false},
    {"Alac24Stereo44k", 44100, 2, k24, "t.m4a", "ffmpeg -nostdin -v error -i {in} -c:a alac {out}",
     BASS_CTYPE_STREAM_ALAC, 44100, true},
};

void PrintTo(const CodecCase& codec, std::ostream* out) {
    *out << codec.name;
}

// `seconds` of 1 kHz at half scale, encoded as the case says.
std::string MakeTone(const TempDir& dir, const CodecCase& codec, double seconds = kSeconds) {
    const std::string wav = dir.Path("tone.wav");
    RunCommand("sox -n -r " + std::to_string(codec.rate) + " -c " + std::to_string(codec.channels) +
               " " + codec.sampleFormat + " " + wav + " synth " + std::to_string(seconds) +
               " sine 1000 vol 0.5");
    if (std::string(codec.command).empty())
        return wav;
    return Encode(dir, wav, codec.file, codec.command);
}

struct Decoded {
    std::vector<float> left; // -1..1
    uint64_t frames = 0;
};

// Everything the stream gives from where it stands, the left channel kept.
Decoded DecodeAll(DWORD stream, int channels) {
    Decoded decoded;
    std::vector<int16_t> buffer(8192 * channels);
    DWORD got;
    while ((got = BASS_ChannelGetData(stream, buffer.data(),
                                      static_cast<DWORD>(buffer.size() * 2))) != 0xFFFFFFFF) {
        const size_t frames = got / 2 / channels;
        for (size_t i = 0; i < frames; ++i)
            decoded.left.push_back(buffer[i * channels] / 32768.0f);
        decoded.frames += frames;
    }
    return decoded;
}

// Frequency from positive-going zero crossings, at the channel's own rate.
double ToneFrequency(const std::vector<float>& left, int rate) {
    return Frequency(left, left.size() / 10, left.size() * 9 / 10) * rate / 44100.0;
}

class Codec : public testing::TestWithParam<CodecCase> {
protected:
    void SetUp() override { ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)); }
    void TearDown() override { BASS_Free(); }
    DWORD Open(const std::string& path) {
        return BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    }
    int64_t LengthFrames(DWORD stream) {
        const QWORD bytes = BASS_StreamGetLength(stream);
        return bytes == ~QWORD{0} ? -1 : static_cast<int64_t>(bytes / 2 / GetParam().channels);
    }
    TempDir dir_;
};

} // namespace

TEST_P(Codec, ReportsItsFormatAndDecodesItsWholeLengthAsTheTone) {
    const CodecCase& codec = GetParam();
    const DWORD stream = Open(MakeTone(dir_, codec));
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
    EXPECT_EQ(info.freq, static_cast<DWORD>(codec.playRate));
    EXPECT_EQ(info.chans, static_cast<DWORD>(codec.channels));
    EXPECT_EQ(info.ctype, codec.ctype);
    EXPECT_EQ(info.flags & BASS_SAMPLE_8BITS, 0u);
    const int64_t length = LengthFrames(stream);
    const double expected = kSeconds * codec.playRate;
    const Decoded decoded = DecodeAll(stream, codec.channels);
    if (codec.exact) {
        EXPECT_EQ(length, static_cast<int64_t>(expected)) << "no encoder delay or padding counted";
        EXPECT_EQ(decoded.frames, static_cast<uint64_t>(expected));
    } else {
        EXPECT_NEAR(static_cast<double>(length), expected, expected * 0.05);
        EXPECT_NEAR(static_cast<double>(decoded.frames), expected, expected * 0.05);
    }
    EXPECT_NEAR(ToneFrequency(decoded.left, codec.playRate), 1000, 10);
    const size_t middle = decoded.left.size() / 2;
    EXPECT_NEAR(Peak(decoded.left, middle - 2000, middle + 2000), 0.5, 0.05);
}

TEST_P(Codec, ASeekNearTheEndGivesWhatIsLeftFromThere) {
    const CodecCase& codec = GetParam();
    const DWORD stream = Open(MakeTone(dir_, codec));
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    const int64_t length = LengthFrames(stream);
    ASSERT_GT(length, 0);
    const int64_t target = length - codec.playRate / 10; // 100 ms before the end
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, static_cast<QWORD>(target) * 2 * codec.channels))
        << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_ChannelGetPosition(stream), static_cast<QWORD>(target) * 2 * codec.channels);
    const Decoded rest = DecodeAll(stream, codec.channels);
    const double left = static_cast<double>(length - target);
    EXPECT_NEAR(static_cast<double>(rest.frames), left, codec.exact ? 0 : left * 0.3);
    // The tone, not silence (a lossy codec's last frames ring a little louder).
    EXPECT_NEAR(Peak(rest.left, 0, rest.left.size() / 2), 0.5, 0.1);
}

TEST_P(Codec, ATruncatedFileEndsEarlyOrIsRefusedAndNeverHangs) {
    const CodecCase& codec = GetParam();
    // Long enough that an Ogg file has whole pages and a FLAC file whole frames before the cut.
    const double seconds = 10;
    std::vector<uint8_t> bytes = ReadFile(MakeTone(dir_, codec, seconds));
    bytes.resize(bytes.size() * 8 / 10);
    const std::string cut = dir_.Path(std::string("cut-") + codec.file);
    WriteFile(cut, bytes);
    const DWORD stream = Open(cut);
    if (stream == 0) {
        // An MPEG-4 file whose index lies past the cut has nothing to play.
        EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
        return;
    }
    const Decoded decoded = DecodeAll(stream, codec.channels);
    const double full = seconds * codec.playRate;
    EXPECT_GT(static_cast<double>(decoded.frames), full * 0.3);
    EXPECT_LT(static_cast<double>(decoded.frames), full * 0.95);
}

INSTANTIATE_TEST_SUITE_P(Files, Codec, testing::ValuesIn(kCodecs),
                         [](const testing::TestParamInfo<CodecCase>& info) {
                             return std::string(info.param.name);
                         });

namespace {

struct Disguise {
    const char* name;
    size_t codec;        // in kCodecs
    const char* newName; // an extension of another format
};

const Disguise kDisguises[] = {
    {"Mp3NamedOgg", 0, "song.ogg"},    {"FlacNamedMp3", 7, "song.mp3"},
    {"OpusNamedFlac", 5, "song.flac"}, {"VorbisNamedWav", 3, "song.wav"},
    {"WavNamedM4a", 11, "song.m4a"},   {"M4aNamedMp3", 15, "song.mp3"},
};

void PrintTo(const Disguise& disguise, std::ostream* out) {
    *out << disguise.name;
}

class WrongName : public testing::TestWithParam<Disguise> {};

} // namespace

TEST_P(WrongName, TheContentAndNotTheNameChoosesTheCodec) {
    const Disguise& disguise = GetParam();
    const CodecCase& codec = kCodecs[disguise.codec];
    TempDir dir;
    const std::string named = dir.Path(disguise.newName);
    WriteFile(named, ReadFile(MakeTone(dir, codec)));
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    const DWORD stream = BASS_StreamCreateFile(FALSE, named.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(stream, &info);
    EXPECT_EQ(info.ctype, codec.ctype);
    const Decoded decoded = DecodeAll(stream, codec.channels);
    EXPECT_NEAR(ToneFrequency(decoded.left, codec.playRate), 1000, 10);
    BASS_Free();
}

INSTANTIATE_TEST_SUITE_P(Files, WrongName, testing::ValuesIn(kDisguises),
                         [](const testing::TestParamInfo<Disguise>& info) {
                             return std::string(info.param.name);
                         });

TEST(BassCodecTags, FlacAndOpusCommentsAreTheOggTagBlock) {
    TempDir dir;
    const std::string wav = MakeSineWav(dir, "tone.wav", 1000, 0.5, 0.5, k16);
    const std::string flac = Encode(
        dir, wav, "t.flac", "flac -s -f -T TITLE='Flac Song' -T ARTIST=Someone -o {out} {in}");
    const std::string opus =
        Encode(dir, wav, "t.opus", "opusenc --quiet --title 'Opus Song' {in} {out}");
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    for (const auto& [path, title] :
         {std::pair<std::string, std::string>{flac, "TITLE=Flac Song"},
          std::pair<std::string, std::string>{opus, "title=Opus Song"}}) {
        const DWORD stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        ASSERT_NE(stream, 0u) << path;
        std::vector<std::string> list;
        for (const char* at = BASS_StreamGetTags(stream, BASS_TAG_OGG); at && *at;
             at += std::strlen(at) + 1)
            list.emplace_back(at);
        EXPECT_NE(std::find(list.begin(), list.end(), title), list.end()) << path;
    }
    BASS_Free();
}
