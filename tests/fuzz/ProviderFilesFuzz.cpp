// Any bytes in place of the procfs and sysfs files the providers read.
//
// The fuzzer's input fills a small tree: records separated by the byte 0x1E,
// the first Files.size() records the files' contents for the first sample
// (a missing record: no such file), the next ones their contents one second
// later (a missing record: unchanged; a record of the single byte 0x1F: the
// file is gone). A third sample eleven seconds on looks for the hardware anew.
// So files vanish, shrink and turn to garbage between the listing and the read.
//
// Checks, besides the sanitizers' own, on every sample: every sensor value is
// a finite number; identifiers are unique and not empty; every sensor belongs
// to a hardware item of the listing and its identifier begins with that item's.

#include "HardwareProvider.h"
#include "SystemInfoProvider.h"

#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 40> Files = {
    "proc/stat",
    "proc/meminfo",
    "proc/net/dev",
    "proc/diskstats",
    "proc/cpuinfo",
    "sys/class/hwmon/hwmon0/name",
    "sys/class/hwmon/hwmon0/temp1_input",
    "sys/class/hwmon/hwmon0/temp1_label",
    "sys/class/hwmon/hwmon0/temp1_max",
    "sys/class/hwmon/hwmon0/temp2_input",
    "sys/class/hwmon/hwmon0/fan1_input",
    "sys/class/hwmon/hwmon0/in0_input",
    "sys/class/hwmon/hwmon0/power1_average",
    "sys/class/hwmon/hwmon2/name",
    "sys/class/hwmon/hwmon2/temp1_input",
    "sys/class/drm/card0/device/uevent",
    "sys/class/drm/card0/device/gpu_busy_percent",
    "sys/class/drm/card0/device/mem_busy_percent",
    "sys/class/drm/card0/device/mem_info_vram_used",
    "sys/class/drm/card0/device/mem_info_vram_total",
    "sys/class/drm/card0/device/power/runtime_status",
    "sys/class/drm/card0/device/hwmon/hwmon1/name",
    "sys/class/drm/card0/device/hwmon/hwmon1/temp1_input",
    "sys/class/drm/card0/device/hwmon/hwmon1/fan1_input",
    "sys/class/drm/card1/device/uevent",
    "sys/class/drm/card1/gt_act_freq_mhz",
    "sys/class/drm/card1/gt/gt0/rc6_residency_ms",
    "sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq",
    "sys/class/powercap/intel-rapl:0/name",
    "sys/class/powercap/intel-rapl:0/energy_uj",
    "sys/class/net/eth0/speed",
    "sys/class/net/eth0/type",
    "sys/block/sda/device/model",
    "sys/class/dmi/id/board_vendor",
    "sys/class/dmi/id/board_name",
    "etc/os-release",
    "etc/machine-info",
    "proc/sys/kernel/hostname",
    "proc/sys/kernel/osrelease",
    "sys/class/dmi/id/product_name",
};

void Require(bool condition, const char* what, const std::string& identifier = {})
{
    if (condition) return;
    std::fprintf(stderr, "fuzz_provider_files: broken: %s (%s)\n", what, identifier.c_str());
    std::abort();
}

void RemoveRoot();

// Kept for the whole run (never destroyed), so that it can be removed at exit.
const fs::path& Root()
{
    static const fs::path* root = [] {
        auto* dir = new fs::path(fs::temp_directory_path() / ("tellvane-fuzz-tree-" + std::to_string(::getpid())));
        for (std::string_view file : Files) fs::create_directories((*dir / file).parent_path());
        std::atexit(RemoveRoot);
        return dir;
    }();
    return *root;
}

void RemoveRoot()
{
    std::error_code ec;
    fs::remove_all(Root(), ec);
}

void Put(std::string_view file, std::string_view bytes)
{
    std::ofstream out(Root() / file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Remove(std::string_view file)
{
    std::error_code ec;
    fs::remove(Root() / file, ec);
}

std::vector<std::string_view> Records(std::string_view text)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t at = text.find('\x1e', start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return parts;
}

void CheckSample(const THardwareSample& sample)
{
    std::set<std::string> hardware;
    for (const THardwareItem& item : sample.Hardware) {
        Require(!item.Identifier.empty(), "a hardware item without an identifier", item.Name);
        Require(hardware.insert(item.Identifier).second, "two hardware items share an identifier", item.Identifier);
    }
    std::set<std::string> sensors;
    for (const TSensorItem& sensor : sample.Sensors) {
        Require(std::isfinite(sensor.Value), "a sensor value that is not a finite number", sensor.Identifier);
        Require(!sensor.Identifier.empty(), "a sensor without an identifier", sensor.Name);
        Require(sensors.insert(sensor.Identifier).second, "two sensors share an identifier", sensor.Identifier);
        Require(hardware.count(sensor.Parent) == 1, "a sensor whose hardware is not listed", sensor.Identifier);
        Require(sensor.Identifier.starts_with(sensor.Parent + "/"), "a sensor identifier outside its hardware's", sensor.Identifier);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto records = Records(std::string_view(reinterpret_cast<const char*>(data), size));
    for (std::size_t i = 0; i < Files.size(); ++i) {
        if (i < records.size()) Put(Files[i], records[i]);
        else Remove(Files[i]);
    }

    auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    THardwareProvider provider(Root(), [&now] { return now; });
    CheckSample(*provider.Sample());

    now += std::chrono::seconds(1);
    for (std::size_t i = 0; i < Files.size() && Files.size() + i < records.size(); ++i) {
        const std::string_view later = records[Files.size() + i];
        if (later == "\x1f") Remove(Files[i]);
        else Put(Files[i], later);
    }
    CheckSample(*provider.Sample());
    TSystemInfoProvider(Root()).Objects("CIM_OperatingSystem");

    now += THardwareProvider::RediscoveryInterval + std::chrono::seconds(1);
    CheckSample(*provider.Sample());
    return 0;
}
