// The provider on small trees of our own: rates and loads between two samples,
// identifiers that survive renumbering, and sensors that come and go.

#include "HardwareProvider.h"
#include "TreeBuilder.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <map>
#include <set>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Counters {
    long cpu0Busy = 1000, cpu0Idle = 9000;
    long rx = 5000, tx = 3000;
    long sectorsRead = 100, ioTicks = 0;
};

class ProviderSampling : public testing::Test {
protected:
    TempDir dir;
    TreeBuilder tree{dir.Path()};
    std::chrono::steady_clock::time_point now{};
    THardwareProvider provider{dir.Path(), [this] { return now; }};

    void SetUp() override
    {
        Write({});
        tree.File("/proc/meminfo", "MemTotal: 8388608 kB\nMemFree: 1000 kB\nMemAvailable: 2097152 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n");
        tree.Dir("/sys/block/sda");
        tree.Dir("/sys/block/loop0");
        tree.File("/sys/block/sda/device/model", "FAST DISK       \n");
        // A SuperIO chip the way sysfs shows it: a class link into the device's folder.
        const std::string chip = "/sys/devices/platform/nct6775.656/hwmon/hwmon2";
        tree.File(chip + "/name", "nct6779\n");
        tree.File(chip + "/in0_input", "1024\n");
        tree.File(chip + "/temp1_input", "45500\n");
        tree.File(chip + "/temp1_label", "SYSTIN\n");
        tree.File(chip + "/temp2_input", "-273150\n"); // "no value"
        tree.File(chip + "/fan1_input", "1200");       // no newline
        tree.Link(chip + "/device", "../../../nct6775.656");
        tree.Link("/sys/class/hwmon/hwmon2", "../../devices/platform/nct6775.656/hwmon/hwmon2");
    }

    void Write(const Counters& c)
    {
        tree.File("/proc/stat", "cpu  " + std::to_string(c.cpu0Busy) + " 0 0 " + std::to_string(c.cpu0Idle) + " 0 0 0 0 0 0\n" +
                                    "cpu0 " + std::to_string(c.cpu0Busy) + " 0 0 " + std::to_string(c.cpu0Idle) + " 0 0 0 0 0 0\n");
        tree.File("/proc/net/dev",
                  "Inter-|   Receive                            |  Transmit\n"
                  " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls carrier compressed\n"
                  "    lo: 999 1 0 0 0 0 0 0 999 1 0 0 0 0 0 0\n"
                  "  eth0: " + std::to_string(c.rx) + " 1 0 0 0 0 0 0 " + std::to_string(c.tx) + " 1 0 0 0 0 0 0\n");
        std::string sda = "   8       0 sda 10 0 " + std::to_string(c.sectorsRead) + " 40 5 0 8 20 0 " + std::to_string(c.ioTicks) + " 60 0 0 0 0\n";
        tree.File("/proc/diskstats", sda + "   8       1 sda1 1 0 2 3 4 0 5 6 0 7 8 0 0 0 0\n   7       0 loop0 1 0 2 3 4 0 5 6 0 7 8 0 0 0 0\n");
    }

    std::map<std::string, TSensorItem> Sensors()
    {
        std::map<std::string, TSensorItem> out;
        for (const TSensorItem& s : provider.Sample()->Sensors) out[s.Identifier] = s;
        return out;
    }
    std::set<std::string> HardwareIds()
    {
        std::set<std::string> out;
        for (const THardwareItem& h : provider.Sample()->Hardware) out.insert(h.Identifier);
        return out;
    }
};

