// Building the sensor catalogue: on the largest captured tree, and on a
// machine of our own with 64 cores (several hundred sensors), where the
// linear look-ups of each added node make the build quadratic. Both also as
// the settings dialog rebuilds them: into its tree view, shown off-screen,
// with the view laid out again.

#include "CatalogueView.h"
#include "TForm2.h"
#include "HardwareProvider.h"
#include "SensorCatalogue.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

// A 64-core machine: per core a load, a clock and a temperature, plus a board
// with two chips of twenty sensors each.
class ManyCoresProvider : public IWbemProvider {
public:
    ManyCoresProvider()
    {
        auto hardware = [&](std::string id, std::string name, std::string type, std::string parent) {
            TWbemObject o("Hardware");
            o.Set("Identifier", std::move(id)).Set("Name", std::move(name)).Set("HardwareType", std::move(type)).Set("Parent", std::move(parent));
            FHardware->push_back(std::move(o));
        };
        auto sensor = [&](std::string id, std::string name, std::string type, std::string parent) {
            TWbemObject o("Sensor");
            o.Set("Identifier", std::move(id)).Set("Name", std::move(name)).Set("SensorType", std::move(type)).Set("Parent", std::move(parent)).Set("Value", 1.0);
            FSensors->push_back(std::move(o));
        };
        hardware("/cpu/0", "Processor", "Cpu", "");
        hardware("/board", "Board", "Motherboard", "");
        for (const char* chip : {"/lpc/a", "/lpc/b"}) hardware(chip, chip, "SuperIO", "/board");
        for (int core = 1; core <= 64; ++core) {
            const std::string n = std::to_string(core);
            sensor("/cpu/0/load/" + n, "CPU Core #" + n, "Load", "/cpu/0");
            sensor("/cpu/0/clock/" + n, "CPU Core #" + n, "Clock", "/cpu/0");
            sensor("/cpu/0/temperature/" + n, "Core #" + n, "Temperature", "/cpu/0");
        }
        for (const char* chip : {"/lpc/a", "/lpc/b"})
            for (int i = 1; i <= 20; ++i) sensor(std::string(chip) + "/fan/" + std::to_string(i), "Fan #" + std::to_string(i), "Fan", chip);
    }
    std::optional<std::shared_ptr<const TWbemObjects>> Objects(std::string_view className) override
    {
        if (className == "Hardware") return FHardware;
        if (className == "Sensor") return FSensors;
        return std::nullopt;
    }

private:
    std::shared_ptr<TWbemObjects> FHardware = std::make_shared<TWbemObjects>();
    std::shared_ptr<TWbemObjects> FSensors = std::make_shared<TWbemObjects>();
};

void Build(benchmark::State& state, std::shared_ptr<IWbemProvider> provider)
{
    const TWbemService service(std::string(HardwareNamespace), provider);
    TSensorCatalogue catalogue;
    for (auto _ : state) {
        BuildCatalogue(catalogue, service);
        benchmark::DoNotOptimize(catalogue.Nodes().size());
    }
    state.counters["nodes"] = double(catalogue.Nodes().size());
}

void BM_BuildCatalogue_LargestTree(benchmark::State& state)
{
    Build(state, std::make_shared<THardwareProvider>(std::string(TELLVANE_SHARED_FIXTURES) +
                                                     "/mixed-2pkg-coretemp-nct6779-applesmc-8cpu"));
}

void BM_BuildCatalogue_64Cores(benchmark::State& state) { Build(state, std::make_shared<ManyCoresProvider>()); }

void Rebuild(benchmark::State& state, std::shared_ptr<IWbemProvider> provider)
{
    const TWbemService service(std::string(HardwareNamespace), provider);
    TCatalogueTreeView view(nullptr);
    view.resize(409, 418);
    view.show();
    for (auto _ : state) {
        view.RebuildFrom(&service);
        view.expandAll();
        view.grab(); // the redraw that follows
    }
    state.counters["nodes"] = double(view.Catalogue().Nodes().size());
}

void BM_GetWmiOptions_LargestTree(benchmark::State& state)
{
    Rebuild(state, std::make_shared<THardwareProvider>(std::string(TELLVANE_SHARED_FIXTURES) +
                                                       "/mixed-2pkg-coretemp-nct6779-applesmc-8cpu"));
}

void BM_GetWmiOptions_64Cores(benchmark::State& state) { Rebuild(state, std::make_shared<ManyCoresProvider>()); }

// Reset All of the settings dialog: the rebuild and the filling of every list.
class BenchHost : public ISettingsHost {
public:
    explicit BenchHost(std::shared_ptr<IWbemProvider> provider) : Service(std::string(HardwareNamespace), std::move(provider)) {}
    void GetWmiOptions() override
    {
        Dialog->TreeView1->RebuildFrom(&Service);
    }
    std::filesystem::path IniFileName() const override { return "/nonexistent/tellvane.ini"; }
    bool BassPresent() const override { return false; }
    void SoundLevelChanged(std::int32_t) override {}
    void RunHandler(const std::function<void()>& handler) override { handler(); }
    TWbemService Service;
    TForm2* Dialog = nullptr;
};

void ResetAll(benchmark::State& state, std::shared_ptr<IWbemProvider> provider)
{
    BenchHost host(std::move(provider));
    TForm2Services services;
    services.Host = &host;
    TForm2 dialog(services);
    host.Dialog = &dialog;
    dialog.TempSetup.sidCPUload = "/cpu/0/load/0";
    for (auto _ : state) {
        dialog.ResetAll();
        benchmark::DoNotOptimize(dialog.ComboBox9->count());
    }
    state.counters["nodes"] = double(dialog.TreeView1->Catalogue().Nodes().size());
}

void BM_ResetAll_LargestTree(benchmark::State& state)
{
    ResetAll(state, std::make_shared<THardwareProvider>(std::string(TELLVANE_SHARED_FIXTURES) +
                                                        "/mixed-2pkg-coretemp-nct6779-applesmc-8cpu"));
}

void BM_ResetAll_64Cores(benchmark::State& state) { ResetAll(state, std::make_shared<ManyCoresProvider>()); }

} // namespace

BENCHMARK(BM_BuildCatalogue_LargestTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildCatalogue_64Cores)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetWmiOptions_LargestTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetWmiOptions_64Cores)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ResetAll_LargestTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ResetAll_64Cores)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
