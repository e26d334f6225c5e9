#include "DesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <iostream>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");

// The notification protocol's urgency levels.
constexpr uchar NormalUrgency = 1;
constexpr uchar CriticalUrgency = 2;

} // namespace

TDesktopNotifications::TDesktopNotifications(QDBusConnection bus, QString appName, QString appId)
    : FBus(std::move(bus)), FAppName(std::move(appName)), FAppId(std::move(appId))
{
    FTurn.setSingleShot(true);
    connect(&FTurn, &QTimer::timeout, this, [this] { SendNext(); });
}

void TDesktopNotifications::Notify(const TNotice& notice)
{
    if (FWaiting.size() == MaximumWaiting) FWaiting.pop_front();
    FWaiting.push_back(notice);
    if (!FTurn.isActive()) SendNext();
}

void TDesktopNotifications::SendNext()
{
    if (FWaiting.empty()) return;
    if (FSinceLast.isValid() && FSinceLast.elapsed() < MinimumIntervalMs) {
        FTurn.start(int(MinimumIntervalMs - FSinceLast.elapsed()));
        return;
    }
    const TNotice notice = FWaiting.front();
    FWaiting.pop_front();
    FSinceLast.start();
    if (!FWaiting.empty()) FTurn.start(MinimumIntervalMs);
    if (!FBus.isConnected()) {
        SayOnce(QStringLiteral("there is no session bus"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(notice.Critical ? CriticalUrgency : NormalUrgency));
    hints.insert(QStringLiteral("desktop-entry"), FAppId);
    call << FAppName << uint(0) << FAppId << QString::fromStdString(notice.Summary)
         << QString::fromStdString(notice.Body) << QStringList() << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(FBus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        const QDBusPendingReply<uint> reply = *done;
        if (reply.isError()) SayOnce(reply.error().message());
        done->deleteLater();
    });
}

void TDesktopNotifications::SayOnce(const QString& why)
{
    if (FSaid) return;
    FSaid = true;
    std::cerr << "tellvane: alerts are shown on the window only: the desktop's notification service does not answer ("
              << why.toStdString() << ")\n";
}
