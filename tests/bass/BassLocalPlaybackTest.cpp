// Local files played through SDL's disk driver: what comes out is measured.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <numbers>

#include "BassTestSupport.h"
#include "basswma.h"

using namespace basstest;

namespace {

struct FormatCase {
    const char* name;
    double frequency; // of the tone heard
    double level;     // its peak, 0..1
    DWORD ctype;
    std::function<std::string(const TempDir&)> make;
    bool music = false;
    DWORD rate = 44100; // the channel's
};

std::string Wav(const TempDir& dir, const std::string& encoding) {
    return MakeSineWav(dir, "tone.wav", 1000, 1.0, 0.5, encoding);
}

const FormatCase kFormats[] = {
    {"Mp3", 1000, 0.5, BASS_CTYPE_STREAM_MP3,
     [](const TempDir& d) { return EncodeMp3(d, Wav(d, "-b 16 -e signed-integer"), "tone.mp3"); }},
    {"Mp2", 1000, 0.5, BASS_CTYPE_STREAM_MP2,
     [](const TempDir& d) { return EncodeMp2(d, Wav(d, "-b 16 -e signed-integer"), "tone.mp2"); }},
    {"Ogg", 1000, 0.5, BASS_CTYPE_STREAM_OGG,
     [](const TempDir& d) { return EncodeOgg(d, Wav(d, "-b 16 -e signed-integer"), "tone.ogg"); }},
    {"Wav16", 1000, 0.5, BASS_CTYPE_STREAM_WAV,
     [](const TempDir& d) { return Wav(d, "-b 16 -e signed-integer"); }},
    {"Wav8", 1000, 0.5, BASS_CTYPE_STREAM_WAV,
     [](const TempDir& d) { return Wav(d, "-b 8 -e unsigned-integer"); }},
    {"Wav24", 1000, 0.5, BASS_CTYPE_STREAM_WAV,
     [](const TempDir& d) { return Wav(d, "-b 24 -e signed-integer"); }},
    {"Wav32", 1000, 0.5, BASS_CTYPE_STREAM_WAV,
     [](const TempDir& d) { return Wav(d, "-b 32 -e signed-integer"); }},
    {"WavFloat", 1000, 0.5, BASS_CTYPE_STREAM_WAV,
     [](const TempDir& d) { return Wav(d, "-b 32 -e floating-point"); }},
    {"Flac", 1000, 0.5, BASS_CTYPE_STREAM_FLAC,
     [](const TempDir& d) {
         return Encode(d, Wav(d, "-b 16 -e signed-integer"), "tone.flac", "flac -s -o {out} {in}");
     }},
    {"Opus", 1000, 0.5, BASS_CTYPE_STREAM_OPUS,
     [](const TempDir& d) {
         return Encode(d, Wav(d, "-b 16 -e signed-integer"), "tone.opus",
                       "opusenc --quiet {in} {out}");
     },
     false, 48000},
    {"M4a", 1000, 0.5, BASS_CTYPE_STREAM_AAC,
     [](const TempDir& d) {
         return Encode(d, Wav(d, "-b 16 -e signed-integer"), "tone.m4a",
                       "ffmpeg -nostdin -v error -i {in} -c:a aac -b:a 128k {out}");
     }},
    {"Wma", 1000, 0.5, BASS_CTYPE_STREAM_WMA,
     [](const TempDir& d) { return EncodeWma(d, Wav(d, "-b 16 -e signed-integer"), "tone.wma"); }},
    {"Module", 3546895.0 / 214 / 16, 0.3, BASS_CTYPE_MUSIC_MOD,
     [](const TempDir& d) { return MakeModule(d, "tone.mod"); }, true},
};

void PrintTo(const FormatCase& format, std::ostream* out) {
    *out << format.name;
}

class LocalFormat : public testing::TestWithParam<FormatCase> {};

DWORD OpenAny(const std::string& path, bool music) {
    if (music)
        return BASS_MusicLoad(FALSE, path.c_str(), 0, 0, BASS_MUSIC_CALCLEN, 0);
    if (DWORD stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0))
        return stream;
    return BASS_WMA_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
}
} // namespace

