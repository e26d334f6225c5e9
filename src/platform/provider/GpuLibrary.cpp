#include "GpuLibrary.h"

#include "RootFs.h"

#include <dlfcn.h>

#include <cstdio>

namespace {

// The few entry points of the NVIDIA management library that are read, with
// the library's own C types.
using nvmlReturn_t = int;
using nvmlDevice_t = struct nvmlDevice_st*;
struct nvmlUtilization_t { unsigned int gpu, memory; };
struct nvmlMemory_t { unsigned long long total, free, used; };
struct nvmlPciInfo_t {
    char busIdLegacy[16];
    unsigned int domain, bus, device, pciDeviceId, pciSubSystemId;
    char busId[32];
};
constexpr nvmlReturn_t NVML_SUCCESS = 0;
constexpr int NVML_TEMPERATURE_GPU = 0;

class TNvidiaLibrary : public IGpuLibrary {
public:
    explicit TNvidiaLibrary(void* handle) : FHandle(handle) {}
    ~TNvidiaLibrary() override
    {
        if (Shutdown) Shutdown();
        ::dlclose(FHandle);
    }

    bool Bind()
    {
        return Resolve(Init, "nvmlInit_v2") && Resolve(Shutdown, "nvmlShutdown") && Resolve(Count, "nvmlDeviceGetCount_v2") &&
               Resolve(Handle, "nvmlDeviceGetHandleByIndex_v2") && Resolve(Name, "nvmlDeviceGetName") &&
               Resolve(Pci, "nvmlDeviceGetPciInfo_v3") && Resolve(Utilization, "nvmlDeviceGetUtilizationRates") &&
               Resolve(Memory, "nvmlDeviceGetMemoryInfo") && Resolve(Temperature, "nvmlDeviceGetTemperature") &&
               Resolve(FanSpeed, "nvmlDeviceGetFanSpeed") && Resolve(PowerUsage, "nvmlDeviceGetPowerUsage") &&
               Init() == NVML_SUCCESS;
    }

    std::vector<TGpuReading> Read() override
    {
        std::vector<TGpuReading> out;
        unsigned int count = 0;
        if (Count(&count) != NVML_SUCCESS) return out;
        for (unsigned int i = 0; i < count; ++i) {
            nvmlDevice_t device = nullptr;
            nvmlPciInfo_t pci{};
            if (Handle(i, &device) != NVML_SUCCESS || Pci(device, &pci) != NVML_SUCCESS) continue;
            TGpuReading r;
            char bus[32];
            std::snprintf(bus, sizeof bus, "%04x:%02x:%02x.0", pci.domain, pci.bus, pci.device);
            r.BusId = bus;
            char name[96] = {};
            r.Name = Name(device, name, sizeof name - 1) == NVML_SUCCESS ? name : "NVIDIA GPU";
            if (nvmlUtilization_t u{}; Utilization(device, &u) == NVML_SUCCESS) r.Load = u.gpu;
            if (nvmlMemory_t m{}; Memory(device, &m) == NVML_SUCCESS && m.total > 0) {
                r.MemoryLoad = 100.0 * double(m.used) / double(m.total);
                r.MemoryUsedGb = double(m.used) / (1024.0 * 1024.0 * 1024.0);
            }
            if (unsigned int t = 0; Temperature(device, NVML_TEMPERATURE_GPU, &t) == NVML_SUCCESS) r.Temperature = t;
            if (unsigned int f = 0; FanSpeed(device, &f) == NVML_SUCCESS) r.Fan = f;
            if (unsigned int mw = 0; PowerUsage(device, &mw) == NVML_SUCCESS) r.Power = mw / 1000.0;
            out.push_back(std::move(r));
        }
        return out;
    }

private:
    template <class F>
    bool Resolve(F& f, const char* name)
    {
        f = reinterpret_cast<F>(::dlsym(FHandle, name));
        return f != nullptr;
    }

    void* FHandle;
    nvmlReturn_t (*Init)() = nullptr;
    nvmlReturn_t (*Shutdown)() = nullptr;
    nvmlReturn_t (*Count)(unsigned int*) = nullptr;
    nvmlReturn_t (*Handle)(unsigned int, nvmlDevice_t*) = nullptr;
    nvmlReturn_t (*Name)(nvmlDevice_t, char*, unsigned int) = nullptr;
    nvmlReturn_t (*Pci)(nvmlDevice_t, nvmlPciInfo_t*) = nullptr;
    nvmlReturn_t (*Utilization)(nvmlDevice_t, nvmlUtilization_t*) = nullptr;
    nvmlReturn_t (*Memory)(nvmlDevice_t, nvmlMemory_t*) = nullptr;
    nvmlReturn_t (*Temperature)(nvmlDevice_t, int, unsigned int*) = nullptr;
    nvmlReturn_t (*FanSpeed)(nvmlDevice_t, unsigned int*) = nullptr;
    nvmlReturn_t (*PowerUsage)(nvmlDevice_t, unsigned int*) = nullptr;
};

} // namespace

std::shared_ptr<IGpuLibrary> LoadNvidiaLibrary()
{
    for (const char* file : {"libnvidia-ml.so.1", "libnvidia-ml.so"}) {
        void* handle = ::dlopen(file, RTLD_NOW | RTLD_LOCAL);
        if (!handle) continue;
        auto library = std::make_shared<TNvidiaLibrary>(handle);
        if (library->Bind()) return library;
        // Unusable (no driver loaded): the library's destructor unloads it.
        return nullptr;
    }
    return nullptr;
}

std::vector<std::string> NvidiaDriverCards(const std::string& root)
{
    const TRootFs fs(root);
    std::vector<std::string> cards;
    for (const std::string& card : fs.List("/sys/class/drm")) {
        if (!card.starts_with("card") || card.find('-') != std::string::npos) continue;
        const std::string dev = "/sys/class/drm/" + card + "/device";
        const std::optional<std::string> uevent = fs.ReadAll(dev + "/uevent");
        std::string driver, slot;
        std::size_t at = 0;
        while (uevent && at < uevent->size()) {
            std::size_t end = uevent->find('\n', at);
            if (end == std::string::npos) end = uevent->size();
            const std::string line = uevent->substr(at, end - at);
            if (line.starts_with("DRIVER=")) driver = line.substr(7);
            if (line.starts_with("PCI_SLOT_NAME=")) slot = line.substr(14);
            at = end + 1;
        }
        if (driver.empty()) driver = fs.LinkName(dev + "/driver").value_or("");
        if (driver == "nvidia") cards.push_back(slot.empty() ? card : slot);
    }
    return cards;
}
