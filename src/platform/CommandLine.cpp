#include "CommandLine.h"

#include <algorithm>
#include <filesystem>

namespace {

struct TValueOptionText {
    TValueOption Option;
    const char* Name;
    const char* Needs; // what the value is, for the reason
    std::optional<std::string> TCommandLine::*Field;
};
constexpr TValueOptionText ValueOptions[] = {
    {TValueOption::Root, "--root", "a folder: the root of a machine's file tree", &TCommandLine::Root},
    {TValueOption::Server, "--server", "an address: http://HOST:PORT of a node_exporter", &TCommandLine::Server},
    {TValueOption::Settings, "--settings", "a file: the settings file to use", &TCommandLine::Settings},
};

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments, const std::vector<TValueOption>& options)
{
    TCommandLine line;
    const auto fail = [&line](std::string reason) {
        if (line.Error.empty()) line.Error = std::move(reason);
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            line.Help = true;
            continue;
        }
        if (argument == "--version") {
            line.Version = true;
            continue;
        }
        const TValueOptionText* option = nullptr;
        for (const TValueOptionText& o : ValueOptions) {
            const std::string name = o.Name;
            const bool taken = std::find(options.begin(), options.end(), o.Option) != options.end();
            if (taken && (argument == name || argument.starts_with(name + "="))) option = &o;
        }
        if (!option) {
            fail("unknown option '" + argument + "'");
            continue;
        }
        const std::string name = option->Name;
        std::optional<std::string> value;
        if (argument != name)
            value = argument.substr(name.size() + 1);
        else if (i + 1 < arguments.size())
            value = arguments[++i];
        if (!value)
            fail(name + " needs " + option->Needs);
        else if (value->empty())
            fail(name + " needs " + std::string(option->Needs).substr(0, std::string(option->Needs).find(':')) + ", and the one given is empty");
        else
            line.*(option->Field) = *value;
    }
    return line;
}

TCommandLine ParseCommandLine(int argc, char** argv, const std::vector<TValueOption>& options)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return ParseCommandLine(arguments, options);
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
