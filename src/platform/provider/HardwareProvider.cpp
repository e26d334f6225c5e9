#include "HardwareProvider.h"

#include "AsciiText.h"
#include "HwmonChips.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <sstream>

namespace {

using TTime = std::chrono::steady_clock::time_point;
constexpr double GiB = 1024.0 * 1024.0 * 1024.0;

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < line.size()) {
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string_view::npos) break;
        std::size_t end = line.find_first_of(" \t", pos);
        if (end == std::string_view::npos) end = line.size();
        out.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        out.push_back(text.substr(pos, nl - pos));
        pos = nl + 1;
    }
    return out;
}

template <class T>
std::optional<T> ToNumber(std::string_view s)
{
    T v{};
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<double> ReadNumber(const TRootFs& fs, const std::string& path)
{
    auto text = fs.ReadText(path);
    return text ? ToNumber<double>(*text) : std::nullopt;
}

// The value of "Key=value" in a uevent file.
std::optional<std::string> UeventValue(const std::optional<std::string>& text, std::string_view key)
{
    if (!text) return std::nullopt;
    for (std::string_view line : Lines(*text))
        if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == '=')
            return std::string(line.substr(key.size() + 1));
    return std::nullopt;
}

// Rate of a counter between two samples; 0 when there is no earlier sample or
// the counter went backwards (a reset or a wrap).
double Rate(std::optional<double> before, double now, double seconds)
{
    if (!before || seconds <= 0 || now < *before) return 0.0;
    return (now - *before) / seconds;
}

bool IsCpuChip(const std::string& name) { return name == "coretemp" || name == "k10temp" || name == "zenpower"; }

bool IsSuperIoChip(const std::string& name)
{
    static constexpr std::string_view Prefixes[] = {"nct6", "nct7", "it8", "w83", "f71", "f81", "sch56", "smsc47", "vt1211", "pc87", "dme1737", "asb100"};
    return std::any_of(std::begin(Prefixes), std::end(Prefixes), [&](std::string_view p) { return name.starts_with(p); });
}

std::string Upper(std::string s)
{
    for (char& c : s) c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    return s;
}

} // namespace

struct THardwareProvider::TSnapshot {
    TTime Taken;
    std::shared_ptr<const THardwareSample> Sample;
    std::shared_ptr<const TWbemObjects> HardwareObjects;
    std::shared_ptr<const TWbemObjects> SensorObjects;
};

namespace {

// Which network adapters are listed (see ReadNetwork).
enum class TAdapterKind { Device, UserTraffic, LeftOut };

// What a sample needs to know that changes only when hardware comes or goes:
// found once, kept for a while (see TakeSample), so that a sample reads values
// only. Labels and /proc/cpuinfo are costly to produce and never change.
struct TDiscovery {
    std::optional<std::vector<THwmonChip>> ClassChips; // /sys/class/hwmon
    std::map<std::string, std::vector<THwmonChip>> DeviceChips; // by a device's hwmon folder
    bool CpuInfoRead = false;
    std::string ProcessorName;
    std::vector<std::pair<int, double>> CpuInfoClocks; // processor number, MHz
    std::map<std::string, TAdapterKind> AdapterKinds; // by interface name

    const std::vector<THwmonChip>& Chips(const TRootFs& fs)
    {
        if (!ClassChips) ClassChips = FindHwmonChips(fs);
        return *ClassChips;
    }
    const std::vector<THwmonChip>& ChipsOf(const TRootFs& fs, const std::string& hwmonDir)
    {
        auto it = DeviceChips.find(hwmonDir);
        if (it == DeviceChips.end()) it = DeviceChips.emplace(hwmonDir, ChipsIn(fs, hwmonDir)).first;
        return it->second;
    }
};

} // namespace

// Cumulative counters of the previous sample, by sensor identifier, and what
// was found about the hardware.
struct THardwareProvider::TCounters {
    std::optional<TTime> Taken;
    std::map<std::string, double> Values;
    std::map<std::string, double> Next;
    std::optional<TTime> FoundAt;
    TDiscovery Found;
    // The sensors of each video card as last read while it was awake, by the
    // card's identifier: a sleeping card is listed with them instead of being
    // woken up by a read.
    std::map<std::string, std::vector<TSensorItem>> AwakeCards;
};

