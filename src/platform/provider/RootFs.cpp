#include "RootFs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t SmallFileLimit = 64 * 1024;
constexpr std::size_t TableFileLimit = 8 * 1024 * 1024;
constexpr int MaxLinkHops = 40;

std::vector<std::string> Components(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t slash = path.find('/', pos);
        if (slash == std::string_view::npos) slash = path.size();
        if (slash > pos) parts.emplace_back(path.substr(pos, slash - pos));
        pos = slash + 1;
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& p : parts) out += "/" + p;
    return out.empty() ? "/" : out;
}

constexpr std::size_t LinkTextLimit = 4096;

// The path a file's text stands for when the file stands for a link: one
// line of path text within its first 4 KiB.
std::optional<std::string> LinkText(std::string_view text)
{
    std::string line = FirstLineTrimmed(text.substr(0, LinkTextLimit));
    if (line.empty() || line.find('\0') != std::string::npos) return std::nullopt;
    if (!(line.starts_with("../") || line.starts_with("./") || line.starts_with("/"))) return std::nullopt;
    return line;
}

std::optional<std::string> LinkFileText(const fs::path& host)
{
    auto text = ReadHostFile(host, LinkTextLimit);
    if (!text) return std::nullopt;
    return LinkText(*text);
}

} // namespace

