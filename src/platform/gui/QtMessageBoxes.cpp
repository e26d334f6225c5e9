#include "QtMessageBoxes.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace {

int RunBox(QMessageBox::Icon icon, const std::string& title, const std::string& text,
           QMessageBox::StandardButtons buttons, TBoxPlace place)
{
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text), buttons);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.adjustSize();
    if (place.IsCentred()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = box.frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            box.move(frame.topLeft());
        }
    } else {
        box.move(*place.Left, *place.Top);
    }
    return box.exec();
}

} // namespace

void QtMessageBoxes::ShowError(const std::string& title, const std::string& text)
{
    RunBox(QMessageBox::Critical, title, text, QMessageBox::Ok, TBoxPlace::ScreenCentre());
}

bool QtMessageBoxes::AskYesNo(const std::string& title, const std::string& text, TBoxPlace place)
{
    return RunBox(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, place) ==
           QMessageBox::Yes;
}

void QtMessageBoxes::ShowMessage(const std::string& title, const std::string& text)
{
    RunBox(QMessageBox::Information, title, text, QMessageBox::Ok, TBoxPlace::ScreenCentre());
}
