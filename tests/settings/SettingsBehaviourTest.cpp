// The settings dialog at work on Qt's offscreen platform: the lists it fills
// from the catalogue of a provider the test controls, its defaults and
// preselections, the controls' reactions, the checks of OK and the settings
// it stores.

#include "DialogTestHost.h"
#include "TForm2.h"
#include "TempDir.h"
#include "TestProvider.h"

#include <QApplication>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

using TKind = TShownBox::TKind;

// One hardware item or sensor of a test machine.
struct TItem {
    enum { Hardware, Sensor } Kind;
    const char* Id;
    const char* Name;
    const char* Type;
    const char* Parent = "";
    bool Wireless = false; // a network adapter the kernel marks as wireless
};
constexpr auto Hw = TItem::Hardware;
constexpr auto Sn = TItem::Sensor;

class SettingsBehaviourTest : public testing::Test {
protected:
    // A dialog over a machine of these items, opened with these settings and
    // reset as its showing does.
    TForm2& Open(const std::vector<TItem>& items, const TWmiSettings& settings = {}, TDesktopEffects effects = {true, true},
                 bool providerFails = false)
    {
        Provider = std::make_shared<TTableProvider>();
        for (const TItem& item : items) {
            if (item.Kind == Hw) {
                Provider->AddHardware(item.Id, item.Name, item.Type, item.Parent);
                if (std::string_view(item.Type) == "Network") Provider->SetHardwareProperty(item.Id, "Wireless", item.Wireless ? 1.0 : 0.0);
            } else
                Provider->SetSensor(item.Id, item.Name, item.Type, 1, item.Parent);
        }
        if (providerFails) Provider->FailFrom(1);
        Host.Service = std::make_shared<TWbemService>(TestHardwareNamespace, Provider);
        Host.Ini = Dir / "tellvane.ini";
        Host.Boxes = &Boxes;
        TForm2Services services;
        services.Host = &Host;
        services.Boxes = &Boxes;
        services.DesktopEffects = [effects] { return effects; };
        Dialog = std::make_unique<TForm2>(std::move(services));
        Host.Dialog = Dialog.get();
        Dialog->TempSetup = settings;
        Host.RunHandler([this] { Dialog->ResetAll(); });
        return *Dialog;
    }

