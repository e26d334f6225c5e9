#pragma once
// The embedded hardware provider: publishes this computer's hardware and its
// sensors, read from procfs and sysfs below a root folder, as the classes
// "Hardware" and "Sensor" of the namespace root\LibreHardwareMonitor.
//
// A query takes a new sample only when the last one is older than
// SampleMaxAge, so the queries of one refresh cycle share one sample. Rates
// and loads are differences between two samples over monotonic time; the
// first sample reads 0 for them.

#include "GpuLibrary.h"
#include "RootFs.h"
#include "Wbem.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

inline constexpr std::string_view HardwareNamespace = "root\\LibreHardwareMonitor";

struct THardwareItem {
    std::string Identifier;
    std::string Name;
    std::string HardwareType; // a name of the hardware-type table
    std::string Parent;       // the parent hardware's identifier, or empty
};

struct TSensorItem {
    std::string Identifier; // begins with its hardware's identifier
    std::string Name;
    std::string SensorType; // a name of the sensor-type table
    std::string Parent;     // the owning hardware's identifier
    double Value = 0.0;
};

struct THardwareSample {
    std::vector<THardwareItem> Hardware;
    std::vector<TSensorItem> Sensors;
};

class THardwareProvider : public IWbemProvider {
public:
    using TClock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::milliseconds SampleMaxAge{400};
    // How long the hardware found (chips, their labels, the processor's name)
    // is kept before it is looked for again.
    static constexpr std::chrono::seconds RediscoveryInterval{10};

    explicit THardwareProvider(std::filesystem::path root, TClock clock = std::chrono::steady_clock::now,
                               std::shared_ptr<IGpuLibrary> nvidia = nullptr);
    ~THardwareProvider() override;

    std::optional<std::shared_ptr<const TWbemObjects>> Objects(std::string_view className) override;

    // The current sample, taken afresh when the last one is too old.
    std::shared_ptr<const THardwareSample> Sample();

private:
    struct TSnapshot;
    struct TCounters;
    std::shared_ptr<const TSnapshot> Current();
    std::shared_ptr<const TSnapshot> TakeSample();

    TRootFs FFs;
    TClock FClock;
    std::shared_ptr<IGpuLibrary> FNvidia;

    std::mutex FSampling;      // one sampler at a time; guards FCounters
    std::unique_ptr<TCounters> FCounters;
    mutable std::mutex FLatest; // guards FSnapshot, held only to swap it
    std::shared_ptr<const TSnapshot> FSnapshot;
};
