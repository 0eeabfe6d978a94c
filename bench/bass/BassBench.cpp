// Decoding speed of libbass against the ffmpeg program, and the CPU cost of real-time playback
// with the spectrum read every 25 ms. Media are made once in /tmp/bass-bench.
//
//   bass_bench                      # all
//   bass_bench --benchmark_filter=Decode
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bass.h"

extern char** environ;

namespace {

const std::string kFolder = "/tmp/bass-bench";

double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

// Five minutes of a chord with a slow sweep, so the encoders have something to work on.
std::string Media(const std::string& extension) {
    const std::string wav = kFolder + "/five-minutes.wav";
    const std::string path = kFolder + "/five-minutes." + extension;
    if (Exists(path))
        return path;
    std::system(("mkdir -p " + kFolder).c_str());
    if (!Exists(wav))
        std::system(("sox -n -r 44100 -c 2 -b 16 " + wav +
                     " synth 300 sine 220-880 sine 330 sine 495 vol 0.3 2>/dev/null")
                        .c_str());
    if (extension == "mp3")
        std::system(("lame --quiet -b 192 " + wav + " " + path).c_str());
    else
        std::system(("oggenc --quiet -q 5 -o " + path + " " + wav).c_str());
    return path;
}

void DecodeThroughLibrary(benchmark::State& state, const std::string& extension) {
    const std::string path = Media(extension);
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    std::vector<char> buffer(1 << 16);
    uint64_t bytes = 0;
    for (auto _ : state) {
        const DWORD stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        if (!stream) {
            state.SkipWithError("cannot open the file");
            break;
        }
        DWORD got;
        while ((got = BASS_ChannelGetData(stream, buffer.data(),
                                          static_cast<DWORD>(buffer.size()))) != 0xFFFFFFFF)
            bytes += got;
        BASS_StreamFree(stream);
    }
    BASS_Free();
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void DecodeThroughFfmpeg(benchmark::State& state, const std::string& extension) {
    const std::string path = Media(extension);
    for (auto _ : state) {
        const double before = ChildrenCpuSeconds();
        const char* argv[] = {"ffmpeg",     "-nostdin", "-loglevel", "error", "-i",
                              path.c_str(), "-f",       "null",      "-",     nullptr};
        pid_t child;
        if (posix_spawnp(&child, "ffmpeg", nullptr, nullptr, const_cast<char* const*>(argv),
                         environ) != 0) {
            state.SkipWithError("cannot start ffmpeg");
            break;
        }
        int status = 0;
        waitpid(child, &status, 0);
        state.SetIterationTime(ChildrenCpuSeconds() - before); // the child's CPU time
    }
}

void DecodeMp3ThroughLibrary(benchmark::State& state) {
    DecodeThroughLibrary(state, "mp3");
}
void DecodeOggThroughLibrary(benchmark::State& state) {
    DecodeThroughLibrary(state, "ogg");
}
void DecodeMp3ThroughFfmpeg(benchmark::State& state) {
    DecodeThroughFfmpeg(state, "mp3");
}
void DecodeOggThroughFfmpeg(benchmark::State& state) {
    DecodeThroughFfmpeg(state, "ogg");
}

// 60 s of the MP3 to SDL's dummy driver, the spectrum read every 25 ms as the player does.
void PlayMp3WithSpectrum(benchmark::State& state) {
    const std::string path = Media("mp3");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const auto seconds = static_cast<int>(state.range(0));
    for (auto _ : state) {
        if (!BASS_Init(1, 44100, 0, nullptr, nullptr)) {
            state.SkipWithError("no output");
            break;
        }
        const DWORD stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        BASS_StreamPlay(stream, FALSE, 0);
        float spectrum[256];
        const double cpuBefore = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        auto next = start;
        while (std::chrono::steady_clock::now() - start < std::chrono::seconds(seconds)) {
            next += std::chrono::milliseconds(25);
            std::this_thread::sleep_until(next);
            BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT512);
        }
        const double cpu = ProcessCpuSeconds() - cpuBefore;
        state.SetIterationTime(cpu);
        state.counters["percent_of_one_core"] = 100.0 * cpu / seconds;
        BASS_Free();
    }
}

} // namespace

BENCHMARK(DecodeMp3ThroughLibrary)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(DecodeMp3ThroughFfmpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(DecodeOggThroughLibrary)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(DecodeOggThroughFfmpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(PlayMp3WithSpectrum)
    ->Arg(60)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK_MAIN();