    // The user picks the item with this text, as with the mouse.
    static void Choose(QComboBox* combo, const QString& text)
    {
        const int index = combo->findText(text, Qt::MatchExactly);
        ASSERT_GE(index, 0) << text.toStdString() << " is not in the list";
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    // OK: true when the dialog closed with the OK result.
    bool PressOk()
    {
        Dialog->setResult(QDialog::Rejected);
        Dialog->Button1->click();
        return Dialog->result() == QDialog::Accepted;
    }

    TempDir Dir;
    ScriptedBoxes Boxes;
    TestHost Host;
    std::shared_ptr<TTableProvider> Provider;
    std::unique_ptr<TForm2> Dialog;
};

QStringList Items(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

// A machine like most: one processor with per-core loads, memory, a network
// adapter, two disks.
const std::vector<TItem> Desktop{
    {Hw, "/cpu/0", "Processor A", "Cpu"},
    {Sn, "/cpu/0/load/1", "CPU Core #1", "Load", "/cpu/0"},
    {Sn, "/cpu/0/load/2", "CPU Core #2", "Load", "/cpu/0"},
    {Sn, "/cpu/0/load/0", "CPU Total", "Load", "/cpu/0"},
    {Sn, "/cpu/0/temperature/0", "Core (Tctl)", "Temperature", "/cpu/0"},
    {Hw, "/ram", "Memory", "Memory"},
    {Sn, "/ram/data/0", "Used Memory", "Data", "/ram"},
    {Sn, "/ram/data/1", "Available Memory", "Data", "/ram"},
    {Sn, "/ram/load/0", "Memory", "Load", "/ram"},
    {Hw, "/net/eth0", "eth0", "Network"},
    {Sn, "/net/eth0/throughput/0", "Upload Speed", "Throughput", "/net/eth0"},
    {Sn, "/net/eth0/throughput/1", "Download Speed", "Throughput", "/net/eth0"},
    {Hw, "/disk/sda", "Disk A", "Storage"},
    {Sn, "/disk/sda/load/0", "Total Activity", "Load", "/disk/sda"},
    {Sn, "/disk/sda/temperature/0", "Temperature", "Temperature", "/disk/sda"},
    {Sn, "/disk/sda/throughput/0", "Read Rate", "Throughput", "/disk/sda"},
    {Sn, "/disk/sda/voltage/0", "Supply", "Voltage", "/disk/sda"},
    {Hw, "/disk/sdb", "Disk B", "Storage"},
    {Sn, "/disk/sdb/load/0", "Total Activity", "Load", "/disk/sdb"},
    {Sn, "/disk/sdb/throughput/0", "Write Rate", "Throughput", "/disk/sdb"},
};

// --- the lists and their defaults ---

TEST_F(SettingsBehaviourTest, ListsHoldTheHardwareOfTheirTypeAndTheSensorsOfTheirFilters)
{
    TForm2& d = Open(Desktop);
    EXPECT_EQ(Items(d.ComboBox1), QStringList{"Processor A"});
    EXPECT_EQ(d.ComboBox1->currentText(), "Processor A") << "the only processor";
    EXPECT_EQ(Items(d.ComboBox9), (QStringList{"CPU Core #1", "CPU Core #2", "CPU Total"})) << "loads in tree order";
    EXPECT_EQ(d.ComboBox9->currentIndex(), -1) << "three loads: no choice made";
    EXPECT_EQ(d.ComboBox10->currentText(), "Core (Tctl)") << "the one temperature";
    EXPECT_EQ(Items(d.ComboBox13), (QStringList{"Available Memory", "Used Memory"}));
    EXPECT_EQ(d.ComboBox4->currentText(), "eth0");
    EXPECT_EQ(Items(d.ComboBox15), (QStringList{"Download Speed", "Upload Speed"}));
    EXPECT_EQ(d.ComboBox5->currentText(), "Disk A") << "the first storage device";
    EXPECT_EQ(Items(d.DiskComboBox), (QStringList{"Temperature", "Total Activity", "Read Rate"}))
        << "temperature, load and throughput, in the type table's order";
    EXPECT_EQ(Items(d.DiskAltComboBox), (QStringList{"", "Supply", "Temperature", "Total Activity", "Read Rate"}))
        << "every known type, after an empty item";
    for (QComboBox* device : {d.ComboBox6, d.ComboBox7, d.ComboBox8}) {
        EXPECT_EQ(Items(device), (QStringList{"", "Disk A", "Disk B"}));
        EXPECT_EQ(device->currentIndex(), -1);
    }
    EXPECT_TRUE(Items(d.ComboBox18).isEmpty()) << "no device 2, no metric";
    EXPECT_TRUE(Items(d.ComboBox2).isEmpty()) << "no video card";
    EXPECT_EQ(d.Memo1->toPlainText(), "libbass.so not found in App folder");
}

struct TDefaultCase {
    const char* Name;
    std::vector<TItem> Items;
    QComboBox* TForm2::*Combo;
    const char* Chosen; // "" for none
};

class DefaultsTest : public SettingsBehaviourTest, public testing::WithParamInterface<TDefaultCase> {};

TEST_P(DefaultsTest, ChoosesWhatTheMachineLeavesNoDoubtAbout)
{
    const TDefaultCase& c = GetParam();
    TForm2& d = Open(c.Items);
    EXPECT_EQ((d.*c.Combo)->currentText(), QString::fromUtf8(c.Chosen));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefaultsTest,
    testing::Values(
        TDefaultCase{"TwoProcessorsNoChoice",
                     {{Hw, "/cpu/0", "CPU A", "Cpu"}, {Hw, "/cpu/1", "CPU B", "Cpu"}},
                     &TForm2::ComboBox1, ""},
        TDefaultCase{"FirstOfSeveralVideoCards",
                     {{Hw, "/gpu-nvidia/0", "Card N", "GpuNvidia"}, {Hw, "/gpu-amd/0", "Card A", "GpuAmd"}},
                     &TForm2::ComboBox2, "Card A"},
        TDefaultCase{"AnIntelCardIsAVideoCard",
                     {{Hw, "/gpu-intel/0000:00:02.0", "Intel Graphics [8086:A780]", "GpuIntel"},
                      {Hw, "/hwmon/acpitz", "acpitz", "Motherboard"}},
                     &TForm2::ComboBox2, "Intel Graphics [8086:A780]"},
        TDefaultCase{"WiFiInAnyCase",
                     {{Hw, "/net/a", "eth0", "Network"}, {Hw, "/net/b", "WI-FI", "Network"}},
                     &TForm2::ComboBox4, "WI-FI"},
        TDefaultCase{"TwoAdaptersWithoutWiFiNoChoice",
                     {{Hw, "/net/a", "eth0", "Network"}, {Hw, "/net/b", "wlan0", "Network"}},
                     &TForm2::ComboBox4, ""},
        TDefaultCase{"TheFirstWirelessAdapterOfALaptop",
                     {{Hw, "/nic/eth0", "eth0", "Network"},
                      {Hw, "/nic/wlp2s0", "wlp2s0", "Network", "", true},
                      {Hw, "/nic/wlx00c0", "wlx00c0", "Network", "", true}},
                     &TForm2::ComboBox4, "wlp2s0"},
        TDefaultCase{"WiFiByNameBeforeAWirelessAdapter",
                     {{Hw, "/nic/wlp2s0", "wlp2s0", "Network", "", true}, {Hw, "/nic/b", "Wi-Fi", "Network"}},
                     &TForm2::ComboBox4, "Wi-Fi"},
        TDefaultCase{"TwoMemoriesNoChoice",
                     {{Hw, "/ram/0", "Memory", "Memory"}, {Hw, "/ram/1", "Virtual Memory", "Memory"}},
                     &TForm2::ComboBox3, ""},
        TDefaultCase{"SingleLoadOfTheOnlyProcessor",
                     {{Hw, "/cpu/0", "CPU", "Cpu"}, {Sn, "/cpu/0/load/0", "CPU Total", "Load", "/cpu/0"}},
                     &TForm2::ComboBox9, "CPU Total"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SettingsBehaviourTest, ConfiguredSensorsChooseTheirHardwareAndThemselves)
{
    TWmiSettings s;
    s.sidCPUload = "/cpu/0/load/0";
    s.sidHDD1 = "/disk/sdb/throughput/0";
    s.sidHDD2 = "/disk/sda/load/0";
    s.sidRAMused = "/RAM/DATA/0"; // identifiers match ignoring letter case
    TForm2& d = Open(Desktop, s);
    EXPECT_EQ(d.ComboBox9->currentText(), "CPU Total");
    EXPECT_EQ(d.ComboBox5->currentText(), "Disk B");
    EXPECT_EQ(d.DiskComboBox->currentText(), "Write Rate");
    EXPECT_EQ(d.ComboBox6->currentText(), "Disk A");
    EXPECT_EQ(d.ComboBox18->currentText(), "Total Activity");
    EXPECT_EQ(d.ComboBox13->currentText(), "Used Memory");
    EXPECT_EQ(d.ComboBox7->currentIndex(), -1);
    EXPECT_TRUE(Items(d.ComboBox19).isEmpty());
}

TEST_F(SettingsBehaviourTest, PrefixOfTwoDevicesChoosesTheLastInCatalogueOrder)
{
    TWmiSettings s;
    s.sidHDD1 = "/nvme/10/load/0";
    TForm2& d = Open({{Hw, "/nvme/1", "Drive 1", "Storage"},
                      {Sn, "/nvme/1/load/0", "Total Activity", "Load", "/nvme/1"},
                      {Hw, "/nvme/10", "Drive 10", "Storage"},
                      {Sn, "/nvme/10/load/0", "Total Activity", "Load", "/nvme/10"}},
                     s);
    EXPECT_EQ(d.ComboBox5->currentText(), "Drive 10");
    EXPECT_EQ(d.DiskComboBox->currentText(), "Total Activity");
    EXPECT_EQ(d.ComboSensorId(d.DiskComboBox), "/nvme/10/load/0");
}

TEST_F(SettingsBehaviourTest, ConfiguredSensorThatIsGoneSelectsNothingButTheOnlyCandidate)
{
    TWmiSettings s;
    s.sidCPUtemp = "/cpu/0/temperature/9";
    s.sidCPUload = "/cpu/0/load/9";
    TForm2& d = Open(Desktop, s);
    EXPECT_EQ(d.ComboBox9->currentIndex(), -1);
    EXPECT_EQ(d.ComboBox10->currentText(), "Core (Tctl)");
}

// --- the controls' reactions ---

TEST_F(SettingsBehaviourTest, NewStorageDeviceKeepsTheMetricsOfTheSameName)
{
    TForm2& d = Open(Desktop);
    d.RadioButton1->click();
    Choose(d.DiskComboBox, "Total Activity");
    Choose(d.DiskAltComboBox, "Read Rate");
    d.CheckBox1->setChecked(false);
    Choose(d.ComboBox5, "Disk B");
    EXPECT_EQ(Items(d.DiskComboBox), (QStringList{"Total Activity", "Write Rate"}));
    EXPECT_EQ(d.DiskComboBox->currentText(), "Total Activity") << "kept by name";
    EXPECT_EQ(d.DiskAltComboBox->currentIndex(), -1) << "Disk B has no read rate";
    EXPECT_TRUE(d.CheckBox1->isChecked()) << "the metric 2 text was not empty: Activity checks the fall-off";
    Choose(d.DiskAltComboBox, "Write Rate");
    Choose(d.ComboBox5, "Disk A");
    EXPECT_EQ(d.DiskComboBox->currentText(), "Total Activity");
    EXPECT_EQ(d.DiskAltComboBox->itemText(0), "") << "metric 2 may stay empty";
}

TEST_F(SettingsBehaviourTest, ActivityChecksTheDelayedFallOffOtherMetricsUncheckIt)
{
    TForm2& d = Open(Desktop);
    const std::vector<std::pair<const char*, bool>> cases{
        {"Total Activity", true}, {"Read Rate", false}, {"Total Activity", true}, {"Temperature", false}};
    for (const auto& [metric, checked] : cases) {
        Choose(d.DiskComboBox, metric);
        EXPECT_EQ(d.CheckBox1->isChecked(), checked) << metric;
    }
}

TEST_F(SettingsBehaviourTest, SyncAllMetricsCopiesTheMetricWhereADeviceOffersIt)
{
    TForm2& d = Open(Desktop);
    Choose(d.ComboBox6, "Disk B");
    Choose(d.ComboBox7, "Disk A");
    Choose(d.ComboBox19, "Temperature");
    Choose(d.DiskComboBox, "Read Rate");
    d.Button4->click();
    EXPECT_EQ(d.ComboBox18->currentIndex(), -1) << "Disk B offers no read rate";
    EXPECT_EQ(d.ComboBox19->currentText(), "Read Rate");
    EXPECT_TRUE(Items(d.ComboBox20).isEmpty());
    Choose(d.DiskComboBox, "Total Activity");
    d.Button4->click();
    EXPECT_EQ(d.ComboBox18->currentText(), "Total Activity");
    EXPECT_EQ(d.ComboBox19->currentText(), "Total Activity");
    // Back to the empty item: the device's metric list empties.
    Choose(d.ComboBox6, "");
    EXPECT_TRUE(Items(d.ComboBox18).isEmpty());
}

TEST_F(SettingsBehaviourTest, CustomMetricsShowTheirDetailsAndClearAsTheUserAnswers)
{
    TWmiSettings s;
    s.sidCustom2 = "/disk/sda/temperature/0";
    TForm2& d = Open(Desktop, s);
    EXPECT_EQ(d.Edit3->text(), "Temperature");
    EXPECT_EQ(d.Memo3->toPlainText(), "Type: Temperature\nId: /disk/sda/temperature/0\nOwner: Disk A");
    EXPECT_TRUE(d.Edit2->text().isEmpty());

    d.TreeView1->SelectPosition(d.TreeView1->Catalogue().FindNodeById("/cpu/0/load/0"));
    ASSERT_TRUE(d.Button5->isEnabled());
    d.Button5->click();
    EXPECT_EQ(d.Edit2->text(), "CPU Total");
    EXPECT_EQ(d.CustomSensorId(1), "/cpu/0/load/0");

    // Clear asks while a metric is set; No keeps it, Yes clears it.
    Boxes.Answers = {false};
    d.Button6->click();
    ASSERT_EQ(Boxes.OfKind(TKind::Question).size(), 1u);
    EXPECT_EQ(Boxes.OfKind(TKind::Question)[0].Text, "This will clear the settings for custom Metric 1?");
    EXPECT_EQ(d.CustomSensorId(1), "/cpu/0/load/0");
    Boxes.Answers = {true};
    d.Button6->click();
    EXPECT_TRUE(d.Edit2->text().isEmpty());
    EXPECT_TRUE(d.Memo2->toPlainText().isEmpty());
    EXPECT_EQ(d.CustomPosition(1), 0);
    EXPECT_EQ(d.CustomSensorId(1), "");
    // An empty metric clears without asking.
    Boxes.Shown.clear();
    d.Button6->click();
    EXPECT_TRUE(Boxes.Shown.empty());
    Boxes.Answers = {true};
    d.Button8->click();
    EXPECT_EQ(Boxes.OfKind(TKind::Question).at(0).Text, "This will clear the settings for custom Metric 2?");
    EXPECT_EQ(d.CustomSensorId(2), "");
}

TEST_F(SettingsBehaviourTest, CustomMetricWhoseSensorIsAbsentKeepsItsIdentifier)
{
    TWmiSettings s;
    s.sidCustom1 = "/usb/stick/temperature/0"; // a device that is unplugged now
    TForm2& d = Open(Desktop, s);
    EXPECT_EQ(d.Edit2->text(), "/usb/stick/temperature/0");
    EXPECT_EQ(d.CustomPosition(1), 0);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(d.TempSetup.sidCustom1, "/usb/stick/temperature/0");
}

TEST_F(SettingsBehaviourTest, FailedRebuildEmptiesTheListsAndOkKeepsTheConfiguredSensors)
{
    TWmiSettings s;
    s.sidCPUload = "/cpu/0/load/0";
    s.sidCustom1 = "/cpu/0/load/1";
    TForm2& d = Open(Desktop, s);
    ASSERT_EQ(d.ComboBox9->currentText(), "CPU Total");
    Provider->FailFrom(1);
    d.Button3->click(); // Reset All
    ASSERT_EQ(Boxes.OfKind(TKind::Error).size(), 1u);
    for (const QComboBox* combo : {d.ComboBox1, d.ComboBox9, d.ComboBox5, d.DiskComboBox, d.ComboBox6})
        EXPECT_EQ(combo->count(), 0) << "no position of the earlier tree is kept";
    EXPECT_EQ(d.Edit2->text(), "/cpu/0/load/1");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(d.TempSetup.sidCPUload, "/cpu/0/load/0");
    EXPECT_EQ(d.TempSetup.sidCustom1, "/cpu/0/load/1");
}

TEST_F(SettingsBehaviourTest, ARebuildFailingAsTheDialogOpensStillLoadsTheOptionsAndOkKeepsEverySetting)
{
    // Every option away from the controls' design states.
    TWmiSettings s;
    s.sidCPUload = "/cpu/0/load/0";
    s.sidGPUtemp = "/gpu/0/temperature/0";
    s.sidHDD1 = "/storage/sda/load/0";
    s.sidCustom2 = "/cpu/0/load/1";
    s.NetworkAsMbit = false;
    s.DiskHumanRead = false;
    s.DiskDiagram = true;
    s.DiskSlowPeak = true;
    s.ShowCpuBars = true;
    s.CpuTermalMax = 80;
    s.GpuTermalMax = 75;
    s.SoundDevice = 3;
    s.SoundLevel = 20;
    s.LabFlags = 3;
    TForm2& d = Open(Desktop, s, {true, true}, true);
    ASSERT_EQ(Boxes.OfKind(TKind::Error).size(), 1u) << "the failure is shown";
    EXPECT_EQ(d.ComboBox17->currentText(), "bytes / Kb / Mb");
    EXPECT_EQ(d.CpuTempComboBox->currentText(), "80");
    EXPECT_EQ(d.GroupBox2->title(), "Boost: 200");
    EXPECT_TRUE(d.CheckBox2->isChecked());
    EXPECT_TRUE(d.RadioButton1->isChecked());
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(d.TempSetup, s) << "OK keeps every stored setting, shown or not";
}

TEST_F(SettingsBehaviourTest, TheMachinesAddressIsCheckedStoredAndAnUnencryptedOneSaidSo)
{
    TWmiSettings s;
    s.Server = "https://nas:9100";
    s.ServerCA = "/etc/ssl/home-ca.pem";
    TForm2& d = Open(Desktop, s);
    EXPECT_EQ(d.ServerEdit->text(), "https://nas:9100");
    EXPECT_EQ(d.ServerCaEdit->text(), "/etc/ssl/home-ca.pem");
    EXPECT_EQ(d.ServerNote->text(), "");

    struct Case {
        const char* Typed;
        const char* Stored; // "<refused>" when OK refuses it
        bool Unencrypted;
    };
    for (const Case& c : {Case{"  nas:9100 ", "nas:9100", true}, Case{"http://127.0.0.1:9100", "http://127.0.0.1:9100", false},
                          Case{"localhost", "", false}, Case{"", "", false}, Case{"https://render-box", "https://render-box", false},
                          Case{"ftp://nas", "<refused>", false}, Case{"http://ann:pw@nas", "<refused>", false}}) {
        Boxes.Shown.clear();
        d.ServerEdit->setText(QString::fromUtf8(c.Typed));
        EXPECT_EQ(!d.ServerNote->text().isEmpty(), c.Unencrypted) << c.Typed;
        if (std::string(c.Stored) == "<refused>") {
            EXPECT_FALSE(PressOk()) << c.Typed;
            ASSERT_EQ(Boxes.OfKind(TKind::Error).size(), 1u) << c.Typed;
            EXPECT_TRUE(Boxes.OfKind(TKind::Error)[0].Text.starts_with("The machine's address cannot be used: ")) << c.Typed;
        } else {
            ASSERT_TRUE(PressOk()) << c.Typed;
            EXPECT_EQ(d.TempSetup.Server, c.Stored) << c.Typed;
            EXPECT_EQ(d.TempSetup.ServerCA, "/etc/ssl/home-ca.pem");
        }
    }
}

// --- OK: the checks and what is stored ---

TEST_F(SettingsBehaviourTest, OkChecksThePairsInOrderAndStoresNothingOnAFailure)
{
    const std::vector<TItem> machine{
        {Hw, "/ram", "Memory", "Memory"},
        {Sn, "/ram/data/0", "Used Memory", "Data", "/ram"},
        {Sn, "/ram/data/1", "Available Memory", "Data", "/ram"},
        {Hw, "/net/a", "eth0", "Network"},
        {Sn, "/net/a/throughput/0", "Speed", "Throughput", "/net/a"},
        {Sn, "/net/a/throughput/1", "Speed", "Throughput", "/net/a"}, // two sensors of one name
        {Hw, "/disk/a", "Disk A", "Storage"},
        {Sn, "/disk/a/load/0", "Total Activity", "Load", "/disk/a"},
    };
    struct TCase {
        const char* Name;
        std::function<void(TForm2&)> Set;
        const char* Message; // nothing: accepted
    };
    const std::vector<TCase> cases{
        {"memory pair", [](TForm2& d) { Choose(d.ComboBox13, "Used Memory"); Choose(d.ComboBox14, "Used Memory"); },
         "Memory metric settings for User and Free cannot be the same."},
        {"both memory lists empty", [](TForm2& d) { d.ComboBox13->setCurrentIndex(-1); d.ComboBox14->setCurrentIndex(-1); },
         nullptr},
        {"network sensors of one name",
         [](TForm2& d) { d.ComboBox15->setCurrentIndex(0); d.ComboBox16->setCurrentIndex(1); },
         "Network metric settings for Upload and Download cannot be the same."},
        {"disk pair with four bars", [](TForm2& d) { d.DiskAltComboBox->setCurrentIndex(1); }, nullptr},
        {"disk pair with one diagram",
         [](TForm2& d) { d.RadioButton1->click(); d.DiskAltComboBox->setCurrentIndex(1); },
         "Disk metric settings cannot be the same. Metric 2 is optional."},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TForm2& d = Open(machine);
        Choose(d.ComboBox13, "Used Memory");
        Choose(d.ComboBox14, "Available Memory");
        d.ComboBox16->setCurrentIndex(-1);
        c.Set(d);
        const TWmiSettings before = d.TempSetup;
        Boxes.Shown.clear();
        const bool accepted = PressOk();
        EXPECT_EQ(accepted, c.Message == nullptr);
        if (c.Message) {
            ASSERT_EQ(Boxes.Shown.size(), 1u);
            EXPECT_EQ(Boxes.Shown[0].Kind, TKind::Error);
            EXPECT_EQ(Boxes.Shown[0].Text, c.Message);
            EXPECT_EQ(d.TempSetup, before) << "nothing stored";
        }
    }
}

TEST_F(SettingsBehaviourTest, OkStoresEverySettingFromTheControls)
{
    TWmiSettings s;
    s.CpuTermalMax = 60; // not in the list: kept
    s.GpuTermalMax = 85;
    s.LabFlags = 3 | 8;
    s.DiskDiagram = true;
    s.NetworkAsMbit = false;
    s.DiskHumanRead = false;
    s.ShowCpuBars = true;
    s.DiskSlowPeak = true;
    s.sidNETdown = "/net/eth0/throughput/1";
    TForm2& d = Open(Desktop, s, {true, false}); // no compositor: no accent background
    EXPECT_EQ(d.CpuTempComboBox->currentIndex(), -1);
    EXPECT_EQ(d.GpuTempComboBox->currentText(), "85");
    EXPECT_TRUE(d.RadioButton1->isChecked());
    EXPECT_EQ(d.ComboBox17->currentText(), "bytes / Kb / Mb");
    EXPECT_EQ(d.ComboBox22->currentText(), "Original values");
    EXPECT_TRUE(d.CheckBox1->isChecked()) << "the stored fall-off wins over the Activity rule";
    EXPECT_TRUE(d.cbTest2->isChecked());
    EXPECT_FALSE(d.cbTest2->isEnabled());

    Choose(d.ComboBox9, "CPU Total");
    Choose(d.ComboBox15, "Upload Speed");
    Choose(d.DiskComboBox, "Read Rate");
    Choose(d.GpuTempComboBox, "70");
    d.CheckBox2->setChecked(false);
    ASSERT_TRUE(PressOk());
    const TWmiSettings& r = d.TempSetup;
    EXPECT_EQ(r.sidCPUload, "/cpu/0/load/0");
    EXPECT_EQ(r.sidCPUtemp, "/cpu/0/temperature/0");
    EXPECT_EQ(r.sidGPUload, "") << "no video card";
    EXPECT_EQ(r.sidNETupld, "/net/eth0/throughput/0");
    EXPECT_EQ(r.sidNETdown, "/net/eth0/throughput/1");
    EXPECT_EQ(r.sidHDD1, "/disk/sda/throughput/0");
    EXPECT_EQ(r.sidHDD1Alt, "") << "the empty first item of metric 2";
    EXPECT_EQ(r.sidHDD2, "");
    EXPECT_EQ(r.CpuTermalMax, 60);
    EXPECT_EQ(r.GpuTermalMax, 70);
    EXPECT_EQ(r.LabFlags, 1) << "the accent background is not offered; other bits drop";
    EXPECT_TRUE(r.DiskDiagram);
    EXPECT_FALSE(r.NetworkAsMbit);
    EXPECT_FALSE(r.DiskHumanRead);
    EXPECT_FALSE(r.ShowCpuBars);
    EXPECT_FALSE(r.DiskSlowPeak) << "choosing the read rate unchecked it, and the disabled box is stored";
    EXPECT_EQ(r.SoundDevice, -1) << "no recording devices listed";
    EXPECT_EQ(r.SoundLevel, 9);
}

TEST_F(SettingsBehaviourTest, SliderKeysWheelAndThumbRaiseTheBoostTowardsItsTopMarkAndActAtOnce)
{
    TForm2& d = Open(Desktop);
    QSlider* slider = d.TrackBar1;
    EXPECT_EQ(Host.SoundLevel, 9) << "the loaded level";
    EXPECT_EQ(d.GroupBox2->title(), "Boost: 90");

    // The thumb stands beside the mark of its boost: "- 200" at the top, "- 0" at the bottom.
    const auto thumbCentre = [slider] {
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = option.sliderValue = slider->value();
        // As QSlider tells its style: a vertical slider runs upwards unless inverted.
        option.upsideDown = !slider->invertedAppearance();
        return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center().y() +
               slider->y();
    };
    const auto distanceTo = [&](const QLabel* mark) { return std::abs(thumbCentre() - (mark->y() + mark->height() / 2)); };
    slider->setValue(20);
    EXPECT_LT(distanceTo(d.Label30), distanceTo(d.Label32)) << "boost 200 beside \"- 200\"";
    slider->setValue(0);
    EXPECT_LT(distanceTo(d.Label32), distanceTo(d.Label30)) << "boost 0 beside \"- 0\"";

    struct Step {
        const char* What;
        std::function<void()> Do;
        int Level;
    };
    const auto wheel = [slider](int delta) {
        QWheelEvent event(QPointF(10, 30), slider->mapToGlobal(QPointF(10, 30)), {}, QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider, &event);
    };
    slider->setValue(9);
    for (const Step& step : {Step{"up key", [slider] { QTest::keyClick(slider, Qt::Key_Up); }, 10},
                             Step{"page up", [slider] { QTest::keyClick(slider, Qt::Key_PageUp); }, 20},
                             Step{"down key", [slider] { QTest::keyClick(slider, Qt::Key_Down); }, 19},
                             Step{"wheel down", [&] { wheel(-120); }, 16},
                             Step{"wheel up", [&] { wheel(120); }, 19},
                             Step{"end", [slider] { QTest::keyClick(slider, Qt::Key_End); }, 20},
                             Step{"home", [slider] { QTest::keyClick(slider, Qt::Key_Home); }, 0}}) {
        step.Do();
        EXPECT_EQ(Host.SoundLevel, step.Level) << step.What << ": the meter follows at once";
        EXPECT_EQ(d.GroupBox2->title(), QStringLiteral("Boost: %1").arg(step.Level * 10)) << step.What;
    }
    slider->setValue(12);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(d.TempSetup.SoundLevel, 12);
}

TEST_F(SettingsBehaviourTest, ProcessorWithoutAChoiceStoresEmptyIdentifiers)
{
    TWmiSettings s;
    s.sidCPUload = "/cpu/9/load/0";
    s.sidCPUtemp = "/cpu/9/temperature/0";
    TForm2& d = Open({{Hw, "/cpu/0", "CPU A", "Cpu"}, {Hw, "/cpu/1", "CPU B", "Cpu"}}, s);
    ASSERT_EQ(d.ComboBox1->currentIndex(), -1);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(d.TempSetup.sidCPUload, "");
    EXPECT_EQ(d.TempSetup.sidCPUtemp, "");
}

} // namespace
