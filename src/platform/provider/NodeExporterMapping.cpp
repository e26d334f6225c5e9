#include "NodeExporterMapping.h"

#include "HwmonChips.h"
#include "SourceReader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <string_view>

namespace {

using TSamples = std::vector<const TMetricSample*>;

// The scrape's samples by metric name.
class TIndex {
public:
    explicit TIndex(const TExposition& scrape)
    {
        for (const TMetricSample& s : scrape.Samples) FByName[s.Name].push_back(&s);
    }
    const TSamples& Of(std::string_view name) const
    {
        static const TSamples none;
        const auto it = FByName.find(name);
        return it == FByName.end() ? none : it->second;
    }
    // The value of the sample of `name` whose `label` is `value` (any sample
    // for an empty label); nothing without one or for a value that is no number.
    std::optional<double> Value(std::string_view name, std::string_view label = {}, std::string_view value = {}) const
    {
        for (const TMetricSample* s : Of(name))
            if ((label.empty() || s->Label(label) == value) && std::isfinite(s->Value)) return s->Value;
        return std::nullopt;
    }

private:
    std::map<std::string, TSamples, std::less<>> FByName;
};

// A chip of the scrape: node_exporter's name for it, the name its driver
// gives, and the key the local provider uses.
struct TRemoteChip {
    std::string Label;
    std::string Name;
    std::string Key;
};

// The hwmon metrics and the attribute prefix each stands for, in the order
// the local provider lists a chip's attributes.
struct TChipMetric {
    const char* Metric;
    const char* Prefix;
};
constexpr TChipMetric ChipMetrics[] = {
    {"node_hwmon_temp_celsius", "temp"},          {"node_hwmon_fan_rpm", "fan"},
    {"node_hwmon_in_volts", "in"},                {"node_hwmon_power_average_watt", "power"},
    {"node_hwmon_power_watt", "power"},           {"node_hwmon_energy_joule_total", "energy"},
    {"node_hwmon_pwm", "pwm"},
};

class TNodeExporterMapper : public TItemWriter {
public:
    TNodeExporterMapper(const TExposition& scrape, const std::map<std::string, double>& before,
                        std::map<std::string, double>& next, double seconds, THardwareSample& out)
        : TItemWriter(before, next, seconds, out), Index(scrape)
    {
        for (const TMetricSample* s : Index.Of("node_hwmon_chip_names")) {
            TRemoteChip chip{s->Label("chip"), s->Label("chip_name"), {}};
            if (chip.Name.empty()) chip.Name = chip.Label;
            const std::string device = ChipDeviceOfLabel(chip.Label, chip.Name);
            chip.Key = device.empty() ? chip.Name : chip.Name + "@" + device;
            Chips.push_back(std::move(chip));
        }
    }

    void Map()
    {
        MapProcessor();
        MapMemory();
        MapCards();
        MapNetwork();
        MapDisks();
        MapOtherChips();
    }

private:
    TIndex Index;
    std::vector<TRemoteChip> Chips;
    std::set<std::string> Shown; // chips shown under a device

    // The value of a chip's metric for one of its sensors, if the scrape has it.
    std::optional<double> ChipValue(const char* metric, const TRemoteChip& chip, const std::string& sensor) const
    {
        for (const TMetricSample* s : Index.Of(metric))
            if (s->Label("chip") == chip.Label && s->Label("sensor") == sensor) return s->Value;
        return std::nullopt;
    }

    void ChipSensors(const std::string& hardware, const TRemoteChip& chip, const std::string& keyPart = {})
    {
        Shown.insert(chip.Label);
        std::set<std::string> seen; // power: the average wins over the input
        for (const TChipMetric& metric : ChipMetrics) {
            for (const TMetricSample* s : Index.Of(metric.Metric)) {
                if (s->Label("chip") != chip.Label) continue;
                const std::string& sensor = s->Label("sensor");
                const auto index = sensor.starts_with(metric.Prefix) ? ToNumber<int>(std::string_view(sensor).substr(std::string_view(metric.Prefix).size()))
                                                                     : std::nullopt;
                if (!index || !seen.insert(sensor).second) continue;
                std::string label;
                for (const TMetricSample* l : Index.Of("node_hwmon_sensor_label"))
                    if (l->Label("chip") == chip.Label && l->Label("sensor") == sensor) label = l->Label("label");
                const std::optional<TChipAttribute> a = DescribeAttribute(metric.Prefix, *index, label);
                if (!a) continue;
                // node_exporter gives the units the local provider scales to, but for the raw duty of pwm.
                const double value = std::string_view(metric.Prefix) == "pwm" ? s->Value * a->Scale : s->Value;
                if (!(value >= a->Min && value <= a->Max) || (a->ZeroIsNoValue && value == 0)) continue;
                const std::string rest = ChipSensorRest(*a, keyPart);
                const TTemperatureLimits limits = a->Kind == "temperature"
                                                      ? TemperatureLimits(ChipValue("node_hwmon_temp_max_celsius", chip, sensor),
                                                                          ChipValue("node_hwmon_temp_crit_celsius", chip, sensor),
                                                                          ChipValue("node_hwmon_temp_emergency_celsius", chip, sensor))
                                                      : TTemperatureLimits{};
                Sensor(hardware, rest, a->Name, a->Type, a->IsEnergy ? CounterRate(hardware + "/" + rest, value) : value, limits);
            }
        }
    }

