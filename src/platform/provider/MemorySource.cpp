// The memory from /proc/meminfo.

#include "SourceReader.h"

#include <algorithm>
#include <array>

namespace {

class TMemoryReader : public TSourceReader {
public:
    using TSourceReader::TSourceReader;

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
};

} // namespace

void ReadMemory(const TSourceContext& context) { TMemoryReader(context).ReadMemory(); }
