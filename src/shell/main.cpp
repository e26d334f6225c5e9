// Program entry: the application object, its title, the main window, the loop.

#include "ComputerName.h"
#include "DesktopAppearance.h"
#include "DesktopEffects.h"
#include "LocalNamespaces.h"
#include "NumberStyle.h"
#include "Pictures.h"
#include "QtMessageBoxes.h"
#include "SessionEnd.h"
#include "TApplication.h"
#include "TaskbarEntry.h"
#include "TForm1.h"
#include "TForm2.h"
#include "WebAddress.h"

#include <QIcon>
#include <QLocale>

namespace {

// The locale's separators as they are at start; they stay fixed for the run.
TNumberStyle CaptureNumberStyle()
{
    const QLocale locale;
    return {locale.groupSeparator().toStdString(), locale.decimalPoint().toStdString()};
}

} // namespace

int main(int argc, char* argv[])
{
    QtMessageBoxes boxes;
    TApplication app(argc, argv, boxes);
    // The task-bar entry belongs to the main window, the application's only
    // top-level window, so there is nothing to hand over here.
    // The application title; not a display name, which the platform would append to the caption.
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(Picture(QStringLiteral("application"), 64)));

    TRunState run;
    TForm1Services services;
    services.ExecutablePath = QCoreApplication::applicationFilePath().toStdString();
    services.ComputerName = [] { return ComputerName(); };
    services.Namespaces = LocalNamespaces("/");
    services.Boxes = &boxes;
    services.Run = &run;
    services.NumberStyle = CaptureNumberStyle();
    services.TrayAvailable = SystemTrayAvailable;
    TPortalAppearance desktop;
    services.Desktop = &desktop;

    auto form = std::make_unique<TForm1>(std::move(services));
    TForm2Services dialogServices;
    dialogServices.Host = form.get();
    dialogServices.Boxes = &boxes;
    dialogServices.DesktopEffects = DetectDesktopEffects;
    dialogServices.OpenWebAddress = OpenWebAddress;
    auto form2 = std::make_unique<TForm2>(std::move(dialogServices));
    form->Form2 = form2.get();
    ConnectSessionEnd(
        app, [&form] { return form->QueryEndSession() == 1; }, [&form] { form->EndSession(); });

    ConnectTerminationSignals(app, [&form] { form->EndSession(); });

    form->ShowMainWindow();
    // An exit chosen before the loop ran (from the first-run question's loop) ends the run at once.
    const int result = form->Terminating() ? 0 : QApplication::exec();
    form->RunHandler([&form] { form->FormDestroy(); });
    form->Form2 = nullptr;
    form2.reset();
    form.reset();
    return result;
}
