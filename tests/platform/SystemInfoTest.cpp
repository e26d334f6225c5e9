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
    EXPECT_EQ(os.Text("Description"), "Anna\\'s desk");
    EXPECT_FALSE(provider.Objects("Win32_Process").has_value());
}

struct DescriptionCase {
    const char* what;
    const char* machineInfo; // nullptr: no such file
    const char* vendor;      // nullptr: no such file
    const char* product;
    const char* description;
};

class MachineDescription : public testing::TestWithParam<DescriptionCase> {};

TEST_P(MachineDescription, OwnersNameElseTheFirmwaresElseNothing)
{
    const DescriptionCase& c = GetParam();
    TempDir dir;
    TreeBuilder tree(dir.Path());
    if (c.machineInfo) tree.File("/etc/machine-info", c.machineInfo);
    if (c.vendor) tree.File("/sys/class/dmi/id/sys_vendor", c.vendor);
    if (c.product) tree.File("/sys/class/dmi/id/product_name", c.product);
    TSystemInfoProvider provider(dir.Path());
    EXPECT_EQ((*provider.Objects("CIM_OperatingSystem"))->front().Text("Description"), c.description);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, MachineDescription,
    testing::Values(
        DescriptionCase{"PrettyHostnameFirst", "PRETTY_HOSTNAME=\"Kitchen PC\"\n", "LENOVO\n", "20BS\n", "Kitchen PC"},
        DescriptionCase{"FirmwareVendorAndProduct", "CHASSIS=laptop\n", "LENOVO\n", "20BS006RGE\n", "LENOVO 20BS006RGE"},
        DescriptionCase{"VendorRepeatedInTheProductIsSaidOnce", nullptr, "Dell Inc.\n", "Dell XPS 13 9310\n",
                        "Dell XPS 13 9310"},
        DescriptionCase{"VirtualMachine", nullptr, "QEMU\n", "Standard PC (Q35 + ICH9, 2009)\n",
                        "QEMU Standard PC (Q35 + ICH9, 2009)"},
        DescriptionCase{"PlaceholdersAreNoNames", nullptr, "To Be Filled By O.E.M.\n", "To be filled by O.E.M.\n", ""},
        DescriptionCase{"PlaceholderVendorRealProduct", nullptr, "System manufacturer\n", "B450 TOMAHAWK\n",
                        "B450 TOMAHAWK"},
        DescriptionCase{"NothingAtAll", nullptr, nullptr, nullptr, ""}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(SystemInfo, ReadsOsReleaseThroughTheCapturedTreesLink)
{
    TSystemInfoProvider provider(std::string(TELLVANE_SHARED_FIXTURES) + "/ubuntu1710-4cpu-proc-only");
    EXPECT_EQ((*provider.Objects("CIM_OperatingSystem"))->front().Text("Caption"), "Ubuntu 17.10");
}

} // namespace
