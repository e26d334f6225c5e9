// Any bytes as a settings file, then writes of keys into it and reads back.
//
// Input: the file's bytes, then any number of writes, each introduced by the
// byte 0x1E and holding "section 0x1F key 0x1F value". Section and key names
// are mapped onto the letters, digits and '_' that the program's names use;
// values are taken as they come.
//
// Checks, besides the sanitizers' own:
//  - a value with a line end is refused and leaves the file as it was;
//  - every other value reads back exactly as written (cut to the read limit),
//    whatever the file held before;
//  - a write changes no other key: every key probed before reads the same after.

#include "AsciiText.h"
#include "ProfileFile.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What a read of a missing key gives: no value a write could store.
constexpr std::string_view Absent = "\n(absent)";

void Require(bool condition, const char* what)
{
    if (condition) return;
    std::fprintf(stderr, "fuzz_settings_file: broken: %s\n", what);
    std::abort();
}

// Kept for the whole run (never destroyed), so that its folder can be removed at exit.
const fs::path& SettingsFile()
{
    static const fs::path* file = [] {
        const fs::path dir = fs::temp_directory_path() / ("tellvane-fuzz-settings-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(SettingsFile().parent_path(), ec);
        });
        return new fs::path(dir / "settings.ini");
    }();
    return *file;
}

std::string ReadBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Name(std::string_view raw)
{
    static constexpr std::string_view Letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";
    std::string out;
    for (char c : raw.substr(0, 24)) out += Letters[static_cast<unsigned char>(c) % Letters.size()];
    return out.empty() ? "Form" : out;
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

// The value a read gives back for one written: cut after the read limit of
// characters, never inside a UTF-8 sequence.
std::string AsRead(std::string_view value)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if ((static_cast<unsigned char>(value[i]) & 0xC0) == 0x80) continue;
        if (chars == ProfileValueMaxChars) return std::string(value.substr(0, i));
        ++chars;
    }
    return std::string(value);
}

struct TWrite {
    std::string Section, Key;
    std::string_view Value;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto records = Split(std::string_view(reinterpret_cast<const char*>(data), size), '\x1e');
    std::vector<TWrite> writes;
    for (std::size_t i = 1; i < records.size() && writes.size() < 8; ++i) {
        const auto fields = Split(records[i], '\x1f');
        if (fields.size() < 3) continue;
        writes.push_back({Name(fields[0]), Name(fields[1]), fields[2]});
    }

    const fs::path& file = SettingsFile();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(records[0].data(), static_cast<std::streamsize>(records[0].size()));
    }

    // Keys to watch: the ones written, and a few the program reads.
    std::vector<std::pair<std::string, std::string>> probes = {{"Form", "Left"}, {"Form", "Theme"}, {"Sensors", "TermalMaxCpu"}};
    for (const TWrite& w : writes) probes.emplace_back(w.Section, w.Key);

    for (const TWrite& w : writes) {
        const std::string before = ReadBytes(file);
        std::vector<std::string> seen;
        for (const auto& [section, key] : probes) seen.push_back(ReadProfileString(file, section, key, Absent));

        if (w.Value.find_first_of("\r\n") != std::string_view::npos) {
            bool refused = false;
            try {
                WriteProfileString(file, w.Section, w.Key, w.Value);
            } catch (const EProfileWriteError&) {
                refused = true;
            }
            Require(refused, "a value with a line end was written");
            Require(ReadBytes(file) == before, "a refused write changed the file");
            continue;
        }
        WriteProfileString(file, w.Section, w.Key, w.Value);
        Require(ReadProfileString(file, w.Section, w.Key, Absent) == AsRead(w.Value),
                "a written value did not read back");
        for (std::size_t p = 0; p < probes.size(); ++p) {
            const auto& [section, key] = probes[p];
            const bool same = SameTextIgnoringAsciiCase(section, w.Section) && SameTextIgnoringAsciiCase(key, w.Key);
            if (!same)
                Require(ReadProfileString(file, section, key, Absent) == seen[p], "a write changed another key");
        }
    }
    return 0;
}