TEST_F(ProviderSampling, RatesAndLoadsComeFromTwoSamples)
{
    auto first = Sensors();
    for (const char* id : {"/cpu/0/load/0", "/cpu/0/load/1", "/nic/eth0/throughput/7", "/nic/eth0/throughput/8",
                           "/storage/sda/throughput/0", "/storage/sda/load/0"})
        EXPECT_EQ(first.at(id).Value, 0.0) << id << ": the first sample has nothing to compare with";

    Counters c;
    c.cpu0Busy += 50;
    c.cpu0Idle += 150;
    c.rx += 2000;
    c.tx += 1000;
    c.sectorsRead += 20;
    c.ioTicks += 1000;
    Write(c);
    now += 2s;
    auto second = Sensors();
    EXPECT_DOUBLE_EQ(second.at("/cpu/0/load/1").Value, 25.0);
    EXPECT_EQ(second.at("/cpu/0/load/1").Name, "CPU Core #1");
    EXPECT_EQ(second.at("/cpu/0/load/0").Name, "CPU Total");
    EXPECT_DOUBLE_EQ(second.at("/nic/eth0/throughput/8").Value, 1000.0) << "download in bytes per second";
    EXPECT_DOUBLE_EQ(second.at("/nic/eth0/throughput/7").Value, 500.0) << "upload in bytes per second";
    EXPECT_DOUBLE_EQ(second.at("/storage/sda/throughput/0").Value, 20 * 512 / 2.0);
    EXPECT_DOUBLE_EQ(second.at("/storage/sda/load/0").Value, 50.0);
    EXPECT_DOUBLE_EQ(second.at("/ram/data/1").Value, 2.0) << "available memory in GB of 1024^3 bytes";
    EXPECT_DOUBLE_EQ(second.at("/ram/data/0").Value, 6.0);
    EXPECT_DOUBLE_EQ(second.at("/ram/load/0").Value, 75.0);
    EXPECT_FALSE(second.count("/ram/data/2")) << "no swap sensors without swap";

    // Counters that go backwards (a reset) read 0, not a negative rate.
    c.rx -= 4000;
    Write(c);
    now += 1s;
    EXPECT_EQ(Sensors().at("/nic/eth0/throughput/8").Value, 0.0);
}

TEST_F(ProviderSampling, QueriesWithinAFewHundredMillisecondsShareOneSample)
{
    Sensors();
    Counters c;
    c.rx += 1000;
    Write(c);
    now += 100ms;
    EXPECT_EQ(Sensors().at("/nic/eth0/data/3").Value, 5000 / (1024.0 * 1024 * 1024)) << "files were read again";
    now += THardwareProvider::SampleMaxAge;
    EXPECT_EQ(Sensors().at("/nic/eth0/data/3").Value, 6000 / (1024.0 * 1024 * 1024));
}

// A refresh cycle with only the processor's load and the memory configured
// reads /proc/stat and /proc/meminfo, each once per cycle, and nothing else;
// the full listing reads everything.
TEST_F(ProviderSampling, ACycleReadsOnlyTheSourcesItsQueriesNeed)
{
    auto shared = std::shared_ptr<THardwareProvider>(&provider, [](THardwareProvider*) {});
    TWbemService service("root\\LibreHardwareMonitor", shared);
    auto taken = [&] {
        std::map<THardwareSource, long> out;
        for (int i = 0; i < HardwareSourceCount; ++i)
            out[static_cast<THardwareSource>(i)] = provider.SamplesTaken(static_cast<THardwareSource>(i));
        return out;
    };
    for (int cycle = 0; cycle < 3; ++cycle) {
        now += 1s;
        EXPECT_EQ(service.ExecQuery("SELECT * FROM Sensor WHERE Identifier = \"/cpu/0/load/0\"").size(), 1u);
        EXPECT_EQ(service.ExecQuery("SELECT * FROM Sensor WHERE Identifier like \"/cpu/0/load/%\"").size(), 2u);
        EXPECT_EQ(service.ExecQuery("SELECT * FROM Sensor WHERE Identifier = \"/ram/load/0\"").size(), 1u);
        EXPECT_EQ(service.ExecQuery("SELECT * FROM Sensor WHERE Identifier = \"/ram/data/0\"").size(), 1u);
        EXPECT_TRUE(service.ExecQuery("SELECT * FROM Sensor WHERE Identifier = \"/gone/load/0\"").empty());
    }
    EXPECT_EQ(taken(), (std::map<THardwareSource, long>{{THardwareSource::Processor, 3}, {THardwareSource::Memory, 3},
                                                        {THardwareSource::DrmCards, 0}, {THardwareSource::LibraryGpus, 0},
                                                        {THardwareSource::Network, 0}, {THardwareSource::Disks, 0},
                                                        {THardwareSource::OtherChips, 0}}));
    now += 1s;
    EXPECT_TRUE(HardwareIds().count("/lpc/nct6779@nct6775.656"));
    for (const auto& [source, count] : taken()) EXPECT_EQ(count, source <= THardwareSource::Memory ? 4 : 1);

    // A source read on its own still gives rates over its own interval.
    Counters c;
    c.rx += 2000;
    Write(c);
    now += 2s;
    auto down = service.ExecQuery("SELECT * FROM Sensor WHERE Identifier = \"/nic/eth0/throughput/8\"");
    ASSERT_EQ(down.size(), 1u);
    EXPECT_DOUBLE_EQ(down[0].Number("Value"), 1000.0);
}