TEST_P(LocalFormat, PlaysAsToneOfExpectedLevelAndLengthAndEndsOnce) {
    const FormatCase& format = GetParam();
    TempDir dir;
    const std::string path = format.make(dir);
    Device device(dir);
    ASSERT_TRUE(device.ok) << BASS_ErrorGetCode();
    const DWORD channel = OpenAny(path, format.music);
    ASSERT_NE(channel, 0u) << BASS_ErrorGetCode();

    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(channel, &info));
    EXPECT_EQ(info.freq, format.rate);
    EXPECT_EQ(info.chans, 2u);
    // The channel plays 16-bit samples whatever the file holds.
    EXPECT_EQ(info.flags & BASS_SAMPLE_8BITS, 0u);
    EXPECT_EQ(info.ctype, format.ctype);
    const QWORD length =
        format.music ? BASS_MusicGetLength(channel, TRUE) : BASS_StreamGetLength(channel);
    const double expectedSeconds = format.music ? 1.28 : 1.0;
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(channel, length), expectedSeconds, 0.06);

    SyncRecorder ends;
    ASSERT_NE(ends.Watch(channel, BASS_SYNC_END), 0u);
    ASSERT_TRUE(format.music ? BASS_MusicPlay(channel) : BASS_StreamPlay(channel, FALSE, 0));
    EXPECT_EQ(BASS_ChannelIsActive(channel), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    ASSERT_TRUE(WaitUntil([&] { return ends.calls > 0; }, 4.0));
    EXPECT_EQ(BASS_ChannelIsActive(channel), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(ends.calls, 1);
    // A module's last row rings on a little past its computed length.
    const double tolerance = format.music ? 0.12 : 0.06;
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetPosition(channel)),
                expectedSeconds, tolerance);
    device.Free();

    const std::vector<float> heard = device.output.TakeLeft();
    const Span sound = NonSilent(heard, 0.02f);
    EXPECT_NEAR(sound.Seconds(), expectedSeconds, tolerance + 0.02);
    const size_t margin = 4410;
    ASSERT_GT(sound.last, sound.first + 2 * margin);
    EXPECT_NEAR(Frequency(heard, sound.first + margin, sound.last - margin), format.frequency,
                format.frequency * 0.01);
    EXPECT_NEAR(Peak(heard, sound.first + margin, sound.last - margin), format.level,
                format.level * 0.1);
}

INSTANTIATE_TEST_SUITE_P(Formats, LocalFormat, testing::ValuesIn(kFormats),
                         [](const testing::TestParamInfo<FormatCase>& info) {
                             return std::string(info.param.name);
                         });

namespace {

// One second of 1 kHz, then one second of 2 kHz.
std::string TwoTones(const TempDir& dir) {
    const std::string low = MakeSineWav(dir, "low.wav", 1000, 1.0, 0.5, "-b 16 -e signed-integer");
    const std::string high =
        MakeSineWav(dir, "high.wav", 2000, 1.0, 0.5, "-b 16 -e signed-integer");
    const std::string both = dir.Path("two.wav");
    RunCommand("sox " + low + " " + high + " " + both);
    return both;
}

// Seconds of the 1 kHz tone heard before the 2 kHz tone starts.
double LowToneSeconds(const std::vector<float>& heard) {
    const Span sound = NonSilent(heard, 0.02f);
    const size_t window = 441; // 10 ms
    size_t at = sound.first;
    while (at + window < sound.last && Frequency(heard, at, at + window) < 1500)
        at += window / 4;
    return static_cast<double>(at - sound.first) / 44100.0;
}

} // namespace

class SeekCase : public testing::TestWithParam<const char*> {};

TEST_P(SeekCase, SetPositionLandsWithin50msOfTheTarget) {
    TempDir dir;
    std::string path = TwoTones(dir);
    if (std::string(GetParam()) == "mp3")
        path = EncodeMp3(dir, path, "two.mp3");
    if (std::string(GetParam()) == "ogg")
        path = EncodeOgg(dir, path, "two.ogg");
    Device device(dir);
    ASSERT_TRUE(device.ok);
    const DWORD stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 0.7f)));
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream)), 0.7, 0.001);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    device.Free();
    EXPECT_NEAR(LowToneSeconds(device.output.TakeLeft()), 0.3, 0.05);
}

