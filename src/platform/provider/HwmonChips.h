#pragma once
// hwmon chips: finding them, naming them stably, and reading their sensors.

#include "RootFs.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A temperature's limits as its chip gives them, in °C; each absent where the
// chip gives none or gives one that cannot be meant.
struct TTemperatureLimits {
    std::optional<double> High;     // at or above it the part runs hot
    std::optional<double> Critical; // at or above it the part is in danger
    bool operator==(const TTemperatureLimits&) const = default;
};

// The limits of a temperature from its chip's tempN_max, tempN_crit and
// tempN_emergency, in °C. High is the max; without one, the crit where an
// emergency lies above it (amdgpu, xe: crit is where the card slows down,
// emergency where it shuts down). Critical is the crit, else the emergency.
// A limit outside 20..150 °C is dropped (unset registers read 0, -128 or
// 65261.85), and so is a critical limit below the high one.
TTemperatureLimits TemperatureLimits(std::optional<double> max, std::optional<double> crit,
                                     std::optional<double> emergency);

// One sensor attribute of a chip, as found when the chip was discovered: what
// it measures and the file that holds its value.
struct TChipAttribute {
    std::string Kind;      // identifier component: "temperature", "fan", "voltage", "power", "control", "clock"
    std::string Type;      // sensor type text: "Temperature", "Fan", ...
    std::string Attribute; // "temp1", "in0", "pwm2", "energy1"
    std::string Name;      // the chip's label, or a plain English name
    std::string File;      // the value's file in the chip's attribute folder ("temp1_input")
    // Read when File cannot be: power1_input where power1_average is listed
    // but gives no value (some cards on newer kernels). Empty for none.
    std::string FallbackFile;
    double Scale = 1.0;    // raw value times Scale gives the program's unit
    double Min = 0.0, Max = 0.0; // physically possible range after scaling
    bool IsEnergy = false; // a cumulative counter in joules; the caller turns it into watts
    bool ZeroIsNoValue = false; // temperature inputs without a sensor behind them read exactly 0
    // A temperature's limits, read once when the chip is found.
    TTemperatureLimits Limits;
};

// What an attribute of a prefix ("temp", "fan", "in", "power", "energy",
// "pwm", "freq") and index measures, named by its label or, without one, a
// plain English name with its index ("Fan #2"); nothing for another prefix.
// File and FallbackFile are left empty.
std::optional<TChipAttribute> DescribeAttribute(std::string_view prefix, int index, const std::string& label);

struct THwmonChip {
    std::string Dir;        // resolved folder of the chip below the root
    std::string AttrDir;    // where its attributes are (Dir, or Dir/device for old drivers)
    std::string Name;       // contents of its name file
    std::string DeviceName; // last component of its device link; empty without one
    // Its sensor attributes and their labels. Read once when the chip is
    // found: labels never change, and listing the folder on every sample
    // would cost more than reading the values.
    std::vector<TChipAttribute> Attributes;
    // Set only where name and device still leave two chips alike: the chip's
    // position among them (1, 2, ...).
    int Position = 0;
    // Stable key: the name, plus the device it belongs to ("nct6779@nct6775.656",
    // "k10temp@0000:00:18.3"). Never the hwmonN number, which follows probe
    // order, except as the last resort of Position.
    std::string Key() const
    {
        std::string key = DeviceName.empty() ? Name : Name + "@" + DeviceName;
        return Position > 0 ? key + "#" + std::to_string(Position) : key;
    }
};

// Every chip under /sys/class/hwmon with a name, each once, each with its own
// key. A chip without a name file cannot be told apart from another across
// boots and is left out.
std::vector<THwmonChip> FindHwmonChips(const TRootFs& fs);
// The chips in `dir` (a device's "hwmon" folder), each with its own key. A
// chip without a name file takes `unnamed` as its name (the device's folder
// tells which it is); it is left out when that is empty.
std::vector<THwmonChip> ChipsIn(const TRootFs& fs, const std::string& dir, const std::string& unnamed = {});

// One reading of a chip attribute, in the program's units.
struct TChipReading {
    const TChipAttribute* Attribute = nullptr;
    double Value = 0.0;
};

// Reads the value of every attribute the chip was found with. A reading that
// is missing, is no number or is physically impossible (temperatures outside
// -40..150 C, "no value" sentinels) is left out for this sample.
std::vector<TChipReading> ReadChip(const TRootFs& fs, const THwmonChip& chip);