// The kernel makes a table of /proc anew at every read: a sample opens each
// table it needs once, also when the table could have been a link's text.
TEST_F(ProviderSampling, ASampleOpensEachTableOnce)
{
    const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watcher, 0);
    std::map<int, std::string> names;
    for (const char* table : {"/proc/stat", "/proc/meminfo", "/proc/net/dev", "/proc/diskstats"})
        // Closes are watched too: inotify merges an event with an unread one just like it.
        names[inotify_add_watch(watcher, (dir.Path().string() + table).c_str(), IN_OPEN | IN_CLOSE_NOWRITE)] = table;
    auto shared = std::shared_ptr<THardwareProvider>(&provider, [](THardwareProvider*) {});
    TWbemService service("root\\LibreHardwareMonitor", shared);
    // Discovery comes first and reads what it reads; then one cycle.
    now += 1s;
    EXPECT_FALSE(service.ExecQuery("SELECT * FROM Sensor").empty());
    alignas(inotify_event) char drain[4096];
    while (read(watcher, drain, sizeof drain) > 0) {
    }
    now += 1s;
    EXPECT_FALSE(service.ExecQuery("SELECT * FROM Sensor").empty());
    std::map<std::string, int> opens;
    for (ssize_t n; (n = read(watcher, drain, sizeof drain)) > 0;)
        for (char* p = drain; p < drain + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len) {
            const auto* event = reinterpret_cast<inotify_event*>(p);
            if (event->mask & IN_OPEN) ++opens[names[event->wd]];
        }
    close(watcher);
    EXPECT_EQ(opens, (std::map<std::string, int>{{"/proc/diskstats", 1}, {"/proc/meminfo", 1}, {"/proc/net/dev", 1}, {"/proc/stat", 1}}));
}

struct SourcesCase {
    const char* condition;
    std::set<THardwareSource> sources;
};

TEST(ProviderQueries, AConditionOnTheIdentifierNamesTheSourcesItCanMatch)
{
    using S = THardwareSource;
    const std::set<S> all{S::Processor, S::Memory, S::DrmCards, S::LibraryGpus, S::Network, S::Disks, S::OtherChips};
    const SourcesCase cases[] = {
        {"", all},
        {"WHERE Identifier = \"/cpu/0/load/0\"", {S::Processor}},
        {"WHERE identifier = \"/RAM/data/1\"", {S::Memory}},
        {"WHERE Identifier = \"/ram\"", {S::Memory}},
        {"WHERE Identifier = \"/gpu-amd/0000:03:00.0/load/0\"", {S::DrmCards}},
        {"WHERE Identifier = \"/gpu-nvidia/0/temperature/0\"", {S::LibraryGpus}},
        {"WHERE Identifier = \"/nic/eth0/throughput/7\"", {S::Network}},
        {"WHERE Identifier = \"/storage/sda/load/0\"", {S::Disks}},
        {"WHERE Identifier = \"/lpc/nct6779/fan/fan1\"", {S::OtherChips}},
        {"WHERE Identifier = \"/hwmon/acpitz/temperature/temp1\"", {S::OtherChips}},
        {"WHERE Identifier = \"/motherboard\"", {S::OtherChips}},
        {"WHERE Identifier = \"/cpu\"", {}},
        {"WHERE Identifier = \"\"", {}},
        {"WHERE Identifier = \"nic/eth0\"", {}},
        {"WHERE Identifier like \"/cpu/0/load/%\"", {S::Processor}},
        {"WHERE Identifier like \"/c%\"", {S::Processor}},
        {"WHERE Identifier like \"/_pu/0%\"", all},
        {"WHERE Identifier like \"%/load/0\"", all},
        {"WHERE Identifier like \"/%\"", all},
        {"WHERE Identifier like \"/gpu-%\"", {S::DrmCards, S::LibraryGpus}},
        {"WHERE Identifier like \"/xyz%\"", {}},
        {"WHERE Name = \"CPU Total\"", all},
        {"WHERE SensorType like \"/cpu/%\"", all},
    };
    for (const SourcesCase& c : cases) {
        THardwareSources bits = SourcesOfQuery(ParseWql(std::string("SELECT * FROM Sensor ") + c.condition));
        std::set<S> got;
        for (int i = 0; i < HardwareSourceCount; ++i)
            if (bits & (1u << i)) got.insert(static_cast<S>(i));
        EXPECT_EQ(got, c.sources) << c.condition;
    }
}

