#pragma once
// The embedded hardware provider: publishes this computer's hardware and its
// sensors, read from procfs and sysfs below a root folder, as the classes
// "Hardware" and "Sensor" of the namespace root\LibreHardwareMonitor.
//
// The hardware is read by source: the processor, memory, AMD video cards,
// video cards behind a vendor library, network adapters, disks and the other
// hwmon chips. A query reads only the sources whose identifiers it can match
// (a query for "/ram/load/0" reads /proc/meminfo and nothing else), and a
// source is read again only when its last sample is older than SampleMaxAge,
// so the queries of one refresh cycle share one sample of each source. Rates
// and loads are differences between two samples of their source over
// monotonic time; the first sample reads 0 for them.

#include "GpuLibrary.h"
#include "RootFs.h"
#include "Wbem.h"

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::string_view HardwareNamespace = "root\\LibreHardwareMonitor";

struct THardwareItem {
    std::string Identifier;
    std::string Name;
    std::string HardwareType; // a name of the hardware-type table
    std::string Parent;       // the parent hardware's identifier, or empty
    bool Wireless = false;    // a network adapter the kernel marks as wireless
};

struct TSensorItem {
    std::string Identifier; // begins with its hardware's identifier
    std::string Name;
    std::string SensorType; // a name of the sensor-type table
    std::string Parent;     // the owning hardware's identifier
    double Value = 0.0;
    // A temperature's limits in °C where its chip gives them: published as
    // the properties HighLimit and CriticalLimit, absent without.
    std::optional<double> HighLimit;
    std::optional<double> CriticalLimit;
};

struct THardwareSample {
    std::vector<THardwareItem> Hardware;
    std::vector<TSensorItem> Sensors;
};

// The items as the classes "Hardware" and "Sensor" publish them.
TWbemObjects HardwareObjects(const std::vector<THardwareItem>& items);
TWbemObjects SensorObjects(const std::vector<TSensorItem>& items);

// The sources, in the order of the full listing. DrmCards are the AMD and
// Intel video cards of the kernel's drm class.
enum class THardwareSource { Processor, Memory, DrmCards, LibraryGpus, Network, Disks, OtherChips };
inline constexpr int HardwareSourceCount = 7;
using THardwareSources = unsigned; // a set of sources, bit (1 << source)
inline constexpr THardwareSources AllHardwareSources = (1u << HardwareSourceCount) - 1;

// The sources whose items a statement can return: those whose identifiers
// can match an Identifier condition, every source for any other condition.
THardwareSources SourcesOfQuery(const TWqlQuery& query);

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
    std::optional<std::shared_ptr<const TWbemObjects>> ObjectsFor(const TWqlQuery& query) override;

    // The current sample of every source, each taken afresh when it is too old.
    std::shared_ptr<const THardwareSample> Sample();

    // How many samples of a source were taken so far.
    long SamplesTaken(THardwareSource source) const;

private:
    struct TPart;
    struct TWhole;
    struct TCounters;
    using TParts = std::array<std::shared_ptr<const TPart>, HardwareSourceCount>;
    TParts Current(THardwareSources sources);
    std::shared_ptr<const TWhole> Whole();
    std::shared_ptr<const TPart> TakeSample(THardwareSource source);
    std::shared_ptr<const TWbemObjects> Objects(THardwareSources sources, bool hardware);

    TRootFs FFs;
    TClock FClock;
    std::shared_ptr<IGpuLibrary> FNvidia;

    std::mutex FSampling; // one sampler at a time; guards FCounters
    std::unique_ptr<TCounters> FCounters;
    mutable std::mutex FLatest; // guards FParts and FWhole, held only to copy or swap them
    TParts FParts;
    std::shared_ptr<const TWhole> FWhole; // the full listing, composed of the parts it names
    std::array<std::atomic<long>, HardwareSourceCount> FSamplesTaken{};
};
