// The processor: its loads from /proc/stat, its clocks, the temperatures of its
// chips and its package power.

#include "SourceReader.h"

#include <algorithm>

namespace {

class TProcessorReader : public TSourceReader {
public:
    using TSourceReader::TSourceReader;

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

    // Each processor's clock file, looked up at discovery: a machine without
    // cpufreq (most virtual ones) then costs no failed opens at every sample.
    const std::vector<std::pair<int, std::string>>& CpuFreqFiles()
    {
        if (!Found.CpuFreqFiles) {
            Found.CpuFreqFiles.emplace();
            for (const std::string& cpu : Fs.List("/sys/devices/system/cpu")) {
                if (!cpu.starts_with("cpu")) continue;
                auto number = ToNumber<int>(std::string_view(cpu).substr(3));
                if (!number) continue;
                const std::string dir = "/sys/devices/system/cpu/" + cpu + "/cpufreq/";
                for (const char* file : {"scaling_cur_freq", "cpuinfo_cur_freq"})
                    if (Fs.Exists(dir + file)) {
                        Found.CpuFreqFiles->emplace_back(*number, dir + file);
                        break;
                    }
            }
        }
        return *Found.CpuFreqFiles;
    }

    void ReadCoreClocks(const std::string& hw)
    {
        bool any = false;
        for (const auto& [number, file] : CpuFreqFiles()) {
            auto khz = ReadNumber(Fs, file);
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
};

} // namespace

void ReadProcessor(const TSourceContext& context) { TProcessorReader(context).ReadProcessor(); }
