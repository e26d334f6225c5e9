#include "TApplication.h"

#include "ApplicationErrors.h"

TApplication::TApplication(int& argc, char** argv, IMessageBoxes& boxes) : QApplication(argc, argv), FBoxes(boxes) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowApplicationError(FBoxes, error);
        return false;
    }
}
