#include "DesktopAppearance.h"

#include "DesktopEffects.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QWidget>

#include <vector>

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString SettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString AppearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString ColorSchemeKey = QStringLiteral("color-scheme");
const QString AccentColorKey = QStringLiteral("accent-color");

// One key's answer: its value, the portal's word that it has none, or no
// usable answer at all.
enum class TAnswer { Value, NoSuchKey, Failed, UnknownMethod };

TAnswer Unwrap(const QDBusPendingCall& call, QVariant& value)
{
    const QDBusMessage reply = call.reply();
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const QString error = reply.errorName();
        if (error == QStringLiteral("org.freedesktop.portal.Error.NotFound")) return TAnswer::NoSuchKey;
        if (error == QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod")) return TAnswer::UnknownMethod;
        return TAnswer::Failed;
    }
    if (reply.arguments().isEmpty()) return TAnswer::Failed;
    value = reply.arguments().front();
    // ReadOne gives the value in a variant; the older Read wraps that once more.
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return TAnswer::Value;
}

std::optional<QColor> AccentOf(const QVariant& value)
{
    if (value.userType() != qMetaTypeId<QDBusArgument>()) return std::nullopt;
    const QDBusArgument argument = qvariant_cast<QDBusArgument>(value);
    if (argument.currentSignature() != QStringLiteral("(ddd)")) return std::nullopt;
    double red = -1, green = -1, blue = -1;
    argument.beginStructure();
    argument >> red >> green >> blue;
    argument.endStructure();
    return PortalAccentColour(red, green, blue);
}

} // namespace

std::optional<QColor> PortalAccentColour(double red, double green, double blue)
{
    for (double c : {red, green, blue})
        if (!(c >= 0.0 && c <= 1.0)) return std::nullopt;
    return QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue));
}

TPortalAppearance::TPortalAppearance(QDBusConnection bus, std::chrono::milliseconds limit)
    : FBus(std::move(bus)), FLimit(limit)
{
}

std::optional<TDesktopAppearance> TPortalAppearance::Read()
{
    if (!FBus.isConnected()) return std::nullopt;
    QElapsedTimer clock;
    clock.start();
    // Both keys are asked at once, so that the whole read stays within the limit.
    const auto ask = [&](const QString& method) {
        const int left = static_cast<int>(std::max<qint64>(1, FLimit.count() - clock.elapsed()));
        std::vector<QDBusPendingCall> calls;
        for (const QString& key : {ColorSchemeKey, AccentColorKey}) {
            QDBusMessage message = QDBusMessage::createMethodCall(PortalService, PortalPath, SettingsInterface, method);
            message << AppearanceNamespace << key;
            calls.push_back(FBus.asyncCall(message, left));
        }
        for (QDBusPendingCall& call : calls) call.waitForFinished();
        return calls;
    };
    auto calls = ask(QStringLiteral("ReadOne"));
    QVariant scheme, accent;
    TAnswer schemeAnswer = Unwrap(calls[0], scheme);
    TAnswer accentAnswer = Unwrap(calls[1], accent);
    if (schemeAnswer == TAnswer::UnknownMethod || accentAnswer == TAnswer::UnknownMethod) {
        // A portal older than ReadOne.
        if (clock.elapsed() >= FLimit.count()) return std::nullopt;
        calls = ask(QStringLiteral("Read"));
        schemeAnswer = Unwrap(calls[0], scheme);
        accentAnswer = Unwrap(calls[1], accent);
    }
    const auto answered = [](TAnswer a) { return a == TAnswer::Value || a == TAnswer::NoSuchKey; };
    if (!answered(schemeAnswer) || !answered(accentAnswer)) return std::nullopt;

    TDesktopAppearance appearance;
    bool isNumber = false;
    const uint value = scheme.toUInt(&isNumber);
    if (schemeAnswer == TAnswer::Value && isNumber) appearance.ColorScheme = value;
    if (accentAnswer == TAnswer::Value) appearance.AccentColor = AccentOf(accent);
    return appearance;
}

bool TPortalAppearance::Compositing() { return DetectDesktopEffects().Compositing; }

void TPortalAppearance::OnChanged(std::function<void()> changed)
{
    FChanged = std::move(changed);
    if (FListening || !FBus.isConnected()) return;
    FListening = FBus.connect(PortalService, PortalPath, SettingsInterface, QStringLiteral("SettingChanged"), this,
                              SLOT(SettingChanged(QString, QString, QDBusVariant)));
}

void TPortalAppearance::SettingChanged(const QString& nameSpace, const QString& /*key*/, const QDBusVariant& /*value*/)
{
    if (nameSpace == AppearanceNamespace && FChanged) FChanged();
}

bool TPortalAppearance::SetBlurBehind(QWidget* window, bool on)
{
    if (!window) return false;
    return SetBlurBehindRegion(static_cast<unsigned long>(window->winId()), on);
}
