#pragma once
// The sound panel's rules without a window: the 16 bands of the spectrum, one
// step of their bars and peak marks, and the texts that describe a device.

#include "AudioLibraryApi.h"
#include "DataModel.h"

#include <array>
#include <cstdint>
#include <string>

inline constexpr int LevelBands = 16;
inline constexpr std::size_t SpectrumBins = 1024;

// The upper FFT bin of each band: floor(2^(10x/15)), at most 1023 and at
// least one above the band before (the first band starts after bin 0).
const std::array<int, LevelBands>& BandUpperBins();

// One step of the bands from the spectrum's 1024 magnitudes: a bar rises to a
// louder level at once and sinks 3 pixels a step, its peak mark 1 pixel.
// `height` is the paint area's, `soundLevel` the boost (0..20, x/5).
// Band x fills entries 6x + 2 .. 6x + 6 of `bars` and `peaks`.
void StepLevelBands(const float* bins, int height, std::int32_t soundLevel, TDataArray& bars, TDataArray& peaks);

// The loudest sample a block may hold and still leave every band at rest (a
// bar rises only where trunc(y * boost * height - 4) >= 1). The spectrum's
// magnitudes are RMS values, so no bin exceeds the peak sample times sqrt(2);
// a band of w bins then gives at most y = sqrt(w * sqrt(2) * peak / log10(w + 10)).
// Infinite at boost 0, where no bar ever rises.
float SilentSampleBound(int height, std::int32_t soundLevel);

// The six lines that describe a recording device by its flags.
std::string DescribeSoundDevice(DWORD flags);
