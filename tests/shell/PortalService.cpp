// A desktop portal of the tests' own on the session bus it is started on:
// it answers the appearance settings and announces changes read from its
// standard input ("color-scheme N" or "accent R,G,B", one per line).
//
//   portal_service [--color-scheme N] [--accent R,G,B] [--no-read-one] [--delay MS]

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSocketNotifier>
#include <QThread>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

const QString Appearance = QStringLiteral("org.freedesktop.appearance");

struct TSettings {
    std::optional<uint> ColorScheme;
    std::optional<QVariant> Accent;
    int DelayMs = 0;
};

QVariant AccentValue(const QString& text)
{
    const QStringList parts = text.split(',');
    QDBusArgument argument;
    argument.beginStructure();
    for (int i = 0; i < 3; ++i) argument << (i < parts.size() ? parts[i].toDouble() : 0.0);
    argument.endStructure();
    return QVariant::fromValue(argument);
}

} // namespace

class TOldSettings : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    explicit TOldSettings(TSettings& settings) : Settings(settings) {}

public slots:
    Q_SCRIPTABLE QDBusVariant Read(const QString& nameSpace, const QString& key)
    {
        const std::optional<QVariant> value = Value(nameSpace, key);
        // The older method wraps the value in one more variant.
        return value ? QDBusVariant(QVariant::fromValue(QDBusVariant(*value))) : QDBusVariant();
    }

signals:
    Q_SCRIPTABLE void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

protected:
    std::optional<QVariant> Value(const QString& nameSpace, const QString& key)
    {
        if (Settings.DelayMs > 0) QThread::msleep(static_cast<unsigned long>(Settings.DelayMs));
        if (nameSpace == Appearance && key == QStringLiteral("color-scheme") && Settings.ColorScheme)
            return QVariant::fromValue(*Settings.ColorScheme);
        if (nameSpace == Appearance && key == QStringLiteral("accent-color") && Settings.Accent) return *Settings.Accent;
        sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("Requested setting not found"));
        return std::nullopt;
    }
    TSettings& Settings;
};

class TSettingsWithReadOne : public TOldSettings {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    using TOldSettings::TOldSettings;

public slots:
    Q_SCRIPTABLE QDBusVariant ReadOne(const QString& nameSpace, const QString& key)
    {
        const std::optional<QVariant> value = Value(nameSpace, key);
        return value ? QDBusVariant(*value) : QDBusVariant();
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TSettings settings;
    bool readOne = true;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (args[i] == QStringLiteral("--color-scheme")) settings.ColorScheme = next.toUInt(), ++i;
        else if (args[i] == QStringLiteral("--accent")) settings.Accent = AccentValue(next), ++i;
        else if (args[i] == QStringLiteral("--delay")) settings.DelayMs = next.toInt(), ++i;
        else if (args[i] == QStringLiteral("--no-read-one")) readOne = false;
    }
    std::unique_ptr<TOldSettings> service = readOne ? std::make_unique<TSettingsWithReadOne>(settings)
                                                    : std::make_unique<TOldSettings>(settings);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), service.get(),
                            QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::cerr << "cannot register the portal on the bus\n";
        return 1;
    }
    std::cout << "ready" << std::endl;

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        for (const QString& line : QString::fromUtf8(buffer, static_cast<int>(n)).split('\n', Qt::SkipEmptyParts)) {
            const QStringList words = line.split(' ');
            if (words.size() != 2) continue;
            if (words[0] == QStringLiteral("color-scheme")) {
                settings.ColorScheme = words[1].toUInt();
                emit service->SettingChanged(Appearance, words[0], QDBusVariant(QVariant::fromValue(*settings.ColorScheme)));
            } else if (words[0] == QStringLiteral("accent")) {
                settings.Accent = AccentValue(words[1]);
                emit service->SettingChanged(Appearance, QStringLiteral("accent-color"), QDBusVariant(*settings.Accent));
            }
        }
    });
    return QCoreApplication::exec();
}

#include "PortalService.moc"
