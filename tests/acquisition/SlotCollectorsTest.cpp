// The collectors against a provider whose sensors the test sets, through the
// real query layer.

#include "SlotCollectors.h"
#include "TestProvider.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class SlotCollectorsTest : public testing::Test {
protected:
    TCollectContext Context(std::int32_t index = 7) const { return {Service, Style, Setup, index, &Stop}; }

    std::shared_ptr<TTableProvider> Provider = std::make_shared<TTableProvider>();
    TWbemService Service{TestHardwareNamespace, Provider};
    TNumberStyle Style = TNumberStyle::English();
    TWmiSettings Setup;
    std::atomic<bool> Stop{false};
    TWmiDataArray Data;
};

// --- ReadSingleSensor ---

struct SingleCase {
    const char* what;
    const char* type; // nullptr: no such sensor
    double value;
    bool humanRead;
    const char* display;
};

class SingleSensorTest : public SlotCollectorsTest, public testing::WithParamInterface<SingleCase> {};

TEST_P(SingleSensorTest, CaptionNamesTypeAndHistory)
{
    const SingleCase& c = GetParam();
    if (c.type) Provider->SetSensor("/x/s/0", "Probe", c.type, c.value, "/x");
    Setup.DiskHumanRead = c.humanRead;
    ReadSingleSensor(Context(7), Data, 12, "/x/s/0");
    const TProgressData& slot = *Data.Slot(12);
    EXPECT_EQ(slot.DisplayText, c.display);
    EXPECT_EQ(slot.NameA, c.type ? "Probe" : "NA");
    EXPECT_EQ(slot.NameB, c.type ? c.type : "");
    EXPECT_EQ(slot.DataA[7], c.type ? c.value : 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Sensors, SingleSensorTest,
    testing::Values(SingleCase{"NotFound", nullptr, 0, true, "NA: "},
                    SingleCase{"Load", "Load", 12.5, true, "Probe: 12%"},
                    SingleCase{"Temperature", "Temperature", 55.5, true, "Probe: 56 C"},
                    // Throughput shows sizes, never "ps": units only with the converted disk values.
                    SingleCase{"ThroughputInUnits", "Throughput", 1536, true, "Probe: 1.5 Kb"},
                    SingleCase{"ThroughputBare", "Throughput", 1536, false, "Probe: 1,536.0"}),
    [](const auto& info) { return std::string(info.param.what); });

// --- ReadMemory ---

TEST_F(SlotCollectorsTest, MemoryTotalIsWorkedOutOnceAndKeptUntilCleared)
{
    Provider->SetSensor("/ram/data/0", "Memory Used", "Data", 7.9, "/ram");
    Provider->SetSensor("/ram/data/1", "Memory Available", "Data", 8.1, "/ram");
    ReadMemory(Context(0), Data, 5, "/ram/data/0", "/ram/data/1");
    TProgressData& slot = *Data.Slot(5);
    EXPECT_EQ(slot.DisplayText, "Mem: 7.9 Gb of 16 Gb");
    EXPECT_EQ(slot.NameA, "Memory Used");
    EXPECT_EQ(slot.NameB, "Memory Available");
    EXPECT_DOUBLE_EQ(slot.DataB[1], 16.0);

    Provider->SetSensor("/ram/data/0", "Memory Used", "Data", 8.0, "/ram");
    Provider->SetSensor("/ram/data/1", "Changed", "Data", 1.0, "/ram");
    ReadMemory(Context(1), Data, 5, "/ram/data/0", "/ram/data/1");
    EXPECT_EQ(slot.DisplayText, "Mem: 8.0 Gb of 16 Gb");
    EXPECT_EQ(slot.NameB, "Memory Available") << "the free sensor is not read while the total stands";
    EXPECT_DOUBLE_EQ(slot.DataA[1], 8.0);

    slot.DataB[1] = 0.0;
    ReadMemory(Context(2), Data, 5, "/ram/data/0", "/ram/data/1");
    EXPECT_EQ(slot.DisplayText, "Mem: 8.0 Gb of 9 Gb");
}

// --- ReadNetwork ---

struct NetworkCase {
    const char* what;
    double down, up;
    bool bits;
    const char* display;
};

class NetworkTest : public SlotCollectorsTest, public testing::WithParamInterface<NetworkCase> {};

TEST_P(NetworkTest, DownloadFirstWithUnitsAndBitRule)
{
    const NetworkCase& c = GetParam();
    Provider->SetSensor("/nic/eth0/throughput/7", "Upload Speed", "Throughput", c.up, "/nic/eth0");
    Provider->SetSensor("/nic/eth0/throughput/8", "Download Speed", "Throughput", c.down, "/nic/eth0");
    Setup.NetworkAsMbit = c.bits;
    ReadNetwork(Context(3), Data, 6, "/nic/eth0/throughput/7", "/nic/eth0/throughput/8");
    const TProgressData& slot = *Data.Slot(6);
    EXPECT_EQ(slot.DisplayText, c.display);
    // The histories keep bytes per second whatever the texts show.
    EXPECT_EQ(slot.DataA[3], c.up);
    EXPECT_EQ(slot.DataB[3], c.down);
    EXPECT_EQ(slot.NameA, "Upload Speed");
    EXPECT_EQ(slot.NameB, "Download Speed");
}

INSTANTIATE_TEST_SUITE_P(
    Rates, NetworkTest,
    testing::Values(NetworkCase{"Bytes", 1000, 500, false, "Net: ↓1,000 bytes ↑500 bytes"},
                    NetworkCase{"Bits", 1000, 500, true, "↓7.8 Kbps ↑3.9 Kbps"},
                    NetworkCase{"BitsAtRest", 0, 0, true, "↓0 bytes ↑0 bytes"},
                    // 800 bits stay below 1024: the byte word and the suffix joined as they are.
                    NetworkCase{"BitsBelowOneKilo", 100, 0, true, "↓800 bytesps ↑0 bytes"},
                    // Exactly 8 bits gets no suffix; 9 does.
                    NetworkCase{"SuffixAboveEight", 1, 1.125, true, "↓8 bytes ↑9 bytesps"}),
    [](const auto& info) { return std::string(info.param.what); });

// --- ReadDiskActivity ---

TEST_F(SlotCollectorsTest, DiskActivityShowsOneOrBothMetrics)
{
    Provider->SetSensor("/storage/sda/throughput/0", "Read Rate", "Throughput", 1536, "/storage/sda");
    Provider->SetSensor("/storage/sda/throughput/1", "Write Rate", "Throughput", 0, "/storage/sda");
    ReadDiskActivity(Context(4), Data, 8, "/storage/sda/throughput/0", "/storage/sda/throughput/1");
    EXPECT_EQ(Data.Slot(8)->DisplayText, "IO: 1.5 Kb ⁞ 0 bytes");
    EXPECT_EQ(Data.Slot(8)->NameB, "Write Rate");

    TWmiDataArray single;
    ReadDiskActivity(Context(4), single, 8, "/storage/sda/throughput/0", "");
    EXPECT_EQ(single.Slot(8)->DisplayText, "IO: 1.5 Kb");
    EXPECT_EQ(single.Slot(8)->NameB, "NA");
    EXPECT_EQ(single.Slot(8)->DataB[4], 0.0);
    EXPECT_EQ(single.Slot(8)->DataA[4], 1536.0);
}

// --- ReadDiskBar ---

TEST_F(SlotCollectorsTest, DiskBarPeakHoldWithAndWithoutSlowFallOff)
{
    struct Step {
        double reading;
        int peakSlow, countSlow, peakFast;
    };
    const std::vector<Step> steps{{80, 80, 0, 80}, {50, 80, 1, 50}, {50, 80, 2, 50}, {50, 50, 0, 50},
                                  {50, 50, 0, 50}, {60, 60, 0, 60}, {59.5, 60, 0, 60}, {58.5, 60, 1, 58}, {90, 90, 0, 90}};
    // 59.5 rounds to 60 (halves to even), which is not below the peak; 58.5 rounds to 58.
    Provider->AddHardware("/storage/sda", "Samsung SSD", "Storage");
    TWmiDataArray slow, fast;
    for (const Step& s : steps) {
        Provider->SetSensor("/storage/sda/load/0", "Total Activity", "Load", s.reading, "/storage/sda");
        Setup.DiskSlowPeak = true;
        ReadDiskBar(Context(), slow, 7, "/storage/sda/load/0");
        Setup.DiskSlowPeak = false;
        ReadDiskBar(Context(), fast, 7, "/storage/sda/load/0");
        EXPECT_EQ(slow.Slot(7)->Peak, s.peakSlow) << s.reading;
        EXPECT_EQ(slow.Slot(7)->Count, s.countSlow) << s.reading;
        EXPECT_EQ(fast.Slot(7)->Peak, s.peakFast) << s.reading;
        EXPECT_EQ(fast.Slot(7)->Count, 0) << s.reading;
        EXPECT_EQ(slow.Slot(7)->OneValue, s.reading);
        EXPECT_EQ(slow.Slot(7)->Fill, 0) << "the window animates Fill, never the collector";
    }
    EXPECT_EQ(slow.Slot(7)->NameA, "Total Activity");
    EXPECT_EQ(slow.Slot(7)->NameB, "Samsung SSD");
    EXPECT_EQ(slow.Slot(7)->FrmtA, "%.0n%%");
}

TEST_F(SlotCollectorsTest, DiskBarWithoutSensorHasNoValue)
{
    for (const char* id : {"", "/storage/gone/load/0"}) {
        TWmiDataArray data;
        ReadDiskBar(Context(), data, 14, id);
        const TProgressData& slot = *data.Slot(14);
        EXPECT_EQ(slot.NameA, "NA") << id;
        EXPECT_EQ(slot.NameB, "") << id;
        EXPECT_EQ(slot.OneValue, -1.0) << id;
        EXPECT_EQ(slot.Peak, -1) << id;
        EXPECT_EQ(slot.Count, 0) << id;
    }
}

struct HugeValueCase {
    const char* what;
    double value;
    std::int32_t peak;
};

class DiskBarHugeValueTest : public SlotCollectorsTest, public testing::WithParamInterface<HugeValueCase> {};

TEST_P(DiskBarHugeValueTest, PeakIsClampedToThe32BitRange)
{
    // A fast disk's byte rate passes 2^31; the peak once wrapped to a negative number.
    const HugeValueCase& c = GetParam();
    Provider->SetSensor("/storage/sda/throughput/0", "Read Rate", "Throughput", c.value, "/storage/sda");
    for (bool slow : {false, true}) {
        TWmiDataArray data;
        Setup.DiskSlowPeak = slow;
        ReadDiskBar(Context(), data, 7, "/storage/sda/throughput/0");
        EXPECT_EQ(data.Slot(7)->Peak, c.peak) << "slow fall-off " << slow;
        EXPECT_EQ(data.Slot(7)->Count, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, DiskBarHugeValueTest,
    testing::Values(HugeValueCase{"TwoToThe31", 2147483648.0, 2147483647},
                    HugeValueCase{"TenToThe12", 1e12, 2147483647},
                    HugeValueCase{"MinusTenToThe12", -1e12, -2147483647 - 1},
                    HugeValueCase{"NotANumberIsNoValue", std::nan(""), -1},
                    HugeValueCase{"Infinity", HUGE_VAL, 2147483647}),
    [](const auto& info) { return std::string(info.param.what); });

// --- ReadCoreBars ---

// Marks columns that no bar may write.
constexpr double Untouched = -7.0;

struct CoreLayoutCase {
    int cores;
    int barsPerArea, barWidth, offset;
};

class CoreBarsLayoutTest : public SlotCollectorsTest, public testing::WithParamInterface<CoreLayoutCase> {};

TEST_P(CoreBarsLayoutTest, BarsInCoreOrderWithOneEmptyColumnEach)
{
    const CoreLayoutCase& c = GetParam();
    Provider->AddHardware("/cpu/0", "Processor", "Cpu");
    Provider->SetSensor("/cpu/0/load/0", "CPU Total", "Load", 50, "/cpu/0");
    // Core k at k per cent; the sensors arrive in reverse order.
    for (int core = c.cores; core >= 1; --core)
        Provider->SetSensor("/cpu/0/load/" + std::to_string(core), "CPU Core #" + std::to_string(core), "Load",
                            core, "/cpu/0");
    Provider->SetSensor("/cpu/0/clock/1", "CPU Core #1", "Clock", 3000, "/cpu/0"); // outside the prefix
    Data.Slot(10)->DataB.fill(Untouched);
    Data.Slot(11)->DataB.fill(Untouched);
    ReadCoreBars(Context(), Data, 10, 11, "/cpu/0/load/0", 100);

    std::vector<double> expected[2] = {std::vector<double>(100, Untouched), std::vector<double>(100, Untouched)};
    for (int core = 1; core <= c.cores; ++core) {
        const int area = (core - 1) / c.barsPerArea;
        const int bar = (core - 1) % c.barsPerArea;
        const int start = bar * c.barWidth + c.offset;
        for (int column = start; column <= start + c.barWidth - 2; ++column) expected[area][column] = core;
    }
    for (int area = 0; area < 2; ++area) {
        const TDataArray& got = Data.Slot(10 + area)->DataB;
        EXPECT_EQ(std::vector<double>(got.begin(), got.end()), expected[area]) << "area " << area + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Cores, CoreBarsLayoutTest,
                         testing::Values(CoreLayoutCase{2, 1, 98, 1}, CoreLayoutCase{4, 2, 49, 0},
                                         CoreLayoutCase{5, 3, 33, 0}, CoreLayoutCase{6, 3, 33, 0},
                                         CoreLayoutCase{8, 4, 24, 2}, CoreLayoutCase{12, 6, 16, 2},
                                         CoreLayoutCase{16, 8, 12, 2}, CoreLayoutCase{32, 16, 6, 2},
                                         CoreLayoutCase{96, 48, 2, 0}),
                         [](const auto& info) { return std::to_string(info.param.cores) + "Cores"; });

TEST_F(SlotCollectorsTest, MissingCoreNumberGivesAZeroBarAndLaterCoresAreCut)
{
    for (int core : {1, 2, 4}) Provider->SetSensor("/cpu/0/load/" + std::to_string(core), "CPU Core #" + std::to_string(core), "Load", 50, "/cpu/0");
    Data.Slot(10)->DataB.fill(Untouched);
    Data.Slot(11)->DataB.fill(Untouched);
    ReadCoreBars(Context(), Data, 10, 11, "/cpu/0/load/0", 71);
    const TDataArray& first = Data.Slot(10)->DataB;
    const TDataArray& second = Data.Slot(11)->DataB;
    EXPECT_EQ(first[0], 35.0) << "trunc(71 x 50 / 100)";
    EXPECT_EQ(first[47], 35.0);
    EXPECT_EQ(first[48], Untouched);
    EXPECT_EQ(first[49], 35.0);
    EXPECT_EQ(second[0], 0.0) << "core 3 had no sensor";
    EXPECT_EQ(second[47], 0.0);
    EXPECT_EQ(second[49], Untouched) << "core 4 is not shown";
}

// Cases of two bars, one per area: the height of each area's bar.
struct TwoBarsCase {
    const char* what;
    std::vector<std::pair<std::string, double>> sensors; // name, value
    int height;
    double first, second;
};

class CoreBarsTwoBarsTest : public SlotCollectorsTest, public testing::WithParamInterface<TwoBarsCase> {};

TEST_P(CoreBarsTwoBarsTest, HeightOfEachAreasBar)
{
    const TwoBarsCase& c = GetParam();
    int n = 0;
    for (const auto& [name, value] : c.sensors)
        Provider->SetSensor("/cpu/0/load/" + std::to_string(++n), name, "Load", value, "/cpu/0");
    ReadCoreBars(Context(), Data, 10, 11, "/cpu/0/load/0", c.height);
    EXPECT_EQ(Data.Slot(10)->DataB[1], c.first);
    EXPECT_EQ(Data.Slot(11)->DataB[1], c.second);
}

INSTANTIATE_TEST_SUITE_P(
    Cores, CoreBarsTwoBarsTest,
    testing::Values(
        // Heights are truncated and never above the area.
        TwoBarsCase{"TruncatedAndCapped", {{"CPU Core #1", 150}, {"CPU Core #2", 99.9}}, 71, 71.0, 70.0},
        // Our choice: a core numbered 0 or above 96 is skipped and takes no bar.
        TwoBarsCase{"NumbersOutsideTheTableAreLeftOut",
                    {{"CPU Core #0", 50}, {"CPU Core #97", 50}, {"CPU Core #1", 10}, {"CPU Core #2", 20}}, 100,
                    10.0, 20.0},
        // With a "/" the number is what follows the last one.
        TwoBarsCase{"NameWithSlashTakesTheNumberAfterIt", {{"CCD #1/2", 40}, {"CCD #1/1", 20}}, 100, 20.0, 40.0}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(SlotCollectorsTest, NoCoreSensorClearsTheTargets)
{
    // Our choice: without per-core sensors both areas show no bars.
    Provider->SetSensor("/cpu/0/load/0", "CPU Total", "Load", 50, "/cpu/0");
    Data.Slot(10)->DataB.fill(30.0);
    Data.Slot(11)->DataB.fill(30.0);
    ReadCoreBars(Context(), Data, 10, 11, "/cpu/0/load/0", 71);
    EXPECT_EQ(Data.Slot(10)->DataB, TDataArray{});
    EXPECT_EQ(Data.Slot(11)->DataB, TDataArray{});
}

TEST_F(SlotCollectorsTest, CoreNamesWithoutANumberAreSkipped)
{
    // Such a name once ended every cycle before the hand-over, freezing the window.
    int n = 0;
    for (const char* name : {"CPU Core #1a", "CPU Core #", "CPU Core #x", "CCD #1/", "CPU Core #1", "CPU Core #2"})
        Provider->SetSensor("/cpu/0/load/" + std::to_string(++n), name, "Load", 40, "/cpu/0");
    ReadCoreBars(Context(), Data, 10, 11, "/cpu/0/load/0", 100);
    EXPECT_EQ(Data.Slot(10)->DataB[1], 40.0) << "core 1 has the first area to itself";
    EXPECT_EQ(Data.Slot(10)->DataB[97], 40.0);
    EXPECT_EQ(Data.Slot(11)->DataB[1], 40.0) << "core 2";
}

TEST_F(SlotCollectorsTest, IdentifierWithoutSlashReadsNoCores)
{
    Provider->SetSensor("/cpu/0/load/1", "CPU Core #1", "Load", 40, "/cpu/0");
    for (const char* id : {"", "cpu"}) {
        TWmiDataArray data;
        data.Slot(10)->DataB.fill(Untouched);
        ReadCoreBars(Context(), data, 10, 11, id, 100);
        EXPECT_EQ(data.Slot(10)->DataB[1], Untouched) << id;
    }
}

// --- every collector ---

TEST_F(SlotCollectorsTest, StopRequestOrForeignTagLeavesTheSlotsAlone)
{
    Provider->SetSensor("/x/s/0", "Probe", "Load", 40, "/x");
    const TWmiDataArray before = Data;
    ReadSingleSensor(Context(), Data, 0, "/x/s/0");
    ReadSingleSensor(Context(), Data, 17, "/x/s/0");
    Stop = true;
    ReadSingleSensor(Context(), Data, 1, "/x/s/0");
    ReadMemory(Context(), Data, 5, "/x/s/0", "/x/s/0");
    ReadNetwork(Context(), Data, 6, "/x/s/0", "/x/s/0");
    ReadDiskActivity(Context(), Data, 8, "/x/s/0", "/x/s/0");
    ReadDiskBar(Context(), Data, 7, "/x/s/0");
    ReadCoreBars(Context(), Data, 10, 11, "/x/s/0", 71);
    EXPECT_EQ(Data, before);
}

TEST_F(SlotCollectorsTest, CollectSlotsFillsEveryConfiguredSlotAndAdvancesTheIndex)
{
    Provider->SetSensor("/cpu/0/load/0", "CPU Total", "Load", 25, "/cpu/0");
    Provider->SetSensor("/cpu/0/load/1", "CPU Core #1", "Load", 50, "/cpu/0");
    Provider->SetSensor("/storage/sda/load/0", "Total Activity", "Load", 33, "/storage/sda");
    TRefreshInputs inputs;
    inputs.Setup.sidCPUload = "/cpu/0/load/0";
    inputs.Setup.sidHDD2 = "/storage/sda/load/0";
    inputs.Setup.ShowCpuBars = true;
    std::int32_t index = 99;
    const TCollectContext ctx{Service, Style, inputs.Setup, index, &Stop};
    CollectSlots(ctx, inputs, Data, index);
    EXPECT_EQ(index, 0) << "the ring wraps";
    EXPECT_EQ(Data.Slot(1)->DisplayText, "CPU Total: 25%");
    EXPECT_EQ(Data.Slot(1)->DataA[99], 25.0);
    EXPECT_EQ(Data.Slot(2)->DisplayText, "NA: ");
    EXPECT_EQ(Data.Slot(14)->OneValue, 33.0);
    EXPECT_EQ(Data.Slot(7)->OneValue, -1.0);
    EXPECT_EQ(Data.Slot(13)->DisplayText, "NA: ") << "an empty custom identifier is queried too";
    EXPECT_EQ(Data.Slot(10)->DataB[1], 35.0) << "core bars with the area's height";
    EXPECT_EQ(Data.Slot(8)->DisplayText, "") << "the disk diagram's slot is left alone while bars show";

    inputs.Setup.DiskDiagram = true;
    inputs.Setup.DiskHumanRead = false;
    inputs.Setup.sidHDD1Alt = "/storage/sda/throughput/1";
    inputs.Tags.DiskPaintBox1 = 8;
    const TCollectContext diagram{Service, Style, inputs.Setup, index, &Stop};
    CollectSlots(diagram, inputs, Data, index);
    EXPECT_EQ(Data.Slot(8)->DisplayText, "IO: 0.0 ⁞ 0.0");
}

TEST_F(SlotCollectorsTest, ErrorEndsCollectingButStillAdvancesTheIndex)
{
    Provider->SetSensor("/cpu/0/load/0", "CPU Total", "Load", 25, "/cpu/0");
    Provider->FailFrom(2); // the processor's load is read, the next query fails
    TRefreshInputs inputs;
    inputs.Setup.sidCPUload = "/cpu/0/load/0";
    std::int32_t index = 4;
    const TCollectContext ctx{Service, Style, inputs.Setup, index, &Stop};
    EXPECT_THROW(CollectSlots(ctx, inputs, Data, index), std::runtime_error);
    EXPECT_EQ(index, 5);
    EXPECT_EQ(Data.Slot(1)->DisplayText, "CPU Total: 25%") << "slots written before the error keep their contents";
    EXPECT_EQ(Data.Slot(2)->DisplayText, "") << "nothing after the error";
}

} // namespace
