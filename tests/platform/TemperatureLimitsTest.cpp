// A temperature's limits as its chip gives them: read from the chips of real
// machines' trees, dropped where they cannot be meant, and published with
// the sensor.

#include "HardwareProvider.h"
#include "HwmonChips.h"
#include "TreeBuilder.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using TLimit = std::optional<double>;
constexpr TLimit None = std::nullopt;

std::map<std::string, TSensorItem> SensorsOf(const std::filesystem::path& root)
{
    std::map<std::string, TSensorItem> out;
    const auto sample = THardwareProvider(root).Sample();
    for (const TSensorItem& s : sample->Sensors) out.emplace(s.Identifier, s);
    return out;
}

// Millidegrees times 1e-3 give the limit up to the last bit.
void ExpectLimit(TLimit got, TLimit expected, const std::string& what)
{
    ASSERT_EQ(got.has_value(), expected.has_value()) << what;
    if (got) {
        EXPECT_NEAR(*got, *expected, 1e-9) << what;
    }
}

} // namespace

TEST(TemperatureLimits, AreReadFromEachKindOfChip)
{
    struct Case {
        const char* tree;
        const char* id;
        TLimit high, critical;
    };
    for (const Case& c : {
             Case{"dell-r720-xeon-coretemp-6core", "/cpu/0/temperature/coretemp/temp1", 81, 91},
             Case{"dell-r720-xeon-coretemp-6core", "/cpu/0/temperature/coretemp/temp7", 81, 91},
             // k10temp gives no limits.
             Case{"amd-desktop-k10temp-2nvme", "/cpu/0/temperature/k10temp@0000:00:18.3/temp1", None, None},
             // NVMe: the composite's max and crit; the other sensors' max reads 65261.85 C, "no limit".
             Case{"amd-desktop-k10temp-2nvme", "/hwmon/nvme@nvme0/temperature/temp1", 81.85, 84.85},
             Case{"amd-desktop-k10temp-2nvme", "/hwmon/nvme@nvme0/temperature/temp2", None, None},
             // amdgpu edge, junction and memory: crit is where the card slows down, emergency where it stops.
             Case{"amdgpu-rx7800xt-rdna3", "/gpu-amd/0000:03:00.0/temperature/temp1", 100, 105},
             Case{"amdgpu-rx7800xt-rdna3", "/gpu-amd/0000:03:00.0/temperature/temp2", 110, 115},
             Case{"amdgpu-rx7800xt-rdna3", "/gpu-amd/0000:03:00.0/temperature/temp3", 108, 113},
             // An older amdgpu: a crit only.
             Case{"amdgpu-rx580-polaris", "/gpu-amd/0000:09:00.0/temperature/temp1", None, 94},
         }) {
        const auto sensors = SensorsOf(std::filesystem::path(TELLVANE_SHARED_FIXTURES) / c.tree);
        const auto it = sensors.find(c.id);
        ASSERT_NE(it, sensors.end()) << c.tree << ": no " << c.id;
        ExpectLimit(it->second.HighLimit, c.high, std::string(c.tree) + " " + c.id + " high");
        ExpectLimit(it->second.CriticalLimit, c.critical, std::string(c.tree) + " " + c.id + " critical");
    }
}

TEST(TemperatureLimits, ImplausibleOnesAreDropped)
{
    struct Case {
        const char* what;
        TLimit max, crit, emergency;
        TLimit high, critical;
    };
    for (const Case& c : {
             Case{"max and crit", 80, 100, None, 80, 100},
             Case{"max, crit and emergency: emergency unused", 80, 100, 110, 80, 100},
             Case{"max and emergency", 80, None, 110, 80, 110},
             Case{"crit below emergency", None, 100, 105, 100, 105},
             Case{"crit alone", None, 94, None, None, 94},
             Case{"emergency alone", None, None, 105, None, 105},
             Case{"emergency not above crit", None, 100, 100, None, 100},
             Case{"an unset register: 0", 0, 95, None, None, 95},
             Case{"an unset register: -128", -128, None, None, None, None},
             Case{"no limit: 65261.85", 65261.85, None, None, None, None},
             Case{"edges of the range", 20, 150, None, 20, 150},
             Case{"just outside", 19.9, 150.1, None, None, None},
             Case{"crit below max", 90, 85, None, 90, None},
         }) {
        const TTemperatureLimits limits = TemperatureLimits(c.max, c.crit, c.emergency);
        EXPECT_EQ(limits.High, c.high) << c.what;
        EXPECT_EQ(limits.Critical, c.critical) << c.what;
    }
}

TEST(TemperatureLimits, APublishedSensorCarriesItsLimitsOnlyWhereTheChipGivesThem)
{
    TempDir dir;
    TreeBuilder tree(dir.Path());
    const std::string chip = "/sys/devices/platform/nct6775.656/hwmon/hwmon2";
    tree.Link("/sys/class/hwmon/hwmon2", "../../devices/platform/nct6775.656/hwmon/hwmon2");
    tree.Link(chip + "/device", "../..");
    tree.File(chip + "/name", "nct6779\n");
    tree.File(chip + "/temp1_input", "45000\n");
    tree.File(chip + "/temp1_max", "80000\n");
    tree.File(chip + "/temp1_crit", "garbage\n");
    tree.File(chip + "/temp2_input", "38000\n");
    tree.File(chip + "/temp2_max", "-128000\n");
    tree.File(chip + "/fan1_input", "900\n");
    tree.File(chip + "/fan1_max", "2000\n");

    auto provider = std::make_shared<THardwareProvider>(dir.Path());
    TWbemService service("root\\LibreHardwareMonitor", provider);
    std::map<std::string, TWbemObject> sensors;
    for (TWbemObject& o : service.ExecQuery("SELECT * FROM Sensor")) sensors.emplace(o.Text("Identifier"), o);
    ASSERT_EQ(sensors.size(), 3u);
    const TWbemObject& hot = sensors.at("/lpc/nct6779/temperature/temp1");
    EXPECT_DOUBLE_EQ(hot.Number("HighLimit"), 80);
    EXPECT_EQ(hot.Find("CriticalLimit"), nullptr) << "a crit that is no number";
    const TWbemObject& unset = sensors.at("/lpc/nct6779/temperature/temp2");
    EXPECT_EQ(unset.Find("HighLimit"), nullptr);
    EXPECT_EQ(sensors.at("/lpc/nct6779/fan/fan1").Find("HighLimit"), nullptr) << "only temperatures";
}