INSTANTIATE_TEST_SUITE_P(Files, SeekCase, testing::Values("wav", "mp3", "ogg"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

TEST(BassPosition, AdvancesInRealTimeAndPausesAndResumes) {
    TempDir dir;
    const std::string path =
        MakeSineWav(dir, "tone.wav", 1000, 3.0, 0.5, "-b 16 -e signed-integer");
    Device device(dir);
    ASSERT_TRUE(device.ok);
    const DWORD stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream)), elapsed, 0.1);

    ASSERT_TRUE(BASS_ChannelPause(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), static_cast<DWORD>(BASS_ACTIVE_PAUSED));
    const QWORD paused = BASS_ChannelGetPosition(stream);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(BASS_ChannelGetPosition(stream), paused);
    float spectrum[256];
    EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT512), 0xFFFFFFFFu);
    ASSERT_TRUE(BASS_ChannelResume(stream));
    EXPECT_FALSE(BASS_ChannelResume(stream));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPAUSE);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_GT(BASS_ChannelGetPosition(stream), paused);
    ASSERT_TRUE(BASS_ChannelStop(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(BASS_StreamFree(stream));
    EXPECT_FALSE(BASS_StreamFree(stream));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST(BassSpectrum, PeakSitsInTheToneBinAtAboutItsAmplitude) {
    TempDir dir;
    const double binFrequency = 12 * 44100.0 / 512; // centred on bin 12
    const std::string path =
        MakeSineWav(dir, "bin.wav", binFrequency, 2.0, 0.5, "-b 16 -e signed-integer");
    Device device(dir);
    ASSERT_TRUE(device.ok);
    const DWORD stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    float spectrum[256];
    EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT512),
              0xFFFFFFFFu); // not playing yet
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_NE(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT512), 0xFFFFFFFFu);
    const int peak = static_cast<int>(std::max_element(spectrum, spectrum + 256) - spectrum);
    EXPECT_EQ(peak, 12);
    EXPECT_NEAR(spectrum[12], 0.5, 0.05);
    EXPECT_LT(spectrum[40], 0.01);
}

namespace {

// A 1 kHz tone for `frames` frames, then the end.
struct SineSource {
    int frames;
    bool eightBit;
    int produced = 0;
    static DWORD Proc(HSTREAM, void* buffer, DWORD length, DWORD_PTR user) {
        auto* self = reinterpret_cast<SineSource*>(user);
        const DWORD frameBytes = self->eightBit ? 2 : 4;
        DWORD count = 0;
        while (count + frameBytes <= length && self->produced < self->frames) {
            const double value =
                0.5 * std::sin(2 * std::numbers::pi * 1000 * self->produced++ / 44100.0);
            for (int c = 0; c < 2; ++c) {
                if (self->eightBit) {
                    static_cast<uint8_t*>(buffer)[count++] =
                        static_cast<uint8_t>(128 + std::lround(value * 127));
                } else {
                    const auto sample = static_cast<int16_t>(std::lround(value * 32767));
                    std::memcpy(static_cast<uint8_t*>(buffer) + count, &sample, 2);
                    count += 2;
                }
            }
        }
        return self->produced == self->frames ? count | BASS_STREAMPROC_END : count;
    }
};

} // namespace

class UserStreamCase : public testing::TestWithParam<bool> {};

TEST_P(UserStreamCase, PlaysWhatTheCallbackGivesAndEndsAfterIt) {
    TempDir dir;
    Device device(dir);
    ASSERT_TRUE(device.ok);
    SineSource source{22050, GetParam()};
    const DWORD stream = BASS_StreamCreate(44100, 2, GetParam() ? BASS_SAMPLE_8BITS : 0,
                                           &SineSource::Proc, reinterpret_cast<DWORD_PTR>(&source));
    ASSERT_NE(stream, 0u);
    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(stream, &info);
    EXPECT_EQ((info.flags & BASS_SAMPLE_8BITS) != 0, GetParam());
    SyncRecorder ends;
    ends.Watch(stream, BASS_SYNC_END);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    ASSERT_TRUE(WaitUntil([&] { return ends.calls > 0; }, 3.0));
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 22050u * (GetParam() ? 2 : 4));
    device.Free();
    const std::vector<float> heard = device.output.TakeLeft();
    const Span sound = NonSilent(heard, 0.02f);
    EXPECT_NEAR(sound.Seconds(), 0.5, 0.03);
    EXPECT_NEAR(Frequency(heard, sound.first, sound.last), 1000, 10);
    EXPECT_NEAR(Peak(heard, sound.first, sound.last), 0.5, 0.03);
}

INSTANTIATE_TEST_SUITE_P(SampleSizes, UserStreamCase, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "EightBit" : "SixteenBit";
                         });

