// The platform the window is shown on, chosen from the session's environment.

#include "DisplayChoice.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct TCase {
    const char* Name;
    std::map<std::string, std::string> Environment;
    bool WaylandInstalled;
    std::optional<std::string> Platform;
    bool PositionKnown, UsesX;
    const char* Problem; // a part of it; "" for none
    bool Note;
};

TEST(DisplayChoice, XWaylandWhereOfferedNativeWaylandOnlyWithoutAndAReasonWithNeither)
{
    const TCase cases[] = {
        {"an X11 session", {{"DISPLAY", ":0"}}, false, "xcb", true, true, "", false},
        {"Wayland with XWayland and Qt's Wayland platform",
         {{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}, true, "xcb", true, true, "", false},
        {"Wayland without XWayland", {{"WAYLAND_DISPLAY", "wayland-0"}}, true, "wayland", false, false, "", true},
        {"Wayland without XWayland or Qt's platform", {{"WAYLAND_DISPLAY", "wayland-0"}}, false, std::nullopt, true,
         false, "qt6-wayland", false},
        {"no display at all", {}, true, std::nullopt, true, false, "neither DISPLAY nor WAYLAND_DISPLAY is set", false},
        {"the user's own choice of Wayland", {{"QT_QPA_PLATFORM", "wayland"}, {"DISPLAY", ":0"}}, true, std::nullopt,
         false, false, "", true},
        {"the user's own choice of X without a display", {{"QT_QPA_PLATFORM", "xcb"}}, true, std::nullopt, true, true,
         "DISPLAY is not set", false},
        {"offscreen, as tests run", {{"QT_QPA_PLATFORM", "offscreen"}}, false, std::nullopt, true, false, "", false},
    };
    for (const TCase& c : cases) {
        const TDisplayChoice choice = ChooseDisplay(
            [&c](const char* name) -> std::optional<std::string> {
                const auto it = c.Environment.find(name);
                return it == c.Environment.end() ? std::nullopt : std::optional<std::string>(it->second);
            },
            c.WaylandInstalled);
        EXPECT_EQ(choice.Platform, c.Platform) << c.Name;
        EXPECT_EQ(choice.PositionKnown, c.PositionKnown) << c.Name;
        EXPECT_EQ(choice.UsesX, c.UsesX) << c.Name;
        if (*c.Problem) {
            EXPECT_NE(choice.Problem.find(c.Problem), std::string::npos) << c.Name << ": " << choice.Problem;
        } else {
            EXPECT_EQ(choice.Problem, "") << c.Name;
        }
        EXPECT_EQ(!choice.Note.empty(), c.Note) << c.Name;
        EXPECT_EQ(choice.Problem.find('\n'), std::string::npos) << "one line";
    }
}

} // namespace
