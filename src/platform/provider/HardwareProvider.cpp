#include "HardwareProvider.h"

#include "AsciiText.h"
#include "HwmonChips.h"

#include <algorithm>
#include <bit>
#include <cctype>
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

// The busy share of a span from the idle time in it, clamped to 0..100.
double BusyPercent(double idle, double span) { return std::clamp(100.0 * (1.0 - idle / span), 0.0, 100.0); }

// Two chips that list the same attributes under the same labels.
bool SameAttributes(const THwmonChip& a, const THwmonChip& b)
{
    return std::equal(a.Attributes.begin(), a.Attributes.end(), b.Attributes.begin(), b.Attributes.end(),
                      [](const TChipAttribute& x, const TChipAttribute& y) {
                          return x.Attribute == y.Attribute && x.File == y.File && x.Name == y.Name;
                      });
}

bool IsVideoCardDriver(const std::string& name)
{
    return name == "amdgpu" || name == "radeon" || name == "i915" || name == "xe";
}

// "0000:03:00.0": domain, bus, device and function of a PCI device.
bool IsPciAddress(std::string_view text)
{
    constexpr std::string_view Form = "hhhh:hh:hh.h";
    return text.size() == Form.size() && std::equal(text.begin(), text.end(), Form.begin(), [](char c, char f) {
               return f == 'h' ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : c == f;
           });
}

bool IsCpuChip(const std::string& name) { return name == "coretemp" || name == "k10temp" || name == "zenpower"; }

bool IsSuperIoChip(const std::string& name)
{
    static constexpr std::string_view Prefixes[] = {"nct6", "nct7", "it8", "w83", "f71", "f81", "sch56", "smsc47", "vt1211", "pc87", "dme1737", "asb100"};
    return std::any_of(std::begin(Prefixes), std::end(Prefixes), [&](std::string_view p) { return name.starts_with(p); });
}

// A name as shown: valid UTF-8 (each byte that is not part of a valid
// sequence becomes U+FFFD), each control character one blank, no blanks
// around it. A chip's name or label may hold anything its driver wrote.
std::string CleanName(std::string_view text)
{
    static constexpr std::string_view Replacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                           : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
            if ((next & 0xC0) != 0x80) {
                length = 0;
                break;
            }
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not valid either.
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            length = 0;
        if (length == 0) {
            out += Replacement;
            ++i;
            continue;
        }
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
            out += ' ';
        else
            out.append(text.substr(i, length));
        i += length;
    }
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

// An identifier as stored in the settings file and quoted in queries:
// printable ASCII without blanks, and none of the characters the settings
// file or the query language would read otherwise.
std::string CleanIdentifier(std::string text)
{
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == '=' || c == '[' || c == ']' || c == '"' || c == '\\') c = '_';
    }
    return text;
}

std::string Upper(std::string s)
{
    for (char& c : s) c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    return s;
}

} // namespace

// One source's items as last read.
struct THardwareProvider::TPart {
    TTime Taken;
    THardwareSample Items;
    std::shared_ptr<const TWbemObjects> HardwareObjects;
    std::shared_ptr<const TWbemObjects> SensorObjects;
};

// The full listing: every source's part, in the sources' order.
struct THardwareProvider::TWhole {
    TParts Parts;
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

struct TDiscovery {
    std::optional<std::vector<THwmonChip>> ClassChips; // /sys/class/hwmon
    // The processor's name is kept when the rest is looked for again.
    std::optional<std::string> ProcessorName;
    std::optional<std::vector<std::pair<int, double>>> CpuInfoClocks; // processor number, MHz
    std::optional<std::vector<std::pair<int, std::string>>> CpuFreqDirs; // processor number, cpufreq folder
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

} // namespace

// Cumulative counters of the previous sample, by sensor identifier, and what
// was found about the hardware.
struct THardwareProvider::TCounters {
    struct TSource {
        std::optional<TTime> Taken;
        std::map<std::string, double> Values;
    };
    std::array<TSource, HardwareSourceCount> Sources;
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