namespace {

// Frames no two of which are alike, and never silent on both sides.
std::array<int16_t, 2> PatternFrame(int64_t frame) {
    return {static_cast<int16_t>(frame * 7919 % 60001 - 30000),
            static_cast<int16_t>(frame * 104729 % 60001 - 30000)};
}

struct PatternSource {
    int frames, produced = 0;
    static DWORD Proc(HSTREAM, void* buffer, DWORD length, DWORD_PTR user) {
        auto* self = reinterpret_cast<PatternSource*>(user);
        DWORD count = 0;
        for (; count + 4 <= length && self->produced < self->frames; count += 4) {
            const std::array<int16_t, 2> frame = PatternFrame(self->produced++);
            std::memcpy(static_cast<uint8_t*>(buffer) + count, frame.data(), 4);
        }
        return self->produced == self->frames ? count | BASS_STREAMPROC_END : count;
    }
};

} // namespace

// At full volume and the device's rate every frame is heard as it was given: none dropped,
// repeated or swapped, across the mixer's blocks and the channel's refills. (The very last one
// goes with the end: the mixer holds a pair of frames to interpolate between.)
TEST(BassUserStream, AtTheDevicesRateEveryFrameIsHeardUnchanged) {
    TempDir dir;
    Device device(dir);
    ASSERT_TRUE(device.ok);
    PatternSource source{30000};
    const DWORD stream =
        BASS_StreamCreate(44100, 2, 0, &PatternSource::Proc, reinterpret_cast<DWORD_PTR>(&source));
    ASSERT_NE(stream, 0u);
    SyncRecorder ends;
    ends.Watch(stream, BASS_SYNC_END);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    ASSERT_TRUE(WaitUntil([&] { return ends.calls > 0; }, 3.0));
    device.Free();
    const std::vector<int16_t> heard = device.output.TakeSamples();
    size_t first = 0;
    while (first + 1 < heard.size() && heard[first] == 0 && heard[first + 1] == 0)
        first += 2;
    ASSERT_GE(heard.size(), first + 2 * 30000);
    int wrong = 0;
    for (int frame = 0; frame < 30000 - 1; ++frame) {
        const std::array<int16_t, 2> given = PatternFrame(frame);
        wrong += heard[first + 2 * frame] != given[0] || heard[first + 2 * frame + 1] != given[1];
    }
    EXPECT_EQ(wrong, 0);
}

namespace {

// A callback whose first call lasts until the test has stopped the stream and then delivers a
// loud chunk that ends the stream; later calls deliver silence.
struct StoppedWhileDelivering {
    std::mutex mutex; // protects the three flags
    std::condition_variable changed;
    bool inside = false, stopped = false, returned = false;

    static DWORD Proc(HSTREAM, void* buffer, DWORD length, DWORD_PTR user) {
        auto* self = reinterpret_cast<StoppedWhileDelivering*>(user);
        std::unique_lock lock(self->mutex);
        if (self->returned) {
            std::memset(buffer, 0, length);
            return length;
        }
        self->inside = true;
        self->changed.notify_all();
        self->changed.wait(lock, [&] { return self->stopped; });
        auto* samples = static_cast<int16_t*>(buffer);
        std::fill(samples, samples + length / 2, int16_t{16000});
        self->returned = true;
        self->changed.notify_all();
        return length | BASS_STREAMPROC_END;
    }
};

} // namespace

TEST(BassUserStream, AChunkDeliveredAcrossAStopIsDroppedWithItsEnd) {
    TempDir dir;
    Device device(dir);
    ASSERT_TRUE(device.ok);
    StoppedWhileDelivering source;
    const DWORD stream = BASS_StreamCreate(44100, 2, 0, &StoppedWhileDelivering::Proc,
                                           reinterpret_cast<DWORD_PTR>(&source));
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    {
        std::unique_lock lock(source.mutex);
        ASSERT_TRUE(
            source.changed.wait_for(lock, std::chrono::seconds(2), [&] { return source.inside; }));
    }
    ASSERT_TRUE(BASS_ChannelStop(stream));
    {
        std::unique_lock lock(source.mutex);
        source.stopped = true;
        source.changed.notify_all();
        source.changed.wait(lock, [&] { return source.returned; });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the feeder has handled it
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(BASS_ChannelIsActive(stream), static_cast<DWORD>(BASS_ACTIVE_PLAYING))
        << "no end flag from before the stop";
    device.Free();
    const std::vector<float> heard = device.output.TakeLeft();
    EXPECT_LT(Peak(heard, 0, heard.size()), 0.01) << "nothing from before the stop is heard";
}

TEST(BassUserStream, StopDropsTheBufferAndCountsFromZeroAgain) {
    TempDir dir;
    Device device(dir);
    ASSERT_TRUE(device.ok);
    SineSource source{441000, false};
    const DWORD stream =
        BASS_StreamCreate(44100, 2, 0, &SineSource::Proc, reinterpret_cast<DWORD_PTR>(&source));
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    ASSERT_TRUE(WaitUntil([&] { return BASS_ChannelGetPosition(stream) > 8820; }, 2.0));
    ASSERT_TRUE(BASS_ChannelStop(stream));
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 0u);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    EXPECT_TRUE(WaitUntil([&] { return BASS_ChannelGetPosition(stream) > 0; }, 2.0));
}

