#pragma once
// Read-only access to a procfs/sysfs tree below a root folder ("/" on a live
// system, a captured tree in tests). Paths are written as on the live system
// ("/sys/class/hwmon") and never leave the root, whatever links say.
//
// Captured trees sometimes hold a link as a small file whose text is the link's
// target. Where a path runs through such a file as if it were a folder, it is
// followed like the link it stands for; on a live system no file stands where a
// folder is expected, so this never triggers there.

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TRootFs {
public:
    explicit TRootFs(std::filesystem::path root);

    const std::filesystem::path& Root() const { return FRoot; }

    // `path` with every link followed, as a path below the root ("/sys/devices/...").
    std::string Resolve(std::string_view path) const;
    // The same for a path that names a folder, also where a captured tree holds
    // the folder's link as a file.
    std::string ResolveDir(std::string_view path) const { return Resolve(std::string(path) + "/."); }
    // The host path of `path` (links followed), for reading it directly.
    std::filesystem::path HostPath(std::string_view path) const;

    // The first line of a small file, up to a NUL, with trailing blanks
    // removed; nothing when it is missing or unreadable.
    std::optional<std::string> ReadText(std::string_view path) const;
    // The whole file (up to a few MiB), for /proc tables.
    std::optional<std::string> ReadAll(std::string_view path) const;
    // Names in a folder, sorted; empty when it is missing.
    std::vector<std::string> List(std::string_view dir) const;
    bool Exists(std::string_view path) const;
    bool IsDir(std::string_view path) const;
    // The target text of a link (or of a file standing for one); nothing otherwise.
    std::optional<std::string> LinkTarget(std::string_view path) const;
    // The last component of a link's target ("0000:03:00.0", "nvme0"), even
    // when the target itself is missing.
    std::optional<std::string> LinkName(std::string_view path) const;

    // Folders are resolved once and remembered until this is called (also
    // on the way to other paths); the provider forgets them at each
    // rediscovery, so a re-plugged device is found anew.
    void ForgetResolvedFolders() const;

private:
    // The host path of a file: its folder resolved (remembered), its own name appended.
    std::filesystem::path FileHostPath(std::string_view path) const;

    std::filesystem::path FRoot;
    // Below any root but "/", a file's own link is resolved against the root
    // too: "proc/stat -> /proc/stat" in a captured tree must not read this machine.
    bool FConfined;
    mutable std::mutex FCacheLock;
    mutable std::map<std::string, std::string, std::less<>> FResolvedDirs;
};

// Reads a whole file from a host path (no root applied); nothing on failure,
// and nothing for a link when `followLink` is false.
std::optional<std::string> ReadHostFile(const std::filesystem::path& file, std::size_t limit, bool followLink = true);

// A file's first line with trailing blanks removed.
std::string FirstLineTrimmed(std::string_view text);