TEST_F(ProviderSampling, PublishesWholeDisksAndRealAdaptersOnly)
{
    auto ids = HardwareIds();
    EXPECT_EQ(ids, (std::set<std::string>{"/cpu/0", "/ram", "/nic/eth0", "/storage/sda", "/motherboard", "/lpc/nct6779@nct6775.656"}));
    auto sensors = Sensors();
    EXPECT_DOUBLE_EQ(sensors.at("/lpc/nct6779@nct6775.656/temperature/temp1").Value, 45.5);
    EXPECT_EQ(sensors.at("/lpc/nct6779@nct6775.656/temperature/temp1").Name, "SYSTIN");
    EXPECT_FALSE(sensors.count("/lpc/nct6779@nct6775.656/temperature/temp2")) << "-273150 means no value";
    EXPECT_DOUBLE_EQ(sensors.at("/lpc/nct6779@nct6775.656/voltage/in0").Value, 1.024);
    EXPECT_DOUBLE_EQ(sensors.at("/lpc/nct6779@nct6775.656/fan/fan1").Value, 1200);
}

TEST_F(ProviderSampling, IdentifiersSurviveRenumberedChipsAndNewInstances)
{
    std::set<std::string> before;
    for (const auto& [id, s] : Sensors()) before.insert(id);

    // After a reboot the same chip may be probed as hwmon7.
    tree.Remove("/sys/class/hwmon/hwmon2");
    tree.Rename("/sys/devices/platform/nct6775.656/hwmon/hwmon2", "/sys/devices/platform/nct6775.656/hwmon/hwmon7");
    tree.Link("/sys/class/hwmon/hwmon7", "../../devices/platform/nct6775.656/hwmon/hwmon7");
    THardwareProvider restarted(dir.Path(), [this] { return now; });
    std::set<std::string> after;
    for (const TSensorItem& s : restarted.Sample()->Sensors) after.insert(s.Identifier);
    EXPECT_EQ(after, before);
}

TEST_F(ProviderSampling, AChipWhoseClassLinkMovesIsReadAtItsNewFolderAfterTheNextRediscovery)
{
    EXPECT_DOUBLE_EQ(Sensors().at("/lpc/nct6779@nct6775.656/temperature/temp1").Value, 45.5);

    // The driver is bound again: the chip's folder gets another number and
    // the class link follows it, under the same class name.
    tree.Rename("/sys/devices/platform/nct6775.656/hwmon/hwmon2", "/sys/devices/platform/nct6775.656/hwmon/hwmon7");
    tree.File("/sys/devices/platform/nct6775.656/hwmon/hwmon7/temp1_input", "51000\n");
    tree.Link("/sys/class/hwmon/hwmon2", "../../devices/platform/nct6775.656/hwmon/hwmon7");
    now += THardwareProvider::RediscoveryInterval + 1s;
    auto after = Sensors();
    ASSERT_TRUE(after.count("/lpc/nct6779@nct6775.656/temperature/temp1")) << "the folders walked before are walked anew";
    EXPECT_DOUBLE_EQ(after.at("/lpc/nct6779@nct6775.656/temperature/temp1").Value, 51.0);
}

