#pragma once
// Builds small procfs/sysfs trees for provider tests, file by file.

#include "TempDir.h"

#include <filesystem>
#include <string>

class TreeBuilder {
public:
    explicit TreeBuilder(const std::filesystem::path& root) : FRoot(root) {}

    // Writes `text` to `path` below the root, creating folders.
    void File(const std::string& path, const std::string& text) const
    {
        auto p = FRoot / path.substr(1);
        std::filesystem::create_directories(p.parent_path());
        WriteFileText(p, text);
    }
    void Link(const std::string& path, const std::string& target) const
    {
        auto p = FRoot / path.substr(1);
        std::filesystem::create_directories(p.parent_path());
        std::filesystem::remove(p);
        std::filesystem::create_symlink(target, p);
    }
    void Dir(const std::string& path) const { std::filesystem::create_directories(FRoot / path.substr(1)); }
    void Remove(const std::string& path) const { std::filesystem::remove_all(FRoot / path.substr(1)); }
    void Rename(const std::string& from, const std::string& to) const
    {
        std::filesystem::rename(FRoot / from.substr(1), FRoot / to.substr(1));
    }

private:
    std::filesystem::path FRoot;
};
