#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace {

constexpr const char* ObjectPath = "/org/tellvane/Gadget";
constexpr const char* Interface = "org.tellvane.Gadget";
// A later start waits this long for the first one's answer.
constexpr int ActivateTimeoutMs = 2000;

} // namespace

QString InstanceServiceName(const QString& settingsFile)
{
    // A bus name's elements hold letters, digits and "_" and begin with no
    // digit: the path goes in as a short hash behind a letter.
    const QByteArray hash = QCryptographicHash::hash(settingsFile.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("org.tellvane.Gadget.s") + QString::fromLatin1(hash);
}

TSingleInstance::TSingleInstance(QDBusConnection bus, QString serviceName)
    : FBus(std::move(bus)), FServiceName(std::move(serviceName))
{
    if (!FBus.isConnected() || !FBus.interface()) return;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = FBus.interface()->registerService(
        FServiceName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) return; // the bus did not answer: run alone
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        FRole = TInstanceRole::Later;
        return;
    }
    FRole = TInstanceRole::First;
    FBus.registerObject(QString::fromLatin1(ObjectPath), this, QDBusConnection::ExportScriptableSlots);
}

TSingleInstance::~TSingleInstance()
{
    if (FRole != TInstanceRole::First) return;
    FBus.unregisterObject(QString::fromLatin1(ObjectPath));
    FBus.unregisterService(FServiceName);
}

bool TSingleInstance::ActivateFirst()
{
    if (FRole != TInstanceRole::Later) return false;
    const QDBusMessage call = QDBusMessage::createMethodCall(FServiceName, QString::fromLatin1(ObjectPath),
                                                             QString::fromLatin1(Interface), QStringLiteral("Activate"));
    return FBus.call(call, QDBus::BlockWithGui, ActivateTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

void TSingleInstance::Activate()
{
    if (FActivate) FActivate();
}
