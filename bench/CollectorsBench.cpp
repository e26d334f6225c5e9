// One full CollectSlots cycle with every slot configured (four single sensors,
// memory, network, four disk bars, two custom metrics and the per-core bars),
// each cycle on a fresh provider sample, against the largest captured tree
// and the live machine.

#include "HardwareProvider.h"
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

void Cycle(benchmark::State& state, const std::string& root)
{
    Rig rig = Make(root);
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

void BM_CollectSlots_LargestTree(benchmark::State& state) { Cycle(state, LargestTree); }
void BM_CollectSlots_LiveMachine(benchmark::State& state) { Cycle(state, "/"); }

BENCHMARK(BM_CollectSlots_LargestTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CollectSlots_LiveMachine)->Unit(benchmark::kMicrosecond);

} // namespace
