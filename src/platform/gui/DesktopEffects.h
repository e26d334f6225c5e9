#pragma once
// What the running desktop does to windows: whether its window manager offers
// blur behind windows, and whether a compositing manager runs.

#include <string>

struct TDesktopEffects {
    bool BlurBehind = false;  // the window manager blurs what lies behind a window
    bool Compositing = false; // a compositing manager draws the windows
    bool operator==(const TDesktopEffects&) const = default;
};

// Asks the X server the application is connected to. On another platform
// (Wayland without X, the offscreen platform of tests) nothing is offered.
TDesktopEffects DetectDesktopEffects();

// The screen number of an X display name such as ":0.1" (0 when it names none).
int ScreenOfDisplayName(const std::string& displayName);

// Sets or removes the window manager's blur-behind region of an X window
// (the whole window). False where the window manager offers no blur.
bool SetBlurBehindRegion(unsigned long window, bool on);
