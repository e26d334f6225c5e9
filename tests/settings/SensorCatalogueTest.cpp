// The sensor catalogue: its sort, its look-ups and owner paths, and the tree
// built from a provider the test controls and from captured machines.

#include "HardwareProvider.h"
#include "SensorCatalogue.h"
#include "TestProvider.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TCatalogueNode Node(std::string text, int icon)
{
    TCatalogueNode node;
    node.Text = std::move(text);
    node.ImageIndex = icon;
    return node;
}

struct CompareCase {
    const char* first;
    int firstIcon;
    const char* second;
    int secondIcon;
    int result;
};

class CompareTest : public testing::TestWithParam<CompareCase> {};

TEST_P(CompareTest, OrdersByIconThenKeyThenNumber)
{
    const CompareCase& c = GetParam();
    EXPECT_EQ(TreeView1Compare(Node(c.first, c.firstIcon), Node(c.second, c.secondIcon)), c.result);
    EXPECT_EQ(TreeView1Compare(Node(c.second, c.secondIcon), Node(c.first, c.firstIcon)), -c.result) << "symmetric";
}

INSTANTIATE_TEST_SUITE_P(
    Siblings, CompareTest,
    testing::Values(CompareCase{"Zeta (Voltage)", 1, "Alpha (Temperature)", 3, -1},
                    CompareCase{"Unknown (Current)", 0, "Alpha (Voltage)", 1, -1},
                    CompareCase{"CPU (Temperature)", 3, "Temperature #9 (Temperature)", 3, -1},
                    CompareCase{"Temperature #9 (Temperature)", 3, "Temperature #10 (Temperature)", 3, -1},
                    CompareCase{"Fan #2 (Fan)", 8, "Fan #10 (Fan)", 8, -1},
                    CompareCase{"Core #1 (Load)", 4, "Core #1 max (Load)", 4, 0},
                    CompareCase{"Core", 4, "Core Max", 4, -1},        // a key that is a prefix comes first
                    CompareCase{"core (Load)", 4, "Core (Load)", 4, 1}, // ordinal: upper case first
                    // Our choice: "#" without an integer is a text without a number, before the numbered ones.
                    CompareCase{"Fan # (Fan)", 8, "Fan #1 (Fan)", 8, -1},
                    CompareCase{"Fan #x (Fan)", 8, "Fan #2 (Fan)", 8, -1},
                    CompareCase{"Fan #x (Fan)", 8, "Fan #y (Fan)", 8, 0}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(SplitNumber, KeyBeforeTheFirstHashAndTheIntegerUpToTheBlank)
{
    EXPECT_EQ(SplitNumber("Fan #10 (Fan)").Key, "Fan ");
    EXPECT_EQ(SplitNumber("Fan #10 (Fan)").Number, 10);
    EXPECT_EQ(SplitNumber("CPU Core #3").Number, 3);
    EXPECT_EQ(SplitNumber("Memory (Load)").Key, "Memory (Load)");
    EXPECT_FALSE(SplitNumber("Memory (Load)").Number);
    EXPECT_FALSE(SplitNumber("Fan #").Number);
    EXPECT_FALSE(SplitNumber("Fan #1a (Fan)").Number);
    EXPECT_FALSE(SplitNumber("Fan #99999999999999999999999").Number) << "too large for an integer";
}

class CatalogueTest : public testing::Test {
protected:
    void Build() { BuildCatalogue(Catalogue, Service); }
    // Every node as "depth:text", in position order.
    std::vector<std::string> Listing() const
    {
        std::vector<std::string> out;
        for (const TCatalogueNode* node : Catalogue.Nodes()) {
            int depth = 0;
            for (const TCatalogueNode* p = node->Parent; p; p = p->Parent) ++depth;
            out.push_back(std::to_string(depth) + ":" + node->Text);
        }
        return out;
    }

    std::shared_ptr<TTableProvider> Provider = std::make_shared<TTableProvider>();
    TWbemService Service{TestHardwareNamespace, Provider};
    TSensorCatalogue Catalogue;
};

TEST_F(CatalogueTest, EmptyProviderGivesAnEmptyTree)
{
    Build();
    EXPECT_TRUE(Catalogue.Empty());
    EXPECT_EQ(Catalogue.FindNodeById(""), -1);
    EXPECT_EQ(Catalogue.NodeAt(0), nullptr);
}

TEST_F(CatalogueTest, GroupsHardwareAndSensorsInTheOrdersRealMachinesRarelyGive)
{
    Provider->AddHardware("/cpu/0", "Ryzen A", "Cpu");
    Provider->AddHardware("/sub/1", "Early Child", "SuperIO", "/board"); // listed before its parent
    Provider->AddHardware("/board", "Board", "Motherboard");
    Provider->AddHardware("/sub/2", "Late Child", "SuperIO", "/board");
    Provider->AddHardware("/cpu/1", "Ryzen B", "cpu");
    Provider->AddHardware("/odd", "Odd Device", "Toaster"); // a type the table does not know
    Provider->SetSensor("/cpu/0/t/0", "Temperature #10", "Temperature", 50, "/cpu/0");
    Provider->SetSensor("/cpu/0/t/1", "Temperature #9", "Temperature", 50, "/cpu/0");
    Provider->SetSensor("/cpu/0/t/2", "CPU", "Temperature", 50, "/cpu/0");
    Provider->SetSensor("/cpu/0/l/0", "Total", "Load", 5, "/CPU/0"); // the owner's identifier in other letter case
    Provider->SetSensor("/cpu/0/x/0", "Current", "Amperes", 1, "/cpu/0");
    Provider->SetSensor("/gone/0", "Orphan", "Load", 1, "/gone");
    Provider->SetSensor("/sub/2/v/0", "Vcore", "Voltage", 1.2, "/sub/2");
    Build();
    EXPECT_EQ(Listing(), (std::vector<std::string>{"0:Cpu", "1:Ryzen A", "2:Current (Amperes)", "2:CPU (Temperature)",
                                                   "2:Temperature #9 (Temperature)", "2:Temperature #10 (Temperature)",
                                                   "2:Total (Load)", "1:Ryzen B", "0:Motherboard", "1:Board",
                                                   "2:Late Child", "3:Vcore (Voltage)", "0:SuperIO", "1:Early Child",
                                                   "0:Toaster", "1:Odd Device"}));
    const TCatalogueNode& current = *Catalogue.NodeAt(2);
    EXPECT_EQ(current.ImageIndex, 0) << "an unknown type shows the folder";
    EXPECT_EQ(*current.Data, (TSensorData{"/cpu/0/x/0", "Current", "/cpu/0", "Amperes"}));
    EXPECT_EQ(Catalogue.NodeAt(6)->ImageIndex, 4);
    EXPECT_EQ(Catalogue.FindNodeById("/gone/0"), -1) << "a sensor without its owner is left out";
    EXPECT_EQ(Catalogue.FindNodeById("/CPU/1"), 7);
    EXPECT_EQ(Catalogue.FindGroupNode("CPU"), 0);
    EXPECT_EQ(Catalogue.FindGroupNode("Ryzen A"), -1) << "hardware nodes are no groups";
    EXPECT_EQ(Catalogue.FindNodeById(""), -1) << "an empty identifier matches nothing";
    EXPECT_EQ(Catalogue.PositionOf(Catalogue.NodeAt(11)), 11);
}

TEST_F(CatalogueTest, OwnerPathsEndAtAMissingOwnerOrACycle)
{
    Provider->AddHardware("/board", "Board", "Motherboard");
    Provider->AddHardware("/board/sio", "NCT6779D", "SuperIO", "/board");
    Provider->AddHardware("/lost", "Lost Chip", "SuperIO", "/nowhere");
    Provider->AddHardware("/a", "A", "Fans", "/b");
    Provider->AddHardware("/b", "B", "Fans", "/a");
    Provider->SetSensor("/board/t", "System", "Temperature", 30, "/board");
    Provider->SetSensor("/board/sio/v", "Vcore", "Voltage", 1, "/board/sio");
    Provider->SetSensor("/lost/v", "AVCC", "Voltage", 3.3, "/lost");
    Provider->SetSensor("/a/f", "Fan #1", "Fan", 900, "/a");
    Build();
    const auto path = [&](const char* id) { return Catalogue.OwnerPath(*Catalogue.NodeAt(Catalogue.FindNodeById(id))); };
    EXPECT_EQ(path("/board/t"), "Board");
    EXPECT_EQ(path("/board/sio/v"), "Board / NCT6779D");
    EXPECT_EQ(path("/lost/v"), "Lost Chip") << "ends where an owner is unknown";
    EXPECT_EQ(path("/a/f"), "B / A") << "a cycle ends at the first owner met twice";
    EXPECT_EQ(Catalogue.FindOwner("/BOARD"), (std::pair<std::string, std::string>{"Board", ""}));
    EXPECT_FALSE(Catalogue.FindOwner("/none"));
}

TEST_F(CatalogueTest, FailingQueryLeavesTheSortedNodesSoFarAndRaises)
{
    Provider->AddHardware("/cpu/0", "Processor", "Cpu");
    Provider->SetSensor("/cpu/0/b", "B", "Load", 1, "/cpu/0");
    Provider->FailFrom(2); // the hardware is read, the sensors fail
    EXPECT_THROW(Build(), std::runtime_error);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"0:Cpu", "1:Processor"}));
}

