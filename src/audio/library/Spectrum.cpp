#include "Spectrum.h"

#include <fftw3.h>

#include <cmath>
#include <mutex>
#include <numbers>

namespace {
// Making and destroying plans is not thread-safe in FFTW.
std::mutex PlanMutex;
} // namespace

TSpectrum::TSpectrum()
{
    // A periodic Hann window: side lobes low enough that a tone stays in its band.
    double sum = 0;
    for (std::size_t i = 0; i < Samples; ++i) {
        FWindow[i] = float(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(Samples)));
        sum += FWindow[i];
    }
    // A sine of amplitude A at a bin's centre gives |X| = A * sum / 2; the
    // magnitude is its RMS value, A / sqrt(2).
    FScale = float(std::numbers::sqrt2 / sum);
    std::lock_guard lock(PlanMutex);
    FInput = fftwf_alloc_real(Samples);
    FOutput = fftwf_alloc_complex(Samples / 2 + 1);
    FPlan = fftwf_plan_dft_r2c_1d(int(Samples), FInput, static_cast<fftwf_complex*>(FOutput), FFTW_ESTIMATE);
}

TSpectrum::~TSpectrum()
{
    std::lock_guard lock(PlanMutex);
    fftwf_destroy_plan(FPlan);
    fftwf_free(FInput);
    fftwf_free(FOutput);
    // The planner's own memory too: the library may be unloaded next, and
    // with it FFTW. This is the library's only plan.
    fftwf_cleanup();
}

void TSpectrum::Magnitudes(const float* samples, float* bins)
{
    for (std::size_t i = 0; i < Samples; ++i) FInput[i] = samples[i] * FWindow[i];
    fftwf_execute(FPlan);
    const auto* out = static_cast<const fftwf_complex*>(FOutput);
    for (std::size_t i = 0; i < Bins; ++i) bins[i] = std::hypot(out[i][0], out[i][1]) * FScale;
}
