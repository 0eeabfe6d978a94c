// Loading a 100,000-entry extended M3U into the list (sorted, duplicates dropped) and saving it
// again, through the main window as the player does it.
#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "FakeMediaControl.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "shell/Main.h"

namespace tavuro {
namespace {

constexpr int EntryCount = 100000;

// Distinct paths with every 50th one listed twice, captions in mixed case, most with a length.
std::string MakePlaylist() {
    static const char* words[] = {"river", "Night", "ECHO",  "blue",  "Summer", "delta",
                                  "Zen",   "north", "Ocean", "amber", "Glass",  "fire"};
    std::string text = "#EXTM3U Random\r\n";
    text.reserve(EntryCount * 90);
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int i = 0; i < EntryCount; ++i) {
        const std::string caption = std::string(words[next() % 12]) + " " + words[next() % 12] +
                                    " " + std::to_string(next() % 100000);
        const std::string path = "/home/listener/Music/Album " + std::to_string(i / 12) +
                                 "/Track " + std::to_string(i) + ".mp3";
        if (i % 3 != 0)
            text += "#EXTINF:" + std::to_string(60 + next() % 400) + "," + caption + "\r\n";
        text += path + "\r\n";
        if (i % 50 == 0)
            text += "/HOME/listener/Music/Album " + std::to_string(i / 12) + "/track " +
                    std::to_string(i) + ".MP3\r\n";
    }
    return text;
}

struct TBenchShell {
    QTemporaryDir Folder;
    std::string AppDir = Folder.path().toStdString() + "/";
    std::unique_ptr<TRegistry> Registry = MakeMemoryRegistry();
    TFixedClock Clock;
    TRecordingDialogs Dialogs;
    TFakeMediaControl Media;
    std::unique_ptr<TMainForm> Form;

    TBenchShell() {
        std::ofstream(AppDir + "big.m3u", std::ios::binary) << MakePlaylist();
        TShellServices services;
        services.Registry = Registry.get();
        services.Clock = &Clock;
        services.Dialogs = &Dialogs;
        services.CreateMediaControl = [this](QWidget*) { return &Media; };
        services.AppDir = AppDir;
        services.RandomSeed = 1;
        Form = std::make_unique<TMainForm>(std::move(services));
        Form->show();
    }
};

// Made at first use and destroyed before the application object.
std::unique_ptr<TBenchShell> SharedShell;
TBenchShell& Shell() {
    if (!SharedShell)
        SharedShell = std::make_unique<TBenchShell>();
    return *SharedShell;
}

void BM_LoadPlaylist(benchmark::State& state) {
    TBenchShell& shell = Shell();
    for (auto _ : state) {
        shell.Form->PlaylistFile = shell.AppDir + "big.m3u";
        benchmark::DoNotOptimize(shell.Form->LoadPlaylist(shell.Form->PlaylistFile));
    }
    state.counters["rows"] = shell.Form->Playlist->Count();
}
BENCHMARK(BM_LoadPlaylist)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SavePlaylist(benchmark::State& state) {
    TBenchShell& shell = Shell();
    shell.Form->LoadPlaylist(shell.AppDir + "big.m3u");
    shell.Form->PlaylistFile = shell.AppDir + "saved.m3u";
    for (auto _ : state) {
        shell.Form->PlaylistDirty = true; // a full write every time
        shell.Form->SavePlaylist();
    }
    state.counters["rows"] = shell.Form->Playlist->Count();
}
BENCHMARK(BM_SavePlaylist)->Unit(benchmark::kMillisecond)->Iterations(5);

// The peak resident memory of the whole run so far, in megabytes.
void BM_PeakMemory(benchmark::State& state) {
    for (auto _ : state) {
    }
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            state.counters["peak_MB"] = std::atof(line.c_str() + 6) / 1024.0;
}
BENCHMARK(BM_PeakMemory)->Iterations(1);

} // namespace
} // namespace tavuro

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    tavuro::SharedShell.reset();
    return 0;
}
