// A desktop notification service of the tests' own, on the session bus it is
// started on: it owns org.freedesktop.Notifications, answers each Notify with
// a new id and writes the call to standard output, one line each:
//
//   Notify<TAB>app name<TAB>icon<TAB>summary<TAB>body<TAB>urgency
//
// It says "ready" once it owns the name.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

class TNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public slots:
    Q_SCRIPTABLE uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                             const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        Q_UNUSED(replacesId);
        Q_UNUSED(actions);
        Q_UNUSED(timeout);
        const QVariant urgency = hints.value(QStringLiteral("urgency"));
        const QStringList fields{QStringLiteral("Notify"), appName, appIcon, summary, body,
                                 urgency.isValid() ? QString::number(urgency.toUInt()) : QStringLiteral("-")};
        std::printf("%s\n", fields.join(QLatin1Char('\t')).toUtf8().constData());
        std::fflush(stdout);
        return ++FLast;
    }
    Q_SCRIPTABLE QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    Q_SCRIPTABLE void CloseNotification(uint id) { Q_UNUSED(id); }

private:
    uint FLast = 0;
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    TNotifications service;
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service, QDBusConnection::ExportScriptableSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "notification_service: cannot own the name: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "NotificationService.moc"
