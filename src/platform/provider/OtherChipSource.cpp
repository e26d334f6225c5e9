// Every hwmon chip that no device shows: Super I/O chips under the
// motherboard, the rest on their own.

#include "SourceReader.h"

#include <algorithm>

namespace {

class TOtherChipReader : public TSourceReader {
public:
    using TSourceReader::TSourceReader;

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

} // namespace

void ReadOtherChips(const TSourceContext& context) { TOtherChipReader(context).ReadOtherChips(); }
