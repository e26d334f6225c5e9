// The video cards read through a vendor library (NVIDIA).

#include "SourceReader.h"

#include <algorithm>

namespace {

class TLibraryGpuReader : public TSourceReader {
public:
    using TSourceReader::TSourceReader;

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
};

} // namespace

void ReadLibraryGpus(const TSourceContext& context, IGpuLibrary& library)
{
    TLibraryGpuReader(context).ReadLibraryGpus(library);
}
