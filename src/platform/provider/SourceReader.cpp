#include "SourceReader.h"

#include <algorithm>

double Rate(std::optional<double> before, double now, double seconds)
{
    if (!before || seconds <= 0 || now < *before) return 0.0;
    return (now - *before) / seconds;
}

double BusyPercent(double idle, double span) { return std::clamp(100.0 * (1.0 - idle / span), 0.0, 100.0); }

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

// --- discovery ---

const std::vector<TDrmCard>& TSourceReader::DrmCards()
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

void TSourceReader::DiskRows(std::string_view text, TDiskRows& rows, TDiskNames& names)
{
    for (std::string_view line : Lines(text)) {
        auto f = Fields(line);
        if (f.size() < 14) continue;
        rows.push_back(f);
        names.emplace(f[2]);
    }
}

bool TSourceReader::IsWholeDisk(const std::string& name, const TDiskNames& names)
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

const TDiskInfo& TSourceReader::Disk(const std::string& name)
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

bool TSourceReader::IsPartitionOf(const std::string& name, const std::set<std::string, std::less<>>& names)
{
    std::size_t end = name.find_last_not_of("0123456789");
    if (end == std::string::npos || end + 1 == name.size()) return false;
    std::string base = name.substr(0, end + 1);
    if (names.count(base)) return true;
    return base.size() > 1 && base.back() == 'p' && names.count(base.substr(0, base.size() - 1));
}
