// tellvane as a user starts it from a terminal: its options and the missing
// display answered on the right stream with their status, before any window.

#include "ShellCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using TRun = TShellRun;

// `redirect` chooses the stream read: "2>/dev/null" standard output, "2>&1 >/dev/null" standard error.
TRun RunGadget(const std::string& environment, const std::string& arguments, const std::string& redirect)
{
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + environment + " " TELLVANE_COMMAND " " + arguments + " " + redirect;
    return RunShellCommand(command);
}

TEST(GadgetCommand, AnswersWithoutAWindowAndSaysWhyItCannotStart)
{
    struct Case {
        const char* environment;
        const char* arguments;
        int status;
        bool onOutput; // else one line on standard error
        const char* says;
    };
    const Case cases[] = {
        {"", "--help", 0, true, "Usage: tellvane [--settings FILE] [--root DIR]"},
        {"", "-h", 0, true, "--version"},
        {"", "--version", 0, true, "tellvane 0."},
        {"", "--geometry 10x10", 2, false, "tellvane: unknown option '--geometry' (see tellvane --help)"},
        {"", "--root", 2, false, "tellvane: --root needs a folder"},
        {"", "--root /nonexistent-tree", 2, false, "tellvane: --root: /nonexistent-tree is not a folder"},
        {"", "", 1, false, "tellvane: no display to show the window on"},
        {"DISPLAY=:987", "", 1, false, "tellvane: the X display :987 does not answer"},
    };
    for (const Case& c : cases) {
        const TRun run = RunGadget(c.environment, c.arguments, c.onOutput ? "2>/dev/null" : "2>&1 >/dev/null");
        const std::string what = std::string(c.environment) + " tellvane " + c.arguments;
        EXPECT_EQ(run.Status, c.status) << what << ": " << run.Output;
        EXPECT_NE(run.Output.find(c.says), std::string::npos) << what << ": " << run.Output;
        if (!c.onOutput) {
            EXPECT_EQ(std::count(run.Output.begin(), run.Output.end(), '\n'), 1) << what << ": " << run.Output;
        }
    }
}

} // namespace
