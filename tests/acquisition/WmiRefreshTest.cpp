// The refresh thread against a provider the test controls, with the test's own
// thread playing the main thread: it serves the calls the worker waits for.

#include "TestProvider.h"
#include "WmiRefresh.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>

namespace {

using namespace std::chrono_literals;

struct WaitCase {
    std::uint32_t start, now;
    std::int32_t wait;
};

TEST(NextWaitMs, KeepsCyclesOnTheWholeSecondGrid)
{
    for (const WaitCase& c : {WaitCase{0, 20, 980}, WaitCase{0, 2500, 500}, WaitCase{0, 1300, 700},
                              WaitCase{0, 1000, 1000}, WaitCase{5000, 5300, 700}, WaitCase{7, 7, 1000},
                              // The 32-bit counter wraps between start and end: 276 ms elapsed.
                              WaitCase{0xFFFFFF00u, 0x14u, 724}})
        EXPECT_EQ(NextWaitMs(c.start, c.now), c.wait) << c.start << " -> " << c.now;
}

TEST(WaitAfterCycle, FailedCycleKeepsWaitMsButNeverSpins)
{
    EXPECT_EQ(WaitAfterCycle(0, true, 0, 20).WaitMs, 980);
    EXPECT_EQ(WaitAfterCycle(0, true, 0, 20).SleepMs, 980);
    // A failure keeps the last value and waits it.
    EXPECT_EQ(WaitAfterCycle(700, false, 0, 20).WaitMs, 700);
    EXPECT_EQ(WaitAfterCycle(700, false, 0, 20).SleepMs, 700);
    // A failure before any cycle completed leaves WaitMs at 0 but still waits by the grid.
    EXPECT_EQ(WaitAfterCycle(0, false, 0, 20).WaitMs, 0);
    EXPECT_EQ(WaitAfterCycle(0, false, 0, 20).SleepMs, 980);
}

// The operating system's description; every read counts, so a line tells
// which read it came from.
class CountingSystemProvider : public IWbemProvider {
public:
    std::optional<std::shared_ptr<const TWbemObjects>> Objects(std::string_view className) override
    {
        if (className != "CIM_OperatingSystem") return std::nullopt;
        const int read = ++Reads;
        if (read == FailingRead) throw std::runtime_error("the system description is unavailable");
        TWbemObject os("CIM_OperatingSystem");
        os.Set("CSName", std::string("testpc"))
            .Set("Description", Description)
            .Set("Caption", std::string("Test OS"))
            .Set("Version", Version)
            .Set("NumberOfUsers", 2.0)
            .Set("NumberOfProcesses", double(read))
            .Set("Status", std::string("OK"));
        return std::make_shared<const TWbemObjects>(TWbemObjects{os});
    }
    std::atomic<int> Reads{0};
    std::atomic<int> FailingRead{0}; // the read that raises, counted from 1
    // Set before the refresh thread starts.
    std::string Description = "desk";
    std::string Version = "1.0";
};

// A provider whose answers wait at a gate the test opens.
class GatedProvider : public TTableProvider {
public:
    std::optional<std::shared_ptr<const TWbemObjects>> Objects(std::string_view className) override
    {
        {
            std::unique_lock lock(FMutex);
            ++Waiting;
            FChanged.notify_all();
            FChanged.wait(lock, [this] { return Open; });
            --Waiting;
        }
        ++Answered;
        return TTableProvider::Objects(className);
    }
    void WaitUntilSomeoneWaits()
    {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [this] { return Waiting > 0; });
    }
    void OpenGate()
    {
        std::lock_guard lock(FMutex);
        Open = true;
        FChanged.notify_all();
    }
    std::atomic<int> Answered{0};

private:
    std::mutex FMutex;
    std::condition_variable FChanged;
    int Waiting = 0;
    bool Open = false;
};

// The window's side, run on the test's thread.
class TestHost : public IRefreshHost {
public:
    void WakeMainThread() override
    {
        std::lock_guard lock(FMutex);
        ++FWakes;
        FWoken.notify_all();
    }
    TRefreshInputs RefreshInputs() const override { return Inputs; }
    TRefreshTags RefreshTags() const override { return Inputs.Tags; }
    TWmiDataArray& WindowData() override { return Window; }
    void SetWindowDiagIndex(std::int32_t index) override { DiagIndex = index; }
    void UpdateOsGUI(const std::string& s1, const std::string& s2, const std::string& s3) override
    {
        Os1.push_back(s1);
        Os2.push_back(s2);
        Os3.push_back(s3);
    }
    void UpdateWmiGUI() override
    {
        if (FailNextHandOver) {
            FailNextHandOver = false;
            throw std::runtime_error("a label could not be set");
        }
        HandOvers.push_back(Window);
    }

