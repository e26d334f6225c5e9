// Two connections querying one provider at once, as the window and the
// refresh thread do; run under ThreadSanitizer in CI.

#include "HardwareProvider.h"
#include "LocalNamespaces.h"

#include <gtest/gtest.h>

#include <atomic>
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