TEST(CatalogueOfAMachine, EveryHardwareAndSensorUnderItsGroupAndOwner)
{
    for (const char* tree : {"mixed-2pkg-coretemp-nct6779-applesmc-8cpu", "amdgpu-rx580-polaris"}) {
        auto provider = std::make_shared<THardwareProvider>(std::string(TELLVANE_SHARED_FIXTURES) + "/" + tree);
        const TWbemService service(TestHardwareNamespace, provider);
        TSensorCatalogue catalogue;
        BuildCatalogue(catalogue, service);
        const auto sample = provider->Sample();
        std::size_t hardware = 0, sensors = 0;
        for (const TCatalogueNode* node : catalogue.Nodes()) {
            if (!node->Data) {
                EXPECT_EQ(node->Parent, nullptr) << tree << ": groups are top-level";
                continue;
            }
            const bool isSensor = node->Text.ends_with(" (" + node->Data->aType + ")");
            isSensor ? ++sensors : ++hardware;
            if (isSensor) {
                ASSERT_NE(node->Parent->Data, nullptr);
                EXPECT_EQ(node->Parent->Data->Id, node->Data->ParentId) << tree;
            }
            for (std::size_t i = 1; i < (node->Parent ? node->Parent->Children.size() : 0); ++i)
                EXPECT_LE(TreeView1Compare(*node->Parent->Children[i - 1], *node->Parent->Children[i]), 0) << tree;
        }
        EXPECT_EQ(hardware, sample->Hardware.size()) << tree;
        EXPECT_EQ(sensors, sample->Sensors.size()) << tree;
        for (std::size_t i = 1; i < catalogue.Roots().size(); ++i)
            EXPECT_LT(catalogue.Roots()[i - 1]->Text, catalogue.Roots()[i]->Text) << tree << ": groups in order";
    }
}

} // namespace
