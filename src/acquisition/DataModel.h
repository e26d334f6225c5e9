#pragma once
// The records every part of the gadget exchanges: the user's choices, one
// diagram's data, and the 16 diagram slots.
//
// All members are values (std::string, std::array), so copying a record copies
// its texts and both series: no copy shares storage with another, which keeps
// the copies the refresh thread and the window exchange independent.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The user's choices: which sensor feeds which diagram, and the display options.
// A default-constructed record holds the documented defaults.
struct TWmiSettings {
    std::string sidGPUload;
    std::string sidGPUtemp;
    std::string sidCPUload;
    std::string sidCPUtemp;
    std::string sidRAMused;
    std::string sidRAMfree;
    std::string sidNETupld;
    std::string sidNETdown;
    std::string sidHDD1;
    std::string sidHDD2;
    std::string sidHDD3;
    std::string sidHDD4;
    std::string sidHDD1Alt;
    std::string sidCustom1;
    std::string sidCustom2;
    bool DiskSlowPeak = false;
    bool DiskDiagram = false;
    bool DiskHumanRead = true;
    bool NetworkAsMbit = true;
    bool ShowCpuBars = false;
    std::int32_t CpuTermalMax = 100;
    std::int32_t GpuTermalMax = 100;
    std::int32_t SoundDevice = -1;
    std::int32_t SoundLevel = 9;
    std::int32_t LabFlags = 0;
    // The sound server's name of the chosen input: it finds the input again
    // when other inputs come or go and SoundDevice's position moves.
    std::string SoundDeviceName;
    // The machine shown: empty for this one, else the address of its
    // node_exporter; and a CA file its https certificate is checked against
    // (empty: the system's store).
    std::string Server;
    std::string ServerCA;

    bool operator==(const TWmiSettings&) const = default;
};

inline constexpr int DataArrayLength = 100;

// One series: a ring of 100 samples, or bar heights per column.
using TDataArray = std::array<double, DataArrayLength>;

// Everything one diagram needs. A fresh record has empty texts, zero numbers
// and zero series.
struct TProgressData {
    std::string NameA;
    std::string NameB;
    std::string FrmtA;
    std::string FrmtB;
    std::string DisplayText;
    std::int32_t Peak = 0;
    std::int32_t Fill = 0;
    double OneValue = 0.0;
    std::int32_t Count = 0;
    TDataArray DataA{};
    TDataArray DataB{};
    // The limits of a temperature read into DataA, where its chip gives them (°C).
    std::optional<double> HighLimit;
    std::optional<double> CriticalLimit;

    bool operator==(const TProgressData&) const = default;
};

inline constexpr int FirstSlot = 1;
inline constexpr int LastSlot = 16;

// The one answer to "does this paint-area tag name a slot".
constexpr bool IsSlotTag(long long tag) { return tag >= FirstSlot && tag <= LastSlot; }

// The 16 diagram slots, numbered 1 to 16 like the tags of the paint areas that
// show them. Every operation given a tag ignores tags outside 1..16.
class TWmiDataArray {
public:
    // The slot of that number, or nullptr for a tag that names no slot.
    TProgressData* Slot(long long tag) { return IsSlotTag(tag) ? &FSlots[static_cast<std::size_t>(tag - FirstSlot)] : nullptr; }
    const TProgressData* Slot(long long tag) const
    {
        return IsSlotTag(tag) ? &FSlots[static_cast<std::size_t>(tag - FirstSlot)] : nullptr;
    }

    // Replaces slot `tag` with the same slot of `source`; nothing for a non-slot tag.
    void CopySlotFrom(const TWmiDataArray& source, long long tag)
    {
        if (TProgressData* slot = Slot(tag)) *slot = *source.Slot(tag);
    }

    // Back to the start state: 16 fresh slots.
    void Clear() { FSlots = {}; }

    bool operator==(const TWmiDataArray&) const = default;

private:
    std::array<TProgressData, LastSlot - FirstSlot + 1> FSlots{};
};
