// Two connections querying one provider at once, as the window and the
// refresh thread do; run under ThreadSanitizer in CI.

#include "HardwareProvider.h"
#include "LocalNamespaces.h"
#include "TreeBuilder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

namespace {

TEST(ProviderThreads, TwoConnectionsQueryingAtOnceGetWholeAnswers)
{
    // A clock that moves a second per call makes nearly every query sample afresh.
    std::atomic<long> ticks{0};
    auto provider = std::make_shared<THardwareProvider>(
        std::string(TELLVANE_SHARED_FIXTURES) + "/mixed-2pkg-coretemp-nct6779-applesmc-8cpu",
        [&] { return std::chrono::steady_clock::time_point(std::chrono::seconds(ticks.fetch_add(1))); });
    auto namespaces = std::make_shared<TWbemNamespaces>();
    namespaces->Register("root\\LibreHardwareMonitor", provider);
    TWbemLocator locator(namespaces);
    const std::size_t sensorCount = provider->Sample()->Sensors.size();

    std::atomic<int> failures{0};
    auto worker = [&](int rounds) {
        auto service = locator.ConnectServer("localhost", "root\\LibreHardwareMonitor", "", "");
        for (int i = 0; i < rounds; ++i) {
            try {
                if (service->ExecQuery("SELECT * FROM Sensor").size() != sensorCount) ++failures;
                if (service->ExecQuery("SELECT * FROM Sensor WHERE Identifier LIKE \"/cpu/0/load/%\"").size() != 9) ++failures;
                if (service->ExecQuery("SELECT * FROM Hardware WHERE Identifier = \"/ram\"").size() != 1) ++failures;
            } catch (const std::exception&) {
                ++failures;
            }
        }
    };
    std::thread a(worker, 60), b(worker, 60);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
}

// Files that vanish, shrink or turn to garbage between the listing and the
// read, while two threads query: no crash, and the sensors whose files stay
// whole go on answering.
TEST(ProviderThreads, FilesChangingUnderTwoQueryingThreadsHarmNoOtherSensor)
{
    TempDir dir;
    TreeBuilder tree(dir.Path());
    tree.File("/proc/meminfo", "MemTotal: 8388608 kB\nMemAvailable: 2097152 kB\n");
    tree.File("/proc/stat", "cpu  1 0 0 9 0 0 0 0 0 0\ncpu0 1 0 0 9 0 0 0 0 0 0\n");
    const std::string chip = "/sys/devices/platform/nct6775.656/hwmon/hwmon2";
    const auto whole = [&] {
        tree.File(chip + "/name", "nct6779\n");
        tree.File(chip + "/temp1_input", "45500\n");
        tree.File(chip + "/temp1_label", "SYSTIN\n");
        tree.File(chip + "/fan1_input", "1200\n");
        tree.File("/proc/diskstats", "   8       0 sda 10 0 100 40 5 0 8 20 0 0 60 0 0 0 0\n");
        tree.File("/proc/net/dev", "h\nh\n  eth0: 1 1 0 0 0 0 0 0 2 1 0 0 0 0 0 0\n");
    };
    whole();
    tree.Link("/sys/class/hwmon/hwmon2", "../../devices/platform/nct6775.656/hwmon/hwmon2");

    std::atomic<long> ticks{0};
    auto provider = std::make_shared<THardwareProvider>(
        dir.Path(), [&] { return std::chrono::steady_clock::time_point(std::chrono::milliseconds(ticks.fetch_add(150))); });
    auto namespaces = std::make_shared<TWbemNamespaces>();
    namespaces->Register("root\\LibreHardwareMonitor", provider);
    TWbemLocator locator(namespaces);

    std::atomic<bool> done{false};
    std::atomic<int> failures{0};
    auto worker = [&] {
        auto service = locator.ConnectServer("localhost", "root\\LibreHardwareMonitor", "", "");
        while (!done) {
            try {
                service->ExecQuery("SELECT * FROM Sensor");
                service->ExecQuery("SELECT * FROM Sensor WHERE Identifier = \"/lpc/nct6779@nct6775.656/fan/fan1\"");
                if (service->ExecQuery("SELECT * FROM Sensor WHERE Identifier = \"/ram/load/0\"").size() != 1) ++failures;
            } catch (const std::exception&) {
                ++failures;
            }
        }
    };
    std::thread a(worker), b(worker);
    std::mt19937 random(7);
    const std::string garbage("\0\xff\n\n-1e309 nan \x01[=]", 16);
    for (int i = 0; i < 400; ++i) {
        switch (random() % 5) {
        case 0: tree.Remove(chip + "/temp1_input"); break;
        case 1: tree.File(chip + "/fan1_input", garbage); break;
        case 2: tree.File("/proc/diskstats", "   8       0 sda 10"); break;
        case 3: tree.File("/proc/net/dev", garbage + garbage); break;
        default: whole(); break;
        }
        std::this_thread::yield();
    }
    done = true;
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0) << "memory, whose file stays whole, went missing or a query failed";
}

TEST(ProviderThreads, LiveMachineAnswersFromBothThreads)
{
    TWbemLocator locator(LocalNamespaces("/"));
    std::atomic<int> empty{0};
    auto worker = [&] {
        auto hw = locator.ConnectServer("localhost", "root\\LibreHardwareMonitor", "", "");
        auto os = locator.ConnectServer(".", "root\\CIMV2", "", "");
        for (int i = 0; i < 20; ++i) {
            if (hw->ExecQuery("SELECT * FROM Sensor WHERE Identifier = \"/cpu/0/load/0\"").size() != 1) ++empty;
            if (os->ExecQuery("SELECT * FROM CIM_OperatingSystem").size() != 1) ++empty;
        }
    };
    std::thread a(worker), b(worker);
    a.join();
    b.join();
    EXPECT_EQ(empty.load(), 0);
}

} // namespace
