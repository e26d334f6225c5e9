#pragma once
// What the readers of the hardware sources share: the discovery kept between
// samples (chips, cards, disks, adapters), the context of one sample (the
// tree, the counters of the sample before, the items being listed) and the
// base of every reader, with the rates and the items' clean names. Each
// source's reader is in a file of its own.

#include "GpuLibrary.h"
#include "HardwareProvider.h"
#include "HwmonChips.h"
#include "ProviderText.h"

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using TTime = std::chrono::steady_clock::time_point;
inline constexpr double GiB = 1024.0 * 1024.0 * 1024.0;

// Which network adapters are listed (see ReadNetwork).
enum class TAdapterKind { Device, UserTraffic, LeftOut };

// An AMD or Intel video card found in the drm class.
struct TDrmCard {
    std::string Hardware; // its identifier
    std::string Name;
    bool Intel = false;
    std::string Driver;
    std::string Card;     // its drm folder
    std::string Device;   // its device folder
    std::vector<THwmonChip> Chips; // its own hwmon chips
    std::set<std::string> Claimed; // chip folders of /sys/class/hwmon that are this card's
    std::string IdleFile, ClockFile; // Intel: the render engine's idle milliseconds and its clock in MHz
};

// A whole disk's name and its drive-temperature chips.
struct TDiskInfo {
    std::string Name;
    std::vector<THwmonChip> Chips;
};

// What a sample needs to know that changes only when hardware comes or goes:
// found once, kept for a while (see THardwareProvider::TakeSample), so that a
// sample reads values only. Labels and /proc/cpuinfo are costly to produce
// and never change.
struct TDiscovery {
    std::optional<std::vector<THwmonChip>> ClassChips; // /sys/class/hwmon
    // The processor's name is kept when the rest is looked for again.
    std::optional<std::string> ProcessorName;
    std::optional<std::vector<std::pair<int, double>>> CpuInfoClocks; // processor number, MHz
    std::optional<std::vector<std::pair<int, std::string>>> CpuFreqFiles; // processor number, its clock file
    std::optional<std::vector<std::string>> RaplZones;
    std::optional<std::vector<TDrmCard>> DrmCards;
    std::map<std::string, TAdapterKind> AdapterKinds; // by interface name
    std::map<std::string, bool> WirelessAdapters;      // by interface name
    std::optional<std::optional<std::set<std::string>>> BlockNames; // /sys/block; nothing without the folder
    std::map<std::string, TDiskInfo> Disks; // by block device name
    // Chip folders shown under the processor, a video card or a disk; the
    // others are shown on their own.
    std::optional<std::set<std::string>> Claimed;
};

// Rate of a counter between two samples; 0 when there is no earlier sample or
// the counter went backwards (a reset or a wrap).
double Rate(std::optional<double> before, double now, double seconds);
// The busy share of a span from the idle time in it, clamped to 0..100.
double BusyPercent(double idle, double span);

// Two chips that list the same attributes under the same labels.
bool SameAttributes(const THwmonChip& a, const THwmonChip& b);
bool IsVideoCardDriver(const std::string& name);
// "0000:03:00.0": domain, bus, device and function of a PCI device.
bool IsPciAddress(std::string_view text);
bool IsCpuChip(const std::string& name);
bool IsSuperIoChip(const std::string& name);

// One sample of one source: where it reads, the counters of the source's
// sample before and the time since, and where its items go.
struct TSourceContext {
    const TRootFs& Fs;
    const std::map<std::string, double>& BeforeValues;
    std::map<std::string, double>& Next;
    double Seconds;
    THardwareSample& Out;
    TDiscovery& Found;
    std::map<std::string, std::vector<TSensorItem>>& AwakeCards;
};

// Where a sample's items go: hardware and sensors with clean names and
// identifiers, and counters turned into rates over the sample before.
class TItemWriter {
public:
    TItemWriter(const std::map<std::string, double>& before, std::map<std::string, double>& next, double seconds,
                THardwareSample& out)
        : BeforeValues(before), Next(next), Seconds(seconds), Out(out)
    {
    }

protected:
    const std::map<std::string, double>& BeforeValues;
    std::map<std::string, double>& Next;
    double Seconds;
    THardwareSample& Out;