    // Serves the worker's calls until `done` holds; false when no call came for
    // a long while (the thread hangs or has ended).
    bool ServeUntil(TWmiRefresh& refresh, const std::function<bool()>& done)
    {
        while (!done()) {
            if (!NextCall()) return false;
            refresh.ServeMainThreadCall();
        }
        return true;
    }
    // Waits for the worker's next request without serving it.
    bool NextCall()
    {
        std::unique_lock lock(FMutex);
        if (!FWoken.wait_for(lock, 20s, [this] { return FWakes > FServed; })) return false;
        ++FServed;
        return true;
    }

    // Meetings the worker asked for and the test served.
    int Served()
    {
        std::lock_guard lock(FMutex);
        return FServed;
    }

    TRefreshInputs Inputs;
    TWmiDataArray Window;
    std::int32_t DiagIndex = -1;
    std::vector<std::string> Os1, Os2, Os3;
    std::vector<TWmiDataArray> HandOvers;
    bool FailNextHandOver = false;

private:
    std::mutex FMutex;
    std::condition_variable FWoken;
    int FWakes = 0;
    int FServed = 0;
};

// A tick counter that makes every cycle last `elapsed` milliseconds.
TTickSource CyclesLasting(std::uint32_t elapsed)
{
    auto calls = std::make_shared<std::atomic<std::uint32_t>>(0);
    return [calls, elapsed] {
        const std::uint32_t n = (*calls)++;
        // start, end, start, end, ...: the end is `elapsed` after its start.
        return (n / 2) * 1000u + (n % 2) * elapsed;
    };
}

class WmiRefreshTest : public testing::Test {
protected:
    void SetUp() override
    {
        Namespaces->Register(TestHardwareNamespace, Provider);
        Namespaces->Register(TestSystemNamespace, System);
        Provider->SetSensor("/cpu/0/load/0", "CPU Total", "Load", 25, "/cpu/0");
        Provider->SetSensor("/ram/data/0", "Memory Used", "Data", 7.9, "/ram");
        Provider->SetSensor("/ram/data/1", "Memory Available", "Data", 8.1, "/ram");
        Host.Inputs.Setup.sidCPUload = "/cpu/0/load/0";
        Host.Inputs.Setup.sidRAMused = "/ram/data/0";
        Host.Inputs.Setup.sidRAMfree = "/ram/data/1";
    }

    std::shared_ptr<TTableProvider> Provider = std::make_shared<TTableProvider>();
    std::shared_ptr<CountingSystemProvider> System = std::make_shared<CountingSystemProvider>();
    std::shared_ptr<TWbemNamespaces> Namespaces = std::make_shared<TWbemNamespaces>();
    TestHost Host;
};

TEST_F(WmiRefreshTest, HandOverCopiesSlotsIndexAndTexts)
{
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(20));
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 1; }));
    EXPECT_EQ(Host.DiagIndex, 1) << "the position the next cycle writes";
    EXPECT_EQ(Host.Window.Slot(1)->DisplayText, "CPU Total: 25%");
    EXPECT_EQ(Host.Window.Slot(1)->DataA[0], 25.0);
    EXPECT_EQ(Host.Window.Slot(5)->DisplayText, "Mem: 7.9 Gb of 16 Gb");
    EXPECT_EQ(Host.Os1.at(0), "Computer: testpc (desk)");
    EXPECT_EQ(Host.Os3.at(0), "Users: 2, Processes: 1, Status: OK");
    // The wait is set once the hand-over has returned to the worker: the next
    // cycle's request comes after it.
    ASSERT_TRUE(Host.NextCall());
    EXPECT_EQ(refresh.WaitMs(), 980);
}

TEST_F(WmiRefreshTest, SystemLinesShowNoEmptyParentheses)
{
    struct Case {
        std::string Description, Version, Computer, Os;
    };
    for (const Case& c : {Case{"desk", "1.0", "Computer: testpc (desk)", "OS: Test OS (1.0)"},
                          Case{"", "1.0", "Computer: testpc", "OS: Test OS (1.0)"},
                          Case{"  ", "", "Computer: testpc", "OS: Test OS"}}) {
        System->Description = c.Description;
        System->Version = c.Version;
        TestHost host;
        host.Inputs = Host.Inputs;
        TWmiRefresh refresh(host, Namespaces, TNumberStyle::English(), CyclesLasting(20));
        ASSERT_TRUE(host.ServeUntil(refresh, [&] { return host.HandOvers.size() == 1; }));
        refresh.FinishThreadExecution();
        refresh.WaitForEnd();
        EXPECT_EQ(host.Os1.at(0), c.Computer);
        EXPECT_EQ(host.Os2.at(0), c.Os);
    }
}