TEST(BassConfig, GlobalStreamVolumeScalesWhatIsHeard) {
    TempDir dir;
    const std::string path =
        MakeSineWav(dir, "tone.wav", 1000, 0.5, 0.8, "-b 16 -e signed-integer");
    Device device(dir);
    ASSERT_TRUE(device.ok);
    EXPECT_EQ(BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 50), 50u);
    EXPECT_EQ(BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 300), 100u); // above the scale is full volume
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 50);
    const DWORD stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelSetAttributes(stream, -1, 50, -1));
    EXPECT_FALSE(BASS_ChannelSetAttributes(stream, -1, 101, -1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    DWORD volume = 0;
    BASS_ChannelGetAttributes(stream, nullptr, &volume, nullptr);
    EXPECT_EQ(volume, 50u);
    SyncRecorder ends;
    ends.Watch(stream, BASS_SYNC_END);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    ASSERT_TRUE(WaitUntil([&] { return ends.calls > 0; }, 3.0));
    device.Free();
    // The setting outlives the device; tests run in one process after this one hear full volume.
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 100);
    const std::vector<float> heard = device.output.TakeLeft();
    const Span sound = NonSilent(heard, 0.02f);
    EXPECT_NEAR(Peak(heard, sound.first, sound.last), 0.8 * 0.25, 0.02);
}

struct BadInput {
    const char* name;
    std::function<std::string(const TempDir&)> make;
};

const BadInput kBadInputs[] = {
    {"Missing", [](const TempDir& d) { return d.Path("nothing-here.mp3"); }},
    {"Empty",
     [](const TempDir& d) {
         WriteFile(d.Path("empty.mp3"), {});
         return d.Path("empty.mp3");
     }},
    {"Garbage",
     [](const TempDir& d) {
         std::vector<uint8_t> bytes(20000);
         uint32_t seed = 12345;
         for (uint8_t& b : bytes)
             b = static_cast<uint8_t>((seed = seed * 134775813 + 1) >> 24);
         WriteFile(d.Path("garbage.mp3"), bytes);
         return d.Path("garbage.mp3");
     }},
    {"TruncatedWavHeader",
     [](const TempDir& d) {
         auto bytes =
             ReadFile(MakeSineWav(d, "full.wav", 1000, 0.2, 0.5, "-b 16 -e signed-integer"));
         bytes.resize(30);
         WriteFile(d.Path("cut.wav"), bytes);
         return d.Path("cut.wav");
     }},
    {"TruncatedOgg",
     [](const TempDir& d) {
         auto bytes = ReadFile(EncodeOgg(
             d, MakeSineWav(d, "full.wav", 1000, 0.5, 0.5, "-b 16 -e signed-integer"), "full.ogg"));
         bytes.resize(100);
         WriteFile(d.Path("cut.ogg"), bytes);
         return d.Path("cut.ogg");
     }},
    {"Folder", [](const TempDir& d) { return d.Path(""); }},
};

void PrintTo(const BadInput& input, std::ostream* out) {
    *out << input.name;
}

class BadFile : public testing::TestWithParam<BadInput> {};

TEST_P(BadFile, GivesNoChannelAndAnErrorCodeFromEveryOpener) {
    TempDir dir;
    const std::string path = GetParam().make(dir);
    Device device(dir);
    ASSERT_TRUE(device.ok);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0), 0u);
    EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
    EXPECT_EQ(BASS_MusicLoad(FALSE, path.c_str(), 0, 0, BASS_MUSIC_CALCLEN, 0), 0u);
    EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
    EXPECT_EQ(BASS_WMA_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0), 0u);
    EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
}

INSTANTIATE_TEST_SUITE_P(Files, BadFile, testing::ValuesIn(kBadInputs),
                         [](const testing::TestParamInfo<BadInput>& info) {
                             return std::string(info.param.name);
                         });

