// The provider on real machines' captured trees: which hardware it finds, how
// it nests it, how many sensors of each type, and a few values in their units.

#include "HardwareProvider.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct HardwareExpect { const char* id; const char* type; const char* parent; };
struct ValueExpect { const char* id; const char* name; const char* type; double value; };

struct TreeCase {
    const char* tree;
    std::vector<HardwareExpect> hardware; // all of it, in any order
    std::map<std::string, int> sensorsPerType;
    std::vector<ValueExpect> values;
};

void PrintTo(const TreeCase& c, std::ostream* os) { *os << c.tree; }

class ProviderOnFixture : public testing::TestWithParam<TreeCase> {};

TEST_P(ProviderOnFixture, PublishesTheTreesHardwareAndSensors)
{
    const TreeCase& c = GetParam();
    THardwareProvider provider(std::string(TELLVANE_SHARED_FIXTURES) + "/" + c.tree);
    auto sample = provider.Sample();

    std::map<std::string, const THardwareItem*> hardware;
    for (const THardwareItem& h : sample->Hardware) EXPECT_TRUE(hardware.emplace(h.Identifier, &h).second) << "duplicate " << h.Identifier;
    EXPECT_EQ(hardware.size(), c.hardware.size());
    for (const HardwareExpect& e : c.hardware) {
        auto it = hardware.find(e.id);
        ASSERT_NE(it, hardware.end()) << "missing hardware " << e.id;
        EXPECT_EQ(it->second->HardwareType, e.type) << e.id;
        EXPECT_EQ(it->second->Parent, e.parent) << e.id;
    }

    std::map<std::string, int> perType;
    std::map<std::string, const TSensorItem*> sensors;
    for (const TSensorItem& s : sample->Sensors) {
        ++perType[s.SensorType];
        EXPECT_TRUE(sensors.emplace(s.Identifier, &s).second) << "duplicate " << s.Identifier;
        EXPECT_TRUE(hardware.count(s.Parent)) << s.Identifier << " has no hardware " << s.Parent;
        EXPECT_TRUE(s.Identifier.starts_with(s.Parent + "/")) << s.Identifier;
    }
    EXPECT_EQ(perType, c.sensorsPerType);
    for (const ValueExpect& e : c.values) {
        auto it = sensors.find(e.id);
        ASSERT_NE(it, sensors.end()) << "missing sensor " << e.id;
        EXPECT_EQ(it->second->Name, e.name) << e.id;
        EXPECT_EQ(it->second->SensorType, e.type) << e.id;
        EXPECT_NEAR(it->second->Value, e.value, 1e-6) << e.id;
    }
}

// A query for one identifier reads only the source that identifier can come
// from: every item of the full listing must be found that way, by a fresh
// provider and also in upper case, with the same name and type.
TEST_P(ProviderOnFixture, EveryIdentifierIsFoundByItsOwnQuery)
{
    const TreeCase& c = GetParam();
    const std::string root = std::string(TELLVANE_SHARED_FIXTURES) + "/" + c.tree;
    auto full = THardwareProvider(root).Sample();
    auto provider = std::make_shared<THardwareProvider>(root);
    TWbemService service("root\\LibreHardwareMonitor", provider);
    auto upper = [](std::string s) {
        for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        return s;
    };
    for (const TSensorItem& s : full->Sensors) {
        TWbemObjects found = service.ExecQuery("SELECT * FROM Sensor WHERE Identifier = " + WqlQuote(upper(s.Identifier)));
        ASSERT_EQ(found.size(), 1u) << s.Identifier;
        EXPECT_EQ(found[0].Text("Name"), s.Name) << s.Identifier;
        EXPECT_EQ(found[0].Text("SensorType"), s.SensorType) << s.Identifier;
    }
    for (const THardwareItem& h : full->Hardware) {
        TWbemObjects found = service.ExecQuery("SELECT * FROM Hardware WHERE Identifier = " + WqlQuote(h.Identifier));
        ASSERT_EQ(found.size(), 1u) << h.Identifier;
        EXPECT_EQ(found[0].Text("HardwareType"), h.HardwareType) << h.Identifier;
    }
}

