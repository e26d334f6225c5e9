#pragma once
// One gadget per settings file in a desktop session: the first start owns a
// name on the session bus; a later start asks it to bring its window to the
// front and ends. Without a session bus every start runs on its own.

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

enum class TInstanceRole {
    Alone,  // no session bus: nothing to ask, nothing to be asked
    First,  // owns the name; is told when a later start asks for it
    Later,  // another process owns the name
};

// The bus name for the gadget that keeps its settings in `settingsFile`.
QString InstanceServiceName(const QString& settingsFile);

class TSingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tellvane.Gadget")

public:
    TSingleInstance(QDBusConnection bus, QString serviceName);
    ~TSingleInstance() override;

    TInstanceRole Role() const { return FRole; }
    // First: `activate` runs (on the main thread) when a later start asks.
    void OnActivate(std::function<void()> activate) { FActivate = std::move(activate); }
    // Later: asks the first to show its window; true when it answered.
    bool ActivateFirst();

public slots:
    Q_SCRIPTABLE void Activate();

private:
    QDBusConnection FBus;
    QString FServiceName;
    TInstanceRole FRole = TInstanceRole::Alone;
    std::function<void()> FActivate;
};
