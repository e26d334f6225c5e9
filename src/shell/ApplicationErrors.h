#pragma once
// The application's default handling of an error that leaves a handler: its
// text in an error box titled with the application's title.

#include "MessageBoxes.h"

#include <exception>

void ShowApplicationError(IMessageBoxes& boxes, const std::exception& error);
