// The AMD and Intel video cards of the drm class.

#include "SourceReader.h"

#include <algorithm>

namespace {

class TDrmCardReader : public TSourceReader {
public:
    using TSourceReader::TSourceReader;

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
};

} // namespace

void ReadDrmCards(const TSourceContext& context) { TDrmCardReader(context).ReadDrmCards(); }
