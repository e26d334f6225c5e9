#pragma once
// The application object: an exception that leaves any event handler is shown
// in an error box titled with the application's title, and the program goes on.

#include "MessageBoxes.h"

#include <QApplication>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv, IMessageBoxes& boxes);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    IMessageBoxes& FBoxes;
};
