// The desktop's notifications against a private session bus and the tests'
// notification service: what a call carries, and at most one a second.

#include "DesktopNotifications.h"
#include "PrivateBus.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The tests' notification service on that bus, with each call it received
// and when the test read it (never before it arrived).
class NotificationService {
public:
    explicit NotificationService(PrivateBus& bus)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.Address());
        FProcess.setProcessEnvironment(environment);
        FProcess.start(QStringLiteral(TELLVANE_NOTIFICATION_SERVICE), {});
        FProcess.waitForStarted(5000);
        FReady = FProcess.waitForReadyRead(5000) && FProcess.readLine().trimmed() == "ready";
    }
    ~NotificationService()
    {
        FProcess.kill();
        FProcess.waitForFinished(2000);
    }
    bool Ready() const { return FReady; }

    struct TCall {
        QStringList Fields; // Notify, app name, icon, summary, body, urgency
        qint64 ReadAtMs;
    };
    // Waits up to `ms` for `count` calls in all.
    const std::vector<TCall>& WaitFor(std::size_t count, const QElapsedTimer& clock, int ms)
    {
        (void)QTest::qWaitFor(
            [&] {
                while (FProcess.canReadLine())
                    FCalls.push_back({QString::fromUtf8(FProcess.readLine()).chopped(1).split(QLatin1Char('\t')), clock.elapsed()});
                return FCalls.size() >= count;
            },
            ms);
        return FCalls;
    }

private:
    QProcess FProcess;
    bool FReady = false;
    std::vector<TCall> FCalls;
};

} // namespace

TEST(DesktopNotifications, CarryTheirUrgencyAndGoOutOneASecond)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.Connected()) << "dbus-daemon did not start";
    NotificationService service(bus);
    ASSERT_TRUE(service.Ready());
    TDesktopNotifications notifications(bus.Connection(), QStringLiteral("Tellvane"), QStringLiteral("org.tellvane.Tellvane"));

    QElapsedTimer clock;
    clock.start();
    notifications.Notify({"Processor at 96 °C", "CPU Package: limit 95 °C, critical 105 °C", false});
    notifications.Notify({"Video card at 106 °C", "edge: limit 100 °C, critical 105 °C", true});
    notifications.Notify({"Processor at 97 °C", "again", false});
    const auto& calls = service.WaitFor(3, clock, 8000);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].Fields, (QStringList{"Notify", "Tellvane", "org.tellvane.Tellvane", "Processor at 96 °C",
                                            "CPU Package: limit 95 °C, critical 105 °C", "1"}));
    EXPECT_EQ(calls[1].Fields.value(3), "Video card at 106 °C");
    EXPECT_EQ(calls[1].Fields.value(5), "2") << "critical urgency";
    EXPECT_EQ(calls[2].Fields.value(4), "again");
    // The second call waited a second after the first, the third two.
    EXPECT_GE(calls[1].ReadAtMs, TDesktopNotifications::MinimumIntervalMs);
    EXPECT_GE(calls[2].ReadAtMs, 2 * TDesktopNotifications::MinimumIntervalMs);
}

TEST(DesktopNotifications, WithoutAServiceNothingIsSentAndNothingWaits)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.Connected());
    TDesktopNotifications notifications(bus.Connection(), QStringLiteral("Tellvane"), QStringLiteral("org.tellvane.Tellvane"));
    testing::internal::CaptureStderr();
    notifications.Notify({"Processor at 96 °C", "", false});
    notifications.Notify({"Processor at 97 °C", "", false});
    QTest::qWait(2500); // both calls have gone out (the second a second later) and been refused
    const std::string said = testing::internal::GetCapturedStderr();
    std::size_t count = 0;
    for (std::size_t at = said.find("alerts are shown on the window only"); at != std::string::npos;
         at = said.find("alerts are shown on the window only", at + 1))
        ++count;
    EXPECT_EQ(count, 1u) << said;

    TDesktopNotifications noBus(QDBusConnection(QStringLiteral("never-connected")), QStringLiteral("Tellvane"), QStringLiteral("x"));
    testing::internal::CaptureStderr();
    noBus.Notify({"Processor at 96 °C", "", false});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("there is no session bus"), std::string::npos);
}