    void MapProcessor()
    {
        const std::string hw = "/cpu/0";
        std::string name = "Processor";
        for (const TMetricSample* s : Index.Of("node_cpu_info"))
            if (!s->Label("model_name").empty()) name = s->Label("model_name");
        Hardware(hw, name, "Cpu");
        const std::size_t firstSensor = Out.Sensors.size();

        // The busy share of user..steal as /proc/stat counts it; guest time is in user.
        static constexpr std::array<std::string_view, 8> Modes{"user", "nice", "system", "idle", "iowait", "irq", "softirq", "steal"};
        std::map<int, std::pair<double, double>> cpus; // number -> total, idle
        for (const TMetricSample* s : Index.Of("node_cpu_seconds_total")) {
            const auto cpu = ToNumber<int>(s->Label("cpu"));
            const std::string& mode = s->Label("mode");
            if (!cpu || *cpu < 0 || std::find(Modes.begin(), Modes.end(), mode) == Modes.end() || !std::isfinite(s->Value))
                continue;
            auto& [total, idle] = cpus[*cpu];
            total += s->Value;
            if (mode == "idle" || mode == "iowait") idle += s->Value;
        }
        const auto load = [&](const std::string& id, const std::string& label, double total, double idle) {
            const auto totalBefore = Before(hw + "/load/" + id + ":total");
            const auto idleBefore = Before(hw + "/load/" + id + ":idle");
            Remember(hw + "/load/" + id + ":total", total);
            Remember(hw + "/load/" + id + ":idle", idle);
            double busy = 0.0;
            if (totalBefore && idleBefore && total > *totalBefore && idle >= *idleBefore)
                busy = BusyPercent(idle - *idleBefore, total - *totalBefore);
            Sensor(hw, "load/" + id, label, "Load", busy);
        };
        if (!cpus.empty()) {
            double total = 0, idle = 0;
            for (const auto& [cpu, times] : cpus) {
                total += times.first;
                idle += times.second;
            }
            load("0", "CPU Total", total, idle);
            for (const auto& [cpu, times] : cpus)
                load(std::to_string(cpu + 1), "CPU Core #" + std::to_string(cpu + 1), times.first, times.second);
        }

        for (const char* metric : {"node_cpu_scaling_frequency_hertz", "node_cpu_frequency_hertz"}) {
            bool any = false;
            for (const TMetricSample* s : Index.Of(metric)) {
                const auto cpu = ToNumber<int>(s->Label("cpu"));
                if (!cpu || !std::isfinite(s->Value) || s->Value <= 0) continue;
                any = true;
                const std::string n = std::to_string(*cpu + 1);
                Sensor(hw, "clock/" + n, "CPU Core #" + n, "Clock", s->Value / 1e6);
            }
            if (any) break;
        }
        for (const TRemoteChip& chip : Chips)
            if (IsCpuChip(chip.Name)) ChipSensors(hw, chip, chip.Key);
        for (const TMetricSample* s : Index.Of("node_rapl_package_joules_total")) {
            const std::string& path = s->Label("path");
            const std::string zone = path.substr(path.find_last_of('/') + 1);
            if (!zone.starts_with("intel-rapl:") || zone.find(':', 11) != std::string::npos || !std::isfinite(s->Value)) continue;
            Sensor(hw, "power/" + zone, "CPU Package", "Power", CounterRate(hw + "/power/" + zone, s->Value));
        }
        if (Out.Sensors.size() == firstSensor) Out.Hardware.pop_back();
    }

