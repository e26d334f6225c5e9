#pragma once
// The options both programs take: --help (-h), --version and --root DIR.
// Anything else is an error with a one-line reason; the callers print it on
// standard error and end with status 2.

#include <optional>
#include <string>
#include <vector>

struct TCommandLine {
    bool Help = false;
    bool Version = false;
    // The root of a machine's file tree to read instead of this machine's.
    std::optional<std::string> Root;
    // Why the command line cannot be used; empty when it can.
    std::string Error;
};

// `arguments` without the program's name.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);
TCommandLine ParseCommandLine(int argc, char** argv);

// Why `root` is no machine's file tree, or nothing when it may be one.
std::optional<std::string> RootProblem(const std::string& root);