namespace {

// Builds one sample. Every source is read independently: a source that is
// missing or holds garbage adds nothing and leaves the others alone.
class TSampler {
public:
    TSampler(const TRootFs& fs, const std::map<std::string, double>& before, std::map<std::string, double>& next,
             double seconds, THardwareSample& out, TDiscovery& found,
             std::map<std::string, std::vector<TSensorItem>>& awakeCards)
        : Fs(fs), BeforeValues(before), Next(next), Seconds(seconds), Out(out), Found(found), AwakeCards(awakeCards)
    {
    }

    void Run(IGpuLibrary* nvidia)
    {
        const std::vector<THwmonChip>& chips = Found.Chips(Fs);
        std::set<std::string> claimed; // chip folders already shown under a device

        ReadProcessor(chips, claimed);
        ReadMemory();
        ReadAmdGpus(chips, claimed);
        if (nvidia) ReadLibraryGpus(*nvidia);
        ReadNetwork();
        ReadDisks(chips, claimed);
        ReadBoardChips(chips, claimed);
    }

private:
    const TRootFs& Fs;
    const std::map<std::string, double>& BeforeValues;
    std::map<std::string, double>& Next;
    double Seconds;
    THardwareSample& Out;
    TDiscovery& Found;
    std::map<std::string, std::vector<TSensorItem>>& AwakeCards;

    std::optional<double> Before(const std::string& id) const
    {
        if (auto it = BeforeValues.find(id); it != BeforeValues.end()) return it->second;
        return std::nullopt;
    }
    // Remembers a counter for the next sample and returns its rate per second.
    double CounterRate(const std::string& id, double value)
    {
        Next[id] = value;
        return Rate(Before(id), value, Seconds);
    }

    void Hardware(std::string id, std::string name, std::string type, std::string parent = {})
    {
        Out.Hardware.push_back({std::move(id), std::move(name), std::move(type), std::move(parent)});
    }
    void Sensor(const std::string& hardware, const std::string& rest, std::string name, std::string type, double value)
    {
        Out.Sensors.push_back({hardware + "/" + rest, std::move(name), std::move(type), hardware, value});
    }
    static std::string ChipSensorRest(const TChipAttribute& a, const std::string& keyPart)
    {
        return a.Kind + "/" + (keyPart.empty() ? "" : keyPart + "/") + a.Attribute;
    }
    void ChipSensors(const std::string& hardware, const THwmonChip& chip, const std::string& keyPart = {})
    {
        for (const TChipReading& r : ReadChip(Fs, chip)) {
            const TChipAttribute& a = *r.Attribute;
            const std::string rest = ChipSensorRest(a, keyPart);
            double value = a.IsEnergy ? CounterRate(hardware + "/" + rest, r.Value) : r.Value;
            Sensor(hardware, rest, a.Name, a.Type, value);
        }
    }

