#pragma once
// The magnitudes of a 2048-sample FFT of the newest input, windowed against
// leakage. Scaled so that a sine at a bin's centre gives its RMS amplitude in
// that bin: a full-scale sine (amplitude 1) gives about 0.707.

#include <array>
#include <cstddef>

struct fftwf_plan_s;

class TSpectrum {
public:
    static constexpr std::size_t Samples = 2048;
    static constexpr std::size_t Bins = 1024;

    // The window only: the transform library is loaded and its plan made
    // (everything allocated) with the first spectrum.
    TSpectrum();
    ~TSpectrum();
    TSpectrum(const TSpectrum&) = delete;
    TSpectrum& operator=(const TSpectrum&) = delete;

    // `samples` holds the newest Samples values, the oldest first; `bins`
    // receives the magnitudes of bins 0 .. Bins - 1. Allocates nothing after
    // the first call; false when the transform library cannot be loaded.
    bool Magnitudes(const float* samples, float* bins);

private:
    bool MakePlan();

    std::array<float, Samples> FWindow{};
    float FScale = 0;
    float* FInput = nullptr;
    void* FOutput = nullptr; // fftwf_complex[Samples / 2 + 1]
    fftwf_plan_s* FPlan = nullptr;
};
