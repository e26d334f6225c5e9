// The desktop portal reader against a private session bus (a dbus-daemon of
// the test's own) with the tests' portal service: the answers it reads, the
// older portal, no portal, a portal too slow to wait for, a change while the
// window runs, and the portal and the bus going away under it.

#include "DesktopAppearance.h"
#include "PrivateBus.h"
#include "ScriptedBoxes.h"
#include "TForm1.h"
#include "TempDir.h"
#include "TestProvider.h"

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The tests' portal service on that bus.
class Portal {
public:
    Portal(PrivateBus& bus, const QStringList& args)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.Address());
        FProcess.setProcessEnvironment(environment);
        FProcess.start(QStringLiteral(TELLVANE_PORTAL_SERVICE), args);
        FProcess.waitForStarted(5000);
        FReady = FProcess.waitForReadyRead(5000) && FProcess.readLine().trimmed() == "ready";
    }
    ~Portal()
    {
        FProcess.closeWriteChannel();
        if (!FProcess.waitForFinished(2000)) FProcess.kill();
        FProcess.waitForFinished(2000);
    }
    bool Ready() const { return FReady; }
    void Kill()
    {
        FProcess.kill();
        FProcess.waitForFinished(2000);
    }
    void Say(const QByteArray& line)
    {
        FProcess.write(line + "\n");
        FProcess.waitForBytesWritten(1000);
    }

private:
    QProcess FProcess;
    bool FReady = false;
};

struct ReadCase {
    const char* what;
    QStringList args;
    std::optional<std::uint32_t> scheme;
    std::optional<QColor> accent;
};

TEST(Portal, ReadsTheAppearanceNamespace)
{
    const ReadCase cases[] = {
        {"light", {"--color-scheme", "2"}, 2u, std::nullopt},
        {"dark with an accent", {"--color-scheme", "1", "--accent", "0.2,0.4,0.6"}, 1u, QColor(51, 102, 153)},
        {"no preference", {"--color-scheme", "0"}, 0u, std::nullopt},
        {"no keys at all", {}, std::nullopt, std::nullopt},
        {"an accent out of range means none", {"--color-scheme", "1", "--accent", "1.5,0,0"}, 1u, std::nullopt},
        {"a portal older than ReadOne", {"--no-read-one", "--color-scheme", "1", "--accent", "1,0,0"}, 1u, QColor(255, 0, 0)},
    };
    for (const ReadCase& c : cases) {
        PrivateBus bus;
        ASSERT_TRUE(bus.Connected()) << "dbus-daemon did not start";
        Portal portal(bus, c.args);
        ASSERT_TRUE(portal.Ready()) << c.what;
        TPortalAppearance reader(bus.Connection());
        const std::optional<TDesktopAppearance> got = reader.Read();
        ASSERT_TRUE(got.has_value()) << c.what;
        EXPECT_EQ(got->ColorScheme, c.scheme) << c.what;
        EXPECT_EQ(got->AccentColor, c.accent) << c.what;
    }
}

TEST(Portal, NoPortalOrASlowOneGivesNothingWithinTheLimit)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.Connected());
    TPortalAppearance reader(bus.Connection());
    EXPECT_FALSE(reader.Read().has_value()) << "no portal on the bus";

    Portal slow(bus, {"--color-scheme", "1", "--delay", "1500"});
    ASSERT_TRUE(slow.Ready());
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(reader.Read().has_value()) << "an answer after the limit";
    // Not a speed measurement: the reader must give up long before the portal answers.
    EXPECT_LT(clock.elapsed(), 1200);

    TPortalAppearance disconnected(QDBusConnection(QStringLiteral("never-connected")));
    EXPECT_FALSE(disconnected.Read().has_value()) << "no session bus";
}

// A window in Auto-detect that reads the desktop through `desktop`.
class AutoDetectWindow {
public:
    explicit AutoDetectWindow(IDesktopAppearance& desktop)
    {
        TForm1Services services;
        services.ExecutablePath = FDir.Path() / "tellvane";
        services.ComputerName = [] { return std::optional<std::string>("TESTPC"); };
        auto namespaces = std::make_shared<TWbemNamespaces>();
        namespaces->Register(TestHardwareNamespace, std::make_shared<TTableProvider>());
        services.Namespaces = namespaces;
        services.Boxes = &FBoxes;
        services.Run = &FRun;
        services.TrayAvailable = [] { return false; };
        services.Desktop = &desktop;
        Form = std::make_unique<TForm1>(std::move(services));
        EXPECT_TRUE(FBoxes.Shown.empty()) << "the start did not run to its end";
    }

private:
    TempDir FDir;
    ScriptedBoxes FBoxes;
    TRunState FRun;

public:
    std::unique_ptr<TForm1> Form;
};

TEST(Portal, AChangeSwitchesAnAutoDetectWindowToDark)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.Connected());
    Portal portal(bus, {"--color-scheme", "2"});
    ASSERT_TRUE(portal.Ready());
    TPortalAppearance desktop(bus.Connection());
    AutoDetectWindow window(desktop);
    TForm1& form = *window.Form;
    ASSERT_TRUE(form.ThemeAuto1->isChecked());
    EXPECT_EQ(form.ThemeNumber(), 0) << "a light desktop";

    portal.Say("color-scheme 1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.ThemeNumber() == 1; }, 1000)) << "still light a second later";
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0x1F, 0x1F, 0x1F));
}

TEST(Portal, ThePortalAndTheBusGoingAwayLeaveTheThemeAsItIs)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.Connected());
    Portal portal(bus, {"--color-scheme", "1"});
    ASSERT_TRUE(portal.Ready());
    TPortalAppearance desktop(bus.Connection());
    AutoDetectWindow window(desktop);
    TForm1& form = *window.Form;
    ASSERT_EQ(form.ThemeNumber(), 1) << "a dark desktop";

    // The portal ends, then the session bus: every read of the desktop now
    // gets nothing, and the window stays dark through each.
    portal.Kill();
    form.DesktopAppearanceChanged();
    EXPECT_EQ(form.ThemeNumber(), 1);
    bus.Kill();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !bus.Connected(); }, 2000)) << "the bus's end unnoticed";
    form.DesktopAppearanceChanged();
    form.ReadWindowsThemeSettings();
    EXPECT_EQ(form.ThemeNumber(), 1);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0x1F, 0x1F, 0x1F));
    EXPECT_TRUE(form.ThemeAuto1->isChecked());
}

} // namespace
