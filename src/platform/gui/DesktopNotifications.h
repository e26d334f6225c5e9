#pragma once
// Notifications through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). Calls never wait for
// the service, go out at most one per second in all, and a desktop without
// the service gets none: that is said once on standard error.

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <string>

struct TNotice {
    std::string Summary;
    std::string Body;
    bool Critical = false; // urgency critical: the desktop keeps it until it is seen
    bool operator==(const TNotice&) const = default;
};

// Where the window's notifications go; tests give their own.
class INotifications {
public:
    virtual ~INotifications() = default;
    virtual void Notify(const TNotice& notice) = 0;
};

class TDesktopNotifications : public QObject, public INotifications {
public:
    static constexpr int MinimumIntervalMs = 1000;
    // Notifications waiting for their turn; more are dropped, the oldest first.
    static constexpr std::size_t MaximumWaiting = 16;

    // `appId`: the desktop entry's name, also the icon's.
    TDesktopNotifications(QDBusConnection bus, QString appName, QString appId);

    void Notify(const TNotice& notice) override;

private:
    void SendNext();
    void SayOnce(const QString& why);

    QDBusConnection FBus;
    QString FAppName, FAppId;
    std::deque<TNotice> FWaiting;
    QElapsedTimer FSinceLast;
    QTimer FTurn;
    bool FSaid = false;
};