    void Run(THardwareSource source, IGpuLibrary* nvidia)
    {
        switch (source) {
        case THardwareSource::Processor: ReadProcessor(); break;
        case THardwareSource::Memory: ReadMemory(); break;
        case THardwareSource::DrmCards: ReadDrmCards(); break;
        case THardwareSource::LibraryGpus:
            if (nvidia) ReadLibraryGpus(*nvidia);
            break;
        case THardwareSource::Network: ReadNetwork(); break;
        case THardwareSource::Disks: ReadDisks(); break;
        case THardwareSource::OtherChips: ReadOtherChips(); break;
        }
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
    void Sensor(const std::string& hardware, const std::string& rest, const std::string& name, std::string type, double value)
    {
        Out.Sensors.push_back({CleanIdentifier(hardware + "/" + rest), CleanName(name), std::move(type),
                               CleanIdentifier(hardware), value});
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

    const std::vector<THwmonChip>& Chips()
    {
        if (!Found.ClassChips) Found.ClassChips = FindHwmonChips(Fs);
        return *Found.ClassChips;
    }

    // Processor: loads from /proc/stat, clocks, temperatures of the CPU chips, RAPL power.
    void ReadProcessor()
    {
        const std::vector<THwmonChip>& chips = Chips();
        auto stat = Fs.ReadAll("/proc/stat");
        bool cpuChip = std::any_of(chips.begin(), chips.end(), [](const THwmonChip& c) { return IsCpuChip(c.Name); });
        if (!stat && !cpuChip) return;
        const std::string hw = "/cpu/0";
        if (!Found.ProcessorName) ReadCpuInfo();
        Hardware(hw, *Found.ProcessorName, "Cpu");
        const std::size_t firstSensor = Out.Sensors.size();

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
            Remember(hw + "/load/" + id + ":total", total);
            Remember(hw + "/load/" + id + ":idle", idle);
            double load = 0.0;
            if (totalBefore && idleBefore && total > *totalBefore && idle >= *idleBefore)
                load = BusyPercent(idle - *idleBefore, total - *totalBefore);
            Sensor(hw, "load/" + id, std::move(name), "Load", load);
        }

        ReadCoreClocks(hw);
        for (const THwmonChip& chip : chips)
            if (IsCpuChip(chip.Name)) ChipSensors(hw, chip, chip.Key());
        for (const std::string& zone : RaplZones()) {
            std::string dir = "/sys/class/powercap/" + zone;
            auto energy = ReadNumber(Fs, dir + "/energy_uj");
            if (!energy) continue;
            std::string id = hw + "/power/" + zone;
            double watts = CounterRate(id, *energy / 1e6);
            std::string label = Fs.ReadText(dir + "/name").value_or(zone);
            Sensor(hw, "power/" + zone, label.starts_with("package") ? "CPU Package" : label, "Power", watts);
        }
        // An empty or garbled /proc/stat and nothing else: no processor to show.
        if (Out.Sensors.size() == firstSensor) Out.Hardware.pop_back();
    }

    // The processor's name and, for machines without cpufreq, each processor's
    // clock: read at discovery only, /proc/cpuinfo is costly to produce.
    void ReadCpuInfo()
    {
        if (!Found.ProcessorName) Found.ProcessorName = "Processor";
        Found.CpuInfoClocks.emplace();
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
                *Found.ProcessorName = value;
                named = true;
            }
            if (key == "processor") processor = ToNumber<int>(value);
            if (key == "cpu MHz" && processor)
                if (auto mhz = ToNumber<double>(value); mhz && *mhz > 0) Found.CpuInfoClocks->emplace_back(*processor, *mhz);
        }
    }

    // The package zones of the processor's energy counters.
    const std::vector<std::string>& RaplZones()
    {
        if (!Found.RaplZones) {
            Found.RaplZones.emplace();
            for (const std::string& zone : Fs.List("/sys/class/powercap"))
                if (zone.starts_with("intel-rapl:") && zone.find(':', 11) == std::string::npos) Found.RaplZones->push_back(zone);
        }
        return *Found.RaplZones;
    }

    const std::vector<std::pair<int, std::string>>& CpuFreqDirs()
    {
        if (!Found.CpuFreqDirs) {
            Found.CpuFreqDirs.emplace();
            for (const std::string& cpu : Fs.List("/sys/devices/system/cpu")) {
                if (!cpu.starts_with("cpu")) continue;
                auto number = ToNumber<int>(std::string_view(cpu).substr(3));
                if (number) Found.CpuFreqDirs->emplace_back(*number, "/sys/devices/system/cpu/" + cpu + "/cpufreq/");
            }
        }
        return *Found.CpuFreqDirs;
    }