    // Processor: loads from /proc/stat, clocks, temperatures of the CPU chips, RAPL power.
    void ReadProcessor(const std::vector<THwmonChip>& chips, std::set<std::string>& claimed)
    {
        auto stat = Fs.ReadAll("/proc/stat");
        bool cpuChip = std::any_of(chips.begin(), chips.end(), [](const THwmonChip& c) { return IsCpuChip(c.Name); });
        if (!stat && !cpuChip) return;
        const std::string hw = "/cpu/0";
        ReadCpuInfo();
        Hardware(hw, Found.ProcessorName, "Cpu");

        const std::string statText = stat.value_or("");
        for (std::string_view line : Lines(statText)) {
            if (!line.starts_with("cpu")) continue;
            auto f = Fields(line);
            if (f.size() < 5) continue;
            std::optional<int> number;
            if (f[0] != "cpu") {
                number = ToNumber<int>(f[0].substr(3));
                if (!number || *number < 0) continue;
            }
            // Busy share of user..steal; guest time is already counted in user.
            double total = 0, idle = 0;
            bool ok = true;
            for (std::size_t i = 1; i < f.size() && i <= 8; ++i) {
                auto v = ToNumber<double>(f[i]);
                if (!v) { ok = false; break; }
                total += *v;
                if (i == 4 || i == 5) idle += *v;
            }
            if (!ok) continue;
            std::string id = number ? std::to_string(*number + 1) : "0";
            std::string name = number ? "CPU Core #" + std::to_string(*number + 1) : "CPU Total";
            auto totalBefore = Before(hw + "/load/" + id + ":total");
            auto idleBefore = Before(hw + "/load/" + id + ":idle");
            Next[hw + "/load/" + id + ":total"] = total;
            Next[hw + "/load/" + id + ":idle"] = idle;
            double load = 0.0;
            if (totalBefore && idleBefore && total > *totalBefore && idle >= *idleBefore)
                load = std::clamp(100.0 * (1.0 - (idle - *idleBefore) / (total - *totalBefore)), 0.0, 100.0);
            Sensor(hw, "load/" + id, std::move(name), "Load", load);
        }

        ReadCoreClocks(hw);
        for (const THwmonChip& chip : chips) {
            if (!IsCpuChip(chip.Name)) continue;
            claimed.insert(chip.Dir);
            ChipSensors(hw, chip, chip.Key());
        }
        for (const std::string& zone : Fs.List("/sys/class/powercap")) {
            if (!zone.starts_with("intel-rapl:") || zone.find(':', 11) != std::string::npos) continue;
            std::string dir = "/sys/class/powercap/" + zone;
            auto energy = ReadNumber(Fs, dir + "/energy_uj");
            if (!energy) continue;
            std::string id = hw + "/power/" + zone;
            double watts = CounterRate(id, *energy / 1e6);
            std::string label = Fs.ReadText(dir + "/name").value_or(zone);
            Sensor(hw, "power/" + zone, label.starts_with("package") ? "CPU Package" : label, "Power", watts);
        }
    }

    // The processor's name and, for machines without cpufreq, each processor's
    // clock: read at discovery only, /proc/cpuinfo is costly to produce.
    void ReadCpuInfo()
    {
        if (Found.CpuInfoRead) return;
        Found.CpuInfoRead = true;
        Found.ProcessorName = "Processor";
        auto info = Fs.ReadAll("/proc/cpuinfo");
        if (!info) return;
        bool named = false;
        std::optional<int> processor;
        for (std::string_view line : Lines(*info)) {
            std::size_t colon = line.find(':');
            if (colon == std::string_view::npos) continue;
            std::string key = FirstLineTrimmed(line.substr(0, colon));
            std::string value = FirstLineTrimmed(line.substr(colon + 1));
            if (!named && (key == "model name" || key == "Processor" || key == "Model") && !value.empty()) {
                Found.ProcessorName = value;
                named = true;
            }
            if (key == "processor") processor = ToNumber<int>(value);
            if (key == "cpu MHz" && processor)
                if (auto mhz = ToNumber<double>(value); mhz && *mhz > 0) Found.CpuInfoClocks.emplace_back(*processor, *mhz);
        }
    }

    void ReadCoreClocks(const std::string& hw)
    {
        bool any = false;
        for (const std::string& cpu : Fs.List("/sys/devices/system/cpu")) {
            if (!cpu.starts_with("cpu")) continue;
            auto number = ToNumber<int>(std::string_view(cpu).substr(3));
            if (!number) continue;
            std::string dir = "/sys/devices/system/cpu/" + cpu + "/cpufreq/";
            auto khz = ReadNumber(Fs, dir + "scaling_cur_freq");
            if (!khz) khz = ReadNumber(Fs, dir + "cpuinfo_cur_freq");
            if (!khz || *khz <= 0) continue;
            any = true;
            Sensor(hw, "clock/" + std::to_string(*number + 1), "CPU Core #" + std::to_string(*number + 1), "Clock", *khz / 1000.0);
        }
        if (any) return;
        // Without cpufreq (virtual machines), /proc/cpuinfo tells each processor's clock.
        for (const auto& [processor, mhz] : Found.CpuInfoClocks)
            Sensor(hw, "clock/" + std::to_string(processor + 1), "CPU Core #" + std::to_string(processor + 1), "Clock", mhz);
    }