TEST_F(WmiRefreshTest, SystemLinesAreReadInCyclesOneElevenTwentyOne)
{
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(999));
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 21; }));
    refresh.FinishThreadExecution();
    refresh.WaitForEnd();
    // Every hand-over passes the lines; they change only on the tenth beat.
    for (std::size_t cycle : {1u, 10u}) EXPECT_EQ(Host.Os3.at(cycle - 1), "Users: 2, Processes: 1, Status: OK");
    for (std::size_t cycle : {11u, 20u}) EXPECT_EQ(Host.Os3.at(cycle - 1), "Users: 2, Processes: 2, Status: OK");
    EXPECT_EQ(Host.Os3.at(20), "Users: 2, Processes: 3, Status: OK");
    EXPECT_EQ(System->Reads.load(), 3);
    EXPECT_EQ(Host.DiagIndex, 21);
}

TEST_F(WmiRefreshTest, FailingSystemLinesKeepTheirTextsAndTheCycleGoesOn)
{
    // The read of cycle 11 fails: once every later cycle failed there, since
    // the history position stayed put, and the window froze.
    System->FailingRead = 2;
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(999));
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 13; }));
    EXPECT_EQ(System->Reads, 2);
    EXPECT_EQ(Host.Os3[10], "Users: 2, Processes: 1, Status: OK") << "cycle 11 shows the lines of cycle 1";
    EXPECT_EQ(Host.Os3[12], Host.Os3[0]);
    EXPECT_EQ(Host.DiagIndex, 13);
    EXPECT_EQ(Host.Window.Slot(1)->DataA[11], 25.0) << "cycle 12 collected its sensors";
}

TEST_F(WmiRefreshTest, AnimationStateAndSoundSlotOfTheWindowSurviveTheHandOver)
{
    Host.Inputs.Setup.sidHDD1 = "/storage/sda/load/0";
    Provider->SetSensor("/storage/sda/load/0", "Total Activity", "Load", 80, "/storage/sda");
    Host.Window.Slot(7)->Fill = 42;          // the bar's shown value
    Host.Window.Slot(10)->DataA.fill(13.0);  // the core bars' shown heights
    Host.Window.Slot(9)->DisplayText = "Sound: 3 dB";
    Host.Window.Slot(9)->DataA[5] = 60.0;
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(20));
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 1; }));
    EXPECT_EQ(Host.Window.Slot(7)->Fill, 42);
    EXPECT_EQ(Host.Window.Slot(7)->OneValue, 80.0);
    EXPECT_EQ(Host.Window.Slot(10)->DataA[50], 13.0);
    EXPECT_EQ(Host.Window.Slot(9)->DisplayText, "Sound: 3 dB");
    EXPECT_EQ(Host.Window.Slot(9)->DataA[5], 60.0);
}

TEST_F(WmiRefreshTest, TheGlideTheWindowRanDuringACycleIsKeptAtItsHandOver)
{
    Host.Inputs.Setup.sidHDD1 = "/storage/sda/load/0";
    Provider->SetSensor("/storage/sda/load/0", "Total Activity", "Load", 80, "/storage/sda");
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(999));
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 1; }));
    // Between two meetings the window's glide moves the bar and the core bars.
    Host.Window.Slot(7)->Fill = 57;
    Host.Window.Slot(10)->DataA.fill(21.0);
    Provider->SetSensor("/storage/sda/load/0", "Total Activity", "Load", 30, "/storage/sda");
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 3; }));
    EXPECT_EQ(Host.Window.Slot(7)->Fill, 57) << "the bar stays where it was shown";
    EXPECT_EQ(Host.Window.Slot(7)->OneValue, 30.0) << "with the new target";
    EXPECT_EQ(Host.Window.Slot(10)->DataA[50], 21.0);
}

TEST_F(WmiRefreshTest, ACycleMeetsTheMainThreadOnceUnlessTheSettingsChanged)
{
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(999));
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 1; }));
    EXPECT_EQ(Host.Served(), 2) << "the first cycle takes the inputs at its start and hands over";
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 4; }));
    EXPECT_EQ(Host.Served(), 5) << "later cycles take the next one's inputs at their hand-over";
    // The window tells of new settings: the next cycle to start meets it at its start again.
    refresh.InputsChanged();
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 6; }));
    EXPECT_EQ(Host.Served(), 8) << "two hand-overs and one start";
}

TEST_F(WmiRefreshTest, EachCycleUsesTheSettingsOfItsStart)
{
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(999));
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 1; }));
    Host.Inputs.Setup.sidCPUload = "/ram/data/0";
    Host.Inputs.Tags.PaintBox1 = 12;
    Host.Inputs.Tags.PaintBox6 = 0;
    refresh.InputsChanged();
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 3; }));
    EXPECT_EQ(Host.Window.Slot(12)->NameA, "Memory Used");
}

