// tellvane-sensors: lists every hardware item and sensor the gadget can show,
// as a tree with identifiers, types and current values.
//
//   tellvane-sensors [--root DIR | --server URL] [--help] [--version]
//
// Two samples are taken a second apart, so that rates and loads show. Exit
// status 2 for a root that is no machine's file tree, 1 when nothing could be
// listed; video cards that need a library which is not installed are named on
// standard error with what to install.

#include "CommandLine.h"
#include "GpuLibrary.h"
#include "LocalNamespaces.h"
#include "NodeExporterProvider.h"
#include "NumberStyle.h"
#include "SensorTypes.h"
#include "TemperatureAlerts.h"
#include "Wbem.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <iostream>
#include <map>
#include <thread>

namespace {

// "  limit 95 C, critical 105 C" after a temperature whose chip gives limits.
std::string LimitsText(const TWbemObject& sensor)
{
    std::string text;
    for (const auto& [property, caption] : {std::pair{"HighLimit", "limit"}, std::pair{"CriticalLimit", "critical"}}) {
        const TWbemValue* value = sensor.Find(property);
        if (!value || !std::holds_alternative<double>(*value)) continue;
        text += (text.empty() ? "  " : ", ") + std::string(caption) + " " + TemperatureNumber(std::get<double>(*value)) + " C";
    }
    return text;
}

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
            std::printf("%s%-28s %-12s %14s%s  %s\n", std::string(depth * 2 + 4, ' ').c_str(), s.Text("Name").c_str(),
                        type.c_str(), value.c_str(), LimitsText(s).c_str(), s.Text("Identifier").c_str());
        }
        std::fflush(stdout);
        PrintTree(hardware, sensors, id, depth + 1);
    }
}

// Another machine's node_exporter: two scrapes a second apart.
int ListServer(const std::string& server)
{
    std::string error;
    const auto url = NodeExporterUrl(server, error);
    if (!url) {
        std::cerr << "tellvane-sensors: " << error << "\n";
        return 2;
    }
    TNodeExporterConnection connection(*url, {});
    connection.ScrapeNow();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    connection.ScrapeNow();
    const auto state = connection.Latest();
    if (!state->Problem.empty()) {
        std::cerr << "tellvane-sensors: " << *url << " cannot be read: " << state->Problem << "\n";
        return 1;
    }
    if (state->Hardware->empty()) {
        std::cerr << "tellvane-sensors: no hardware found at " << *url << "\n";
        return 1;
    }
    PrintTree(*state->Hardware, *state->Sensors, "", 0);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const TCommandLine line = ParseCommandLine(argc, argv, {TValueOption::Root, TValueOption::Server});
    if (!line.Error.empty()) {
        std::cerr << "tellvane-sensors: " << line.Error << " (see tellvane-sensors --help)\n";
        return 2;
    }
    if (line.Help) {
        std::cout << "Usage: tellvane-sensors [--root DIR | --server URL]\n"
                     "Lists every hardware item and sensor the gadget can show, with identifiers,\n"
                     "types and current values (two samples a second apart, so that rates show).\n\n"
                     "  --root DIR     read the machine's file tree below DIR (a captured /proc and /sys)\n"
                     "  --server URL   read another machine's node_exporter (http://HOST:PORT, https://...)\n"
                     "  -h, --help     show this text\n"
                     "  --version      show the version\n\n"
                     "Exit status: 0 listed, 1 nothing could be listed, 2 a wrong option, root or address.\n";
        return 0;
    }
    if (line.Version) {
        std::cout << "tellvane-sensors " TELLVANE_VERSION "\n";
        return 0;
    }
    if (line.Server) {
        if (line.Root) {
            std::cerr << "tellvane-sensors: --root and --server name two machines: give one\n";
            return 2;
        }
        return ListServer(*line.Server);
    }
    const std::string root = line.Root.value_or("/");
    if (const auto problem = RootProblem(root)) {
        std::cerr << "tellvane-sensors: " << *problem << "\n";
        return 2;
    }
    // Cards that only their vendor's library can read.
    const bool live = root == "/";
    const std::vector<std::string> nvidia = NvidiaDriverCards(root);
    if (!nvidia.empty() && (!live || !LoadNvidiaLibrary()))
        for (const std::string& card : nvidia)
            std::cerr << "tellvane-sensors: the NVIDIA video card at " << card << " is not listed: "
                      << (live ? std::string("its driver is read through the NVIDIA management library (") + NvidiaLibraryFile +
                                     "), which is not installed; install the package of your distribution that "
                                     "provides it (on Debian: libnvidia-ml1)"
                               : std::string("it is read through the NVIDIA management library, on the live machine only"))
                      << "\n";
    try {
        TWbemLocator locator(LocalNamespaces(root));
        auto service = locator.ConnectServer("localhost", "root\\LibreHardwareMonitor", "", "");
        service->ExecQuery("SELECT * FROM Sensor"); // first sample: rates start here
        std::this_thread::sleep_for(std::chrono::seconds(1));
        TWbemObjects sensors = service->ExecQuery("SELECT * FROM Sensor");
        TWbemObjects hardware = service->ExecQuery("SELECT * FROM Hardware");
        if (hardware.empty()) {
            std::cerr << "tellvane-sensors: no hardware found below " << root << "\n";
            return 1;
        }
        PrintTree(hardware, sensors, "", 0);
    } catch (const std::exception& e) {
        std::cerr << "tellvane-sensors: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
