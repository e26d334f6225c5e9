#include "DisplayChoice.h"

namespace {

constexpr const char* WaylandNote =
    "running as a native Wayland client: the window cannot stay on top, is not placed at its stored position "
    "(nor is its position stored), and has a tray icon only where the desktop offers a tray; with XWayland "
    "(DISPLAY set) all of this works";

} // namespace

TDisplayChoice ChooseDisplay(const std::function<std::optional<std::string>(const char*)>& environment,
                             bool waylandPlatformInstalled)
{
    TDisplayChoice choice;
    const std::optional<std::string> display = environment("DISPLAY");
    if (const std::optional<std::string> asked = environment("QT_QPA_PLATFORM")) {
        // The user's choice stands.
        if (asked->starts_with("wayland")) {
            choice.Note = WaylandNote;
            choice.PositionKnown = false;
        } else if (asked->starts_with("xcb")) {
            choice.UsesX = true;
            if (!display) choice.Problem = "no X display to show the window on: QT_QPA_PLATFORM is xcb and DISPLAY is not set";
        }
        return choice;
    }
    if (display) {
        choice.Platform = "xcb";
        choice.UsesX = true;
        return choice;
    }
    if (environment("WAYLAND_DISPLAY")) {
        if (!waylandPlatformInstalled) {
            choice.Problem = "this Wayland session offers no XWayland display (DISPLAY is not set) and Qt's Wayland "
                             "platform is not installed (on Debian: qt6-wayland)";
            return choice;
        }
        choice.Platform = "wayland";
        choice.Note = WaylandNote;
        choice.PositionKnown = false;
        return choice;
    }
    choice.Problem = "no display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY is set "
                     "(start it in a desktop session)";
    return choice;
}
