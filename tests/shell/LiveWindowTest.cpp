// The window with the real provider reading this machine and the real refresh
// thread, in-process on the offscreen platform.

#include "LocalNamespaces.h"
#include "NodeExporter.h"
#include "ScriptedBoxes.h"
#include "TForm1.h"
#include "TempDir.h"

#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The identifier of the first sensor with that name and type on this machine.
std::string FindSensor(const TWbemService& service, const std::string& name, const std::string& type)
{
    for (const TWbemObject& sensor : service.ExecQuery("SELECT * FROM Sensor"))
        if (sensor.Text("Name") == name && sensor.Text("SensorType") == type) return sensor.Text("Identifier");
    return {};
}

TEST(LiveMachine, LabelsFollowTheProcessorAndMemoryAfterTheFirstHandOvers)
{
    const auto namespaces = LocalNamespaces("/");
    const auto service = TWbemLocator(namespaces).ConnectServer("localhost", "root\\LibreHardwareMonitor", "", "");
    const std::string load = FindSensor(*service, "CPU Total", "Load");
    const std::string used = FindSensor(*service, "Memory Used", "Data");
    const std::string available = FindSensor(*service, "Memory Available", "Data");
    ASSERT_FALSE(load.empty());
    ASSERT_FALSE(used.empty());

    TempDir dir;
    WriteFileText(dir / "tellvane.ini",
                  "[LIVE]\nCPUload=" + load + "\nRAMused=" + used + "\nRAMfree=" + available + "\nCpuBars=1\n");
    ScriptedBoxes boxes;
    TRunState run;
    TForm1Services services;
    services.ExecutablePath = dir / "tellvane";
    services.ComputerName = [] { return std::optional<std::string>("LIVE"); };
    services.Namespaces = namespaces;
    services.Boxes = &boxes;
    services.Run = &run;
    TForm1 form(std::move(services));
    form.ShowMainWindow();

    const QRegularExpression processor(QStringLiteral("^CPU Total: \\d+%$"));
    const QRegularExpression memory(QStringLiteral("^Mem: [\\d,]+\\.\\d Gb of [\\d,]+ Gb$"));
    // Two hand-overs: the labels are set from the first, and stay live.
    int handOvers = 0;
    std::int32_t lastIndex = form.DiagIndex();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (form.DiagIndex() != lastIndex) {
                lastIndex = form.DiagIndex();
                ++handOvers;
            }
            return handOvers >= 2;
        },
        20000));
    EXPECT_TRUE(processor.match(form.Label1->text()).hasMatch()) << form.Label1->text().toStdString();
    EXPECT_TRUE(memory.match(form.Label5->text()).hasMatch()) << form.Label5->text().toStdString();
    EXPECT_TRUE(form.Label9->text().startsWith(QStringLiteral("Computer: "))) << form.Label9->text().toStdString();
    EXPECT_FALSE(form.Label32->text().isEmpty()) << "the processor's name";
    EXPECT_GT(form.RefreshThread()->WaitMs(), 0);
    EXPECT_TRUE(boxes.Shown.empty());

    form.Close1Click();
    form.FormDestroy();
    EXPECT_TRUE(form.RefreshThread()->Ended());
}

TEST(RemoteMachine, TheWindowShowsAnotherMachineSaysWhenItsServerStopsAndGoesOnWhenItIsBack)
{
    TestNodeExporter exporter(std::filesystem::path(TELLVANE_SHARED_FIXTURES) / "vm-debian12-2cpu-virtio-no-hwmon");
    TempDir dir;
    WriteFileText(dir / "tellvane.ini", "[LIVE]\nServer=" + exporter.Address() +
                                            "\nCPUload=/cpu/0/load/0\nRAMused=/ram/data/0\nRAMfree=/ram/data/1\n");
    ScriptedBoxes boxes;
    TRunState run;
    TForm1Services services;
    services.ExecutablePath = dir / "tellvane";
    services.ComputerName = [] { return std::optional<std::string>("LIVE"); };
    services.Namespaces = LocalNamespaces("/");
    services.Boxes = &boxes;
    services.Run = &run;
    TForm1 form(std::move(services));
    form.ShowMainWindow();
    ASSERT_TRUE(form.ProviderConnected()) << "another machine is no failed start";

    const QRegularExpression memory(QStringLiteral("^Mem: [\\d,]+\\.\\d Gb of [\\d,]+ Gb$"));
    const auto showsMemory = [&] { return memory.match(form.Label5->text()).hasMatch(); };
    EXPECT_TRUE(QTest::qWaitFor(showsMemory, 10000)) << form.Label5->text().toStdString();
    EXPECT_TRUE(form.Label1->text().startsWith(QStringLiteral("CPU Total: "))) << form.Label1->text().toStdString();

    // The server stops: the captions read NA within a few seconds, and the
    // computer line names the server and why.
    exporter.Stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Label1->text().startsWith(QStringLiteral("NA")); }, 6000))
        << form.Label1->text().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Label9->text().endsWith(QStringLiteral("(cannot be reached)")); }, 6000))
        << form.Label9->text().toStdString();
    EXPECT_EQ(form.Label9->text().toStdString(), "Computer: " + exporter.Address() + " (cannot be reached)");
    // A scrape under way when the server ended says its own reason (a partial
    // answer); the next try, a few seconds on, finds nobody listening.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Label10->text().startsWith(QStringLiteral("OS: the connection was refused")); }, 8000))
        << form.Label10->text().toStdString();

    // Back: the diagrams go on by themselves.
    exporter.Start();
    EXPECT_TRUE(QTest::qWaitFor(showsMemory, 10000)) << form.Label5->text().toStdString();
    EXPECT_TRUE(boxes.Shown.empty());
    form.Close1Click();
    form.FormDestroy();
}

} // namespace
