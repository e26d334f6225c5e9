#include "QtMessageBoxes.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

int QtMessageBoxes::Run(QMessageBox::Icon icon, const std::string& title, const std::string& text,
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
    FOpen.push_back(&box);
    struct TForget {
        std::vector<QMessageBox*>& Open;
        QMessageBox* Box;
        ~TForget() { std::erase(Open, Box); }
    } forget{FOpen, &box};
    return box.exec();
}

void QtMessageBoxes::ShowError(const std::string& title, const std::string& text)
{
    Run(QMessageBox::Critical, title, text, QMessageBox::Ok, TBoxPlace::ScreenCentre());
}

bool QtMessageBoxes::AskYesNo(const std::string& title, const std::string& text, TBoxPlace place)
{
    return Run(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, place) == QMessageBox::Yes;
}

void QtMessageBoxes::ShowMessage(const std::string& title, const std::string& text)
{
    Run(QMessageBox::Information, title, text, QMessageBox::Ok, TBoxPlace::ScreenCentre());
}

void QtMessageBoxes::ShowPlain(const std::string& title, const std::string& text)
{
    Run(QMessageBox::NoIcon, title, text, QMessageBox::Ok, TBoxPlace::ScreenCentre());
}

void QtMessageBoxes::CloseAll()
{
    // Each box's loop returns once control is back in it; the result is no
    // button's, so a question reads as No.
    for (QMessageBox* box : FOpen) box->done(QDialog::Rejected);
}
