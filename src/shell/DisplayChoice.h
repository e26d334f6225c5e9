#pragma once
// Which of the toolkit's platforms shows the window, decided before the
// application object exists, from the environment the desktop session gives.
//
// The gadget is an X11 program: it keeps itself on top, at its stored
// position and in the tray through the X window manager. In a Wayland session
// it runs through XWayland whenever the session offers it (DISPLAY is set),
// also where Qt's Wayland platform is installed; without XWayland it runs as a
// native Wayland client and says once what does not work there.

#include <functional>
#include <optional>
#include <string>

struct TDisplayChoice {
    // The platform to ask Qt for (QT_QPA_PLATFORM); nothing keeps the user's.
    std::optional<std::string> Platform;
    // Why there is nothing to show the window on: one line for standard error.
    std::string Problem;
    // What does not work on the chosen platform: one line for standard error.
    std::string Note;
    // The window manager tells and obeys the window's position.
    bool PositionKnown = true;
    // The X display must be checked to answer before Qt connects to it (Qt
    // aborts when it cannot).
    bool UsesX = false;
};

// `environment` gives a variable's value, nothing when it is unset or empty.
TDisplayChoice ChooseDisplay(const std::function<std::optional<std::string>(const char*)>& environment,
                             bool waylandPlatformInstalled);
