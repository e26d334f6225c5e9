// One full CollectSlots cycle with every slot configured (four single sensors,
// memory, network, four disk bars, two custom metrics and the per-core bars),
// each cycle on a fresh provider sample, against the largest captured tree
// and the live machine; a cycle with only the processor's load and the memory;
// and, as the floor to compare with, plainly reading the files a full cycle
// reads.

#include "HardwareProvider.h"
#include "HwmonChips.h"
#include "SlotCollectors.h"

#include <benchmark/benchmark.h>

#include <atomic>

namespace {

const std::string LargestTree = std::string(TELLVANE_SHARED_FIXTURES) + "/mixed-2pkg-coretemp-nct6779-applesmc-8cpu";

std::atomic<long> Seconds{0};

struct Rig {
    std::shared_ptr<THardwareProvider> Provider;
    std::shared_ptr<TWbemService> Service;
    TRefreshInputs Inputs;
};

// The first sensor of that type whose identifier contains `part`, else any of that type.
std::string Pick(const std::vector<TSensorItem>& sensors, const std::string& type, const std::string& part = "")
{
    std::string any;
    for (const TSensorItem& s : sensors) {
        if (s.SensorType != type) continue;
        if (s.Identifier.find(part) != std::string::npos) return s.Identifier;
        if (any.empty()) any = s.Identifier;
    }
    return any;
}

Rig Make(const std::string& root)
{
    Rig rig;
    rig.Provider = std::make_shared<THardwareProvider>(
        root, [] { return std::chrono::steady_clock::time_point(std::chrono::seconds(Seconds.load())); },
        root == "/" ? LoadNvidiaLibrary() : nullptr);
    rig.Service = std::make_shared<TWbemService>("root\\LibreHardwareMonitor", rig.Provider);
    const auto& sensors = rig.Provider->Sample()->Sensors;
    TWmiSettings& s = rig.Inputs.Setup;
    s.sidCPUload = Pick(sensors, "Load", "/cpu/0/load/0");
    s.sidGPUload = Pick(sensors, "Load", "/gpu");
    s.sidCPUtemp = Pick(sensors, "Temperature", "/cpu");
    s.sidGPUtemp = Pick(sensors, "Temperature", "/gpu");
    s.sidRAMused = Pick(sensors, "Data", "/ram/data/0");
    s.sidRAMfree = Pick(sensors, "Data", "/ram/data/1");
    s.sidNETupld = Pick(sensors, "Throughput", "/throughput/7");
    s.sidNETdown = Pick(sensors, "Throughput", "/throughput/8");
    s.sidHDD1 = s.sidHDD2 = s.sidHDD3 = s.sidHDD4 = Pick(sensors, "Load", "/storage");
    s.sidCustom1 = Pick(sensors, "Fan");
    s.sidCustom2 = Pick(sensors, "Clock");
    s.ShowCpuBars = true;
    return rig;
}

void Cycle(benchmark::State& state, const std::string& root, bool loadAndMemoryOnly = false)
{
    Rig rig = Make(root);
    if (loadAndMemoryOnly) {
        TWmiSettings& s = rig.Inputs.Setup;
        const std::string load = s.sidCPUload, used = s.sidRAMused, free = s.sidRAMfree;
        s = TWmiSettings{};
        s.sidCPUload = load;
        s.sidRAMused = used;
        s.sidRAMfree = free;
    }
    const TNumberStyle style;
    TWmiDataArray data;
    std::int32_t index = 0;
    for (auto _ : state) {
        ++Seconds;
        const TCollectContext ctx{*rig.Service, style, rig.Inputs.Setup, index, nullptr};
        CollectSlots(ctx, rig.Inputs, data, index);
        benchmark::DoNotOptimize(data);
    }
}

// The host files of the /proc tables, every chip value and every core's clock.
std::vector<std::filesystem::path> FilesOfAFullCycle(const std::string& root)
{
    const TRootFs fs(root);
    std::vector<std::filesystem::path> files;
    for (const char* table : {"/proc/stat", "/proc/meminfo", "/proc/net/dev", "/proc/diskstats"}) files.push_back(fs.HostPath(table));
    for (const THwmonChip& chip : FindHwmonChips(fs))
        for (const TChipAttribute& a : chip.Attributes) files.push_back(fs.HostPath(chip.AttrDir + "/" + a.File));
    for (const std::string& cpu : fs.List("/sys/devices/system/cpu"))
        if (fs.Exists("/sys/devices/system/cpu/" + cpu + "/cpufreq/scaling_cur_freq"))
            files.push_back(fs.HostPath("/sys/devices/system/cpu/" + cpu + "/cpufreq/scaling_cur_freq"));
    return files;
}

void ReadFloor(benchmark::State& state, const std::string& root)
{
    const auto files = FilesOfAFullCycle(root);
    for (auto _ : state)
        for (const auto& file : files) benchmark::DoNotOptimize(ReadHostFile(file, 1 << 20));
    state.counters["files"] = static_cast<double>(files.size());
}

void BM_CollectSlots_LargestTree(benchmark::State& state) { Cycle(state, LargestTree); }
void BM_CollectSlots_LiveMachine(benchmark::State& state) { Cycle(state, "/"); }
void BM_CollectSlots_LoadAndMemoryOnly_LiveMachine(benchmark::State& state) { Cycle(state, "/", true); }
void BM_ReadFloor_LargestTree(benchmark::State& state) { ReadFloor(state, LargestTree); }
void BM_ReadFloor_LiveMachine(benchmark::State& state) { ReadFloor(state, "/"); }

BENCHMARK(BM_CollectSlots_LargestTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CollectSlots_LiveMachine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CollectSlots_LoadAndMemoryOnly_LiveMachine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFloor_LargestTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFloor_LiveMachine)->Unit(benchmark::kMicrosecond);

} // namespace
