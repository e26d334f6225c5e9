#pragma once
// Video cards read through a vendor's management library loaded at run time.

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct TGpuReading {
    std::string BusId; // PCI address, stable across boots
    std::string Name;
    std::optional<double> Load;          // percent
    std::optional<double> MemoryLoad;    // percent
    std::optional<double> MemoryUsedGb;  // 1024^3 bytes
    std::optional<double> Temperature;   // degrees Celsius
    std::optional<double> Fan;           // percent of the maximum speed
    std::optional<double> Power;         // watts
};

class IGpuLibrary {
public:
    virtual ~IGpuLibrary() = default;
    virtual std::vector<TGpuReading> Read() = 0;
};

// The NVIDIA management library when it is installed; nullptr otherwise.
std::shared_ptr<IGpuLibrary> LoadNvidiaLibrary();

// The file the NVIDIA management library is loaded from.
inline constexpr const char* NvidiaLibraryFile = "libnvidia-ml.so.1";

// The PCI addresses of the video cards below `root` that NVIDIA's own driver
// runs: they are read only through its management library.
std::vector<std::string> NvidiaDriverCards(const std::string& root);
