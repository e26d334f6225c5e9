#include "LevelMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

const std::array<int, LevelBands>& BandUpperBins()
{
    static const std::array<int, LevelBands> bins = [] {
        std::array<int, LevelBands> made{};
        int previous = 0;
        for (int x = 0; x < LevelBands; ++x) {
            int upper = static_cast<int>(std::floor(std::pow(2.0, 10.0 * x / 15.0)));
            if (upper > int(SpectrumBins) - 1) upper = int(SpectrumBins) - 1;
            if (upper <= previous) upper = previous + 1;
            made[std::size_t(x)] = upper;
            previous = upper;
        }
        return made;
    }();
    return bins;
}

void StepLevelBands(const float* bins, int height, std::int32_t soundLevel, TDataArray& bars, TDataArray& peaks)
{
    const double boost = soundLevel / 5.0;
    int previous = 0;
    for (int x = 0; x < LevelBands; ++x) {
        const int upper = BandUpperBins()[std::size_t(x)];
        const int width = upper - previous;
        float sum = 0; // added up in single precision
        for (int b = previous + 1; b <= upper; ++b) sum += bins[b];
        previous = upper;
        const double y = std::sqrt(sum / std::log10(width + 10.0));
        double h = std::trunc(y * boost * height - 4.0);
        if (h > height) h = height;
        // No lower limit: silence gives about -4, and the bars sink to 0.
        const std::size_t c = std::size_t(6 * x + 2);
        double a = bars[c];
        if (a < h) {
            a = h;
        } else {
            a -= 3.0;
            if (a < 0) a = 0;
        }
        double p = peaks[c];
        if (p < h) {
            p = h;
        } else {
            p -= 1.0;
            if (p < 0) p = 0;
        }
        for (std::size_t i = c; i < c + 5; ++i) {
            bars[i] = a;
            peaks[i] = p;
        }
    }
}

float SilentSampleBound(int height, std::int32_t soundLevel)
{
    const double boost = soundLevel / 5.0;
    if (boost <= 0 || height <= 0) return std::numeric_limits<float>::infinity();
    // The band whose bins add up the most for their width.
    double widest = 0;
    int previous = 0;
    for (const int upper : BandUpperBins()) {
        const int width = upper - previous;
        widest = std::max(widest, width / std::log10(width + 10.0));
        previous = upper;
    }
    // Below the bound y * boost * height stays under 5 in every band.
    const double y = 5.0 / (boost * height);
    return float(y * y / (std::numbers::sqrt2 * widest));
}

std::string DescribeSoundDevice(DWORD flags)
{
    const char* type = "Unknown";
    switch (flags >> 24) {
    case 0x01: type = "Remote Network"; break;
    case 0x02: type = "Speakers"; break;
    case 0x03: type = "Line"; break;
    case 0x04: type = "Headphones"; break;
    case 0x05: type = "Microphone"; break;
    case 0x06: type = "Headset"; break;
    case 0x07: type = "Handset"; break;
    case 0x08: type = "Digital"; break;
    case 0x09: type = "SPDIF"; break;
    case 0x0A: type = "HDMI"; break;
    case 0x40: type = "DisplayPort"; break;
    default: break;
    }
    const auto yes = [flags](DWORD bit) { return (flags & bit) != 0 ? "Yes" : "No"; };
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", unsigned(flags));
    return std::string("Type: ") + type + "\r\nEnabled: " + yes(AudioDeviceEnabled) + "\r\nReady: " +
           yes(AudioDeviceInitialised) + "\r\nDefault: " + yes(AudioDeviceDefault) + "\r\nLoopback: " +
           yes(AudioDeviceLoopback) + "\r\nFlags: #" + hex;
}