std::optional<std::string> ReadHostFile(const fs::path& file, std::size_t limit, bool followLink)
{
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0) return std::nullopt;
    std::string out;
    std::array<char, 4096> buffer;
    bool ok = true;
    while (out.size() < limit) {
        ssize_t n = ::read(fd, buffer.data(), std::min(buffer.size(), limit - out.size()));
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        out.append(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return out;
}

std::string FirstLineTrimmed(std::string_view text)
{
    text = text.substr(0, text.find('\n'));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return std::string(text);
}

TRootFs::TRootFs(fs::path root) : FRoot(std::move(root)), FConfined(FRoot.lexically_normal() != "/") {}

std::string TRootFs::Resolve(std::string_view path) const
{
    // Names still to walk, last first. A mark stands after the names of a
    // link's target: reaching it, the link's folder is resolved.
    struct TStep {
        std::string Name;
        std::optional<std::string> LinkFolder; // a mark: the folder that was a link
        int MissesBefore = 0;                  // with a mark: missing names met before the link
    };
    std::vector<TStep> pending;
    for (std::string& name : Components(path)) pending.push_back({std::move(name), std::nullopt, 0});
    std::reverse(pending.begin(), pending.end());
    const auto remember = [this](const std::string& folder, std::string resolvedTo) {
        std::lock_guard lock(FCacheLock);
        FResolvedDirs.emplace(folder, std::move(resolvedTo));
    };
    std::vector<std::string> resolved;
    int hops = 0;
    int misses = 0;
    while (!pending.empty()) {
        TStep step = std::move(pending.back());
        pending.pop_back();
        if (step.LinkFolder) {
            // Only a walk that found every name is kept: a missing folder may
            // appear at any moment.
            if (misses == step.MissesBefore) remember(*step.LinkFolder, Join(resolved));
            continue;
        }
        std::string& part = step.Name;
        if (part == ".") continue;
        if (part == "..") {
            if (!resolved.empty()) resolved.pop_back();
            continue;
        }
        resolved.push_back(std::move(part));
        const std::string inRoot = Join(resolved);
        // A folder on the way (not the last name, whose own link may matter to
        // the caller) that was resolved before stands for what it resolved to:
        // finding many files walks the same few folders.
        const bool onTheWay = !pending.empty();
        if (onTheWay) {
            std::lock_guard lock(FCacheLock);
            if (auto it = FResolvedDirs.find(inRoot); it != FResolvedDirs.end()) {
                resolved = Components(it->second);
                continue;
            }
        }
        fs::path host = FRoot.string() + inRoot;

        struct stat st {};
        if (::lstat(host.c_str(), &st) != 0) { // missing: keep the rest as written
            ++misses;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (onTheWay) remember(inRoot, inRoot);
            continue;
        }
        std::optional<std::string> target;
        if (S_ISLNK(st.st_mode)) {
            std::error_code ec;
            fs::path t = fs::read_symlink(host, ec);
            if (!ec) target = t.string();
        } else if (S_ISREG(st.st_mode) && onTheWay) {
            target = LinkFileText(host);
        }
        if (!target) continue;
        if (++hops > MaxLinkHops) break;
        resolved.pop_back();
        if (target->starts_with('/')) resolved.clear();
        if (onTheWay) pending.push_back({std::string(), inRoot, misses});
        std::vector<std::string> parts = Components(*target);
        for (auto it = parts.rbegin(); it != parts.rend(); ++it) pending.push_back({std::move(*it), std::nullopt, 0});
    }
    return Join(resolved);
}

fs::path TRootFs::HostPath(std::string_view path) const { return FRoot.string() + Resolve(path); }

void TRootFs::ForgetResolvedFolders() const
{
    std::lock_guard lock(FCacheLock);
    FResolvedDirs.clear();
}

fs::path TRootFs::FileHostPath(std::string_view path) const
{
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string_view::npos || slash == 0) return HostPath(path);
    std::string_view dir = path.substr(0, slash);
    std::string resolved;
    {
        std::lock_guard lock(FCacheLock);
        if (auto it = FResolvedDirs.find(dir); it != FResolvedDirs.end()) resolved = it->second;
    }
    if (resolved.empty()) {
        resolved = ResolveDir(dir);
        std::lock_guard lock(FCacheLock);
        FResolvedDirs.emplace(std::string(dir), resolved);
    }
    // On the live system the file's own name is opened as it is: every link
    // there stays below "/". Below another root a link in the file's place
    // would be followed by the system, out of the root: it is resolved here.
    fs::path host = FRoot.string() + resolved + "/" + std::string(path.substr(slash + 1));
    if (FConfined) {
        struct stat st {};
        if (::lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return HostPath(path);
    }
    return host;
}

std::optional<std::string> TRootFs::ReadText(std::string_view path) const
{
    auto text = ReadHostFile(FileHostPath(path), SmallFileLimit, !FConfined);
    if (!text) return std::nullopt;
    std::string_view v = *text;
    // A value ends at its line's end or at a NUL (files padded with NULs).
    v = v.substr(0, v.find_first_of(std::string_view("\0\r\n", 3)));
    while (!v.empty() && (v.back() == '\n' || v.back() == '\r' || v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    return std::string(v);
}

std::optional<std::string> TRootFs::ReadAll(std::string_view path) const
{
    // Read once: the tables of /proc are made anew by the kernel at every read.
    auto text = ReadHostFile(FileHostPath(path), TableFileLimit, !FConfined);
    if (!text) return std::nullopt;
    // A captured tree may hold a link to a file (etc/os-release) as a file
    // of link text; such a file is read through to the file it names.
    if (auto linkText = LinkText(*text)) {
        std::string p(path);
        std::string base = linkText->starts_with('/') ? std::string() : p.substr(0, p.find_last_of('/') + 1);
        return ReadHostFile(HostPath(base + *linkText), TableFileLimit, !FConfined);
    }
    return text;
}

std::vector<std::string> TRootFs::List(std::string_view dir) const
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(HostPath(dir), ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool TRootFs::Exists(std::string_view path) const
{
    struct stat st {};
    return ::stat(HostPath(path).c_str(), &st) == 0;
}

bool TRootFs::IsDir(std::string_view path) const
{
    struct stat st {};
    return ::stat(HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::string> TRootFs::LinkTarget(std::string_view path) const
{
    std::string p(path);
    std::size_t slash = p.find_last_of('/');
    std::string parent = slash == std::string::npos ? "/" : p.substr(0, slash);
    fs::path host = FRoot.string() + Resolve(parent) + "/" + p.substr(slash + 1);
    struct stat st {};
    if (::lstat(host.c_str(), &st) != 0) return std::nullopt;
    if (S_ISLNK(st.st_mode)) {
        std::error_code ec;
        fs::path t = fs::read_symlink(host, ec);
        if (ec) return std::nullopt;
        return t.string();
    }
    if (S_ISREG(st.st_mode)) return LinkFileText(host);
    return std::nullopt;
}

std::optional<std::string> TRootFs::LinkName(std::string_view path) const
{
    auto target = LinkTarget(path);
    if (!target) return std::nullopt;
    std::string_view t = *target;
    while (!t.empty() && t.back() == '/') t.remove_suffix(1);
    std::size_t slash = t.find_last_of('/');
    std::string name(slash == std::string_view::npos ? t : t.substr(slash + 1));
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    return name;
}