TEST(BassFileKinds, EachOpenerTakesOnlyItsOwnFormats) {
    TempDir dir;
    const std::string wav = MakeSineWav(dir, "tone.wav", 1000, 0.2, 0.5, "-b 16 -e signed-integer");
    const std::string module = MakeModule(dir, "tone.mod");
    Device device(dir);
    ASSERT_TRUE(device.ok);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, module.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_MusicLoad(FALSE, wav.c_str(), 0, 0, BASS_MUSIC_CALCLEN, 0), 0u);
    EXPECT_EQ(BASS_WMA_StreamCreateFile(FALSE, wav.c_str(), 0, 0, 0), 0u);
    const DWORD music = BASS_MusicLoad(FALSE, module.c_str(), 0, 0, BASS_MUSIC_CALCLEN, 0);
    ASSERT_NE(music, 0u);
    EXPECT_FALSE(BASS_StreamFree(music)); // music is freed as music
    EXPECT_TRUE(BASS_MusicFree(music));
}

TEST(BassTags, LocalFilesGiveId3v1Id3v2AndOggComments) {
    TempDir dir;
    const std::string wav = MakeSineWav(dir, "tone.wav", 1000, 0.3, 0.5, "-b 16 -e signed-integer");
    const std::string mp3 = dir.Path("tagged.mp3");
    RunCommand("lame --quiet -b 128 --add-id3v2 --tt 'Mp3 Title' --ta 'Mp3 Artist' " + wav + " " +
               mp3);
    const std::string ogg = EncodeOgg(dir, wav, "tagged.ogg");
    Device device(dir);
    ASSERT_TRUE(device.ok);
    const DWORD stream = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    const char* id3v1 = BASS_StreamGetTags(stream, BASS_TAG_ID3);
    ASSERT_NE(id3v1, nullptr);
    EXPECT_EQ(std::string(id3v1, 3), "TAG");
    EXPECT_EQ(std::string(id3v1 + 3, 9), "Mp3 Title");
    const char* id3v2 = BASS_StreamGetTags(stream, BASS_TAG_ID3V2);
    ASSERT_NE(id3v2, nullptr);
    EXPECT_EQ(std::string(id3v2, 3), "ID3");
    EXPECT_EQ(BASS_StreamGetTags(stream, BASS_TAG_OGG), nullptr);

    const DWORD vorbis = BASS_StreamCreateFile(FALSE, ogg.c_str(), 0, 0, 0);
    const char* comments = BASS_StreamGetTags(vorbis, BASS_TAG_OGG);
    ASSERT_NE(comments, nullptr);
    std::vector<std::string> list;
    for (const char* at = comments; *at; at += std::strlen(at) + 1)
        list.emplace_back(at);
    EXPECT_NE(std::find(list.begin(), list.end(), "title=Ogg Title"), list.end());
    EXPECT_NE(std::find(list.begin(), list.end(), "artist=Ogg Artist"), list.end());
}

TEST(BassDevice, VersionAndNoSoundDeviceAndInitTwice) {
    EXPECT_EQ(BASS_GetVersion(), 2u);
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    TempDir dir;
    const std::string path =
        MakeSineWav(dir, "tone.wav", 1000, 2.0, 0.5, "-b 16 -e signed-integer");
    const DWORD stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream)), 0.4, 0.1);
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

// A device left idle holds no silence queued ahead: a sound started later is the next thing heard
// after what the disk driver had written when it started. (SDL itself may write one buffer of
// silence as it opens the device, before the library unpauses it.)
TEST(BassDevice, ASoundStartedOnAnIdleDeviceIsNotQueuedBehindSilence) {
    TempDir dir;
    const std::string path =
        MakeSineWav(dir, "tone.wav", 1000, 0.5, 0.5, "-b 16 -e signed-integer");
    Device device(dir);
    ASSERT_TRUE(device.ok);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const DWORD stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    const size_t writtenBefore = device.output.FramesWritten();
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    device.Free();
    const std::vector<float> heard = device.output.TakeLeft();
    ASSERT_GE(heard.size(), writtenBefore);
    const std::vector<float> afterStart(heard.begin() + writtenBefore, heard.end());
    EXPECT_LT(NonSilent(afterStart, 0.02f).first, 64u)
        << "of " << afterStart.size() << " samples (" << writtenBefore << " written before)";
}

TEST(BassDevice, NoOutputGivesZeroAndAnErrorCode) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
}
