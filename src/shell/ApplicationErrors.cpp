#include "ApplicationErrors.h"

#include "TForm1.h"

void ShowApplicationError(IMessageBoxes& boxes, const std::exception& error)
{
    boxes.ShowError(ApplicationTitle, error.what());
}
