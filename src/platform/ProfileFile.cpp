#include "ProfileFile.h"

#include "AsciiText.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

EProfileWriteError::EProfileWriteError(const fs::path& file)
    : std::runtime_error("Unable to write to " + file.string())
{
}

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) { return SameTextIgnoringAsciiCase(a, b); }

// One line of the file, without its line end.
struct Line {
    std::string_view text;
    std::size_t begin = 0; // offset of the line in the file text
    std::size_t end = 0;   // offset just past the line's line end
};

std::vector<Line> SplitLines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t stop = nl == std::string_view::npos ? text.size() : nl;
        std::string_view body = text.substr(pos, stop - pos);
        if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
        std::size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        lines.push_back({body, pos, next});
        pos = next;
    }
    return lines;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line)
{
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    std::size_t close = line.find(']');
    if (close != std::string_view::npos) line = line.substr(0, close);
    return Trim(line);
}

// Key and raw value of a "key=value" line; nothing for a line without "=".
std::optional<std::pair<std::string_view, std::string_view>> KeyValue(std::string_view line)
{
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return std::pair{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

std::string_view WithoutBom(std::string_view text)
{
    if (text.starts_with(Utf8Bom)) text.remove_prefix(Utf8Bom.size());
    return text;
}

// Cuts UTF-8 text after `maxChars` code points, never inside a character.
std::string_view CutToChars(std::string_view s, std::size_t maxChars)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        bool continuation = (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
        if (!continuation) {
            if (chars == maxChars) return s.substr(0, i);
            ++chars;
        }
    }
    return s;
}

struct KeyLocation {
    std::vector<Line> lines;
    std::optional<std::size_t> sectionLine; // index of the "[section]" line
    std::optional<std::size_t> keyLine;     // index of the key's line within it
    std::size_t lastContentLine = 0;        // last non-blank line of the section
};

KeyLocation Locate(std::string_view text, std::string_view section, std::string_view key)
{
    KeyLocation at;
    at.lines = SplitLines(text);
    for (std::size_t i = 0; i < at.lines.size(); ++i) {
        std::string_view line = at.lines[i].text;
        if (auto name = SectionName(line)) {
            if (at.sectionLine) break; // the next section ends ours
            if (SameName(*name, section)) {
                at.sectionLine = i;
                at.lastContentLine = i;
            }
            continue;
        }
        if (!at.sectionLine) continue;
        if (!Trim(line).empty()) at.lastContentLine = i;
        if (at.keyLine) continue;
        if (auto kv = KeyValue(line); kv && SameName(kv->first, key)) at.keyLine = i;
    }
    return at;
}

std::string ReadWholeFile(const fs::path& file, bool& exists)
{
    std::ifstream in(file, std::ios::binary);
    exists = static_cast<bool>(in);
    if (!in) return {};
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return std::move(buffer).str();
}

std::string SingleLine(std::string_view s)
{
    std::string out(s);
    std::replace_if(out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return out;
}

// A value as it goes into its line. A read trims blanks around a value and
// takes off one pair of quotes around it, so a value that begins or ends with
// a blank, or is itself quoted, is written between quotes to read back whole.
std::string StoredValue(std::string_view value)
{
    std::string line = SingleLine(value);
    const bool quoted = line.size() >= 2 && (line.front() == '"' || line.front() == '\'') && line.back() == line.front();
    if (quoted || Trim(line).size() != line.size()) return '"' + line + '"';
    return line;
}

} // namespace

bool ReplaceFileAtomically(const fs::path& target, const std::string& contents)
{
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) return false;

    // Keep the permissions of the file being replaced; a new file gets the
    // usual 0666 less the umask, not mkstemp's 0600.
    struct stat old {};
    mode_t mode;
    if (::stat(target.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    bool ok = ::fchmod(fd, mode) == 0;
    const char* p = contents.data();
    std::size_t left = contents.size();
    while (ok && left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) { ok = false; break; }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(pattern.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(pattern.c_str());
    return ok;
}


std::string ProfileTextLookup(std::string_view text, std::string_view section, std::string_view key,
                              std::string_view defaultValue)
{
    KeyLocation at = Locate(WithoutBom(text), section, key);
    if (!at.keyLine) return std::string(CutToChars(defaultValue, ProfileValueMaxChars));
    std::string_view value = KeyValue(at.lines[*at.keyLine].text)->second;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(CutToChars(value, ProfileValueMaxChars));
}

std::string ProfileTextWithValue(std::string_view text, std::string_view section, std::string_view key,
                                 std::string_view value)
{
    const bool hasBom = text.starts_with(Utf8Bom);
    std::string_view body = WithoutBom(text);
    // New lines follow the file's own line ends.
    const std::string_view eol = body.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    const std::string entry = SingleLine(key) + "=" + StoredValue(value);

    KeyLocation at = Locate(body, section, key);
    std::string out(hasBom ? Utf8Bom : std::string_view{});
    if (at.keyLine) {
        const Line& line = at.lines[*at.keyLine];
        std::size_t lineEndLength = (line.end - line.begin) - line.text.size();
        out.append(body.substr(0, line.begin));
        out.append(entry);
        out.append(body.substr(line.begin + line.text.size(), lineEndLength));
        out.append(body.substr(line.end));
        return out;
    }
    if (at.sectionLine) {
        // A new key goes right after the section's last non-blank line.
        const Line& last = at.lines[at.lastContentLine];
        std::string_view before = body.substr(0, last.end);
        out.append(before);
        if (before.empty() || before.back() != '\n') out.append(eol);
        out.append(entry).append(eol);
        out.append(body.substr(last.end));
        return out;
    }
    out.append(body);
    if (!body.empty()) {
        if (body.back() != '\n') out.append(eol);
        if (!Trim(at.lines.back().text).empty()) out.append(eol);
    }
    out.append("[").append(SingleLine(section)).append("]").append(eol);
    out.append(entry).append(eol);
    return out;
}

std::string ReadProfileString(const fs::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue)
{
    bool exists = false;
    std::string text = ReadWholeFile(file, exists);
    return ProfileTextLookup(text, section, key, defaultValue);
}

void WriteProfileString(const fs::path& file, std::string_view section, std::string_view key,
                        std::string_view value)
{
    // Write through a symbolic link to the file it names, rather than replacing the link.
    std::error_code ec;
    fs::path target = fs::is_symlink(file, ec) ? fs::weakly_canonical(file, ec) : file;
    if (ec || target.empty()) target = file;

    // A value with a line end would leave a broken line behind: refused.
    if (value.find_first_of("\r\n") != std::string_view::npos) throw EProfileWriteError(file);

    bool exists = false;
    std::string text = ReadWholeFile(target, exists);
    // A file that exists but cannot be read must not be replaced by one that
    // holds only this key.
    if (!exists && fs::exists(target, ec)) throw EProfileWriteError(file);

    if (!ReplaceFileAtomically(target, ProfileTextWithValue(text, section, key, value)))
        throw EProfileWriteError(file);
}

bool MayWriteFolder(const fs::path& folder)
{
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}