    void MapMemory()
    {
        const auto total = Index.Value("node_memory_MemTotal_bytes");
        if (!total || *total <= 0) return;
        auto available = Index.Value("node_memory_MemAvailable_bytes");
        if (!available)
            available = Index.Value("node_memory_MemFree_bytes").value_or(0) + Index.Value("node_memory_Buffers_bytes").value_or(0) +
                        Index.Value("node_memory_Cached_bytes").value_or(0);
        const double free = std::clamp(*available, 0.0, *total);
        const std::string hw = "/ram";
        Hardware(hw, "Memory", "Memory");
        Sensor(hw, "data/0", "Memory Used", "Data", (*total - free) / GiB);
        Sensor(hw, "data/1", "Memory Available", "Data", free / GiB);
        Sensor(hw, "load/0", "Memory", "Load", 100.0 * (*total - free) / *total);
        const auto swapTotal = Index.Value("node_memory_SwapTotal_bytes");
        const auto swapFree = Index.Value("node_memory_SwapFree_bytes");
        if (swapTotal && swapFree && *swapTotal > 0) {
            const double unused = std::clamp(*swapFree, 0.0, *swapTotal);
            Sensor(hw, "data/2", "Swap Used", "Data", (*swapTotal - unused) / GiB);
            Sensor(hw, "data/3", "Swap Available", "Data", unused / GiB);
            Sensor(hw, "load/1", "Swap", "Load", 100.0 * (*swapTotal - unused) / *swapTotal);
        }
    }

    // The chips of one driver family, for the one card of that family.
    std::vector<const TRemoteChip*> CardChips(bool intel) const
    {
        std::vector<const TRemoteChip*> found;
        for (const TRemoteChip& chip : Chips) {
            const bool intelChip = chip.Name == "i915" || chip.Name == "xe";
            if (IsVideoCardDriver(chip.Name) && intelChip == intel) found.push_back(&chip);
        }
        return found;
    }

    void MapCards()
    {
        const TSamples& cards = Index.Of("node_drm_card_info");
        const auto amdChips = CardChips(false);
        const auto intelChips = CardChips(true);
        int amdCards = 0;
        for (const TMetricSample* info : cards) {
            const std::string& card = info->Label("card");
            // node_exporter's drm collector reads every card as an AMD one; an
            // Intel card shows there with nothing but zeros.
            const double busy = Index.Value("node_drm_gpu_busy_percent", "card", card).value_or(-1);
            const double size = Index.Value("node_drm_memory_vram_size_bytes", "card", card).value_or(0);
            const bool amd = info->Label("vendor") == "amd" && (!amdChips.empty() || busy > 0 || size > 0 || intelChips.empty());
            if (!amd) continue;
            ++amdCards;
            const std::string hw = "/gpu-amd/" + card;
            Hardware(hw, "AMD Radeon Graphics", "GpuAmd");
            if (busy >= 0 && busy <= 100) Sensor(hw, "load/0", "GPU Core", "Load", busy);
            // node_exporter gives 0 for a file the driver lacks: a card without
            // a memory size tells nothing of its memory.
            const auto used = Index.Value("node_drm_memory_vram_used_bytes", "card", card);
            if (used && *used >= 0 && size > 0 && *used <= size) {
                Sensor(hw, "load/1", "GPU Memory", "Load", 100.0 * *used / size);
                Sensor(hw, "data/0", "GPU Memory Used", "Data", *used / GiB);
            }
            if (cards.size() == 1)
                for (const TRemoteChip* chip : amdChips) ChipSensors(hw, *chip, amdChips.size() > 1 ? chip->Key : std::string());
        }
        // An Intel card is known by its chip only.
        if (intelChips.size() == 1 && cards.size() - static_cast<std::size_t>(amdCards) <= 1) {
            std::string card = "card0";
            for (const TMetricSample* info : cards)
                if (amdCards == 0 || info->Label("vendor") != "amd") card = info->Label("card");
            const std::string hw = "/gpu-intel/" + card;
            Hardware(hw, "Intel Graphics", "GpuIntel");
            ChipSensors(hw, *intelChips.front());
        }
    }