constexpr double GiB = 1024.0 * 1024.0 * 1024.0;

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ProviderOnFixture,
    testing::Values(
        TreeCase{"amd-desktop-k10temp-2nvme",
                 {{"/cpu/0", "Cpu", ""}, {"/hwmon/nvme@nvme0", "Motherboard", ""}, {"/hwmon/nvme@nvme1", "Motherboard", ""}},
                 {{"Temperature", 8}},
                 {{"/cpu/0/temperature/k10temp@0000:00:18.3/temp1", "Tctl", "Temperature", 31.875},
                  {"/hwmon/nvme@nvme0/temperature/temp1", "Composite", "Temperature", 32.850}}},
        TreeCase{"amdgpu-rx7800xt-rdna3",
                 {{"/gpu-amd/0000:03:00.0", "GpuAmd", ""}},
                 {{"Load", 1}, {"Temperature", 3}, {"Fan", 1}, {"Voltage", 1}, {"Power", 1}, {"Control", 1}, {"Clock", 2}},
                 {{"/gpu-amd/0000:03:00.0/load/0", "GPU Core", "Load", 2},
                  {"/gpu-amd/0000:03:00.0/fan/fan1", "Fan #1", "Fan", 868},
                  {"/gpu-amd/0000:03:00.0/power/power1", "PPT", "Power", 32.0},
                  {"/gpu-amd/0000:03:00.0/voltage/in0", "vddgfx", "Voltage", 0.985}}},
        TreeCase{"radeon-hd7870-no-busy-percent",
                 {{"/gpu-amd/0000:01:00.0", "GpuAmd", ""}},
                 {{"Temperature", 1}, {"Control", 1}, {"Clock", 1}},
                 {}},
        // Intel cards are video cards, their chips' sensors under them.
        TreeCase{"intel-arc-b580-xe",
                 {{"/gpu-intel/0000:09:00.0", "GpuIntel", ""}},
                 {{"Temperature", 16}, {"Fan", 3}, {"Power", 2}, {"Control", 3}},
                 {{"/gpu-intel/0000:09:00.0/temperature/temp2", "pkg", "Temperature", 54.0},
                  // Energy counters give watts only from the second sample.
                  {"/gpu-intel/0000:09:00.0/power/energy1", "card", "Power", 0.0}}},
        TreeCase{"intel-arc-a380-i915",
                 {{"/gpu-intel/0000:0b:00.0", "GpuIntel", ""}},
                 {{"Temperature", 1}, {"Fan", 1}, {"Voltage", 1}, {"Power", 1}},
                 {{"/gpu-intel/0000:0b:00.0/temperature/temp1", "Temperature #1", "Temperature", 55.0},
                  {"/gpu-intel/0000:0b:00.0/voltage/in0", "Voltage #0", "Voltage", 0.603}}},
        TreeCase{"dell-r720-xeon-coretemp-6core",
                 {{"/cpu/0", "Cpu", ""}},
                 {{"Temperature", 7}},
                 {{"/cpu/0/temperature/coretemp/temp1", "Package id 0", "Temperature", 54.0}}},
        TreeCase{"thinkpad-x250-laptop-thinkpad-bat",
                 {{"/hwmon/thinkpad", "Motherboard", ""}, {"/hwmon/BAT1", "Motherboard", ""}},
                 // temp2..8 read 0: no sensor behind them.
                 {{"Temperature", 2}, {"Fan", 1}, {"Control", 1}, {"Voltage", 1}},
                 {{"/hwmon/thinkpad/fan/fan1", "Fan #1", "Fan", 2200},
                  {"/hwmon/thinkpad/temperature/temp6", "Temperature #6", "Temperature", 76.0},
                  {"/hwmon/BAT1/voltage/in0", "Voltage #0", "Voltage", 11.943}}},
        TreeCase{"mixed-2pkg-coretemp-nct6779-applesmc-8cpu",
                 {{"/cpu/0", "Cpu", ""}, {"/ram", "Memory", ""}, {"/storage/sda", "Storage", ""}, {"/storage/dm-5", "Storage", ""},
                  {"/motherboard", "Motherboard", ""}, {"/lpc/nct6779", "SuperIO", "/motherboard"},
                  {"/hwmon/applesmc@applesmc.768", "Motherboard", ""}, {"/hwmon/mt7996_phy0_0", "Motherboard", ""},
                  {"/hwmon/mt7996_phy0_1", "Motherboard", ""}, {"/hwmon/mt7996_phy0_2", "Motherboard", ""},
                  {"/hwmon/bogus", "Motherboard", ""}, {"/hwmon/asus@asus-nb-wmi", "Motherboard", ""},
                  {"/hwmon/asus_wmi_sensors@asus-nb-wmi", "Motherboard", ""}},
                 {{"Load", 2 + 9 + 6}, {"Clock", 4}, {"Temperature", 13}, {"Fan", 3}, {"Voltage", 2}, {"Data", 4}, {"Throughput", 4}},
                 {{"/lpc/nct6779/fan/fan2", "Fan #2", "Fan", 1098},
                  {"/lpc/nct6779/voltage/in0", "Voltage #0", "Voltage", 0.792},
                  {"/hwmon/applesmc@applesmc.768/fan/fan2", "Right side", "Fan", 1998},
                  {"/cpu/0/temperature/coretemp@coretemp.1/temp1", "Physical id 0", "Temperature", 55.0},
                  {"/cpu/0/load/8", "CPU Core #8", "Load", 0.0},
                  // No MemAvailable in this old kernel's meminfo: free + buffers + cached.
                  {"/ram/data/0", "Memory Used", "Data", (3742148.0 - (225472.0 + 22040.0 + 930888.0)) * 1024 / GiB}}}),
    [](const testing::TestParamInfo<TreeCase>& info) {
        std::string name = info.param.tree;
        for (char& ch : name) if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(ProviderOnFixture, TreesWithoutHardwareFilesGiveEmptyAnswers)
{
    THardwareProvider provider(std::string(TELLVANE_SHARED_FIXTURES) + "/does-not-exist");
    EXPECT_TRUE(provider.Sample()->Hardware.empty());
    EXPECT_TRUE(provider.Sample()->Sensors.empty());
}

} // namespace
