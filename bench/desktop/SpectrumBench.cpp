// One spectrum frame per iteration, for each style; the target is under 0.2 ms a frame.
#include "desktop/Spectrum.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdlib>

using namespace tavuro;

namespace {

// A moving spectrum that keeps bars, peak holds and peak falls all busy.
std::array<TBandOut, 64> MakeFrames() {
    std::array<TBandOut, 64> frames{};
    for (std::size_t f = 0; f < frames.size(); ++f)
        for (std::size_t band = 0; band < kBandCount; ++band)
            frames[f][band] =
                static_cast<std::uint16_t>(48 + 47 * std::sin(0.5 * band + 0.3 * f));
    return frames;
}

void DrawFrame(benchmark::State& state) {
    const int style = static_cast<int>(state.range(0));
    const bool transparent = state.range(1) != 0;
    static const std::array<TBandOut, 64> frames = MakeFrames();
    TSpectrumDisplay display;
    std::size_t frame = 0;
    for (auto _ : state) {
        display.DrawFrame(frames[frame++ % frames.size()], style, transparent);
        benchmark::DoNotOptimize(display.BackBuffer.constBits());
    }
}

} // namespace

BENCHMARK(DrawFrame)
    ->ArgNames({"style", "transparent"})
    ->Args({1, 0})->Args({2, 0})->Args({3, 0})->Args({4, 0})->Args({5, 0})
    ->Args({6, 0})->Args({6, 1})
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv); // QPainter wants one for the rings
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