    void MapNetwork()
    {
        for (const TMetricSample* rx : Index.Of("node_network_receive_bytes_total")) {
            const std::string& name = rx->Label("device");
            const auto tx = Index.Value("node_network_transmit_bytes_total", "device", name);
            if (name.empty() || !tx || !std::isfinite(rx->Value) || !Listed(name)) continue;
            const std::string hw = "/nic/" + name;
            Hardware(hw, name, "Network");
            const double up = CounterRate(hw + "/throughput/7", *tx);
            const double down = CounterRate(hw + "/throughput/8", rx->Value);
            Sensor(hw, "throughput/7", "Upload Speed", "Throughput", up);
            Sensor(hw, "throughput/8", "Download Speed", "Throughput", down);
            Sensor(hw, "data/2", "Data Uploaded", "Data", *tx / GiB);
            Sensor(hw, "data/3", "Data Downloaded", "Data", rx->Value / GiB);
            if (const auto speed = Index.Value("node_network_speed_bytes", "device", name); speed && *speed > 0) {
                const double load = 100.0 * std::max(up, down) / *speed;
                if (load <= 100.0) Sensor(hw, "load/1", "Network Utilization", "Load", load);
            }
        }
    }

    // The adapters the local provider lists: loopback and the virtual ones
    // that only repeat traffic counted elsewhere (bridges, veth pairs, ifb,
    // dummy) are left out. node_exporter tells no device link, so the kinds
    // are known by the kernel's names for them.
    bool Listed(const std::string& name) const
    {
        constexpr double ArphrdLoopback = 772;
        if (name == "lo" || Index.Value("node_network_protocol_type", "device", name) == ArphrdLoopback) return false;
        // Without /sys/class/net node_exporter cannot tell either: listed, as the local provider does.
        if (Index.Value("node_scrape_collector_success", "collector", "netclass") != 1.0) return true;
        static constexpr std::string_view Repeaters[] = {"veth", "ifb", "dummy", "docker", "br-", "virbr", "cni", "flannel"};
        return std::none_of(std::begin(Repeaters), std::end(Repeaters), [&](std::string_view p) { return name.starts_with(p); });
    }

    void MapDisks()
    {
        TSourceReader::TDiskNames names;
        for (const TMetricSample* s : Index.Of("node_disk_io_time_seconds_total")) names.insert(s->Label("device"));
        for (const std::string& name : names) {
            if (name.starts_with("loop") || name.starts_with("ram") || name.starts_with("zram") ||
                TSourceReader::IsPartitionOf(name, names))
                continue;
            const auto busy = Index.Value("node_disk_io_time_seconds_total", "device", name);
            const auto reading = Index.Value("node_disk_read_time_seconds_total", "device", name);
            const auto writing = Index.Value("node_disk_write_time_seconds_total", "device", name);
            const auto read = Index.Value("node_disk_read_bytes_total", "device", name);
            const auto written = Index.Value("node_disk_written_bytes_total", "device", name);
            if (!busy || !reading || !writing || !read || !written) continue;
            std::string model;
            for (const TMetricSample* info : Index.Of("node_disk_info"))
                if (info->Label("device") == name) model = FirstLineTrimmed(info->Label("model"));
            const std::string hw = "/storage/" + name;
            Hardware(hw, model.empty() ? name : model + " (" + name + ")", "Storage");
            // Busy milliseconds per elapsed millisecond, as the local provider counts them.
            const auto activity = [&](const char* key, double seconds) {
                return std::min(100.0, CounterRate(hw + key, seconds * 1000.0) / 10.0);
            };
            Sensor(hw, "load/0", "Total Activity", "Load", activity("/load/0", *busy));
            Sensor(hw, "load/1", "Read Activity", "Load", activity("/load/1", *reading));
            Sensor(hw, "load/2", "Write Activity", "Load", activity("/load/2", *writing));
            Sensor(hw, "throughput/0", "Read Rate", "Throughput", CounterRate(hw + "/throughput/0", *read));
            Sensor(hw, "throughput/1", "Write Rate", "Throughput", CounterRate(hw + "/throughput/1", *written));
            // An NVMe disk's chips: the chip's device is the controller the disk's name begins with.
            std::vector<const TRemoteChip*> chips;
            for (const TRemoteChip& chip : Chips) {
                const std::string device = ChipDeviceOfLabel(chip.Label, chip.Name);
                if (chip.Name == "nvme" && !device.empty() && name.starts_with(device + "n")) chips.push_back(&chip);
            }
            for (const TRemoteChip* chip : chips) ChipSensors(hw, *chip, chips.size() > 1 ? chip->Key : std::string());
        }
    }