    // Memory: used, available and load, with swap as a second pair.
    void ReadMemory()
    {
        auto text = Fs.ReadAll("/proc/meminfo");
        if (!text) return;
        std::map<std::string, double, std::less<>> kb;
        for (std::string_view line : Lines(*text)) {
            std::size_t colon = line.find(':');
            if (colon == std::string_view::npos) continue;
            auto f = Fields(line.substr(colon + 1));
            if (f.empty()) continue;
            if (auto v = ToNumber<double>(f[0])) kb[std::string(line.substr(0, colon))] = *v;
        }
        auto get = [&](std::string_view key) -> std::optional<double> {
            auto it = kb.find(key);
            return it == kb.end() ? std::nullopt : std::optional(it->second);
        };
        auto total = get("MemTotal");
        if (!total || *total <= 0) return;
        // Kernels before 3.14 have no MemAvailable.
        double available = get("MemAvailable").value_or(get("MemFree").value_or(0) + get("Buffers").value_or(0) + get("Cached").value_or(0));
        available = std::clamp(available, 0.0, *total);
        const std::string hw = "/ram";
        Hardware(hw, "Memory", "Memory");
        Sensor(hw, "data/0", "Memory Used", "Data", (*total - available) * 1024.0 / GiB);
        Sensor(hw, "data/1", "Memory Available", "Data", available * 1024.0 / GiB);
        Sensor(hw, "load/0", "Memory", "Load", 100.0 * (*total - available) / *total);
        auto swapTotal = get("SwapTotal");
        auto swapFree = get("SwapFree");
        if (swapTotal && swapFree && *swapTotal > 0) {
            double free = std::clamp(*swapFree, 0.0, *swapTotal);
            Sensor(hw, "data/2", "Swap Used", "Data", (*swapTotal - free) * 1024.0 / GiB);
            Sensor(hw, "data/3", "Swap Available", "Data", free * 1024.0 / GiB);
            Sensor(hw, "load/1", "Swap", "Load", 100.0 * (*swapTotal - free) / *swapTotal);
        }
    }

    // AMD cards from the drm class: load and memory from the driver's files,
    // everything else from the card's own hwmon chip.
    void ReadAmdGpus(const std::vector<THwmonChip>& chips, std::set<std::string>& claimed)
    {
        std::set<std::string> seen;
        for (const std::string& card : Fs.List("/sys/class/drm")) {
            if (!card.starts_with("card") || !ToNumber<int>(std::string_view(card).substr(4))) continue;
            const std::string dev = "/sys/class/drm/" + card + "/device";
            const auto uevent = Fs.ReadAll(dev + "/uevent"); // read once per card
            std::string driver = UeventValue(uevent, "DRIVER").value_or(Fs.LinkName(dev + "/driver").value_or(""));
            if (driver != "amdgpu" && driver != "radeon") continue;
            std::string slot = UeventValue(uevent, "PCI_SLOT_NAME").value_or(Fs.LinkName(dev).value_or(card));
            if (!seen.insert(slot).second) continue;

            const std::string hw = "/gpu-amd/" + slot;
            std::string pciId = UeventValue(uevent, "PCI_ID").value_or("");
            Hardware(hw, "AMD Radeon Graphics" + (pciId.empty() ? std::string() : " [" + pciId + "]"), "GpuAmd");

            // Chips of this card, also where /sys/class/hwmon holds a copy of one.
            const std::vector<THwmonChip>& own = Found.ChipsOf(Fs, dev + "/hwmon");
            std::set<std::string> ownNames;
            for (const std::string& entry : Fs.List(dev + "/hwmon")) ownNames.insert(entry);
            const std::string devDir = Fs.ResolveDir(dev);
            for (const THwmonChip& chip : chips) {
                std::string base = chip.Dir.substr(chip.Dir.find_last_of('/') + 1);
                if (chip.Dir.starts_with(devDir + "/") || (ownNames.count(base) && chip.Name == driver)) claimed.insert(chip.Dir);
            }
            for (const THwmonChip& chip : own) claimed.insert(chip.Dir);

            // A card the kernel has put to sleep would wake up on every read.
            if (Fs.ReadText(dev + "/power/runtime_status") == std::optional<std::string>("suspended")) {
                ListSleepingCard(hw, dev, own);
                continue;
            }

            const std::size_t firstSensor = Out.Sensors.size();
            if (auto busy = ReadNumber(Fs, dev + "/gpu_busy_percent"); busy && *busy >= 0 && *busy <= 100)
                Sensor(hw, "load/0", "GPU Core", "Load", *busy);
            auto used = ReadNumber(Fs, dev + "/mem_info_vram_used");
            auto total = ReadNumber(Fs, dev + "/mem_info_vram_total");
            if (used && total && *total > 0 && *used >= 0 && *used <= *total) {
                Sensor(hw, "load/1", "GPU Memory", "Load", 100.0 * *used / *total);
                Sensor(hw, "data/0", "GPU Memory Used", "Data", *used / GiB);
            }
            for (const THwmonChip& chip : own) ChipSensors(hw, chip);
            AwakeCards[hw].assign(Out.Sensors.begin() + static_cast<std::ptrdiff_t>(firstSensor), Out.Sensors.end());
        }
    }

