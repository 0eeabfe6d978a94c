#include "Analyser.h"

#include <cmath>
#include <numbers>

#include "FFmpeg.h"

namespace bass {

struct FftAnalyser::Plan {
    int size = 0;
    AVTXContext* context = nullptr;
    av_tx_fn transform = nullptr;
    std::vector<float> window, input;
    std::vector<AVComplexFloat> output;
};

FftAnalyser::~FftAnalyser() {
    for (Plan* plan : plans_) {
        FFmpeg().av_tx_uninit(&plan->context);
        delete plan;
    }
}

FftAnalyser::Plan* FftAnalyser::PlanFor(int size) {
    for (Plan* plan : plans_)
        if (plan->size == size)
            return plan;
    if (!LoadFFmpeg()) // a user stream may be the first to be analysed
        return nullptr;
    auto* plan = new Plan;
    plan->size = size;
    const float scale = 1.0f;
    if (FFmpeg().av_tx_init(&plan->context, &plan->transform, AV_TX_FLOAT_RDFT, 0, size, &scale,
                            AV_TX_UNALIGNED) < 0) {
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
    plan->input.resize(size + 2);
    plan->output.resize(size / 2 + 1);
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
    plan->transform(plan->context, plan->output.data(), plan->input.data(), sizeof(float));
    for (int i = 0; i < size / 2; ++i)
        magnitudes[i] = std::hypot(plan->output[i].re, plan->output[i].im);
    return true;
}

} // namespace bass
