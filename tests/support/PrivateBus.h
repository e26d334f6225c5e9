#pragma once
// A session bus of the test's own (a dbus-daemon), ended with the test.

#include <QDBusConnection>
#include <QProcess>
#include <QString>

#include <memory>

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
        Kill();
    }
    // The bus ends as in a crash of the session.
    void Kill()
    {
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