TEST_F(ProviderSampling, VanishedFilesRemoveTheirSensorsAndComeBackUnderTheSameIdentifier)
{
    auto before = Sensors();
    const std::string chip = "/sys/devices/platform/nct6775.656/hwmon/hwmon2";
    tree.File(chip + "/in0_input", "garbage\n");
    tree.Remove(chip + "/temp1_input");
    // The disk is unplugged: gone from the block folder and from the statistics.
    tree.Remove("/sys/block/sda");
    tree.File("/proc/diskstats", "   7       0 loop0 1 0 2 3 4 0 5 6 0 7 8 0 0 0 0\n");
    now += 1s;

    auto during = Sensors();
    EXPECT_FALSE(during.count("/lpc/nct6779@nct6775.656/voltage/in0"));
    EXPECT_FALSE(during.count("/lpc/nct6779@nct6775.656/temperature/temp1"));
    EXPECT_TRUE(during.count("/lpc/nct6779@nct6775.656/fan/fan1")) << "the chip's other sensors go on";
    EXPECT_TRUE(during.count("/cpu/0/load/0"));
    EXPECT_FALSE(HardwareIds().count("/storage/sda"));
    for (const auto& [id, s] : during) EXPECT_FALSE(id.starts_with("/storage/sda")) << id;

    tree.File(chip + "/in0_input", "1024\n");
    tree.File(chip + "/temp1_input", "45500\n");
    tree.Dir("/sys/block/sda");
    Write({});
    now += 1s;
    std::set<std::string> idsBefore, idsAfter;
    for (const auto& [id, s] : before) idsBefore.insert(id);
    for (const auto& [id, s] : Sensors()) idsAfter.insert(id);
    EXPECT_EQ(idsAfter, idsBefore);
}

TEST_F(ProviderSampling, AdaptersWithADeviceFirstThenTunnelsAndLinksOfTheUsersOwnTraffic)
{
    std::string table = "Inter-|   Receive |  Transmit\n face |bytes packets|bytes packets\n";
    const std::vector<std::string> kernelOrder{"lo",   "ifb0", "br0",  "tun0",  "eth0", "veth1a",
                                               "wg0",  "eth1", "bond0", "dummy0", "ppp0", "wlan0"};
    for (const std::string& name : kernelOrder) {
        table += "  " + name + ": 100 1 0 0 0 0 0 0 200 1 0 0 0 0 0 0\n";
        tree.File("/sys/class/net/" + name + "/type", name == "lo" ? "772\n" : name == "ppp0" ? "512\n" : "1\n");
        tree.File("/sys/class/net/" + name + "/uevent", "INTERFACE=" + name + "\n");
    }
    tree.File("/proc/net/dev", table);
    for (const char* real : {"eth0", "eth1", "wlan0"})
        tree.Link(std::string("/sys/class/net/") + real + "/device", "../../../0000:00:1f.6");
    tree.Dir("/sys/class/net/br0/bridge");
    tree.File("/sys/class/net/tun0/tun_flags", "0x1001\n");
    tree.File("/sys/class/net/wg0/uevent", "DEVTYPE=wireguard\nINTERFACE=wg0\n");
    tree.Dir("/sys/class/net/bond0/bonding");
    tree.Dir("/sys/class/net/eth1/bonding_slave"); // its traffic is the bond's

    std::vector<std::string> listed;
    for (const THardwareItem& h : provider.Sample()->Hardware)
        if (h.HardwareType == "Network") listed.push_back(h.Identifier);
    EXPECT_EQ(listed, (std::vector<std::string>{"/nic/eth0", "/nic/wlan0", "/nic/tun0", "/nic/wg0", "/nic/bond0",
                                                "/nic/ppp0"}));
}

class SleepingCard : public ProviderSampling {
protected:
    const std::string dev = "/sys/devices/pci0000:00/0000:03:00.0";
    const std::string gpu = "/gpu-amd/0000:03:00.0";

