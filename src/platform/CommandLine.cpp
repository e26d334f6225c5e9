#include "CommandLine.h"

#include <filesystem>

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    TCommandLine line;
    const auto fail = [&line](std::string reason) {
        if (line.Error.empty()) line.Error = std::move(reason);
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            line.Help = true;
        } else if (argument == "--version") {
            line.Version = true;
        } else if (argument == "--root" || argument.starts_with("--root=")) {
            std::optional<std::string> value;
            if (argument != "--root")
                value = argument.substr(7);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            if (!value)
                fail("--root needs a folder: the root of a machine's file tree");
            else if (value->empty())
                fail("--root needs a folder, and the one given is empty");
            else
                line.Root = *value;
        } else {
            fail("unknown option '" + argument + "'");
        }
    }
    return line;
}

TCommandLine ParseCommandLine(int argc, char** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return ParseCommandLine(arguments);
}

std::optional<std::string> RootProblem(const std::string& root)
{
    std::error_code error;
    if (!std::filesystem::is_directory(root, error)) return root + " is not a folder";
    if (!std::filesystem::exists(std::filesystem::path(root) / "proc", error) &&
        !std::filesystem::exists(std::filesystem::path(root) / "sys", error))
        return root + " holds neither proc nor sys: give the root of a machine's file tree";
    return std::nullopt;
}
