// tellvane-sensors: lists every hardware item and sensor the gadget can show,
// as a tree with identifiers, types and current values.
//
//   tellvane-sensors [--root DIR]
//
// Two samples are taken a second apart, so that rates and loads show.

#include "LocalNamespaces.h"
#include "NumberStyle.h"
#include "SensorTypes.h"
#include "Wbem.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <thread>

namespace {

void PrintTree(const TWbemObjects& hardware, const TWbemObjects& sensors, const std::string& parent, int depth)
{
    const TNumberStyle style = TNumberStyle::English();
    for (const TWbemObject& h : hardware) {
        if (h.Text("Parent") != parent) continue;
        const std::string id = h.Text("Identifier");
        std::cout << std::string(depth * 2, ' ') << h.Text("Name") << "  [" << h.Text("HardwareType") << "]  " << id << "\n";
        for (const TWbemObject& s : sensors) {
            if (s.Text("Parent") != id) continue;
            const std::string type = s.Text("SensorType");
            const int index = SensorTypeIndex(type);
            std::string value = index == SensorTypeThroughput ? FormatSize(style, true, true, s.Number("Value")) + "/s"
                                                              : FormatValue(style, SensorTypeFormats[index], s.Number("Value"));
            std::printf("%s%-28s %-12s %14s  %s\n", std::string(depth * 2 + 4, ' ').c_str(), s.Text("Name").c_str(),
                        type.c_str(), value.c_str(), s.Text("Identifier").c_str());
        }
        std::fflush(stdout);
        PrintTree(hardware, sensors, id, depth + 1);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    std::string root = "/";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) {
            root = argv[++i];
        } else {
            std::cerr << "usage: tellvane-sensors [--root DIR]\n";
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    try {
        TWbemLocator locator(LocalNamespaces(root));
        auto service = locator.ConnectServer("localhost", "root\\LibreHardwareMonitor", "", "");
        service->ExecQuery("SELECT * FROM Sensor"); // first sample: rates start here
        std::this_thread::sleep_for(std::chrono::seconds(1));
        TWbemObjects sensors = service->ExecQuery("SELECT * FROM Sensor");
        TWbemObjects hardware = service->ExecQuery("SELECT * FROM Hardware");
        PrintTree(hardware, sensors, "", 0);
    } catch (const std::exception& e) {
        std::cerr << "tellvane-sensors: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