    // A sleeping card keeps its sensors under the same identifiers, so that a
    // choice made while it sleeps is not lost: the values last read while it
    // was awake, its loads at 0 (it does no work); every sensor it offers at 0
    // when it has not been awake yet. Nothing of the card is read.
    void ListSleepingCard(const std::string& hw, const std::string& dev, const std::vector<THwmonChip>& own)
    {
        if (auto last = AwakeCards.find(hw); last != AwakeCards.end()) {
            for (TSensorItem sensor : last->second) {
                if (sensor.SensorType == "Load") sensor.Value = 0.0;
                Out.Sensors.push_back(std::move(sensor));
            }
            return;
        }
        if (Fs.Exists(dev + "/gpu_busy_percent")) Sensor(hw, "load/0", "GPU Core", "Load", 0.0);
        if (Fs.Exists(dev + "/mem_info_vram_used") && Fs.Exists(dev + "/mem_info_vram_total")) {
            Sensor(hw, "load/1", "GPU Memory", "Load", 0.0);
            Sensor(hw, "data/0", "GPU Memory Used", "Data", 0.0);
        }
        for (const THwmonChip& chip : own)
            for (const TChipAttribute& a : chip.Attributes) Sensor(hw, ChipSensorRest(a, {}), a.Name, a.Type, 0.0);
    }

    void ReadLibraryGpus(IGpuLibrary& library)
    {
        for (const TGpuReading& gpu : library.Read()) {
            const std::string hw = "/gpu-nvidia/" + gpu.BusId;
            Hardware(hw, gpu.Name, "GpuNvidia");
            auto add = [&](const std::optional<double>& v, const char* rest, const char* name, const char* type, double lo, double hi) {
                if (v && *v >= lo && *v <= hi) Sensor(hw, rest, name, type, *v);
            };
            add(gpu.Load, "load/0", "GPU Core", "Load", 0, 100);
            add(gpu.MemoryLoad, "load/1", "GPU Memory", "Load", 0, 100);
            add(gpu.MemoryUsedGb, "data/0", "GPU Memory Used", "Data", 0, 1e6);
            add(gpu.Temperature, "temperature/0", "GPU Core", "Temperature", -40, 150);
            add(gpu.Fan, "control/0", "GPU Fan", "Control", 0, 100);
            add(gpu.Power, "power/0", "GPU Package", "Power", 0, 5000);
        }
    }

