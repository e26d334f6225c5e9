#pragma once
// The desktop's appearance preferences: light or dark, its accent colour, and
// whether windows can be translucent and blurred behind. Read from the XDG
// desktop portal (org.freedesktop.portal.Settings, namespace
// org.freedesktop.appearance) on the session bus, and from the X server.

#include <QColor>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

struct TDesktopAppearance {
    // 0 no preference, 1 prefer dark, 2 prefer light; nothing when the portal has no such key.
    std::optional<std::uint32_t> ColorScheme;
    // The user's accent colour, opaque; nothing when the desktop offers none.
    std::optional<QColor> AccentColor;
};

class IDesktopAppearance {
public:
    virtual ~IDesktopAppearance() = default;
    // The preferences; nothing when no portal answered in time (no session
    // bus, no portal, or no answer within the time limit).
    virtual std::optional<TDesktopAppearance> Read() = 0;
    // Whether a compositing manager draws the windows.
    virtual bool Compositing() = 0;
    // `changed` runs on the main thread whenever the appearance changes.
    virtual void OnChanged(std::function<void()> changed) = 0;
    // Asks the window manager to blur what lies behind the whole window, or
    // to stop; false where it offers no blur.
    virtual bool SetBlurBehind(QWidget* window, bool on) = 0;
};

inline constexpr std::chrono::milliseconds PortalTimeLimit{200};

class TPortalAppearance : public QObject, public IDesktopAppearance {
    Q_OBJECT
public:
    // The portal on `bus`; every read waits at most `limit` for its answers.
    explicit TPortalAppearance(QDBusConnection bus = QDBusConnection::sessionBus(),
                               std::chrono::milliseconds limit = PortalTimeLimit);

    std::optional<TDesktopAppearance> Read() override;
    bool Compositing() override;
    void OnChanged(std::function<void()> changed) override;
    bool SetBlurBehind(QWidget* window, bool on) override;

private slots:
    void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    QDBusConnection FBus;
    std::chrono::milliseconds FLimit;
    std::function<void()> FChanged;
    bool FListening = false;
};

// The portal's accent colour: three channels between 0 and 1; anything else
// (the portal's way of saying there is none) gives nothing.
std::optional<QColor> PortalAccentColour(double red, double green, double blue);