    std::optional<double> Before(const std::string& id) const
    {
        if (auto it = BeforeValues.find(id); it != BeforeValues.end()) return it->second;
        return std::nullopt;
    }
    // Keeps a counter's reading for the next sample. A counter met twice in
    // one sample (a garbled table naming one thing twice) keeps its first reading,
    // the one its sensor shows.
    void Remember(const std::string& id, double value) { Next.emplace(id, value); }
    // Remembers a counter for the next sample and returns its rate per second.
    double CounterRate(const std::string& id, double value)
    {
        Remember(id, value);
        return Rate(Before(id), value, Seconds);
    }

    void Hardware(const std::string& id, const std::string& name, std::string type, const std::string& parent = {})
    {
        Out.Hardware.push_back({CleanIdentifier(id), CleanName(name), std::move(type), CleanIdentifier(parent)});
    }
    void Sensor(const std::string& hardware, const std::string& rest, const std::string& name, std::string type, double value,
                const TTemperatureLimits& limits = {})
    {
        Out.Sensors.push_back({CleanIdentifier(hardware + "/" + rest), CleanName(name), std::move(type),
                               CleanIdentifier(hardware), value, limits.High, limits.Critical});
    }
    // A chip attribute's identifier below its hardware's: "temperature/temp1",
    // or with the chip's key where a hardware shows several chips.
    static std::string ChipSensorRest(const TChipAttribute& a, const std::string& keyPart)
    {
        return a.Kind + "/" + (keyPart.empty() ? "" : keyPart + "/") + a.Attribute;
    }
};

// The base of every source's reader: a source that is missing or holds
// garbage adds nothing and leaves the others alone.
class TSourceReader : public TItemWriter {
public:
    explicit TSourceReader(const TSourceContext& context)
        : TItemWriter(context.BeforeValues, context.Next, context.Seconds, context.Out), Fs(context.Fs),
          Found(context.Found), AwakeCards(context.AwakeCards)
    {
    }

protected:
    const TRootFs& Fs;
    TDiscovery& Found;
    std::map<std::string, std::vector<TSensorItem>>& AwakeCards;

    void ChipSensors(const std::string& hardware, const THwmonChip& chip, const std::string& keyPart = {})
    {
        for (const TChipReading& r : ReadChip(Fs, chip)) {
            const TChipAttribute& a = *r.Attribute;
            const std::string rest = ChipSensorRest(a, keyPart);
            double value = a.IsEnergy ? CounterRate(hardware + "/" + rest, r.Value) : r.Value;
            Sensor(hardware, rest, a.Name, a.Type, value, a.Limits);
        }
    }

    const std::vector<THwmonChip>& Chips()
    {
        if (!Found.ClassChips) Found.ClassChips = FindHwmonChips(Fs);
        return *Found.ClassChips;
    }

public:
    using TDiskNames = std::set<std::string, std::less<>>;
    // Without /sys/block: "sda1" is a partition when "sda" is listed too ("nvme0n1p1" of "nvme0n1").
    static bool IsPartitionOf(const std::string& name, const std::set<std::string, std::less<>>& names);

protected:
    // --- discovery, shared by the sources that show one another's chips ---
    // The AMD and Intel video cards of the drm class, each once.
    const std::vector<TDrmCard>& DrmCards();
    using TDiskRows = std::vector<std::vector<std::string_view>>;
    // The rows of /proc/diskstats and the devices they name.
    static void DiskRows(std::string_view text, TDiskRows& rows, TDiskNames& names);
    // A whole disk: no partition, loop, ram or zram device. Where /sys/block
    // is present, only the devices it lists.
    bool IsWholeDisk(const std::string& name, const TDiskNames& names);
    // The disk's name as shown and its temperature chips.
    const TDiskInfo& Disk(const std::string& name);
};

// The readers, one per source, each in its file.
void ReadProcessor(const TSourceContext& context);
void ReadMemory(const TSourceContext& context);
void ReadDrmCards(const TSourceContext& context);
void ReadLibraryGpus(const TSourceContext& context, IGpuLibrary& library);
void ReadNetwork(const TSourceContext& context);
void ReadDisks(const TSourceContext& context);
void ReadOtherChips(const TSourceContext& context);
