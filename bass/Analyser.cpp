#include "Analyser.h"

#include <fftw3.h>

#include <cmath>
#include <numbers>

#include "RuntimeLibrary.h"

namespace bass {

namespace {

#define BASS_FFTW_ENTRY_POINTS(X)                                                                  \
    X(fftwf_malloc)                                                                                \
    X(fftwf_free)                                                                                  \
    X(fftwf_plan_dft_r2c_1d)                                                                       \
    X(fftwf_execute)                                                                               \
    X(fftwf_destroy_plan)

struct FftwLibrary {
    BASS_FFTW_ENTRY_POINTS(BASS_RUNTIME_MEMBER)
};

BASS_DEFINE_RUNTIME_LOADER(FftwLibrary, Fftw, BASS_FFTW_ENTRY_POINTS, BASS_FFTW_LIBRARY)

} // namespace

struct FftAnalyser::Plan {
    int size = 0;
    fftwf_plan plan = nullptr;
    float* input = nullptr;          // size samples, FFTW's alignment
    fftwf_complex* output = nullptr; // size / 2 + 1 bins
    std::vector<float> window;
};

FftAnalyser::~FftAnalyser() {
    for (Plan* plan : plans_) {
        Fftw()->fftwf_destroy_plan(plan->plan);
        Fftw()->fftwf_free(plan->input);
        Fftw()->fftwf_free(plan->output);
        delete plan;
    }
}

FftAnalyser::Plan* FftAnalyser::PlanFor(int size) {
    for (Plan* plan : plans_)
        if (plan->size == size)
            return plan;
    const FftwLibrary* fftw = Fftw();
    if (!fftw)
        return nullptr;
    auto* plan = new Plan;
    plan->size = size;
    plan->input = static_cast<float*>(fftw->fftwf_malloc(sizeof(float) * size));
    plan->output =
        static_cast<fftwf_complex*>(fftw->fftwf_malloc(sizeof(fftwf_complex) * (size / 2 + 1)));
    // An estimated plan is made at once; measuring would cost more than years of 25 ms frames.
    if (plan->input && plan->output)
        plan->plan = fftw->fftwf_plan_dft_r2c_1d(size, plan->input, plan->output, FFTW_ESTIMATE);
    if (!plan->plan) {
        fftw->fftwf_free(plan->input);
        fftw->fftwf_free(plan->output);
        delete plan;
        return nullptr;
    }
    plan->window.resize(size);
    double sum = 0;
    for (int i = 0; i < size; ++i) {
        plan->window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / size));
        sum += plan->window[i];
    }
    // A sine of amplitude A centred on a bin gives A * sum / 2 there.
    for (float& w : plan->window)
        w = static_cast<float>(w * 2.0 / sum);
    plans_.push_back(plan);
    return plan;
}

bool FftAnalyser::Compute(const float* samples, int size, float* magnitudes) {
    std::lock_guard lock(mutex_);
    Plan* plan = PlanFor(size);
    if (!plan)
        return false;
    for (int i = 0; i < size; ++i)
        plan->input[i] = samples[i] * plan->window[i];
    Fftw()->fftwf_execute(plan->plan);
    // What hypotf gives (it too squares in double precision), without its call per bin.
    for (int i = 0; i < size / 2; ++i) {
        const double re = plan->output[i][0], im = plan->output[i][1];
        magnitudes[i] = static_cast<float>(std::sqrt(re * re + im * im));
    }
    return true;
}

} // namespace bass
