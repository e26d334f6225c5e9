// The provider's cost per refresh cycle: the queries one cycle sends (fifteen
// sensor look-ups, one LIKE over the per-core loads, one system query), each
// cycle on a fresh sample, against the largest captured tree and the live
// machine; and the full sensor listing of the settings dialog.

#include "HardwareProvider.h"
#include "LocalNamespaces.h"
#include "SensorQueries.h"
#include "SystemInfoProvider.h"

#include <benchmark/benchmark.h>

#include <atomic>

namespace {

const std::string LargestTree = std::string(TELLVANE_SHARED_FIXTURES) + "/mixed-2pkg-coretemp-nct6779-applesmc-8cpu";

struct Setup {
    std::shared_ptr<TWbemService> Hardware;
    std::shared_ptr<TWbemService> System;
    std::vector<std::string> Ids; // fifteen sensor identifiers, repeated as needed
};

// A clock that moves one second per cycle, so every cycle reads the files afresh.
std::atomic<long> Seconds{0};

Setup Make(const std::string& root)
{
    auto namespaces = std::make_shared<TWbemNamespaces>();
    auto provider = std::make_shared<THardwareProvider>(
        root, [] { return std::chrono::steady_clock::time_point(std::chrono::seconds(Seconds.load())); },
        root == "/" ? LoadNvidiaLibrary() : nullptr);
    namespaces->Register(std::string(HardwareNamespace), provider);
    namespaces->Register(std::string(SystemNamespace), std::make_shared<TSystemInfoProvider>(root));
    TWbemLocator locator(namespaces);
    Setup s{locator.ConnectServer("localhost", HardwareNamespace), locator.ConnectServer("localhost", SystemNamespace), {}};
    for (const TSensorItem& item : provider->Sample()->Sensors) s.Ids.push_back(item.Identifier);
    if (s.Ids.empty()) s.Ids.push_back("/none");
    while (s.Ids.size() < 15) s.Ids.push_back(s.Ids[s.Ids.size() % s.Ids.size()]);
    s.Ids.resize(15);
    return s;
}

void Cycle(benchmark::State& state, const std::string& root)
{
    Setup s = Make(root);
    for (auto _ : state) {
        ++Seconds;
        for (const std::string& id : s.Ids) benchmark::DoNotOptimize(QuerySensor(*s.Hardware, id));
        benchmark::DoNotOptimize(s.Hardware->ExecQuery("SELECT * FROM Sensor WHERE Identifier like \"/cpu/0/load/%\""));
        benchmark::DoNotOptimize(s.System->ExecQuery("SELECT * FROM CIM_OperatingSystem"));
    }
}

void BM_CycleQueries_LargestTree(benchmark::State& state) { Cycle(state, LargestTree); }
void BM_CycleQueries_LiveMachine(benchmark::State& state) { Cycle(state, "/"); }

void BM_CycleQueries_SharedSample_LiveMachine(benchmark::State& state)
{
    Setup s = Make("/");
    ++Seconds;
    for (auto _ : state)
        for (const std::string& id : s.Ids) benchmark::DoNotOptimize(QuerySensor(*s.Hardware, id));
}

void BM_FullSensorListing_LargestTree(benchmark::State& state)
{
    Setup s = Make(LargestTree);
    for (auto _ : state) {
        ++Seconds;
        benchmark::DoNotOptimize(s.Hardware->ExecQuery("SELECT * FROM Sensor"));
    }
}

BENCHMARK(BM_CycleQueries_LargestTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleQueries_LiveMachine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleQueries_SharedSample_LiveMachine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullSensorListing_LargestTree)->Unit(benchmark::kMicrosecond);

} // namespace
