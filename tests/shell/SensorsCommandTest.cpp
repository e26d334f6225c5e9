// tellvane-sensors as a user runs it: what it says and its exit status for a
// root that is no machine's tree, for a tree without hardware, and for a
// video card whose driver needs a library.

#include "NodeExporter.h"
#include "ShellCommand.h"
#include "TreeBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using TRun = TShellRun;

// `redirect` chooses what is read: "2>&1" both streams, "2>/dev/null" standard
// output only, "2>&1 >/dev/null" standard error only.
TRun RunWith(const std::string& arguments, const std::string& redirect = "2>&1")
{
    const std::string command = std::string(TELLVANE_SENSORS_COMMAND) + " " + arguments + " " + redirect;
    return RunShellCommand(command);
}

TRun RunCommand(const std::string& root) { return RunWith("--root '" + root + "'"); }

TEST(SensorsCommand, SaysWhatItCouldNotRead)
{
    TempDir dir;
    TreeBuilder tree(dir.Path());
    tree.Dir("/not-a-machine/home");
    tree.Dir("/empty/proc");
    tree.File("/nvidia/proc/meminfo", "MemTotal: 1000 kB\nMemAvailable: 500 kB\n");
    tree.File("/nvidia/sys/class/drm/card0/device/uevent", "DRIVER=nvidia\nPCI_SLOT_NAME=0000:01:00.0\n");
    struct Case {
        const char* root;
        int status;
        const char* says;
    };
    for (const Case& c : {Case{"/missing", 2, "is not a folder"},
                          Case{"/not-a-machine", 2, "holds neither proc nor sys"},
                          Case{"/empty", 1, "no hardware found below"},
                          Case{"/nvidia", 0, "the NVIDIA video card at 0000:01:00.0 is not listed"}}) {
        const TRun run = RunCommand((dir.Path() / std::string(c.root).substr(1)).string());
        EXPECT_EQ(run.Status, c.status) << c.root << ": " << run.Output;
        EXPECT_NE(run.Output.find(c.says), std::string::npos) << c.root << ": " << run.Output;
        if (std::string(c.root) == "/nvidia") {
            EXPECT_NE(run.Output.find("NVIDIA management library"), std::string::npos) << run.Output;
            EXPECT_NE(run.Output.find("/ram/load/0"), std::string::npos) << "the rest is listed: " << run.Output;
        }
    }
}

TEST(SensorsCommand, AnswersItsOptionsOnTheRightStreamWithItsStatus)
{
    struct Case {
        const char* arguments;
        int status;
        bool onOutput; // else on standard error, in one line
        const char* says;
    };
    for (const Case& c : {Case{"--help", 0, true, "Usage: tellvane-sensors [--root DIR | --server URL]"},
                          Case{"-h", 0, true, "--root DIR"},
                          Case{"--version", 0, true, "tellvane-sensors 0."},
                          Case{"--verbose", 2, false, "tellvane-sensors: unknown option '--verbose'"},
                          Case{"--root", 2, false, "tellvane-sensors: --root needs a folder"},
                          Case{"--root ''", 2, false, "tellvane-sensors: --root needs a folder, and the one given is empty"}}) {
        const TRun run = RunWith(c.arguments, c.onOutput ? "2>/dev/null" : "2>&1 >/dev/null");
        EXPECT_EQ(run.Status, c.status) << c.arguments << ": " << run.Output;
        EXPECT_NE(run.Output.find(c.says), std::string::npos) << c.arguments << ": " << run.Output;
        if (!c.onOutput) {
            EXPECT_EQ(std::count(run.Output.begin(), run.Output.end(), '\n'), 1) << run.Output;
        }
    }
}

TEST(SensorsCommand, ListsAnotherMachineThroughItsNodeExporter)
{
    TestNodeExporter exporter(std::filesystem::path(TELLVANE_SHARED_FIXTURES) / "vm-debian12-2cpu-virtio-no-hwmon");
    const TRun listed = RunWith("--server " + exporter.Address());
    EXPECT_EQ(listed.Status, 0) << listed.Output;
    EXPECT_NE(listed.Output.find("/ram/data/0"), std::string::npos) << listed.Output;
    EXPECT_NE(listed.Output.find("/storage/vda/load/0"), std::string::npos) << listed.Output;

    const int closed = TestNodeExporter::FreePort();
    struct Case {
        std::string Arguments;
        int Status;
        const char* Says;
    };
    for (const Case& c : {Case{"--server 127.0.0.1:" + std::to_string(closed), 1, "cannot be read: the connection was refused"},
                          Case{"--server ftp://nas", 2, "give http:// or https://"},
                          Case{"--server nas --root /", 2, "--root and --server name two machines"}}) {
        const TRun run = RunWith(c.Arguments, "2>&1 >/dev/null");
        EXPECT_EQ(run.Status, c.Status) << c.Arguments << ": " << run.Output;
        EXPECT_NE(run.Output.find(c.Says), std::string::npos) << c.Arguments << ": " << run.Output;
    }
}

TEST(SensorsCommand, AGarbledProcessorTableAloneListsNothing)
{
    TempDir dir;
    TreeBuilder tree(dir.Path());
    tree.File("/proc/stat", "garbage\n");
    const TRun run = RunCommand(dir.Path().string());
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_NE(run.Output.find("no hardware found below"), std::string::npos) << run.Output;
}

TEST(SensorsCommand, ShowsATemperaturesLimitsAfterItsValue)
{
    const std::string fixtures = TELLVANE_SHARED_FIXTURES;
    struct Case {
        const char* tree;
        const char* line; // from the value to the identifier
    };
    for (const Case& c : {
             Case{"dell-r720-xeon-coretemp-6core", " 54 C  limit 81 C, critical 91 C  /cpu/0/temperature/coretemp/temp1\n"},
             Case{"amdgpu-rx580-polaris", " 44 C  critical 94 C  /gpu-amd/0000:09:00.0/temperature/temp1\n"},
             Case{"amd-desktop-k10temp-2nvme", " 32 C  /cpu/0/temperature/k10temp@0000:00:18.3/temp1\n"},
         }) {
        const TRun run = RunWith("--root '" + fixtures + "/" + c.tree + "'", "2>/dev/null");
        EXPECT_EQ(run.Status, 0) << c.tree;
        EXPECT_NE(run.Output.find(c.line), std::string::npos) << c.tree << ": " << run.Output;
    }
}

} // namespace
