// The desktop portal reader against a private session bus (a dbus-daemon of
// the test's own) with the tests' portal service: the answers it reads, the
// older portal, no portal, a portal too slow to wait for, and a change while
// the window runs.

#include "DesktopAppearance.h"
#include "ScriptedBoxes.h"
#include "TForm1.h"
#include "TempDir.h"

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A session bus of the test's own, ended with the test.
class PrivateBus {
public:
    PrivateBus()
    {
        FDaemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                      QStringLiteral("--nopidfile"), QStringLiteral("--print-address")});
        if (!FDaemon.waitForStarted(5000) || !FDaemon.waitForReadyRead(5000)) return;
        FAddress = QString::fromUtf8(FDaemon.readLine()).trimmed();
        FName = QStringLiteral("private-bus-%1").arg(++Count);
        FConnection = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(FAddress, FName));
    }
    ~PrivateBus()
    {
        FConnection.reset();
        QDBusConnection::disconnectFromBus(FName);
        FDaemon.kill();
        FDaemon.waitForFinished(5000);
    }
    bool Connected() const { return FConnection && FConnection->isConnected(); }
    QDBusConnection& Connection() { return *FConnection; }
    const QString& Address() const { return FAddress; }

private:
    static inline int Count = 0;
    QProcess FDaemon;
    QString FAddress, FName;
    std::unique_ptr<QDBusConnection> FConnection;
};

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

TEST(Portal, AChangeSwitchesAnAutoDetectWindowToDark)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.Connected());
    Portal portal(bus, {"--color-scheme", "2"});
    ASSERT_TRUE(portal.Ready());
    TPortalAppearance desktop(bus.Connection());

    TempDir dir;
    ScriptedBoxes boxes;
    TRunState run;
    TForm1Services services;
    services.ExecutablePath = dir.Path() / "tellvane";
    services.ComputerName = [] { return std::optional<std::string>("TESTPC"); };
    services.Namespaces = std::make_shared<TWbemNamespaces>();
    services.Boxes = &boxes;
    services.Run = &run;
    services.TrayAvailable = [] { return false; };
    services.Desktop = &desktop;
    TForm1 form(std::move(services));
    ASSERT_TRUE(form.ThemeAuto1->isChecked());
    EXPECT_EQ(form.ThemeNumber(), 0) << "a light desktop";

    portal.Say("color-scheme 1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.ThemeNumber() == 1; }, 1000)) << "still light a second later";
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0x1F, 0x1F, 0x1F));
}

} // namespace
