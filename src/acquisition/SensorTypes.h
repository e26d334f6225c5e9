#pragma once
// The sensor-type and hardware-type tables and their look-ups. A type's index
// is its number throughout the program (icon index in the catalogue, member of
// the dialog's sets of allowed types).

#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 14> SensorTypeNames = {
    "",     "Voltage", "Clock", "Temperature", "Load",       "Factor",    "Power",
    "Data", "Fan",     "Control", "Level",     "Throughput", "Frequency", "Flow",
};

inline constexpr std::array<std::string_view, 14> SensorTypeFormats = {
    "",         "%.3n V",   "%.0n MHz", "%.0n C",   "%.0n%%", "%.3n",    "%.1n W",
    "%.1n Gb",  "%.0n RPM", "%.0n%%",   "%.0n%%",   "%.0n",   "%.0n Hz", "%.1n L/h",
};

// "GpuIntel" (10) was added after the others, so that their numbers stay.
inline constexpr std::array<std::string_view, 11> HardwareTypeNames = {
    "", "Cpu", "GpuAmd", "GpuNvidia", "Memory", "Motherboard", "Network", "Storage", "SuperIO", "Fans", "GpuIntel",
};

inline constexpr int SensorTypeThroughput = 11;

// The first index whose name equals `name` ignoring ASCII letter case; 0 when
// none does and for empty text.
int SensorTypeIndex(std::string_view name);
int HardwareTypeIndex(std::string_view name);
