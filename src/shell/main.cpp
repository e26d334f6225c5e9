// Program entry: the command line, the display, the application object, its
// title, the main window, the loop.

#include "CommandLine.h"
#include "ComputerName.h"
#include "DesktopAppearance.h"
#include "DesktopEffects.h"
#include "DesktopNotifications.h"
#include "DisplayChoice.h"
#include "LocalNamespaces.h"
#include "NumberStyle.h"
#include "Pictures.h"
#include "QtMessageBoxes.h"
#include "SessionEnd.h"
#include "SettingsFile.h"
#include "SingleInstance.h"
#include "TApplication.h"
#include "TaskbarEntry.h"
#include "TForm1.h"
#include "TForm2.h"
#include "WebAddress.h"
#include "XDisplay.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>

#include <cstdlib>
#include <iostream>

namespace {

constexpr const char* Usage =
    "Usage: tellvane [--settings FILE] [--root DIR]\n"
    "Shows this computer's hardware at a glance: processor, video card, memory, network, disks,\n"
    "two metrics of your choice, the clock and the spectrum of a sound input.\n\n"
    "  --settings FILE  keep the settings in FILE: a gadget for each machine you watch\n"
    "  --root DIR       show the machine whose file tree (a captured /proc and /sys) is below DIR\n"
    "  -h, --help       show this text\n"
    "  --version        show the version\n\n"
    "The settings are kept in tellvane.ini beside the program where that folder may be written\n"
    "(a portable copy), else in $XDG_CONFIG_HOME/tellvane/tellvane.ini (~/.config when unset).\n"
    "A second start brings the running gadget to the front.\n";

// The locale's separators as they are at start; they stay fixed for the run.
TNumberStyle CaptureNumberStyle()
{
    const QLocale locale;
    return {locale.groupSeparator().toStdString(), locale.decimalPoint().toStdString()};
}

std::optional<std::string> Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? std::optional<std::string>(value) : std::nullopt;
}

bool WaylandPlatformInstalled()
{
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    return !platforms.entryList({QStringLiteral("libqwayland*.so")}, QDir::Files).isEmpty();
}

int Refuse(const std::string& reason, int status)
{
    std::cerr << "tellvane: " << reason << "\n";
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    const TCommandLine line = ParseCommandLine(argc, argv, {TValueOption::Root, TValueOption::Settings});
    if (!line.Error.empty()) return Refuse(line.Error + " (see tellvane --help)", 2);
    if (line.Help) {
        std::cout << Usage;
        return 0;
    }
    if (line.Version) {
        std::cout << "tellvane " TELLVANE_VERSION "\n";
        return 0;
    }
    if (line.Root)
        if (const auto problem = RootProblem(*line.Root)) return Refuse("--root: " + *problem, 2);

    const TDisplayChoice display = ChooseDisplay(Environment, WaylandPlatformInstalled());
    if (!display.Problem.empty()) return Refuse(display.Problem, 1);
    if (display.Platform) qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*display.Platform));
    if (display.UsesX && !XDisplayAnswers())
        return Refuse("the X display " + Environment("DISPLAY").value_or("") + " does not answer", 1);
    if (!display.Note.empty()) std::cerr << "tellvane: " << display.Note << "\n";

    QtMessageBoxes boxes;
    TApplication app(argc, argv, boxes);
    // The application title; not a display name, which the platform would append to the caption.
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    // The installed launcher's name: the desktop ties the window to it.
    QGuiApplication::setDesktopFileName(QStringLiteral(TELLVANE_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(Picture(QStringLiteral("application"), 64)));

    const std::filesystem::path executable = QCoreApplication::applicationFilePath().toStdString();
    // A settings file given (one gadget per machine watched), or the usual one.
    const std::filesystem::path settingsFile =
        line.Settings ? std::filesystem::absolute(*line.Settings) : SettingsFileOf(executable);
    // Its folder in the home is made for it (a portable copy's exists).
    std::error_code noFolder;
    std::filesystem::create_directories(settingsFile.parent_path(), noFolder);
    // One gadget per settings file: a second start shows the first one's window.
    TSingleInstance instance(QDBusConnection::sessionBus(), InstanceServiceName(QString::fromStdString(settingsFile.string())));
    if (instance.Role() == TInstanceRole::Later) {
        if (instance.ActivateFirst()) return 0;
        std::cerr << "tellvane: another copy holds this settings file but does not answer; starting anyway\n";
    }

    TRunState run;
    TForm1Services services;
    services.ExecutablePath = executable;
    services.SettingsFile = settingsFile;
    // The installed program's private library folder, relative to its bin folder.
    services.AudioLibraryFolders = {executable.parent_path() / TELLVANE_PRIVATE_LIBRARY_DIR};
    services.ComputerName = [] { return ComputerName(); };
    services.Namespaces = LocalNamespaces(line.Root.value_or("/"));
    services.Boxes = &boxes;
    services.Run = &run;
    services.NumberStyle = CaptureNumberStyle();
    services.TrayAvailable = SystemTrayAvailable;
    services.PositionKnown = display.PositionKnown;
    TPortalAppearance desktop;
    services.Desktop = &desktop;
    TDesktopNotifications notifications(QDBusConnection::sessionBus(), QString::fromLatin1(ApplicationTitle),
                                        QStringLiteral(TELLVANE_APP_ID));
    services.Notifications = &notifications;

    auto form = std::make_unique<TForm1>(std::move(services));
    TForm2Services dialogServices;
    dialogServices.Host = form.get();
    dialogServices.Boxes = &boxes;
    dialogServices.DesktopEffects = DetectDesktopEffects;
    dialogServices.OpenWebAddress = OpenWebAddress;
    auto form2 = std::make_unique<TForm2>(std::move(dialogServices));
    form->Form2 = form2.get();
    TForm1* window = form.get();
    instance.OnActivate([window] { window->RunHandler([window] { window->RestoreApplication(); }); });
    ConnectSessionEnd(
        app,
        [window] {
            bool mayEnd = true;
            window->RunHandler([&] { mayEnd = window->QueryEndSession() == 1; });
            return mayEnd;
        },
        [window] { window->RunHandler([window] { window->EndSession(); }); });
    ConnectTerminationSignals(app, [window] { window->RunHandler([window] { window->EndSession(); }); });

    form->ShowMainWindow();
    // An exit chosen before the loop ran (from the first-run question's loop) ends the run at once.
    const int result = form->Terminating() ? 0 : QApplication::exec();
    form->FinishRun();
    instance.OnActivate(nullptr);
    form->Form2 = nullptr;
    form2.reset();
    form.reset();
    return result;
}
