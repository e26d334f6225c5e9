// Program entry: the application object, its title, the main window, the loop.

#include "NumberStyle.h"
#include "TForm1.h"

#include <QApplication>
#include <QLocale>

namespace {

// The locale's separators as they are at start; they stay fixed for the run.
TNumberStyle CaptureNumberStyle()
{
    QLocale locale = QLocale::system();
    return {locale.groupSeparator().toStdString(), locale.decimalPoint().toStdString()};
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The application title; not a display name, which the platform would append to the caption.
    QApplication::setApplicationName(QStringLiteral("Tellvane"));

    TForm1 form(CaptureNumberStyle());
    form.show();
    return QApplication::exec();
}
