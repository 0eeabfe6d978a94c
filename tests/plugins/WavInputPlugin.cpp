// A Winamp input plug-in for the tests, written the way Winamp's own sample plug-ins are: it plays
// 8-bit or 16-bit PCM WAV files through the host's output module from a decoding thread of its
// own, seeks by flushing the output, and posts the end-of-playback message to its main window
// once the output has played everything.
#include "plugins/Winamp.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr unsigned int kPlaybackEndMessage = 1024 + 2; // WM_USER + 2
constexpr int kBlockFrames = 576;

char kDescription[] = "WAV input plug-in for tests";
char kExtensions[] = "WAV\0Wave files\0";

In_Module Module{};
PostMessageProc PostMessage = nullptr;

struct TWave {
    int SampleRate = 0;
    int Channels = 0;
    int BitsPerSample = 0;
    std::vector<char> Samples;

    int FrameBytes() const { return Channels * BitsPerSample / 8; }
    int LengthMs() const {
        return static_cast<int>(static_cast<std::int64_t>(Samples.size()) * 1000 /
                                (static_cast<std::int64_t>(SampleRate) * FrameBytes()));
    }
};

std::uint32_t Little(const std::vector<char>& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// The PCM of a RIFF WAVE file; nothing when the file is not one this plug-in plays.
std::optional<TWave> ReadWave(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    TWave wave;
    bool haveFormat = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::uint32_t size = Little(bytes, at + 4, 4);
        const std::size_t body = at + 8;
        const std::size_t available = std::min<std::size_t>(size, bytes.size() - body);
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && available >= 16) {
            haveFormat = Little(bytes, body, 2) == 1; // PCM
            wave.Channels = static_cast<int>(Little(bytes, body + 2, 2));
            wave.SampleRate = static_cast<int>(Little(bytes, body + 4, 4));
            wave.BitsPerSample = static_cast<int>(Little(bytes, body + 14, 2));
        } else if (std::memcmp(bytes.data() + at, "data", 4) == 0 && haveFormat) {
            wave.Samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(body),
                                bytes.begin() + static_cast<std::ptrdiff_t>(body + available));
            const bool playable = wave.SampleRate > 0 && wave.Channels > 0 &&
                                  (wave.BitsPerSample == 8 || wave.BitsPerSample == 16);
            return playable ? std::optional(wave) : std::nullopt;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

// The one playback, driven by the host on its GUI thread and played on Decoder.
struct TPlayback {
    std::string FileName;
    TWave Wave;
    std::thread Decoder;
    std::atomic<bool> Kill{false};
    std::atomic<int> SeekTo{-1}; // ms, -1 = none
    std::atomic<bool> Paused{false};
} Playback;

void Sleep10ms() {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void Decode() {
    Out_Module& output = *Module.outMod;
    const TWave& wave = Playback.Wave;
    const std::size_t block = static_cast<std::size_t>(kBlockFrames) * wave.FrameBytes();
    std::size_t at = 0;
    while (!Playback.Kill) {
        const int seekTo = Playback.SeekTo.exchange(-1);
        if (seekTo >= 0) {
            const std::size_t frame = static_cast<std::size_t>(seekTo) * wave.SampleRate / 1000;
            at = std::min(wave.Samples.size(), frame * wave.FrameBytes());
            output.Flush(seekTo);
        }
        const std::size_t count = std::min(block, wave.Samples.size() - at);
        if (count == 0) {
            // Everything is written: the end comes once the output has played it.
            if (!Playback.Paused && !output.IsPlaying()) {
                if (PostMessage)
                    PostMessage(Module.hMainWindow, kPlaybackEndMessage, 0, 0);
                return;
            }
            Sleep10ms();
            continue;
        }
        if (output.CanWrite() < static_cast<int>(count)) {
            Sleep10ms();
            continue;
        }
        output.Write(const_cast<char*>(wave.Samples.data() + at), static_cast<int>(count));
        at += count;
    }
}

void GetFileInfo(const char* file, char* title, int* length_in_ms) {
    const bool current = file == nullptr || *file == '\0';
    const std::string path = current ? Playback.FileName : file;
    const std::optional<TWave> wave = ReadWave(path);
    if (length_in_ms)
        *length_in_ms = wave ? wave->LengthMs() : 0;
    if (title) {
        const std::string name = path.substr(path.find_last_of('/') + 1);
        std::snprintf(title, 256, "%s", name.c_str());
    }
}

int Play(const char* fn) {
    std::optional<TWave> wave = ReadWave(fn);
    if (!wave)
        return -1;
    Playback.FileName = fn;
    Playback.Wave = std::move(*wave);
    Playback.Kill = false;
    Playback.SeekTo = -1;
    Playback.Paused = false;
    const TWave& format = Playback.Wave;
    if (Module.outMod->Open(format.SampleRate, format.Channels, format.BitsPerSample, -1, -1) < 0)
        return 1;
    Playback.Decoder = std::thread(Decode);
    return 0;
}

void Stop() {
    Playback.Kill = true;
    if (Playback.Decoder.joinable())
        Playback.Decoder.join();
    Module.outMod->Close();
}

void Pause() {
    Playback.Paused = true;
    Module.outMod->Pause(1);
}

void UnPause() {
    Playback.Paused = false;
    Module.outMod->Pause(0);
}

int IsPaused() {
    return Playback.Paused ? 1 : 0;
}
int GetLength() {
    return Playback.Wave.LengthMs();
}
int GetOutputTime() {
    return Module.outMod->GetOutputTime();
}
void SetOutputTime(int time_in_ms) {
    Playback.SeekTo = time_in_ms;
}

} // namespace

extern "C" __attribute__((visibility("default"))) In_Module* winampGetInModule2() {
    Module.version = 0x100;
    Module.description = kDescription;
    Module.FileExtensions = kExtensions;
    Module.is_seekable = 1;
    Module.UsesOutputPlug = 1;
    Module.GetFileInfo = GetFileInfo;
    Module.Play = Play;
    Module.Pause = Pause;
    Module.UnPause = UnPause;
    Module.IsPaused = IsPaused;
    Module.Stop = Stop;
    Module.GetLength = GetLength;
    Module.GetOutputTime = GetOutputTime;
    Module.SetOutputTime = SetOutputTime;
    return &Module;
}

extern "C" __attribute__((visibility("default"))) void winampSetPostMessage(PostMessageProc post) {
    PostMessage = post;
}