    void ReadCoreClocks(const std::string& hw)
    {
        bool any = false;
        for (const auto& [number, dir] : CpuFreqDirs()) {
            auto khz = ReadNumber(Fs, dir + "scaling_cur_freq");
            if (!khz) khz = ReadNumber(Fs, dir + "cpuinfo_cur_freq");
            if (!khz || *khz <= 0) continue;
            any = true;
            Sensor(hw, "clock/" + std::to_string(number + 1), "CPU Core #" + std::to_string(number + 1), "Clock", *khz / 1000.0);
        }
        if (any) return;
        // Without cpufreq (virtual machines), /proc/cpuinfo tells each processor's clock.
        if (!Found.CpuInfoClocks) ReadCpuInfo();
        for (const auto& [processor, mhz] : *Found.CpuInfoClocks)
            Sensor(hw, "clock/" + std::to_string(processor + 1), "CPU Core #" + std::to_string(processor + 1), "Clock", mhz);
    }

    // Memory: used, available and load, with swap as a second pair.
    void ReadMemory()
    {
        auto text = Fs.ReadAll("/proc/meminfo");
        if (!text) return;
        // Only these keys are used.
        static constexpr std::string_view Keys[] = {"MemTotal", "MemAvailable", "MemFree", "Buffers", "Cached", "SwapTotal", "SwapFree"};
        std::array<std::optional<double>, std::size(Keys)> kb;
        for (std::string_view line : Lines(*text)) {
            std::size_t colon = line.find(':');
            if (colon == std::string_view::npos) continue;
            const auto key = std::find(std::begin(Keys), std::end(Keys), line.substr(0, colon));
            if (key == std::end(Keys)) continue;
            auto f = Fields(line.substr(colon + 1));
            if (f.empty()) continue;
            if (auto v = ToNumber<double>(f[0])) kb[static_cast<std::size_t>(key - std::begin(Keys))] = *v;
        }
        auto get = [&](std::string_view key) -> std::optional<double> {
            return kb[static_cast<std::size_t>(std::find(std::begin(Keys), std::end(Keys), key) - std::begin(Keys))];
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

    // The AMD and Intel video cards of the drm class, each once.
    const std::vector<TDrmCard>& DrmCards()
    {
        if (Found.DrmCards) return *Found.DrmCards;
        Found.DrmCards.emplace();
        std::set<std::string> seen;
        for (const std::string& card : Fs.List("/sys/class/drm")) {
            if (!card.starts_with("card") || !ToNumber<int>(std::string_view(card).substr(4))) continue;
            const std::string dev = "/sys/class/drm/" + card + "/device";
            // The uevent file tells the driver and the PCI address; where it is
            // missing or unreadable, the driver link, the device's path and
            // (in a captured tree without links) the card's own chips tell them.
            const auto uevent = Fs.ReadAll(dev + "/uevent"); // read once per card
            std::string driver = UeventValue(uevent, "DRIVER").value_or("");
            if (driver.empty()) driver = Fs.LinkName(dev + "/driver").value_or("");
            if (driver.empty())
                for (const THwmonChip& chip : ChipsIn(Fs, dev + "/hwmon"))
                    if (IsVideoCardDriver(chip.Name)) driver = chip.Name;
            if (!IsVideoCardDriver(driver)) continue;
            const bool intel = driver == "i915" || driver == "xe";
            std::string slot = UeventValue(uevent, "PCI_SLOT_NAME").value_or("");
            if (slot.empty()) {
                const std::string devicePath = Fs.ResolveDir(dev);
                const std::string last = devicePath.substr(devicePath.find_last_of('/') + 1);
                slot = IsPciAddress(last) ? last : Fs.LinkName(dev).value_or(card);
            }
            if (!seen.insert(slot).second) continue;

            TDrmCard found;
            found.Intel = intel;
            found.Driver = driver;
            found.Hardware = (intel ? "/gpu-intel/" : "/gpu-amd/") + slot;
            std::string pciId = FirstLineTrimmed(UeventValue(uevent, "PCI_ID").value_or(""));
            found.Name = (intel ? "Intel Graphics" : "AMD Radeon Graphics") + (pciId.empty() ? std::string() : " [" + pciId + "]");
            found.Card = "/sys/class/drm/" + card;
            found.Device = dev;
            // A chip in the card's own folder is the card's, named or not.
            found.Chips = ChipsIn(Fs, dev + "/hwmon", driver);

            // Chips of this card, also where /sys/class/hwmon holds a copy of one:
            // a chip is the card's when its device is the card's; a copy without
            // a device link when it is the driver's and has the attributes of
            // one of the card's own chips (its folder number tells nothing).
            const std::string devDir = Fs.ResolveDir(dev);
            const auto copyOfOwn = [&found](const THwmonChip& chip) {
                return std::any_of(found.Chips.begin(), found.Chips.end(),
                                   [&chip](const THwmonChip& own) { return SameAttributes(own, chip); });
            };
            for (const THwmonChip& chip : Chips()) {
                const bool ofDevice = chip.Dir.starts_with(devDir + "/") ||
                                      (!chip.DeviceName.empty() && Fs.ResolveDir(chip.Dir + "/device") == devDir);
                const bool copy = chip.DeviceName.empty() && chip.Name == driver && copyOfOwn(chip);
                if (ofDevice || copy) found.Claimed.insert(chip.Dir);
            }
            for (const THwmonChip& chip : found.Chips) found.Claimed.insert(chip.Dir);
            if (intel) {
                // The render engine's idle time and actual clock: i915 in the
                // card's folder, xe in the device's first tile.
                found.IdleFile = driver == "i915" ? found.Card + "/gt/gt0/rc6_residency_ms" : dev + "/tile0/gt0/gtidle/idle_residency_ms";
                found.ClockFile = driver == "i915" ? found.Card + "/gt_act_freq_mhz" : dev + "/tile0/gt0/freq0/act_freq";
            }
            Found.DrmCards->push_back(std::move(found));
        }
        return *Found.DrmCards;
    }

    // A card with more than one chip keeps each chip's sensors apart.
    static std::string CardChipKey(const TDrmCard& card, const THwmonChip& chip)
    {
        return card.Chips.size() > 1 ? chip.Key() : std::string();
    }

    // Loads and memory from the driver's files, everything else from the
    // card's own hwmon chips.
    void ReadDrmCards()
    {
        for (const TDrmCard& card : DrmCards()) {
            const std::string& hw = card.Hardware;
            const std::string& dev = card.Device;
            Hardware(hw, card.Name, card.Intel ? "GpuIntel" : "GpuAmd");

            // A card the kernel has put to sleep would wake up on every read.
            if (Fs.ReadText(dev + "/power/runtime_status") == std::optional<std::string>("suspended")) {
                ListSleepingCard(card);
                continue;
            }

            const std::size_t firstSensor = Out.Sensors.size();
            if (card.Intel) {
                // Busy share of the wall time since the last sample.
                if (auto idle = ReadNumber(Fs, card.IdleFile); idle && *idle >= 0) {
                    const auto before = Before(hw + "/load/0");
                    Remember(hw + "/load/0", *idle);
                    double load = 0.0;
                    if (before && Seconds > 0 && *idle >= *before)
                        load = BusyPercent(*idle - *before, Seconds * 1000.0);
                    Sensor(hw, "load/0", "GPU Core", "Load", load);
                }
                if (auto mhz = ReadNumber(Fs, card.ClockFile); mhz && *mhz >= 0 && *mhz <= 100000)
                    Sensor(hw, "clock/0", "GPU Core", "Clock", *mhz);
            } else {
                if (auto busy = ReadNumber(Fs, dev + "/gpu_busy_percent"); busy && *busy >= 0 && *busy <= 100)
                    Sensor(hw, "load/0", "GPU Core", "Load", *busy);
                // The share of video memory in use; how busy the memory controller is, apart.
                auto used = ReadNumber(Fs, dev + "/mem_info_vram_used");
                auto total = ReadNumber(Fs, dev + "/mem_info_vram_total");
                // A total of 0 (or none) leaves the share unknown, not the amount used.
                const bool totalKnown = total && *total > 0;
                if (used && *used >= 0 && (!totalKnown || *used <= *total)) {
                    if (totalKnown) Sensor(hw, "load/1", "GPU Memory", "Load", 100.0 * *used / *total);
                    Sensor(hw, "data/0", "GPU Memory Used", "Data", *used / GiB);
                }
                if (auto busy = ReadNumber(Fs, dev + "/mem_busy_percent"); busy && *busy >= 0 && *busy <= 100)
                    Sensor(hw, "load/2", "GPU Memory Controller", "Load", *busy);
            }
            for (const THwmonChip& chip : card.Chips) ChipSensors(hw, chip, CardChipKey(card, chip));
            AwakeCards[hw].assign(Out.Sensors.begin() + static_cast<std::ptrdiff_t>(firstSensor), Out.Sensors.end());
        }
    }

    // A sleeping card keeps its sensors under the same identifiers, so that a
    // choice made while it sleeps is not lost: the values last read while it
    // was awake, its loads at 0 (it does no work); every sensor it offers at 0
    // when it has not been awake yet. Nothing of the card is read.
    void ListSleepingCard(const TDrmCard& card)
    {
        const std::string& hw = card.Hardware;
        const std::string& dev = card.Device;
        if (auto last = AwakeCards.find(hw); last != AwakeCards.end()) {
            for (TSensorItem sensor : last->second) {
                if (sensor.SensorType == "Load") sensor.Value = 0.0;
                Out.Sensors.push_back(std::move(sensor));
            }
            return;
        }
        if (card.Intel) {
            if (Fs.Exists(card.IdleFile)) Sensor(hw, "load/0", "GPU Core", "Load", 0.0);
            if (Fs.Exists(card.ClockFile)) Sensor(hw, "clock/0", "GPU Core", "Clock", 0.0);
        } else {
            if (Fs.Exists(dev + "/gpu_busy_percent")) Sensor(hw, "load/0", "GPU Core", "Load", 0.0);
            if (Fs.Exists(dev + "/mem_info_vram_used")) {
                if (Fs.Exists(dev + "/mem_info_vram_total")) Sensor(hw, "load/1", "GPU Memory", "Load", 0.0);
                Sensor(hw, "data/0", "GPU Memory Used", "Data", 0.0);
            }
            if (Fs.Exists(dev + "/mem_busy_percent")) Sensor(hw, "load/2", "GPU Memory Controller", "Load", 0.0);
        }
        for (const THwmonChip& chip : card.Chips)
            for (const TChipAttribute& a : chip.Attributes)
                Sensor(hw, ChipSensorRest(a, CardChipKey(card, chip)), a.Name, a.Type, 0.0);
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
            Out.Hardware.back().Wireless = IsWireless(a.Name);
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

    // The kernel gives a wireless adapter a "wireless" folder or a link to its radio (phy80211).
    bool IsWireless(const std::string& name) const
    {
        auto known = Found.WirelessAdapters.find(name);
        if (known == Found.WirelessAdapters.end()) {
            const std::string dir = "/sys/class/net/" + name;
            const bool wireless = Fs.IsDir(dir + "/wireless") || Fs.LinkTarget(dir + "/phy80211").has_value() ||
                                  Fs.IsDir(dir + "/phy80211");
            known = Found.WirelessAdapters.emplace(name, wireless).first;
        }
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

    using TDiskNames = std::set<std::string, std::less<>>;
    using TDiskRows = std::vector<std::vector<std::string_view>>;

    // The rows of /proc/diskstats and the devices they name.
    static void DiskRows(std::string_view text, TDiskRows& rows, TDiskNames& names)
    {
        for (std::string_view line : Lines(text)) {
            auto f = Fields(line);
            if (f.size() < 14) continue;
            rows.push_back(f);
            names.emplace(f[2]);
        }
    }

    // A whole disk: no partition, loop, ram or zram device. Where /sys/block
    // is present, only the devices it lists.
    bool IsWholeDisk(const std::string& name, const TDiskNames& names)
    {
        if (name.starts_with("loop") || name.starts_with("ram") || name.starts_with("zram")) return false;
        if (!Found.BlockNames) {
            Found.BlockNames.emplace();
            if (Fs.IsDir("/sys/block")) {
                auto& block = Found.BlockNames->emplace();
                for (const std::string& b : Fs.List("/sys/block")) block.insert(b);
            }
        }
        const auto& block = *Found.BlockNames;
        return block ? block->count(name) > 0 : !IsPartitionOf(name, names);
    }

    // The disk's name as shown and its temperature chips.
    const TDiskInfo& Disk(const std::string& name)
    {
        auto it = Found.Disks.find(name);
        if (it != Found.Disks.end()) return it->second;
        TDiskInfo disk;
        std::string model = FirstLineTrimmed(Fs.ReadText("/sys/block/" + name + "/device/model").value_or(""));
        disk.Name = model.empty() ? name : model + " (" + name + ")";
        std::string scsiDevice = Fs.LinkName("/sys/block/" + name + "/device").value_or("");
        for (const THwmonChip& chip : Chips()) {
            bool nvme = chip.Name == "nvme" && !chip.DeviceName.empty() && name.starts_with(chip.DeviceName + "n");
            bool drivetemp = chip.Name == "drivetemp" && !scsiDevice.empty() && chip.DeviceName == scsiDevice;
            if (nvme || drivetemp) disk.Chips.push_back(chip);
        }
        return Found.Disks.emplace(name, std::move(disk)).first->second;
    }

    // Whole disks from /proc/diskstats.
    void ReadDisks()
    {
        auto text = Fs.ReadAll("/proc/diskstats");
        if (!text) return;
        TDiskRows rows;
        TDiskNames names;
        DiskRows(*text, rows, names);
        for (const auto& f : rows) {
            std::string name(f[2]);
            if (!IsWholeDisk(name, names)) continue;
            auto sectorsRead = ToNumber<double>(f[5]);
            auto msReading = ToNumber<double>(f[6]);
            auto sectorsWritten = ToNumber<double>(f[9]);
            auto msWriting = ToNumber<double>(f[10]);
            auto ioTicks = ToNumber<double>(f[12]);
            if (!sectorsRead || !msReading || !sectorsWritten || !msWriting || !ioTicks) continue;

            const std::string hw = "/storage/" + name;
            const TDiskInfo& disk = Disk(name);
            Hardware(hw, disk.Name, "Storage");
            // Busy milliseconds per elapsed millisecond; queued requests can
            // count more than the wall time, so the share is capped at 100 %.
            auto activity = [&](const char* key, double ms) { return std::min(100.0, CounterRate(hw + key, ms) / 10.0); };
            Sensor(hw, "load/0", "Total Activity", "Load", activity("/load/0", *ioTicks));
            Sensor(hw, "load/1", "Read Activity", "Load", activity("/load/1", *msReading));
            Sensor(hw, "load/2", "Write Activity", "Load", activity("/load/2", *msWriting));
            Sensor(hw, "throughput/0", "Read Rate", "Throughput", CounterRate(hw + "/throughput/0", *sectorsRead * 512.0));
            Sensor(hw, "throughput/1", "Write Rate", "Throughput", CounterRate(hw + "/throughput/1", *sectorsWritten * 512.0));

            for (const THwmonChip& chip : disk.Chips) ChipSensors(hw, chip, disk.Chips.size() > 1 ? chip.Key() : std::string());
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

    // The chip folders that the processor, the video cards and the disks
    // show, found without reading a value of theirs.
    const std::set<std::string>& Claimed()
    {
        if (Found.Claimed) return *Found.Claimed;
        std::set<std::string> claimed;
        for (const THwmonChip& chip : Chips())
            if (IsCpuChip(chip.Name)) claimed.insert(chip.Dir);
        for (const TDrmCard& card : DrmCards()) claimed.insert(card.Claimed.begin(), card.Claimed.end());
        if (auto text = Fs.ReadAll("/proc/diskstats")) {
            TDiskRows rows;
            TDiskNames names;
            DiskRows(*text, rows, names);
            for (const std::string& name : names)
                if (IsWholeDisk(name, names))
                    for (const THwmonChip& chip : Disk(name).Chips) claimed.insert(chip.Dir);
        }
        return *(Found.Claimed = std::move(claimed));
    }

    // Every chip not shown under a device: SuperIO chips under the motherboard, the rest on their own.
    void ReadOtherChips()
    {
        const std::set<std::string>& claimed = Claimed();
        bool board = false;
        for (const THwmonChip& chip : Chips()) {
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
        // Network adapters say whether they are wireless (an addition to the
        // class's properties: the settings dialog prefers such an adapter).
        if (h.HardwareType == "Network") o.Set("Wireless", h.Wireless ? 1.0 : 0.0);
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

// Identifier prefixes of each source's items.
constexpr std::pair<std::string_view, THardwareSource> SourcePrefixes[] = {
    {"/cpu/", THardwareSource::Processor},      {"/ram", THardwareSource::Memory},
    {"/gpu-amd/", THardwareSource::DrmCards},    {"/gpu-intel/", THardwareSource::DrmCards},
    {"/gpu-nvidia/", THardwareSource::LibraryGpus},
    {"/nic/", THardwareSource::Network},        {"/storage/", THardwareSource::Disks},
    {"/lpc/", THardwareSource::OtherChips},     {"/hwmon/", THardwareSource::OtherChips},
    {"/motherboard", THardwareSource::OtherChips},
};

constexpr THardwareSources Bit(THardwareSource source) { return 1u << static_cast<int>(source); }

// A garbled file can name one thing twice (two "cpu1" lines in /proc/stat, an
// interface listed twice): the first keeps the identifier, so that a sensor
// chosen by its identifier stays one sensor.
template <class TItem>
void KeepFirstOfEachIdentifier(std::vector<TItem>& items)
{
    std::set<std::string_view> seen;
    std::vector<bool> repeated(items.size());
    bool any = false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        repeated[i] = !seen.insert(items[i].Identifier).second;
        any = any || repeated[i];
    }
    if (!any) return;
    std::vector<TItem> kept;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!repeated[i]) kept.push_back(std::move(items[i]));
    items.swap(kept);
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameTextIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

} // namespace

THardwareSources SourcesOfQuery(const TWqlQuery& query)
{
    if (query.Match == TWqlQuery::TMatch::All || !SameTextIgnoringAsciiCase(query.Property, "Identifier"))
        return AllHardwareSources;
    THardwareSources sources = 0;
    if (query.Match == TWqlQuery::TMatch::Equals) {
        for (const auto& [prefix, source] : SourcePrefixes)
            if (StartsWithIgnoringAsciiCase(query.Literal, prefix)) sources |= Bit(source);
        return sources;
    }
    // LIKE: the text before the first wildcard must agree with the prefix as
    // far as both go.
    std::string_view fixed = query.Literal;
    fixed = fixed.substr(0, std::min(fixed.find('%'), fixed.find('_')));
    for (const auto& [prefix, source] : SourcePrefixes)
        if (StartsWithIgnoringAsciiCase(fixed, prefix) || StartsWithIgnoringAsciiCase(prefix, fixed)) sources |= Bit(source);
    return sources;
}

THardwareProvider::THardwareProvider(std::filesystem::path root, TClock clock, std::shared_ptr<IGpuLibrary> nvidia)
    : FFs(std::move(root)), FClock(std::move(clock)), FNvidia(std::move(nvidia)), FCounters(std::make_unique<TCounters>())
{
}

THardwareProvider::~THardwareProvider() = default;

std::shared_ptr<const THardwareProvider::TPart> THardwareProvider::TakeSample(THardwareSource source)
{
    // Called with FSampling held.
    TTime now = FClock();
    TCounters::TSource& state = FCounters->Sources[static_cast<std::size_t>(source)];
    double seconds = state.Taken ? std::chrono::duration<double>(now - *state.Taken).count() : 0.0;
    // Resolved folders, chips and their labels are kept for a while: walking
    // links and listing folders are most of a sample's cost. Finding them
    // anew now and then finds re-plugged devices.
    if (!FCounters->FoundAt || now - *FCounters->FoundAt > RediscoveryInterval) {
        FFs.ForgetResolvedFolders();
        FCounters->FoundAt = now;
        auto processorName = std::move(FCounters->Found.ProcessorName);
        FCounters->Found = {};
        FCounters->Found.ProcessorName = std::move(processorName);
    }
    auto part = std::make_shared<TPart>();
    part->Taken = now;
    FCounters->Next.clear();
    TSampler sampler(FFs, state.Values, FCounters->Next, seconds, part->Items, FCounters->Found, FCounters->AwakeCards);
    sampler.Run(source, FNvidia.get());
    KeepFirstOfEachIdentifier(part->Items.Hardware);
    KeepFirstOfEachIdentifier(part->Items.Sensors);
    state.Values.swap(FCounters->Next);
    state.Taken = now;
    ++FSamplesTaken[static_cast<std::size_t>(source)];

    part->HardwareObjects = std::make_shared<const TWbemObjects>(HardwareObjects(part->Items));
    part->SensorObjects = std::make_shared<const TWbemObjects>(SensorObjects(part->Items));
    return part;
}

THardwareProvider::TParts THardwareProvider::Current(THardwareSources sources)
{
    TParts parts;
    auto copyLatest = [&] {
        std::lock_guard lock(FLatest);
        parts = FParts;
    };
    auto needed = [&](std::size_t i) { return (sources >> i) & 1u; };
    auto allFresh = [&] {
        const TTime now = FClock();
        for (std::size_t i = 0; i < parts.size(); ++i)
            if (needed(i) && !(parts[i] && now - parts[i]->Taken < SampleMaxAge)) return false;
        return true;
    };
    copyLatest();
    if (allFresh()) return parts;

    // Another thread already sampling: use the samples at hand rather than
    // wait for its file reads (only a source's very first query has to wait).
    std::unique_lock sampling(FSampling, std::try_to_lock);
    if (!sampling.owns_lock()) {
        bool present = true;
        for (std::size_t i = 0; i < parts.size(); ++i) present = present && (!needed(i) || parts[i]);
        if (present) return parts;
        sampling.lock();
    }
    copyLatest();
    const TTime now = FClock();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!needed(i) || (parts[i] && now - parts[i]->Taken < SampleMaxAge)) continue;
        parts[i] = TakeSample(static_cast<THardwareSource>(i));
        std::lock_guard lock(FLatest);
        FParts[i] = parts[i];
    }
    return parts;
}

std::shared_ptr<const THardwareProvider::TWhole> THardwareProvider::Whole()
{
    const TParts parts = Current(AllHardwareSources);
    {
        std::lock_guard lock(FLatest);
        if (FWhole && FWhole->Parts == parts) return FWhole;
    }
    auto sample = std::make_shared<THardwareSample>();
    auto hardware = std::make_shared<TWbemObjects>();
    auto sensors = std::make_shared<TWbemObjects>();
    for (const auto& part : parts) {
        sample->Hardware.insert(sample->Hardware.end(), part->Items.Hardware.begin(), part->Items.Hardware.end());
        sample->Sensors.insert(sample->Sensors.end(), part->Items.Sensors.begin(), part->Items.Sensors.end());
        hardware->insert(hardware->end(), part->HardwareObjects->begin(), part->HardwareObjects->end());
        sensors->insert(sensors->end(), part->SensorObjects->begin(), part->SensorObjects->end());
    }
    auto whole = std::make_shared<TWhole>(TWhole{parts, std::move(sample), std::move(hardware), std::move(sensors)});
    std::lock_guard lock(FLatest);
    FWhole = whole;
    return whole;
}

std::shared_ptr<const THardwareSample> THardwareProvider::Sample() { return Whole()->Sample; }

long THardwareProvider::SamplesTaken(THardwareSource source) const
{
    return FSamplesTaken[static_cast<std::size_t>(source)].load();
}

std::shared_ptr<const TWbemObjects> THardwareProvider::Objects(THardwareSources sources, bool hardware)
{
    auto of = [hardware](const TPart& part) { return hardware ? part.HardwareObjects : part.SensorObjects; };
    if (sources == AllHardwareSources) {
        auto whole = Whole();
        return hardware ? whole->HardwareObjects : whole->SensorObjects;
    }
    const TParts parts = Current(sources);
    // One source, as a refresh cycle's queries ask: its own objects, no copy.
    if (std::has_single_bit(sources)) return of(*parts[static_cast<std::size_t>(std::countr_zero(sources))]);
    auto merged = std::make_shared<TWbemObjects>();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!((sources >> i) & 1u)) continue;
        const auto objects = of(*parts[i]);
        merged->insert(merged->end(), objects->begin(), objects->end());
    }
    return merged;
}

std::optional<std::shared_ptr<const TWbemObjects>> THardwareProvider::Objects(std::string_view className)
{
    if (SameTextIgnoringAsciiCase(className, "Hardware")) return Objects(AllHardwareSources, true);
    if (SameTextIgnoringAsciiCase(className, "Sensor")) return Objects(AllHardwareSources, false);
    return std::nullopt;
}

std::optional<std::shared_ptr<const TWbemObjects>> THardwareProvider::ObjectsFor(const TWqlQuery& query)
{
    const bool hardware = SameTextIgnoringAsciiCase(query.ClassName, "Hardware");
    if (!hardware && !SameTextIgnoringAsciiCase(query.ClassName, "Sensor")) return std::nullopt;
    return Objects(SourcesOfQuery(query), hardware);
}
