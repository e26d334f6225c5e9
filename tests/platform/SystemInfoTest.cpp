#include "SystemInfoProvider.h"
#include "TreeBuilder.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemInfo, DescribesTheComputerAndItsSystem)
{
    TempDir dir;
    TreeBuilder tree(dir.Path());
    tree.File("/proc/sys/kernel/hostname", "workstation\n");
    tree.File("/proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
    tree.File("/etc/os-release", "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    tree.File("/etc/machine-info", "PRETTY_HOSTNAME='Anna\\'s desk'\nCHASSIS=desktop\n");
    for (const char* pid : {"/proc/1/stat", "/proc/42/stat", "/proc/1234/stat"}) tree.File(pid, "x");
    tree.Dir("/proc/self");
    tree.Dir("/proc/sys/vm");

    TSystemInfoProvider provider(dir.Path());
    auto objects = provider.Objects("cim_operatingsystem");
    ASSERT_TRUE(objects.has_value());
    ASSERT_EQ((*objects)->size(), 1u);
    const TWbemObject& os = (*objects)->front();
    EXPECT_EQ(os.Text("CSName"), "workstation");
    EXPECT_EQ(os.Text("Caption"), "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(os.Text("Version"), "6.1.0-18-amd64");
    EXPECT_EQ(os.Text("NumberOfProcesses"), "3");
    EXPECT_EQ(os.Text("NumberOfUsers"), "0") << "no login records";
    EXPECT_EQ(os.Text("Status"), "OK");
    EXPECT_FALSE(os.Text("Description").empty());
    EXPECT_FALSE(provider.Objects("Win32_Process").has_value());
}

TEST(SystemInfo, ReadsOsReleaseThroughTheCapturedTreesLink)
{
    TSystemInfoProvider provider(std::string(TELLVANE_SHARED_FIXTURES) + "/ubuntu1710-4cpu-proc-only");
    EXPECT_EQ((*provider.Objects("CIM_OperatingSystem"))->front().Text("Caption"), "Ubuntu 17.10");
}

} // namespace