    // Network adapters from /proc/net/dev: those backed by a device first, in
    // the kernel's order, then the virtual ones that carry the user's own
    // traffic (VPN tunnels, PPP links, bonds). Other virtual interfaces
    // (bridges, veth pairs, ifb, dummy) only repeat traffic counted on a real
    // adapter and are left out, as are a bond's members and loopback.
    void ReadNetwork()
    {
        auto text = Fs.ReadAll("/proc/net/dev");
        if (!text) return;
        struct TAdapter {
            std::string Name;
            double Rx, Tx;
        };
        std::vector<TAdapter> devices, virtuals;
        for (std::string_view line : Lines(*text)) {
            std::size_t colon = line.find(':');
            if (colon == std::string_view::npos) continue;
            std::string name = FirstLineTrimmed(line.substr(0, colon));
            auto f = Fields(line.substr(colon + 1));
            if (name.empty() || name == "lo" || f.size() < 16) continue;
            auto rx = ToNumber<double>(f[0]);
            auto tx = ToNumber<double>(f[8]);
            if (!rx || !tx) continue;
            switch (AdapterKindOf(name)) {
            case TAdapterKind::Device: devices.push_back({name, *rx, *tx}); break;
            case TAdapterKind::UserTraffic: virtuals.push_back({name, *rx, *tx}); break;
            case TAdapterKind::LeftOut: break;
            }
        }
        devices.insert(devices.end(), virtuals.begin(), virtuals.end());
        for (const TAdapter& a : devices) {
            const std::string hw = "/nic/" + a.Name;
            Hardware(hw, a.Name, "Network");
            double up = CounterRate(hw + "/throughput/7", a.Tx);
            double down = CounterRate(hw + "/throughput/8", a.Rx);
            Sensor(hw, "throughput/7", "Upload Speed", "Throughput", up);
            Sensor(hw, "throughput/8", "Download Speed", "Throughput", down);
            Sensor(hw, "data/2", "Data Uploaded", "Data", a.Tx / GiB);
            Sensor(hw, "data/3", "Data Downloaded", "Data", a.Rx / GiB);
            // Link speed in Mbit/s; -1 or a missing file when unknown.
            if (auto speed = ReadNumber(Fs, "/sys/class/net/" + a.Name + "/speed"); speed && *speed > 0) {
                double load = 100.0 * std::max(up, down) * 8.0 / (*speed * 1e6);
                if (load <= 100.0) Sensor(hw, "load/1", "Network Utilization", "Load", load);
            }
        }
    }

    TAdapterKind AdapterKindOf(const std::string& name) const
    {
        auto known = Found.AdapterKinds.find(name);
        if (known == Found.AdapterKinds.end()) known = Found.AdapterKinds.emplace(name, FindAdapterKind(name)).first;
        return known->second;
    }

    TAdapterKind FindAdapterKind(const std::string& name) const
    {
        const std::string dir = "/sys/class/net/" + name;
        // A tree without the adapter's folder (an older capture) cannot tell:
        // the adapter is listed as it always was.
        if (!Fs.IsDir(dir)) return TAdapterKind::Device;
        constexpr std::string_view ArphrdPpp = "512", ArphrdLoopback = "772";
        const std::optional<std::string> type = Fs.ReadText(dir + "/type");
        if (type == ArphrdLoopback) return TAdapterKind::LeftOut;
        // A bond's members: their traffic is the bond's, which is listed.
        if (Fs.Exists(dir + "/bonding_slave")) return TAdapterKind::LeftOut;
        if (Fs.LinkTarget(dir + "/device") || Fs.Exists(dir + "/device")) return TAdapterKind::Device;
        const std::string devtype = UeventValue(Fs.ReadAll(dir + "/uevent"), "DEVTYPE").value_or("");
        const bool tunnel = Fs.Exists(dir + "/tun_flags") || devtype == "wireguard";
        const bool ppp = type == ArphrdPpp || devtype == "ppp";
        const bool bond = Fs.IsDir(dir + "/bonding") || devtype == "bond";
        return tunnel || ppp || bond ? TAdapterKind::UserTraffic : TAdapterKind::LeftOut;
    }

