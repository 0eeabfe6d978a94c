// Shared pieces of the libbass tests: media made by real encoders, the SDL disk driver's
// output read back and measured, and a small HTTP server on 127.0.0.1.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bass.h"

namespace basstest {

// A fresh folder under /tmp, removed at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string Path(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Runs a shell command; true when it exited 0.
bool RunCommand(const std::string& command);
// A WAV of `seconds` of sine at `frequency` (amplitude 0..1) made by sox, with the sample
// encoding given as sox arguments (e.g. "-b 16 -e signed-integer").
std::string MakeSineWav(const TempDir& dir, const std::string& name, double frequency,
                        double seconds, double amplitude, const std::string& encoding,
                        int channels = 2);
// Encodes a WAV with lame (MP3), oggenc (Ogg Vorbis) or ffmpeg (WMA).
std::string EncodeMp3(const TempDir& dir, const std::string& wav, const std::string& name);
std::string EncodeOgg(const TempDir& dir, const std::string& wav, const std::string& name);
std::string EncodeMp2(const TempDir& dir, const std::string& wav, const std::string& name);
std::string EncodeWma(const TempDir& dir, const std::string& wav, const std::string& name);
// Runs an encoder command in which {in} stands for `wav` and {out} for the file `name` it makes
// in `dir`: flac, opusenc, ffmpeg (AAC, ALAC) and the others of the tests' package list.
std::string Encode(const TempDir& dir, const std::string& wav, const std::string& name,
                   const std::string& command);
// A ProTracker module: one looped sine sample, 16 samples a cycle, played at period 214
// (about 1036 Hz) for 64 rows at speed 1 (1.28 s).
std::string MakeModule(const TempDir& dir, const std::string& name);
std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Points SDL's disk driver at a file of its own; Take() reads what was "heard" after BASS_Free.
class DiskOutput {
public:
    explicit DiskOutput(const TempDir& dir);
    std::vector<float> TakeLeft() const; // left channel, -1..1, 44100 Hz

private:
    std::string path_;
};

struct Span {
    size_t first = 0, last = 0; // inclusive sample indices; first > last when none
    double Seconds() const { return first > last ? 0 : (last - first + 1) / 44100.0; }
};
Span NonSilent(const std::vector<float>& samples, float threshold = 0.01f);
// Frequency from positive-going zero crossings over [first, last].
double Frequency(const std::vector<float>& samples, size_t first, size_t last);
double Peak(const std::vector<float>& samples, size_t first, size_t last);

// Polls `condition` every 10 ms until it holds or `seconds` pass.
bool WaitUntil(const std::function<bool()>& condition, double seconds);

// Counts sync callbacks and keeps the data texts they carried.
struct SyncRecorder {
    std::atomic<int> calls{0};
    std::mutex mutex; // protects texts
    std::vector<std::string> texts;
    static void Proc(HSYNC, DWORD, DWORD_PTR data, DWORD_PTR user);
};

// A one-thread-per-connection HTTP server on 127.0.0.1 for the tests.
class TestHttpServer {
public:
    // Gets the connected socket and the request's path.
    using Handler = std::function<void(int socket, const std::string& path)>;
    // raw: the handler gets the connection before anything is read, with an empty path.
    explicit TestHttpServer(Handler handler, bool raw = false);
    ~TestHttpServer();
    int Port() const { return port_; }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    static bool Send(int socket, const std::string& bytes);
    // The request of the connection whose handler calls this (empty for a raw server).
    static const std::string& Request();

private:
    void Accept();
    Handler handler_;
    bool raw_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> running_{true};
    std::thread acceptor_;
    std::mutex connectionsMutex_; // protects connections_
    std::vector<std::thread> connections_;
};

// Answers a GET of `body` as a file of that size: 206 with the asked bytes for a "Range:
// bytes=first-" or "bytes=-count" request when `ranges`, otherwise 200 with the whole body, of
// which the last `heldBack` bytes wait until `release` holds (or 5 s pass).
void ServeFile(
    int socket, const std::string& body, bool ranges, size_t heldBack = 0,
    const std::function<bool()>& release = [] { return true; });

// Serves `body` as the one file of a minimal passive-mode FTP server on a connection of a
// TestHttpServer made raw.
void ServeFtp(int control, const std::string& body);

// BASS_Init on the disk driver and BASS_Free at the end of the scope.
class Device {
public:
    explicit Device(const TempDir& dir) : output(dir) {
        ok = BASS_Init(1, 44100, 0, nullptr, nullptr);
    }
    ~Device() { Free(); }
    void Free() {
        if (ok)
            BASS_Free();
        ok = false;
    }
    DiskOutput output;
    bool ok = false;
};

} // namespace basstest
