#include "Autostart.h"

#include "AsciiText.h"
#include "ProfileFile.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Characters that make a desktop entry's Exec argument need quotes.
bool Reserved(char c)
{
    static constexpr std::string_view Chars = " \t\n\"'\\><~|&;$*?#()`";
    return Chars.find(c) != std::string_view::npos;
}

// The value of `key` in the [Desktop Entry] group, as written in the file.
std::optional<std::string> EntryValue(const std::string& text, std::string_view key)
{
    std::istringstream lines(text);
    std::string line;
    bool inGroup = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inGroup) continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string name = line.substr(0, equals);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
        if (name != key) continue;
        std::size_t start = equals + 1;
        while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
        return line.substr(start);
    }
    return std::nullopt;
}

} // namespace

fs::path ConfigHome(const char* xdgConfigHome, const char* home)
{
    if (xdgConfigHome && *xdgConfigHome && fs::path(xdgConfigHome).is_absolute()) return fs::path(xdgConfigHome);
    if (home && *home) return fs::path(home) / ".config";
    return {};
}

fs::path ConfigHomeOfEnvironment() { return ConfigHome(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")); }

fs::path AutostartFolder(const char* xdgConfigHome, const char* home)
{
    const fs::path config = ConfigHome(xdgConfigHome, home);
    return config.empty() ? config : config / "autostart";
}

fs::path AutostartFolderOfEnvironment() { return AutostartFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")); }

std::string AutostartExec(const fs::path& executable)
{
    const std::string path = executable.string();
    std::string argument;
    bool quoted = false;
    for (char c : path) quoted = quoted || Reserved(c);
    if (quoted) {
        argument = "\"";
        for (char c : path) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
            argument += c;
        }
        argument += '"';
    } else {
        argument = path;
    }
    // The value as a desktop entry string: its own escapes, and '%' is a field code.
    std::string value;
    for (char c : argument) {
        if (c == '\\') value += "\\\\";
        else if (c == '%') value += "%%";
        else if (c == '\n') value += "\\n";
        else if (c == '\r') value += "\\r";
        else if (c == '\t') value += "\\t";
        else value += c;
    }
    return value;
}

std::string AutostartEntryText(const fs::path& executable)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Tellvane\n"
           "Comment=The computer's hardware at a glance\n"
           "Exec=" + AutostartExec(executable) + "\n"
           "Icon=utilities-system-monitor\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::optional<bool> AutostartEnabled(const fs::path& folder, const fs::path& executable)
{
    if (folder.empty()) return std::nullopt;
    const fs::path entry = folder / AutostartEntryName;
    std::error_code error;
    const fs::file_status status = fs::status(entry, error);
    if (status.type() == fs::file_type::not_found) return false;
    if (error || !fs::is_regular_file(status)) return std::nullopt;
    std::ifstream in(entry, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    const std::string contents = text.str();
    if (EntryValue(contents, "Hidden") == std::optional<std::string>("true")) return false;
    const std::optional<std::string> exec = EntryValue(contents, "Exec");
    return exec && SameTextIgnoringAsciiCase(*exec, AutostartExec(executable));
}

bool SetAutostart(const fs::path& folder, const fs::path& executable, bool on)
{
    if (folder.empty()) return false;
    std::error_code error;
    if (!on) {
        fs::remove(folder / AutostartEntryName, error);
        return !error;
    }
    // Most new desktops have no autostart folder until something is added.
    fs::create_directories(folder, error);
    if (error) return false;
    return ReplaceFileAtomically(folder / AutostartEntryName, AutostartEntryText(executable));
}
