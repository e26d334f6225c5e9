// The provider on hardware the captured trees do not show, in small trees of
// our own: chips alike without device links, damaged files, a card's chip
// without a name, Intel video cards and the memory controller's load.

#include "HardwareProvider.h"
#include "TreeBuilder.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using namespace std::chrono_literals;

class UnseenHardware : public testing::Test {
protected:
    TempDir dir;
    TreeBuilder tree{dir.Path()};
    std::chrono::steady_clock::time_point now{};
    THardwareProvider provider{dir.Path(), [this] { return now; }};

    std::map<std::string, TSensorItem> Sensors()
    {
        std::map<std::string, TSensorItem> out;
        for (const TSensorItem& s : provider.Sample()->Sensors) {
            EXPECT_TRUE(out.emplace(s.Identifier, s).second) << "duplicate " << s.Identifier;
        }
        return out;
    }
    std::map<std::string, THardwareItem> Hardware()
    {
        std::map<std::string, THardwareItem> out;
        for (const THardwareItem& h : provider.Sample()->Hardware)
            EXPECT_TRUE(out.emplace(h.Identifier, h).second) << "duplicate " << h.Identifier;
        return out;
    }
    // A video card of the drm class with its PCI address and driver.
    void Card(const std::string& card, const std::string& slot, const std::string& driver, const std::string& pciId)
    {
        tree.File("/sys/class/drm/" + card + "/device/uevent",
                  "DRIVER=" + driver + "\nPCI_ID=" + pciId + "\nPCI_SLOT_NAME=" + slot + "\n");
    }
};

TEST_F(UnseenHardware, ChipsOfOneNameWithoutDeviceLinksGetTheirOwnIdentifiersAndRates)
{
    // Two cards' chips copied as plain folders: same name, no device link.
    for (const std::string chip : {"/sys/class/hwmon/hwmon3", "/sys/class/hwmon/hwmon5"}) {
        tree.File(chip + "/name", "gpuchip\n");
        tree.File(chip + "/temp1_input", chip.ends_with('3') ? "40000\n" : "60000\n");
        tree.File(chip + "/energy1_input", "0\n");
    }
    auto first = Sensors();
    EXPECT_DOUBLE_EQ(first.at("/hwmon/gpuchip#1/temperature/temp1").Value, 40.0);
    EXPECT_DOUBLE_EQ(first.at("/hwmon/gpuchip#2/temperature/temp1").Value, 60.0);
    EXPECT_EQ(Hardware().size(), 2u);

    // 30 J and 5 J in one second: each counter's own rate.
    tree.File("/sys/class/hwmon/hwmon3/energy1_input", "30000000\n");
    tree.File("/sys/class/hwmon/hwmon5/energy1_input", "5000000\n");
    now += 1s;
    auto second = Sensors();
    EXPECT_DOUBLE_EQ(second.at("/hwmon/gpuchip#1/power/energy1").Value, 30.0);
    EXPECT_DOUBLE_EQ(second.at("/hwmon/gpuchip#2/power/energy1").Value, 5.0);
}

