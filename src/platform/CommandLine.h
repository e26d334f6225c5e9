#pragma once
// The options of the two programs: --help (-h), --version, and options with
// a value ("--root DIR" or "--root=DIR"): --root, --server and --settings,
// each program taking the ones it names. Anything else is an error with a
// one-line reason; the callers print it on standard error and end with status 2.

#include <optional>
#include <string>
#include <vector>

enum class TValueOption { Root, Server, Settings };

struct TCommandLine {
    bool Help = false;
    bool Version = false;
    // The root of a machine's file tree to read instead of this machine's.
    std::optional<std::string> Root;
    // Another machine's node_exporter to show.
    std::optional<std::string> Server;
    // The settings file to use instead of the usual one.
    std::optional<std::string> Settings;
    // Why the command line cannot be used; empty when it can.
    std::string Error;
};

// `arguments` without the program's name.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments, const std::vector<TValueOption>& options);
TCommandLine ParseCommandLine(int argc, char** argv, const std::vector<TValueOption>& options);

// Why `root` is no machine's file tree, or nothing when it may be one.
std::optional<std::string> RootProblem(const std::string& root);
