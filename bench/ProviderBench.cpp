// The provider's cost per refresh cycle: the queries one cycle sends (fifteen
// sensor look-ups, one LIKE over the per-core loads, one system query), each
// cycle on a fresh sample, against the largest captured tree and the live
// machine; and the full sensor listing of the settings dialog.
//
// Another machine: the same cycle against a real node_exporter on 127.0.0.1
// serving the largest tree (the queries answer from the last scrape), one
// scrape as the connection's thread makes it (HTTP, parse, mapping), and the
// parse of one scrape in bytes per second.

#include "Exposition.h"
#include "HardwareProvider.h"
#include "HttpClient.h"
#include "LocalNamespaces.h"
#include "NodeExporter.h"
#include "NodeExporterProvider.h"
#include "SensorQueries.h"
#include "SystemInfoProvider.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <type_traits>
#include <thread>

namespace {

const std::string LargestTree = std::string(TELLVANE_SHARED_FIXTURES) + "/mixed-2pkg-coretemp-nct6779-applesmc-8cpu";

struct Setup {
    std::shared_ptr<TWbemService> Hardware;
    std::shared_ptr<TWbemService> System;
    std::vector<std::string> Ids; // fifteen sensor identifiers, repeated as needed
};

// A clock that moves one second per cycle, so every cycle reads the files afresh.
std::atomic<long> Seconds{0};

// The sensor identifiers of a cycle: the first fifteen, repeated as needed.
template <typename TItems> std::vector<std::string> Identifiers(const TItems& items)
{
    std::vector<std::string> ids;
    for (const auto& item : items) {
        if constexpr (std::is_same_v<typename TItems::value_type, TWbemObject>) ids.push_back(item.Text("Identifier"));
        else ids.push_back(item.Identifier);
    }
    return ids;
}

std::vector<std::string> CycleIds(std::vector<std::string> ids)
{
    if (ids.empty()) ids.push_back("/none");
    while (ids.size() < 15) ids.push_back(ids[ids.size() % ids.size()]);
    ids.resize(15);
    return ids;
}

Setup Make(const std::string& root)
{
    auto namespaces = std::make_shared<TWbemNamespaces>();
    auto provider = std::make_shared<THardwareProvider>(
        root, [] { return std::chrono::steady_clock::time_point(std::chrono::seconds(Seconds.load())); },
        root == "/" ? LoadNvidiaLibrary() : nullptr);
    namespaces->Register(std::string(HardwareNamespace), provider);
    namespaces->Register(std::string(SystemNamespace), std::make_shared<TSystemInfoProvider>(root));
    TWbemLocator locator(namespaces);
    return {locator.ConnectServer("localhost", HardwareNamespace), locator.ConnectServer("localhost", SystemNamespace),
            CycleIds(Identifiers(provider->Sample()->Sensors))};
}

void CycleQueries(const Setup& s)
{
    for (const std::string& id : s.Ids) benchmark::DoNotOptimize(QuerySensor(*s.Hardware, id));
        benchmark::DoNotOptimize(s.Hardware->ExecQuery("SELECT * FROM Sensor WHERE Identifier like \"/cpu/0/load/%\""));
    benchmark::DoNotOptimize(s.System->ExecQuery("SELECT * FROM CIM_OperatingSystem"));
}

void Cycle(benchmark::State& state, const std::string& root)
{
    Setup s = Make(root);
    for (auto _ : state) {
        ++Seconds;
        CycleQueries(s);
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

// The same cycle against node_exporter on the largest tree: the window's
// queries, while the connection's thread scrapes once per second of its own.
void BM_CycleQueries_NodeExporter_LargestTree(benchmark::State& state)
{
    TestNodeExporter exporter(LargestTree);
    TWbemLocator locator(LocalNamespaces("/"));
    Setup s{locator.ConnectServer(exporter.Address(), HardwareNamespace),
            locator.ConnectServer(exporter.Address(), SystemNamespace), {}};
    // The identifiers once the first scrape has arrived.
    for (int i = 0; i < 100 && s.Ids.empty(); ++i) {
        const auto sensors = s.Hardware->ExecQuery("SELECT * FROM Sensor");
        if (!sensors.empty()) s.Ids = CycleIds(Identifiers(sensors));
        else std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (s.Ids.empty()) {
        state.SkipWithError("node_exporter gave no sensors");
        return;
    }
    for (auto _ : state) CycleQueries(s);
}

// One scrape as the connection's thread makes it: the HTTP request to
// node_exporter, which reads the tree, the parse and the mapping.
void BM_Scrape_NodeExporter_LargestTree(benchmark::State& state)
{
    TestNodeExporter exporter(LargestTree);
    std::string error;
    TNodeExporterConnection connection(*NodeExporterUrl(exporter.Address(), error), {});
    for (auto _ : state) connection.ScrapeNow();
    if (!connection.Latest()->Problem.empty()) state.SkipWithError(connection.Latest()->Problem.c_str());
}

// The parse of one scrape of the largest tree.
void BM_ParseScrape_LargestTree(benchmark::State& state)
{
    TestNodeExporter exporter(LargestTree);
    std::string error;
    THttpRequest request;
    request.Url = *NodeExporterUrl(exporter.Address(), error);
    const THttpAnswer answer = HttpGet(request);
    if (!answer.Ok) {
        state.SkipWithError(answer.Error.c_str());
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(ParseExposition(answer.Body, error));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * answer.Body.size()));
    state.counters["scrape_bytes"] = static_cast<double>(answer.Body.size());
}

BENCHMARK(BM_CycleQueries_LargestTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleQueries_LiveMachine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleQueries_SharedSample_LiveMachine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullSensorListing_LargestTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleQueries_NodeExporter_LargestTree)->Unit(benchmark::kMicrosecond);
// Process time: the scrape runs on the connection's thread.
BENCHMARK(BM_Scrape_NodeExporter_LargestTree)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseScrape_LargestTree)->Unit(benchmark::kMicrosecond);

} // namespace