TEST_F(UnseenHardware, NulPaddedAndCrLfFilesReadAndGiveCleanNamesAndIdentifiers)
{
    const std::string chip = "/sys/class/hwmon/hwmon0";
    tree.File(chip + "/name", std::string("nct6779\0\0\0\0\n", 12));
    tree.File(chip + "/temp1_input", std::string("45000\0\0\0", 8));
    tree.File(chip + "/temp1_label", std::string("  SYS\x01TIN \0garbage", 18));
    tree.File(chip + "/fan1_input", "1200\r\n");
    tree.File(chip + "/fan1_label", "CPU Fan\r\n");
    // A name that the settings file or a query would misread.
    const std::string odd = "/sys/class/hwmon/hwmon1";
    tree.File(odd + "/name", "a=b[1]\"\\c\n");
    tree.File(odd + "/in0_input", "1000\n");

    auto sensors = Sensors();
    ASSERT_TRUE(sensors.count("/lpc/nct6779/temperature/temp1")) << "the NULs end the name";
    EXPECT_DOUBLE_EQ(sensors.at("/lpc/nct6779/temperature/temp1").Value, 45.0);
    EXPECT_EQ(sensors.at("/lpc/nct6779/temperature/temp1").Name, "SYSTIN");
    EXPECT_DOUBLE_EQ(sensors.at("/lpc/nct6779/fan/fan1").Value, 1200.0);
    EXPECT_EQ(sensors.at("/lpc/nct6779/fan/fan1").Name, "CPU Fan");
    EXPECT_TRUE(sensors.count("/hwmon/a_b_1___c/voltage/in0"));
    for (const auto& [id, sensor] : sensors) {
        for (char c : id) {
            EXPECT_TRUE(c > 0x20 && c < 0x7F) << id;
            EXPECT_EQ(std::string("=[]\"\\").find(c), std::string::npos) << id;
        }
        for (char c : sensor.Name) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << sensor.Name;
    }
    EXPECT_EQ(Hardware().at("/lpc/nct6779").Name, "NCT6779");
}

TEST_F(UnseenHardware, AGarbledTableThatNamesOneThingTwiceGivesEachIdentifierOnce)
{
    tree.File("/proc/stat", "cpu  10 0 10 80 0 0 0 0 0 0\ncpu0 5 0 5 40 0 0 0 0\ncpu0 9 9 9 9 9 9 9 9\n");
    tree.File("/proc/net/dev", "Inter-|\n face |\n  eth0: 100 1 0 0 0 0 0 0 200 2 0 0 0 0 0 0\n"
                               "  eth0: 999 1 0 0 0 0 0 0 999 2 0 0 0 0 0 0\n");
    tree.File("/sys/class/net/eth0/type", "1\n");
    tree.File("/sys/class/net/eth0/device/uevent", "");

    auto sensors = Sensors(); // both fail on a repeated identifier
    Hardware();
    ASSERT_TRUE(sensors.count("/cpu/0/load/1"));
    now += 1s;
    tree.File("/proc/stat", "cpu  20 0 20 160 0 0 0 0 0 0\ncpu0 15 0 15 40 0 0 0 0\ncpu0 1 1 1 1 1 1 1 1\n");
    // The first line of the two is the one read.
    EXPECT_DOUBLE_EQ(Sensors().at("/cpu/0/load/1").Value, 100.0);
}

TEST_F(UnseenHardware, ACardsChipWithoutANameStaysUnderTheCard)
{
    Card("card0", "0000:03:00.0", "amdgpu", "1002:747E");
    const std::string chip = "/sys/class/drm/card0/device/hwmon/hwmon4";
    tree.File(chip + "/temp1_input", "51000\n");
    tree.File(chip + "/temp1_label", "edge\n");
    tree.File("/sys/class/drm/card0/device/gpu_busy_percent", "7\n");
    tree.File("/sys/class/drm/card0/device/mem_busy_percent", "12\n");
    tree.File("/sys/class/drm/card0/device/mem_info_vram_used", "1073741824\n");
    tree.File("/sys/class/drm/card0/device/mem_info_vram_total", "4294967296\n");
    // Elsewhere a chip without a name cannot be told apart and is left out.
    tree.File("/sys/class/hwmon/hwmon9/temp1_input", "30000\n");

    auto sensors = Sensors();
    EXPECT_DOUBLE_EQ(sensors.at("/gpu-amd/0000:03:00.0/temperature/temp1").Value, 51.0);
    EXPECT_EQ(sensors.at("/gpu-amd/0000:03:00.0/load/1").Name, "GPU Memory");
    EXPECT_DOUBLE_EQ(sensors.at("/gpu-amd/0000:03:00.0/load/1").Value, 25.0) << "the share of video memory in use";
    EXPECT_EQ(sensors.at("/gpu-amd/0000:03:00.0/load/2").Name, "GPU Memory Controller");
    EXPECT_DOUBLE_EQ(sensors.at("/gpu-amd/0000:03:00.0/load/2").Value, 12.0);
    EXPECT_EQ(Hardware().size(), 1u);
}