    void AddCard(const char* runtimeStatus)
    {
        tree.File(dev + "/uevent", "DRIVER=amdgpu\nPCI_ID=1002:747E\nPCI_SLOT_NAME=0000:03:00.0\n");
        tree.File(dev + "/power/runtime_status", runtimeStatus);
        tree.File(dev + "/gpu_busy_percent", "150\n");
        tree.File(dev + "/mem_info_vram_used", "1073741824\n");
        tree.File(dev + "/mem_info_vram_total", "4294967296\n");
        tree.File(dev + "/hwmon/hwmon5/name", "amdgpu\n");
        tree.File(dev + "/hwmon/hwmon5/temp1_input", "200000\n");
        tree.File(dev + "/hwmon/hwmon5/temp2_input", "61000\n");
        tree.File(dev + "/hwmon/hwmon5/temp2_label", "junction\n");
        tree.Link(dev + "/hwmon/hwmon5/device", "../../../0000:03:00.0");
        tree.Link("/sys/class/hwmon/hwmon5", "../../devices/pci0000:00/0000:03:00.0/hwmon/hwmon5");
        tree.Link("/sys/class/drm/card0", "../../devices/pci0000:00/0000:03:00.0/drm/card0");
        tree.Link(dev + "/drm/card0/device", "../../../0000:03:00.0");
    }
    // The card's sensors, identifier -> value.
    std::map<std::string, double> CardSensors()
    {
        std::map<std::string, double> out;
        for (const auto& [id, sensor] : Sensors())
            if (id.starts_with(gpu)) out[id] = sensor.Value;
        return out;
    }
};

TEST_F(SleepingCard, ImpossibleReadingsAreLeftOutAndTheChipIsShownUnderTheCard)
{
    AddCard("active\n");
    auto awake = Sensors();
    EXPECT_FALSE(awake.count(gpu + "/load/0")) << "a load of 150 % is impossible";
    EXPECT_FALSE(awake.count(gpu + "/temperature/temp1")) << "200 C is impossible";
    EXPECT_DOUBLE_EQ(awake.at(gpu + "/temperature/temp2").Value, 61.0);
    EXPECT_EQ(awake.at(gpu + "/temperature/temp2").Name, "junction");
    EXPECT_DOUBLE_EQ(awake.at(gpu + "/load/1").Value, 25.0);
    EXPECT_FALSE(HardwareIds().count("/hwmon/amdgpu@0000:03:00.0")) << "the card's chip is shown once, under the card";
}

TEST_F(SleepingCard, KeepsItsSensorsWithoutBeingReadAsleepFromTheStartThenAwakeThenAsleep)
{
    // Asleep from the start: every sensor it offers, at 0, under the identifiers it has awake.
    AddCard("suspended\n");
    tree.File(dev + "/gpu_busy_percent", "40\n");
    EXPECT_TRUE(HardwareIds().count(gpu));
    const std::map<std::string, double> neverRead{{gpu + "/load/0", 0.0},
                                                  {gpu + "/load/1", 0.0},
                                                  {gpu + "/data/0", 0.0},
                                                  {gpu + "/temperature/temp1", 0.0},
                                                  {gpu + "/temperature/temp2", 0.0}};
    EXPECT_EQ(CardSensors(), neverRead);
    EXPECT_EQ(Sensors().at(gpu + "/temperature/temp2").Name, "junction");

    tree.File(dev + "/power/runtime_status", "active\n");
    now += 1s;
    const std::map<std::string, double> awake{
        {gpu + "/load/0", 40.0}, {gpu + "/load/1", 25.0}, {gpu + "/data/0", 1.0}, {gpu + "/temperature/temp2", 61.0}};
    EXPECT_EQ(CardSensors(), awake);

    // Asleep again: the files change, but nothing is read from the card.
    tree.File(dev + "/power/runtime_status", "suspended\n");
    for (const char* file : {"/gpu_busy_percent", "/mem_info_vram_used", "/hwmon/hwmon5/temp2_input"})
        tree.File(dev + file, "7\n");
    now += 1s;
    const std::map<std::string, double> asleep{
        {gpu + "/load/0", 0.0}, {gpu + "/load/1", 0.0}, {gpu + "/data/0", 1.0}, {gpu + "/temperature/temp2", 61.0}};
    EXPECT_EQ(CardSensors(), asleep) << "loads at 0, the rest as last read awake";
}

} // namespace
