// The whole disks from /proc/diskstats, with their temperature chips.

#include "SourceReader.h"

#include <algorithm>

namespace {

class TDiskReader : public TSourceReader {
public:
    using TSourceReader::TSourceReader;

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
};

} // namespace

void ReadDisks(const TSourceContext& context) { TDiskReader(context).ReadDisks(); }