TEST_F(WmiRefreshTest, ClearedMemoryTotalIsWorkedOutAgain)
{
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(999));
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 1; }));
    Provider->SetSensor("/ram/data/1", "Memory Available", "Data", 0.1, "/ram");
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 2; }));
    EXPECT_EQ(Host.Window.Slot(5)->DisplayText, "Mem: 7.9 Gb of 16 Gb") << "kept";

    // The window clears its copy and tells the worker, between two meetings.
    Host.Window.Slot(5)->DataB[1] = 0.0;
    refresh.ClearMemoryTotal();
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 3; }));
    EXPECT_EQ(Host.Window.Slot(5)->DisplayText, "Mem: 7.9 Gb of 8 Gb");
}

TEST_F(WmiRefreshTest, FinishDuringTheWaitEndsWithoutAnotherCycle)
{
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(0)); // waits 1000 ms
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 1; }));
    refresh.FinishThreadExecution();
    refresh.WaitForEnd();
    EXPECT_TRUE(refresh.Ended());
    EXPECT_EQ(Host.HandOvers.size(), 1u);
    EXPECT_EQ(System->Reads.load(), 1);
}

TEST_F(WmiRefreshTest, FinishWhileTheHandOverWaitsForTheMainThread)
{
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(20));
    ASSERT_TRUE(Host.NextCall()); // the cycle's start: the worker waits for us
    refresh.FinishThreadExecution();
    refresh.WaitForEnd();
    // The request that was never served does nothing now.
    refresh.ServeMainThreadCall();
    EXPECT_TRUE(Host.HandOvers.empty());
    EXPECT_TRUE(refresh.Ended());
}

TEST_F(WmiRefreshTest, FinishDuringACycleSkipsItsRemainingSteps)
{
    auto gated = std::make_shared<GatedProvider>();
    gated->SetSensor("/cpu/0/load/0", "CPU Total", "Load", 25, "/cpu/0");
    auto namespaces = std::make_shared<TWbemNamespaces>();
    namespaces->Register(TestHardwareNamespace, gated);
    namespaces->Register(TestSystemNamespace, System);
    TWmiRefresh refresh(Host, namespaces, TNumberStyle::English(), CyclesLasting(20));
    ASSERT_TRUE(Host.NextCall());
    refresh.ServeMainThreadCall(); // the animated slots; now the collectors query
    gated->WaitUntilSomeoneWaits();
    refresh.FinishThreadExecution();
    gated->OpenGate();
    refresh.WaitForEnd();
    EXPECT_EQ(gated->Answered.load(), 1) << "the collectors after the first returned at once";
    EXPECT_TRUE(Host.HandOvers.empty());
}

TEST_F(WmiRefreshTest, ErrorInTheHandOverEndsThatCycleOnly)
{
    // The main thread's part fails; the error travels back to the worker and
    // is dropped with its cycle, and the next cycle hands over as usual.
    Host.FailNextHandOver = true;
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(999));
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 1; }));
    EXPECT_FALSE(Host.FailNextHandOver);
    EXPECT_EQ(Host.DiagIndex, 2) << "the failed cycle had already advanced the position";
    EXPECT_EQ(Host.Window.Slot(1)->DataA[1], 25.0);
}

TEST_F(WmiRefreshTest, FailedConnectionEndsTheThreadAtOnce)
{
    auto hardwareOnly = std::make_shared<TWbemNamespaces>();
    hardwareOnly->Register(TestHardwareNamespace, Provider);
    TWmiRefresh refresh(Host, hardwareOnly, TNumberStyle::English(), CyclesLasting(20));
    refresh.WaitForEnd();
    EXPECT_TRUE(refresh.Ended());
    EXPECT_EQ(refresh.WaitMs(), 0);
    // Telling an ended thread to finish is harmless.
    refresh.FinishThreadExecution();
    EXPECT_TRUE(Host.HandOvers.empty());
}

TEST_F(WmiRefreshTest, FailingCycleIsRepeatedAndLaterCyclesHandOver)
{
    // A provider that fails every query fails every cycle in the collectors.
    Provider->FailFrom(1);
    TWmiRefresh refresh(Host, Namespaces, TNumberStyle::English(), CyclesLasting(999));
    // Three cycle starts, no hand-over, and the history position moves on each time.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(Host.NextCall());
        refresh.ServeMainThreadCall();
    }
    // The fourth cycle asks to begin: the third has failed.
    ASSERT_TRUE(Host.NextCall());
    EXPECT_TRUE(Host.HandOvers.empty());
    EXPECT_EQ(refresh.WaitMs(), 0) << "no cycle has completed";
    Provider->FailFrom(0);
    refresh.ServeMainThreadCall();
    ASSERT_TRUE(Host.ServeUntil(refresh, [&] { return Host.HandOvers.size() == 1; }));
    EXPECT_EQ(Host.DiagIndex, 4);
    ASSERT_TRUE(Host.NextCall());
    EXPECT_EQ(refresh.WaitMs(), 1);
}

} // namespace