    // Whole disks from /proc/diskstats: no partitions, loop, ram or zram devices.
    void ReadDisks(const std::vector<THwmonChip>& chips, std::set<std::string>& claimed)
    {
        auto text = Fs.ReadAll("/proc/diskstats");
        if (!text) return;
        std::vector<std::vector<std::string_view>> rows;
        std::set<std::string, std::less<>> names;
        for (std::string_view line : Lines(*text)) {
            auto f = Fields(line);
            if (f.size() < 14) continue;
            rows.push_back(f);
            names.emplace(f[2]);
        }
        const bool haveBlock = Fs.IsDir("/sys/block");
        std::set<std::string> blockNames;
        for (const std::string& b : Fs.List("/sys/block")) blockNames.insert(b);

        for (const auto& f : rows) {
            std::string name(f[2]);
            if (name.starts_with("loop") || name.starts_with("ram") || name.starts_with("zram")) continue;
            if (haveBlock ? !blockNames.count(name) : IsPartitionOf(name, names)) continue;
            auto sectorsRead = ToNumber<double>(f[5]);
            auto msReading = ToNumber<double>(f[6]);
            auto sectorsWritten = ToNumber<double>(f[9]);
            auto msWriting = ToNumber<double>(f[10]);
            auto ioTicks = ToNumber<double>(f[12]);
            if (!sectorsRead || !msReading || !sectorsWritten || !msWriting || !ioTicks) continue;

            const std::string hw = "/storage/" + name;
            std::string model = Fs.ReadText("/sys/block/" + name + "/device/model").value_or("");
            model = FirstLineTrimmed(model);
            Hardware(hw, model.empty() ? name : model + " (" + name + ")", "Storage");
            // Busy milliseconds per elapsed millisecond; queued requests can
            // count more than the wall time, so the share is capped at 100 %.
            auto activity = [&](const char* key, double ms) { return std::min(100.0, CounterRate(hw + key, ms) / 10.0); };
            Sensor(hw, "load/0", "Total Activity", "Load", activity("/load/0", *ioTicks));
            Sensor(hw, "load/1", "Read Activity", "Load", activity("/load/1", *msReading));
            Sensor(hw, "load/2", "Write Activity", "Load", activity("/load/2", *msWriting));
            Sensor(hw, "throughput/0", "Read Rate", "Throughput", CounterRate(hw + "/throughput/0", *sectorsRead * 512.0));
            Sensor(hw, "throughput/1", "Write Rate", "Throughput", CounterRate(hw + "/throughput/1", *sectorsWritten * 512.0));

            std::string scsiDevice = Fs.LinkName("/sys/block/" + name + "/device").value_or("");
            for (const THwmonChip& chip : chips) {
                bool nvme = chip.Name == "nvme" && !chip.DeviceName.empty() && name.starts_with(chip.DeviceName + "n");
                bool drivetemp = chip.Name == "drivetemp" && !scsiDevice.empty() && chip.DeviceName == scsiDevice;
                if (!nvme && !drivetemp) continue;
                claimed.insert(chip.Dir);
                ChipSensors(hw, chip);
            }
        }
    }

    // Without /sys/block: "sda1" is a partition when "sda" is listed too ("nvme0n1p1" of "nvme0n1").
    static bool IsPartitionOf(const std::string& name, const std::set<std::string, std::less<>>& names)
    {
        std::size_t end = name.find_last_not_of("0123456789");
        if (end == std::string::npos || end + 1 == name.size()) return false;
        std::string base = name.substr(0, end + 1);
        if (names.count(base)) return true;
        return base.size() > 1 && base.back() == 'p' && names.count(base.substr(0, base.size() - 1));
    }

    // Every chip not shown under a device: SuperIO chips under the motherboard, the rest on their own.
    void ReadBoardChips(const std::vector<THwmonChip>& chips, const std::set<std::string>& claimed)
    {
        bool board = false;
        for (const THwmonChip& chip : chips) {
            if (claimed.count(chip.Dir)) continue;
            if (IsSuperIoChip(chip.Name)) {
                if (!board) {
                    Hardware("/motherboard", BoardName(), "Motherboard");
                    board = true;
                }
                const std::string hw = "/lpc/" + chip.Key();
                Hardware(hw, Upper(chip.Name), "SuperIO", "/motherboard");
                ChipSensors(hw, chip);
            } else {
                const std::string hw = "/hwmon/" + chip.Key();
                Hardware(hw, chip.Name, "Motherboard");
                ChipSensors(hw, chip);
            }
        }
    }