    void MapOtherChips()
    {
        bool board = false;
        for (const TRemoteChip& chip : Chips) {
            if (Shown.count(chip.Label) || IsCpuChip(chip.Name)) continue;
            if (IsSuperIoChip(chip.Name)) {
                if (!board) {
                    Hardware("/motherboard", BoardName(), "Motherboard");
                    board = true;
                }
                const std::string hw = "/lpc/" + chip.Key;
                Hardware(hw, Upper(chip.Name), "SuperIO", "/motherboard");
                ChipSensors(hw, chip);
            } else {
                const std::string hw = "/hwmon/" + chip.Key;
                Hardware(hw, chip.Name, "Motherboard");
                ChipSensors(hw, chip);
            }
        }
    }

    std::string BoardName() const
    {
        for (const TMetricSample* s : Index.Of("node_dmi_info")) {
            const std::string& vendor = s->Label("board_vendor");
            const std::string& name = s->Label("board_name");
            const std::string both = vendor.empty() ? name : (name.empty() ? vendor : vendor + " " + name);
            if (!both.empty()) return both;
        }
        return "Motherboard";
    }
};

} // namespace

namespace {

bool AllOf(std::string_view text, bool (*accept)(char))
{
    return !text.empty() && std::all_of(text.begin(), text.end(), accept);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLowerHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f'); }

// "_dddd:bb:ss_f" at the end of a label: a PCI address (domain, bus, slot) and
// its function, the "." written as "_". Returns "dddd:bb:ss.f", or nothing.
std::string PciAddressAtEnd(std::string_view label)
{
    constexpr std::size_t Length = 13; // "_0000:03:00_0"
    if (label.size() < Length) return {};
    const std::string_view tail = label.substr(label.size() - Length);
    if (tail[0] != '_' || tail[5] != ':' || tail[8] != ':' || tail[11] != '_') return {};
    if (!AllOf(tail.substr(1, 4), IsLowerHex) || !AllOf(tail.substr(6, 2), IsLowerHex) ||
        !AllOf(tail.substr(9, 2), IsLowerHex) || tail[12] < '0' || tail[12] > '7')
        return {};
    return std::string(tail.substr(1, 10)) + "." + tail[12];
}

} // namespace

std::string ChipDeviceOfLabel(const std::string& chipLabel, const std::string& chipName)
{
    if (chipLabel == chipName || chipLabel.empty()) return {};
    const std::string_view label = chipLabel;
    if (label.starts_with("hwmon") && AllOf(label.substr(5), IsDigit)) return {};
    // A PCI device: its address is the label's end.
    if (std::string pci = PciAddressAtEnd(label); !pci.empty()) return pci;
    // "<parent>_<device>": the parent's name ("platform", "nvme") first; a
    // platform device's instance number ("coretemp.0") was written "_0".
    const std::size_t split = chipLabel.find('_');
    if (split == std::string::npos) return {};
    std::string device = chipLabel.substr(split + 1);
    const std::size_t instance = device.rfind('_');
    if (instance != std::string::npos && instance > 0 && AllOf(std::string_view(device).substr(instance + 1), IsDigit))
        device[instance] = '.';
    return device;
}

THardwareSample MapNodeExporterScrape(const TExposition& scrape, const std::map<std::string, double>& before,
                                      std::map<std::string, double>& next, double seconds)
{
    THardwareSample out;
    TNodeExporterMapper(scrape, before, next, seconds, out).Map();
    return out;
}

TWbemObject NodeExporterSystem(const TExposition& scrape, const std::string& server)
{
    const TIndex index(scrape);
    std::string host = server, release, caption = "Linux";
    for (const TMetricSample* s : index.Of("node_uname_info")) {
        if (!s->Label("nodename").empty()) host = s->Label("nodename");
        release = s->Label("release");
    }
    for (const TMetricSample* s : index.Of("node_os_info"))
        if (!s->Label("pretty_name").empty()) caption = s->Label("pretty_name");
    std::string description;
    for (const TMetricSample* s : index.Of("node_dmi_info")) {
        const std::string& vendor = s->Label("system_vendor");
        const std::string& product = s->Label("product_name");
        description = vendor.empty() ? product : product.empty() ? vendor : vendor + " " + product;
    }
    TWbemObject os("CIM_OperatingSystem");
    // node_exporter tells no user sessions; its running processes are not all of them.
    os.Set("CSName", CleanName(host))
        .Set("Description", CleanName(description))
        .Set("Caption", CleanName(caption))
        .Set("Version", CleanName(release))
        .Set("NumberOfUsers", std::string("-"))
        .Set("NumberOfProcesses", std::string("-"))
        .Set("Status", std::string("OK"));
    return os;
}
