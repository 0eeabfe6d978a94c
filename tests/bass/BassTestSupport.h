// Shared pieces of the libbass tests: media made by real encoders, the SDL disk driver's
// output read back and measured, and a small HTTP server on 127.0.0.1.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

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
// An MP3 (128 kbit/s) of `seconds` of a 1 kHz tone at half amplitude.
std::string ToneMp3(const TempDir& dir, double seconds);
// A ProTracker module: one looped sine sample, 16 samples a cycle, played at period 214
// (about 1036 Hz) for 64 rows at speed 1 (1.28 s).
std::string MakeModule(const TempDir& dir, const std::string& name);
std::vector<uint8_t> ReadFile(const std::string& path);
std::string Text(const std::vector<uint8_t>& bytes);
// `text` with every `name` in it replaced by `value`.
std::string Replaced(std::string text, const std::string& name, const std::string& value);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Points SDL's disk driver at a file of its own; Take() reads what was "heard" after BASS_Free.
class DiskOutput {
public:
    explicit DiskOutput(const TempDir& dir);
    std::vector<float> TakeLeft() const;      // left channel, -1..1, 44100 Hz
    std::vector<int16_t> TakeSamples() const; // both channels, interleaved, as written
    size_t FramesWritten() const;             // so far, while the device runs

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
    // Records the channel's syncs of this type; the sync's handle, 0 if it was refused.
    HSYNC Watch(DWORD channel, DWORD type) {
        return BASS_ChannelSetSync(channel, type, 0, &Proc, reinterpret_cast<DWORD_PTR>(this));
    }
};

// Another layer under a server's connections (TLS): Serve carries the bytes between the
// accepted socket and the plain socket the handler talks on, until either side ends.
class ConnectionLayer {
public:
    virtual ~ConnectionLayer() = default;
    virtual void Serve(int accepted, int plain) = 0;
};

// A one-thread-per-connection HTTP server on 127.0.0.1 for the tests.
class TestHttpServer {
public:
    // Gets the connected socket and the request's path.
    using Handler = std::function<void(int socket, const std::string& path)>;
    // raw: the handler gets the connection before anything is read, with an empty path.
    // layer: the connections go through it (and the server's addresses are https://).
    explicit TestHttpServer(Handler handler, bool raw = false,
                            std::shared_ptr<ConnectionLayer> layer = nullptr);
    ~TestHttpServer();
    int Port() const { return port_; }
    std::string Url(const std::string& path) const {
        return (layer_ ? "https" : "http") + std::string("://127.0.0.1:") + std::to_string(port_) +
               path;
    }
    static bool Send(int socket, const std::string& bytes);
    // The request of the connection whose handler calls this (empty for a raw server).
    static const std::string& Request();

private:
    void Accept();
    void Serve(int connection); // closes it
    Handler handler_;
    bool raw_;
    std::shared_ptr<ConnectionLayer> layer_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> running_{true};
    std::thread acceptor_;
    std::mutex connectionsMutex_; // protects connections_
    std::vector<std::thread> connections_;
};

// Sends `body` in pieces of `chunk` bytes with a pause after each.
void SendPaced(int socket, const std::string& body, size_t chunk, int pauseMs);

// A Shoutcast metadata block: its length byte, then the text padded with NULs.
std::string MetaBlock(const std::string& text);
// `audio` with a metadata block after every `interval` bytes: the block of `titles` with that
// block's number (counted from 0), an empty one for the others.
std::string IcyStream(const std::string& audio, size_t interval,
                      const std::map<size_t, std::string>& titles);

// Answers a GET of `body` as a file of that size: 206 with the asked bytes for a "Range:
// bytes=first-" or "bytes=-count" request when `ranges`, otherwise 200 with the whole body, of
// which the last `heldBack` bytes wait until `release` holds (or 5 s pass).
void ServeFile(
    int socket, const std::string& body, bool ranges, size_t heldBack = 0,
    const std::function<bool()>& release = [] { return true; });

// Serves `body` as the one file of a minimal passive-mode FTP server on a connection of a
// TestHttpServer made raw.
void ServeFtp(int control, const std::string& body);

// Plays `channel` to its end (waiting at most `seconds`), frees it and returns the texts of the
// metadata syncs on the way; nullopt when it did not end in time.
inline std::optional<std::vector<std::string>> PlayToEndTakingMetadata(DWORD channel,
                                                                       double seconds) {
    SyncRecorder metas, ends;
    metas.Watch(channel, BASS_SYNC_META);
    ends.Watch(channel, BASS_SYNC_END);
    const bool ended =
        BASS_StreamPlay(channel, FALSE, 0) && WaitUntil([&] { return ends.calls > 0; }, seconds);
    BASS_StreamFree(channel); // no sync runs after this, so the recorders may go
    std::lock_guard lock(metas.mutex);
    return ended ? std::optional(metas.texts) : std::nullopt;
}

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

// Frees the device and expects what it played to hold a 1 kHz tone of about the given seconds.
// Defined here, as the device is: the engine's tests share this file without linking the library.
inline void ExpectToneHeard(Device& device, double seconds, double tolerance) {
    device.Free();
    const std::vector<float> heard = device.output.TakeLeft();
    const Span sound = NonSilent(heard, 0.02f);
    EXPECT_NEAR(sound.Seconds(), seconds, tolerance);
    EXPECT_NEAR(Frequency(heard, sound.first + 2000, sound.last - 2000), 1000, 10);
}

} // namespace basstest
