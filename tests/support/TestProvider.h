#pragma once
// A provider whose hardware and sensors the test controls. It answers through
// the real query layer, so everything above it runs as in the product.

#include "Wbem.h"

#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

class TTableProvider : public IWbemProvider {
public:
    std::optional<std::shared_ptr<const TWbemObjects>> Objects(std::string_view className) override
    {
        std::lock_guard lock(FMutex);
        if (++FAnswers >= FailFromAnswer && FailFromAnswer > 0) throw std::runtime_error("the provider failed");
        if (className == "Hardware") return std::make_shared<const TWbemObjects>(FHardware);
        if (className == "Sensor") return std::make_shared<const TWbemObjects>(FSensors);
        return std::nullopt;
    }

    void AddHardware(const std::string& id, const std::string& name, const std::string& type,
                     const std::string& parent = "")
    {
        std::lock_guard lock(FMutex);
        TWbemObject hw("Hardware");
        hw.Set("Identifier", id).Set("Name", name).Set("HardwareType", type).Set("Parent", parent);
        FHardware.push_back(std::move(hw));
    }
    // Gives the hardware item a further property.
    void SetHardwareProperty(const std::string& id, const std::string& name, TWbemValue value)
    {
        std::lock_guard lock(FMutex);
        for (TWbemObject& hw : FHardware)
            if (hw.Text("Identifier") == id) hw.Set(name, value);
    }

    // Adds the sensor, or changes its value when it exists.
    void SetSensor(const std::string& id, const std::string& name, const std::string& type, double value,
                   const std::string& parent)
    {
        std::lock_guard lock(FMutex);
        for (TWbemObject& sensor : FSensors)
            if (sensor.Text("Identifier") == id) {
                sensor = Make(id, name, type, value, parent);
                return;
            }
        FSensors.push_back(Make(id, name, type, value, parent));
    }

    void RemoveSensor(const std::string& id)
    {
        std::lock_guard lock(FMutex);
        std::erase_if(FSensors, [&](const TWbemObject& s) { return s.Text("Identifier") == id; });
    }

    // Answers from the n-th on (counted from 1, also those already given)
    // raise, as a provider that went away does; 0 answers every time.
    void FailFrom(int answer)
    {
        std::lock_guard lock(FMutex);
        FailFromAnswer = answer;
    }

private:
    static TWbemObject Make(const std::string& id, const std::string& name, const std::string& type, double value,
                            const std::string& parent)
    {
        TWbemObject sensor("Sensor");
        sensor.Set("Identifier", id).Set("Name", name).Set("SensorType", type).Set("Value", value).Set("Parent",
                                                                                                      parent);
        return sensor;
    }

    std::mutex FMutex;
    TWbemObjects FHardware;
    TWbemObjects FSensors;
    int FAnswers = 0;
    int FailFromAnswer = 0;
};

inline constexpr const char* TestHardwareNamespace = "root\\LibreHardwareMonitor";
inline constexpr const char* TestSystemNamespace = "root\\CIMV2";