    std::string BoardName() const
    {
        std::string vendor = FirstLineTrimmed(Fs.ReadText("/sys/class/dmi/id/board_vendor").value_or(""));
        std::string name = FirstLineTrimmed(Fs.ReadText("/sys/class/dmi/id/board_name").value_or(""));
        std::string both = vendor.empty() ? name : (name.empty() ? vendor : vendor + " " + name);
        return both.empty() ? "Motherboard" : both;
    }
};

TWbemObjects HardwareObjects(const THardwareSample& sample)
{
    TWbemObjects out;
    out.reserve(sample.Hardware.size());
    for (const THardwareItem& h : sample.Hardware) {
        TWbemObject o("Hardware");
        o.Set("HardwareType", h.HardwareType).Set("Parent", h.Parent).Set("Identifier", h.Identifier).Set("Name", h.Name);
        out.push_back(std::move(o));
    }
    return out;
}

TWbemObjects SensorObjects(const THardwareSample& sample)
{
    TWbemObjects out;
    out.reserve(sample.Sensors.size());
    for (const TSensorItem& s : sample.Sensors) {
        TWbemObject o("Sensor");
        o.Set("SensorType", s.SensorType).Set("Parent", s.Parent).Set("Identifier", s.Identifier).Set("Name", s.Name).Set("Value", s.Value);
        out.push_back(std::move(o));
    }
    return out;
}

} // namespace

THardwareProvider::THardwareProvider(std::filesystem::path root, TClock clock, std::shared_ptr<IGpuLibrary> nvidia)
    : FFs(std::move(root)), FClock(std::move(clock)), FNvidia(std::move(nvidia)), FCounters(std::make_unique<TCounters>())
{
}

THardwareProvider::~THardwareProvider() = default;

std::shared_ptr<const THardwareProvider::TSnapshot> THardwareProvider::TakeSample()
{
    // Called with FSampling held.
    TTime now = FClock();
    double seconds = FCounters->Taken ? std::chrono::duration<double>(now - *FCounters->Taken).count() : 0.0;
    auto sample = std::make_shared<THardwareSample>();
    // Resolved folders, chips and their labels are kept for a while: walking
    // links and listing folders are most of a sample's cost. Finding them
    // anew now and then finds re-plugged devices.
    if (!FCounters->FoundAt || now - *FCounters->FoundAt > RediscoveryInterval) {
        FFs.ForgetResolvedFolders();
        FCounters->FoundAt = now;
        FCounters->Found = {};
    }
    FCounters->Next.clear();
    TSampler sampler(FFs, FCounters->Values, FCounters->Next, seconds, *sample, FCounters->Found,
                     FCounters->AwakeCards);
    sampler.Run(FNvidia.get());
    FCounters->Values.swap(FCounters->Next);
    FCounters->Taken = now;

    auto snapshot = std::make_shared<TSnapshot>();
    snapshot->Taken = now;
    snapshot->HardwareObjects = std::make_shared<const TWbemObjects>(HardwareObjects(*sample));
    snapshot->SensorObjects = std::make_shared<const TWbemObjects>(SensorObjects(*sample));
    snapshot->Sample = std::move(sample);
    return snapshot;
}

std::shared_ptr<const THardwareProvider::TSnapshot> THardwareProvider::Current()
{
    auto fresh = [&](const std::shared_ptr<const TSnapshot>& s) { return s && FClock() - s->Taken < SampleMaxAge; };
    std::shared_ptr<const TSnapshot> latest;
    {
        std::lock_guard lock(FLatest);
        latest = FSnapshot;
    }
    if (fresh(latest)) return latest;

    // Another thread already sampling: use the sample at hand rather than wait
    // for its file reads (only the very first query has to wait).
    std::unique_lock sampling(FSampling, std::try_to_lock);
    if (!sampling.owns_lock()) {
        if (latest) return latest;
        sampling.lock();
    }
    {
        std::lock_guard lock(FLatest);
        latest = FSnapshot;
    }
    if (fresh(latest)) return latest;
    auto snapshot = TakeSample();
    std::lock_guard lock(FLatest);
    FSnapshot = snapshot;
    return snapshot;
}

std::shared_ptr<const THardwareSample> THardwareProvider::Sample() { return Current()->Sample; }

std::optional<std::shared_ptr<const TWbemObjects>> THardwareProvider::Objects(std::string_view className)
{
    if (SameTextIgnoringAsciiCase(className, "Hardware")) return Current()->HardwareObjects;
    if (SameTextIgnoringAsciiCase(className, "Sensor")) return Current()->SensorObjects;
    return std::nullopt;
}
