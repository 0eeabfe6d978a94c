// End to end through the real pieces: the engine with libbass.so from the program folder, a WAV
// input plug-in library installed in a slot, the output emulator, and SDL's disk driver, which
// writes what would be heard to a file. Runs in real time (about five seconds).
#include "engine/AudioEngine.h"
#include "platform/Dialogs.h"
#include "plugins/PluginHost.h"
#include "tests/plugins/PumpEvents.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include <dlfcn.h>

using namespace tavuro;
using tavuro::test::PumpUntil;
using namespace std::chrono_literals;

namespace {

constexpr int kRate = 44100;
constexpr double kToneHz = 440.0;
constexpr double kAmplitude = 0.5;
constexpr int kToneMs = 4000;
constexpr int kWindow = kRate / 100; // 10 ms of samples

void PutLittle(std::vector<char>& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<char>(value >> (8 * i)));
}

// A 44.1 kHz 16-bit stereo RIFF WAVE file of a sine tone.
void WriteToneWave(const std::string& path) {
    const std::uint32_t frames = kRate * kToneMs / 1000;
    const std::uint32_t dataSize = frames * 4;
    std::vector<char> bytes;
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    PutLittle(bytes, 36 + dataSize, 4);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLittle(bytes, 16, 4);
    PutLittle(bytes, 1, 2); // PCM
    PutLittle(bytes, 2, 2);
    PutLittle(bytes, kRate, 4);
    PutLittle(bytes, kRate * 4, 4);
    PutLittle(bytes, 4, 2);
    PutLittle(bytes, 16, 2);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    PutLittle(bytes, dataSize, 4);
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        const double phase = 2 * std::numbers::pi * kToneHz * frame / kRate;
        const auto sample =
            static_cast<std::int16_t>(std::lround(kAmplitude * 32767 * std::sin(phase)));
        PutLittle(bytes, static_cast<std::uint16_t>(sample), 2);
        PutLittle(bytes, static_cast<std::uint16_t>(sample), 2);
    }
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The left channel of what SDL's disk driver wrote: 16-bit stereo at the device's 44.1 kHz.
std::vector<float> HeardLeft(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    std::vector<float> left;
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        std::int16_t value;
        std::memcpy(&value, bytes.data() + at, 2);
        left.push_back(value / 32768.0f);
    }
    return left;
}

double Rms(const std::vector<float>& samples, std::size_t first, std::size_t count) {
    double sum = 0;
    for (std::size_t i = first; i < first + count; ++i)
        sum += samples[i] * samples[i];
    return std::sqrt(sum / static_cast<double>(count));
}

double ZeroCrossingFrequency(const std::vector<float>& samples, std::size_t first,
                             std::size_t count) {
    std::size_t crossings = 0, firstCrossing = 0, lastCrossing = 0;
    for (std::size_t i = first + 1; i < first + count; ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (crossings++ == 0)
                firstCrossing = i;
            lastCrossing = i;
        }
    }
    if (crossings < 2)
        return 0;
    return static_cast<double>(crossings - 1) * kRate /
           static_cast<double>(lastCrossing - firstCrossing);
}

void PumpFor(std::chrono::milliseconds time) {
    PumpUntil([] { return false; }, time);
}

} // namespace

TEST(PluginPlayback, AWavFilePlaysThroughThePluginAndTheEmulatorSeeksPausesAndEnds) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string wave = folder.filePath("tone.wav").toStdString();
    const std::string heard = folder.filePath("heard.raw").toStdString();
    WriteToneWave(wave);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", heard.c_str(), 1);
    {
        TRecordingDialogs dialogs;
        TAudioEngine engine(dialogs, GetProgramDirectory());
        ASSERT_TRUE(engine.BassReady());
        void* library = dlopen(WAV_INPUT_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        auto getModule =
            reinterpret_cast<winampGetInModule2Proc>(dlsym(library, "winampGetInModule2"));
        ASSERT_NE(getModule, nullptr);
        In_Module* plugin = getModule();
        ASSERT_TRUE(InstallPlugin(0, plugin, {"WAV", 0, "", "WAV", 0, library}));

        int startNotices = 0, ends = 0;
        TChannelInfo started{};
        engine.OnPluginStartPlay = [&](TAudioEngine*, PChannelInfo info) {
            started = *info;
            ++startNotices;
        };
        engine.OnPlayEnd = [&](TAudioEngine*) { ++ends; };
        engine.PluginFirst = true; // the library could play the file too

        ASSERT_TRUE(engine.Open(wave));
        EXPECT_EQ(engine.ChannelKind(), ckPlugin);
        EXPECT_EQ(engine.GetLength(), static_cast<std::uint32_t>(kToneMs));
        engine.Play();
        ASSERT_EQ(engine.PlayerState(), psPlaying);
        ASSERT_TRUE(PumpUntil([&] { return startNotices > 0; }, 2s));
        EXPECT_EQ(started.SampleRate, kRate);
        EXPECT_EQ(started.Channels, 2);
        EXPECT_EQ(started.BitsPerSample, 16);
        EXPECT_EQ(started.Length, kToneMs);

        PumpFor(700ms);
        const std::uint32_t beforeSeek = engine.GetPosition();
        EXPECT_GT(beforeSeek, 400u);
        EXPECT_LT(beforeSeek, 2000u);
        ASSERT_TRUE(engine.CanSeek());
        engine.SetPosition(2000);
        EXPECT_EQ(startNotices, 2); // the stream started again after the flush
        EXPECT_GE(engine.GetPosition(), 2000u);
        EXPECT_LT(engine.GetPosition(), 2400u);

        // The engine has no pause of its own: a plug-in pauses from its own controls.
        PumpFor(300ms);
        plugin->Pause();
        PumpFor(100ms);
        const std::uint32_t paused = engine.GetPosition();
        PumpFor(500ms);
        EXPECT_EQ(engine.GetPosition(), paused);
        plugin->UnPause();
        PumpFor(300ms);
        EXPECT_GT(engine.GetPosition(), paused + 150);

        ASSERT_TRUE(PumpUntil([&] { return engine.PlayerState() == psStopped; }, 5s));
        EXPECT_EQ(ends, 1);
        EXPECT_TRUE(dialogs.Messages.empty());
        engine.Close();
    }

    // What was heard: the tone at its level, with the skipped second missing and a pause in it.
    const std::vector<float> left = HeardLeft(heard);
    std::vector<bool> audible;
    for (std::size_t at = 0; at + kWindow <= left.size(); at += kWindow)
        audible.push_back(Rms(left, at, kWindow) > 0.1);
    const auto first = std::find(audible.begin(), audible.end(), true) - audible.begin();
    ASSERT_LT(first, static_cast<std::ptrdiff_t>(audible.size()));
    const auto audibleMs = 10 * std::count(audible.begin(), audible.end(), true);
    EXPECT_GT(audibleMs, 2200);
    EXPECT_LT(audibleMs, 3500);
    std::ptrdiff_t longestGap = 0, gap = 0;
    const auto last = audible.rend() - std::find(audible.rbegin(), audible.rend(), true);
    for (auto i = first; i < last; ++i) {
        gap = audible[i] ? 0 : gap + 1;
        longestGap = std::max(longestGap, gap);
    }
    EXPECT_GE(longestGap * 10, 400); // the pause
    const std::size_t start = static_cast<std::size_t>(first + 5) * kWindow;
    EXPECT_NEAR(ZeroCrossingFrequency(left, start, kRate / 4), kToneHz, 5.0);
    EXPECT_NEAR(Rms(left, start, kRate / 4), kAmplitude / std::sqrt(2.0), 0.02);
}
