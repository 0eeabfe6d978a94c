// One spectrum frame per iteration, for each style; the target is under 0.2 ms a frame. The
// allocations counter shows what a frame takes from operator new (the bars should take nothing).
#include "desktop/VisBox.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

using namespace tavuro;

namespace {
std::atomic<std::size_t> Allocations{0};
} // namespace

void* operator new(std::size_t size) {
    ++Allocations;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

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
    const std::size_t allocationsBefore = Allocations;
    for (auto _ : state) {
        display.DrawFrame(frames[frame++ % frames.size()], style, transparent);
        benchmark::DoNotOptimize(display.BackBuffer.constBits());
    }
    state.counters["allocations"] = benchmark::Counter(
        static_cast<double>(Allocations - allocationsBefore), benchmark::Counter::kAvgIterations);
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
