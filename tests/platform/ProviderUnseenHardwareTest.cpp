// The provider on hardware the captured trees do not show, in small trees of
// our own: chips alike without device links, damaged files, a card's chip
// without a name, Intel video cards and the memory controller's load.

#include "HardwareProvider.h"
#include "TreeBuilder.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>

namespace {

using namespace std::chrono_literals;

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        int n = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (n < 0 || (n == 1 && c < 0xC2) || i + std::size_t(n) >= text.size()) return false;
        for (int k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(text[i + std::size_t(k)]) & 0xC0) != 0x80) return false;
        i += std::size_t(n) + 1;
    }
    return true;
}

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
    tree.File(chip + "/power1_input", "15000000\n");
    tree.File(chip + "/power1_label", "PPT\tA B\n");
    tree.File(chip + "/in1_input", "1000\n");
    tree.File(chip + "/in1_label", "junc\xff\xfetion \xc3\xa9\xe2\x82\n");
    tree.File(chip + "/fan1_input", "1200\r\n");
    tree.File(chip + "/fan1_label", "CPU Fan\r\n");
    // A name that the settings file or a query would misread.
    const std::string odd = "/sys/class/hwmon/hwmon1";
    tree.File(odd + "/name", "a=b[1]\"\\c\n");
    tree.File(odd + "/in0_input", "1000\n");

    auto sensors = Sensors();
    ASSERT_TRUE(sensors.count("/lpc/nct6779/temperature/temp1")) << "the NULs end the name";
    EXPECT_DOUBLE_EQ(sensors.at("/lpc/nct6779/temperature/temp1").Value, 45.0);
    // Each control character is one blank; a byte that is no UTF-8 is U+FFFD.
    EXPECT_EQ(sensors.at("/lpc/nct6779/temperature/temp1").Name, "SYS TIN");
    EXPECT_EQ(sensors.at("/lpc/nct6779/power/power1").Name, "PPT A B");
    EXPECT_EQ(sensors.at("/lpc/nct6779/voltage/in1").Name, "junc\xEF\xBF\xBD\xEF\xBF\xBDtion \xC3\xA9\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_DOUBLE_EQ(sensors.at("/lpc/nct6779/fan/fan1").Value, 1200.0);
    EXPECT_EQ(sensors.at("/lpc/nct6779/fan/fan1").Name, "CPU Fan");
    EXPECT_TRUE(sensors.count("/hwmon/a_b_1___c/voltage/in0"));
    for (const auto& [id, sensor] : sensors) {
        for (char c : id) {
            EXPECT_TRUE(c > 0x20 && c < 0x7F) << id;
            EXPECT_EQ(std::string("=[]\"\\").find(c), std::string::npos) << id;
        }
        for (char c : sensor.Name) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << sensor.Name;
        EXPECT_TRUE(IsValidUtf8(sensor.Name)) << sensor.Name;
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


TEST_F(UnseenHardware, FileLinksStayInsideTheRoot)
{
    // Links to files, absolute and climbing: read below the root, as the
    // folder links are, never this machine's files.
    tree.File("/captured/stat", "cpu  10 0 10 80 0 0 0 0 0 0\ncpu0 10 0 10 80 0 0 0 0\n");
    tree.Link("/proc/stat", "/captured/stat");
    tree.File("/elsewhere/temp", "42000\n");
    tree.File("/sys/class/hwmon/hwmon0/name", "board\n");
    tree.Link("/sys/class/hwmon/hwmon0/temp1_input", "/elsewhere/temp");
    tree.Link("/sys/class/hwmon/hwmon0/temp2_input", "../../../../../../../../../../etc/hostname");
    tree.Link("/proc/meminfo", "/proc/meminfo"); // a loop, not this machine's memory

    auto sensors = Sensors();
    ASSERT_TRUE(sensors.count("/cpu/0/load/1")) << "the captured stat, with its one core";
    EXPECT_FALSE(sensors.count("/cpu/0/load/2")) << "this machine's /proc/stat was read";
    EXPECT_DOUBLE_EQ(sensors.at("/hwmon/board/temperature/temp1").Value, 42.0);
    EXPECT_FALSE(sensors.count("/hwmon/board/temperature/temp2")) << "a link out of the root ends at the root";
    EXPECT_FALSE(Hardware().count("/ram"));
}

TEST_F(UnseenHardware, ACardWithoutAReadableUeventIsFoundByItsDriverLinkAndDevicePath)
{
    enum class TLayout { Missing, Unreadable, CapturedWithoutLinks };
    struct Case {
        const char* what;
        TLayout layout;
        const char* hardware;
    };
    const Case cases[] = {
        {"uevent missing", TLayout::Missing, "/gpu-amd/0000:03:00.0"},
        {"uevent unreadable", TLayout::Unreadable, "/gpu-amd/0000:03:00.0"},
        // A capture with plain folders and no driver link: the card's chip names the driver.
        {"no uevent, no links", TLayout::CapturedWithoutLinks, "/gpu-amd/card0"},
    };
    for (const Case& c : cases) {
        TempDir root;
        TreeBuilder t(root.Path());
        const bool links = c.layout != TLayout::CapturedWithoutLinks;
        const std::string device = links ? "/sys/devices/pci0000:00/0000:00:01.0/0000:03:00.0" : "/sys/class/drm/card0/device";
        if (links) {
            t.Dir("/sys/bus/pci/drivers/amdgpu");
            t.Link(device + "/driver", "../../../../bus/pci/drivers/amdgpu");
            t.Link("/sys/class/drm/card0/device", "../../../devices/pci0000:00/0000:00:01.0/0000:03:00.0");
            t.Link("/sys/class/hwmon/hwmon2", "../../devices/pci0000:00/0000:00:01.0/0000:03:00.0/hwmon/hwmon2");
        }
        t.File(device + "/gpu_busy_percent", "37\n");
        t.File(device + "/hwmon/hwmon2/name", "amdgpu\n");
        t.File(device + "/hwmon/hwmon2/temp1_input", "55000\n");
        if (c.layout == TLayout::Unreadable) t.Dir(device + "/uevent");

        THardwareProvider p(root.Path(), [this] { return now; });
        const auto sample = p.Sample();
        std::map<std::string, TSensorItem> sensors;
        for (const TSensorItem& s : sample->Sensors) sensors.emplace(s.Identifier, s);
        const std::string hw = c.hardware;
        ASSERT_EQ(sample->Hardware.size(), 1u) << c.what;
        EXPECT_EQ(sample->Hardware[0].Identifier, hw) << c.what;
        EXPECT_EQ(sample->Hardware[0].HardwareType, "GpuAmd") << c.what;
        ASSERT_TRUE(sensors.count(hw + "/load/0")) << c.what;
        EXPECT_DOUBLE_EQ(sensors.at(hw + "/load/0").Value, 37.0) << c.what;
        EXPECT_DOUBLE_EQ(sensors.at(hw + "/temperature/temp1").Value, 55.0) << c.what;
    }
}

TEST_F(UnseenHardware, CardPowerAndMemoryUsedSurviveMissingFiles)
{
    struct Case {
        const char* what;
        std::optional<std::string> average, input; // power1_average, power1_input; a folder stands for unreadable
        std::optional<std::string> vramTotal;
        std::optional<double> watts; // nothing: no power sensor
        bool memoryLoad;
    };
    const Case cases[] = {
        {"average only", "41000000\n", std::nullopt, "8589934592\n", 41.0, true},
        {"input only (newer kernels)", std::nullopt, "35000000\n", "8589934592\n", 35.0, true},
        {"average unreadable, input read", "<folder>", "33000000\n", "0\n", 33.0, false},
        {"average preferred", "20000000\n", "25000000\n", std::nullopt, 20.0, false},
        {"neither readable", "<folder>", std::nullopt, "garbage\n", std::nullopt, false},
    };
    for (const Case& c : cases) {
        TempDir root;
        TreeBuilder t(root.Path());
        t.File("/sys/class/drm/card0/device/uevent", "DRIVER=amdgpu\nPCI_ID=1002:747E\nPCI_SLOT_NAME=0000:03:00.0\n");
        const std::string dev = "/sys/class/drm/card0/device";
        const std::string chip = dev + "/hwmon/hwmon1";
        t.File(chip + "/name", "amdgpu\n");
        t.File(chip + "/power1_label", "PPT\n");
        for (const auto& [file, text] : {std::pair{"/power1_average", c.average}, std::pair{"/power1_input", c.input}}) {
            if (text == "<folder>")
                t.Dir(chip + file);
            else if (text)
                t.File(chip + file, *text);
        }
        t.File(dev + "/mem_info_vram_used", "1073741824\n");
        if (c.vramTotal) t.File(dev + "/mem_info_vram_total", *c.vramTotal);

        THardwareProvider p(root.Path(), [this] { return now; });
        std::map<std::string, TSensorItem> sensors;
        for (const TSensorItem& s : p.Sample()->Sensors) sensors.emplace(s.Identifier, s);
        const std::string hw = "/gpu-amd/0000:03:00.0";
        if (c.watts) {
            ASSERT_TRUE(sensors.count(hw + "/power/power1")) << c.what;
            EXPECT_DOUBLE_EQ(sensors.at(hw + "/power/power1").Value, *c.watts) << c.what;
            EXPECT_EQ(sensors.at(hw + "/power/power1").Name, "PPT") << c.what;
        } else {
            EXPECT_FALSE(sensors.count(hw + "/power/power1")) << c.what;
        }
        ASSERT_TRUE(sensors.count(hw + "/data/0")) << c.what << ": GPU Memory Used needs no total";
        EXPECT_DOUBLE_EQ(sensors.at(hw + "/data/0").Value, 1.0) << c.what;
        EXPECT_EQ(sensors.count(hw + "/load/1") == 1, c.memoryLoad) << c.what << ": the share needs a total";
    }
}

TEST_F(UnseenHardware, ACardsChipCopiedUnderAnotherNumberIsListedOnce)
{
    // sysfs lists the card's chip, and /sys/class/hwmon a copy of it under
    // another number with no device link: one card, no "amdgpu" board chip.
    Card("card0", "0000:03:00.0", "amdgpu", "1002:67DF");
    for (const std::string chip : {"/sys/class/drm/card0/device/hwmon/hwmon2", "/sys/class/hwmon/hwmon7"}) {
        tree.File(chip + "/name", "amdgpu\n");
        tree.File(chip + "/temp1_input", "50000\n");
        tree.File(chip + "/temp1_label", "edge\n");
        tree.File(chip + "/fan1_input", "600\n");
    }
    // A chip of the same driver with other attributes is another chip.
    tree.File("/sys/class/hwmon/hwmon8/name", "amdgpu\n");
    tree.File("/sys/class/hwmon/hwmon8/temp1_input", "60000\n");
    tree.File("/sys/class/hwmon/hwmon8/temp1_label", "junction\n");

    auto hardware = Hardware();
    EXPECT_TRUE(hardware.count("/gpu-amd/0000:03:00.0"));
    ASSERT_EQ(hardware.size(), 2u);
    const auto other = std::find_if(hardware.begin(), hardware.end(), [](const auto& h) { return h.second.HardwareType == "Motherboard"; });
    ASSERT_NE(other, hardware.end()) << "the chip that is no copy stays";
    EXPECT_EQ(other->second.Name, "amdgpu");
    EXPECT_DOUBLE_EQ(Sensors().at(other->first + "/temperature/temp1").Value, 60.0);
    EXPECT_DOUBLE_EQ(Sensors().at("/gpu-amd/0000:03:00.0/temperature/temp1").Value, 50.0);
}

TEST_F(UnseenHardware, AProcessorWithoutAnySensorIsNotListed)
{
    for (const std::string stat : {"", "garbage\n", "cpu  a b c d\nintr 1 2 3\n"}) {
        tree.File("/proc/stat", stat);
        now += 1s;
        EXPECT_FALSE(Hardware().count("/cpu/0")) << "'" << stat << "'";
    }
    tree.File("/proc/stat", "cpu  1 0 1 8 0 0 0 0\n");
    now += 1s;
    EXPECT_TRUE(Hardware().count("/cpu/0"));
}

TEST_F(UnseenHardware, NetworkAdaptersSayWhetherTheyAreWireless)
{
    tree.File("/proc/net/dev", "Inter-|\n face |\n"
                               "  eth0: 100 1 0 0 0 0 0 0 200 2 0 0 0 0 0 0\n"
                               "wlp2s0: 100 1 0 0 0 0 0 0 200 2 0 0 0 0 0 0\n"
                               " wlan1: 100 1 0 0 0 0 0 0 200 2 0 0 0 0 0 0\n");
    for (const std::string name : {"eth0", "wlp2s0", "wlan1"}) {
        tree.File("/sys/class/net/" + name + "/type", "1\n");
        tree.File("/sys/class/net/" + name + "/device/uevent", "");
    }
    tree.Dir("/sys/class/net/wlp2s0/wireless");
    tree.Dir("/sys/class/ieee80211/phy1");
    tree.Link("/sys/class/net/wlan1/phy80211", "../../ieee80211/phy1");

    std::map<std::string, double> wireless;
    for (const TWbemObject& o : *provider.Objects("Hardware").value())
        wireless[o.Text("Name")] = o.Number("Wireless");
    EXPECT_EQ(wireless, (std::map<std::string, double>{{"eth0", 0.0}, {"wlan1", 1.0}, {"wlp2s0", 1.0}}));
}

} // namespace