struct IntelCase {
    const char* driver;
    const char* idleFile;  // below the card's folder
    const char* clockFile;
};

TEST_F(UnseenHardware, IntelCardsAreVideoCardsWithLoadFromIdleTimeAndTheirClock)
{
    const IntelCase cases[] = {
        {"i915", "/gt/gt0/rc6_residency_ms", "/gt_act_freq_mhz"},
        {"xe", "/device/tile0/gt0/gtidle/idle_residency_ms", "/device/tile0/gt0/freq0/act_freq"},
    };
    int n = 0;
    for (const IntelCase& c : cases) {
        const std::string card = "/sys/class/drm/card" + std::to_string(n);
        const std::string slot = "0000:0" + std::to_string(n + 3) + ":00.0";
        Card("card" + std::to_string(n), slot, c.driver, "8086:56A5");
        tree.File(card + c.idleFile, "100000\n");
        tree.File(card + c.clockFile, "2050\n");
        tree.File(card + "/device/hwmon/hwmon" + std::to_string(n) + "/name", std::string(c.driver) + "\n");
        tree.File(card + "/device/hwmon/hwmon" + std::to_string(n) + "/temp1_input", "48000\n");
        ++n;
    }
    // A connector's folder is no card.
    tree.Dir("/sys/class/drm/card0-DP-1");

    auto hardware = Hardware();
    ASSERT_EQ(hardware.size(), 2u);
    for (const auto& [id, h] : hardware) {
        EXPECT_TRUE(id.starts_with("/gpu-intel/")) << id;
        EXPECT_EQ(h.HardwareType, "GpuIntel");
        EXPECT_EQ(h.Name, "Intel Graphics [8086:56A5]");
    }
    auto first = Sensors();
    for (const char* hw : {"/gpu-intel/0000:03:00.0", "/gpu-intel/0000:04:00.0"}) {
        const std::string id(hw);
        EXPECT_DOUBLE_EQ(first.at(id + "/load/0").Value, 0.0) << "the first sample has nothing to compare with";
        EXPECT_DOUBLE_EQ(first.at(id + "/clock/0").Value, 2050.0) << id;
        EXPECT_DOUBLE_EQ(first.at(id + "/temperature/temp1").Value, 48.0) << id;
    }

    // In two seconds: i915 idle for 500 ms (75 % busy), xe idle the whole time;
    // then a counter that went backwards (a reset) and one that ran ahead of the clock.
    tree.File("/sys/class/drm/card0/gt/gt0/rc6_residency_ms", "100500\n");
    tree.File("/sys/class/drm/card1/device/tile0/gt0/gtidle/idle_residency_ms", "102000\n");
    now += 2s;
    auto second = Sensors();
    EXPECT_DOUBLE_EQ(second.at("/gpu-intel/0000:03:00.0/load/0").Value, 75.0);
    EXPECT_DOUBLE_EQ(second.at("/gpu-intel/0000:04:00.0/load/0").Value, 0.0);
    tree.File("/sys/class/drm/card0/gt/gt0/rc6_residency_ms", "5\n");
    tree.File("/sys/class/drm/card1/device/tile0/gt0/gtidle/idle_residency_ms", "109000\n");
    now += 1s;
    auto third = Sensors();
    EXPECT_DOUBLE_EQ(third.at("/gpu-intel/0000:03:00.0/load/0").Value, 0.0);
    EXPECT_DOUBLE_EQ(third.at("/gpu-intel/0000:04:00.0/load/0").Value, 0.0) << "clamped";
}

} // namespace
