// The window with the real provider reading this machine and the real refresh
// thread, in-process on the offscreen platform.

#include "LocalNamespaces.h"
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

} // namespace
