// Magnitude spectrum of a block of samples, through FFTW (single precision), which is loaded
// with the first spectrum asked for.
#pragma once

#include <mutex>
#include <vector>

namespace bass {

class FftAnalyser {
public:
    ~FftAnalyser();
    // Hann-windowed FFT of `size` samples (512, 1024 or 2048) into size/2 magnitudes, scaled
    // so that a full-scale sine centred on a bin reads 1.0. False when FFTW cannot be had.
    bool Compute(const float* samples, int size, float* magnitudes);

private:
    struct Plan;
    Plan* PlanFor(int size);

    std::mutex mutex_; // protects plans_ and their work buffers
    std::vector<Plan*> plans_;
};

} // namespace bass
