#include "Spectrum.h"

#include "DynamicLibrary.h"

#include <fftw3.h>

#include <cmath>
#include <mutex>
#include <numbers>

namespace {

// FFTW, loaded with the first spectrum: a gadget whose sound meter never
// records keeps the transform library (megabytes of codelets) out of memory.
struct TFftw {
    TDynamicLibrary Library;
    decltype(&fftwf_alloc_real) AllocReal = nullptr;
    decltype(&fftwf_alloc_complex) AllocComplex = nullptr;
    decltype(&fftwf_plan_dft_r2c_1d) PlanR2C = nullptr;
    decltype(&fftwf_execute) Execute = nullptr;
    decltype(&fftwf_destroy_plan) DestroyPlan = nullptr;
    decltype(&fftwf_free) Free = nullptr;
    decltype(&fftwf_cleanup) Cleanup = nullptr;

    bool Load()
    {
        if (Library.IsOpen()) return true;
        const bool bound = Library.Open("libfftw3f.so.3") && Library.Bind(AllocReal, "fftwf_alloc_real") &&
                           Library.Bind(AllocComplex, "fftwf_alloc_complex") &&
                           Library.Bind(PlanR2C, "fftwf_plan_dft_r2c_1d") && Library.Bind(Execute, "fftwf_execute") &&
                           Library.Bind(DestroyPlan, "fftwf_destroy_plan") && Library.Bind(Free, "fftwf_free") &&
                           Library.Bind(Cleanup, "fftwf_cleanup");
        if (!bound) Library.Close();
        return bound;
    }
};

// Making and destroying plans is not thread-safe in FFTW.
std::mutex PlanMutex;
TFftw Fftw;
int Plans = 0; // plans made and not yet destroyed, under PlanMutex

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
}

TSpectrum::~TSpectrum()
{
    if (!FPlan) return;
    std::lock_guard lock(PlanMutex);
    Fftw.DestroyPlan(FPlan);
    Fftw.Free(FInput);
    Fftw.Free(FOutput);
    // The planner's own memory too, and the library with it, once no plan is left.
    if (--Plans == 0) {
        Fftw.Cleanup();
        Fftw.Library.Close();
    }
}

bool TSpectrum::MakePlan()
{
    std::lock_guard lock(PlanMutex);
    if (!Fftw.Load()) return false;
    FInput = Fftw.AllocReal(Samples);
    FOutput = Fftw.AllocComplex(Samples / 2 + 1);
    FPlan = Fftw.PlanR2C(int(Samples), FInput, static_cast<fftwf_complex*>(FOutput), FFTW_ESTIMATE);
    if (!FPlan) {
        Fftw.Free(FInput);
        Fftw.Free(FOutput);
        FInput = nullptr;
        FOutput = nullptr;
        if (Plans == 0) Fftw.Library.Close();
        return false;
    }
    ++Plans;
    return true;
}

bool TSpectrum::Magnitudes(const float* samples, float* bins)
{
    if (!FPlan && !MakePlan()) return false;
    for (std::size_t i = 0; i < Samples; ++i) FInput[i] = samples[i] * FWindow[i];
    Fftw.Execute(FPlan);
    const auto* out = static_cast<const fftwf_complex*>(FOutput);
    for (std::size_t i = 0; i < Bins; ++i) bins[i] = std::sqrt(out[i][0] * out[i][0] + out[i][1] * out[i][1]) * FScale;
    return true;
}
