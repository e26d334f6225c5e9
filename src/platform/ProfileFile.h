#pragma once
// INI ("profile") file access, key by key.
//
// Behaves like the classic desktop profile functions: section and key names are
// matched without regard to ASCII letter case, a read returns at most
// ProfileValueMaxChars characters, and a write keeps every other section, key,
// comment and blank line of the file as it stands. Nothing is cached: every
// read looks at the file, every write reaches it before the call returns.
//
// Writes are atomic: the new contents go to a temporary file in the same folder
// which then replaces the old one, so a crash or a full disk never leaves a
// half-written file behind.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

inline constexpr std::size_t ProfileValueMaxChars = 2047;

// Raised when a write cannot reach the file; what() is "Unable to write to <path>".
class EProfileWriteError : public std::runtime_error {
public:
    explicit EProfileWriteError(const std::filesystem::path& file);
};

// The value of `key` in `section`, with surrounding blanks (and one pair of
// matching surrounding quotes) removed and cut to ProfileValueMaxChars
// characters; `defaultValue` when the file, the section or the key is missing.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue);

// Sets `key` in `section` to `value`, creating the key, the section and the file
// as needed. A value with a line end is refused (EProfileWriteError, the file
// as it was): it would start new lines that read back as other keys.
void WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

// The pure parts of the above, on the file's text, for callers that hold it.
std::string ProfileTextLookup(std::string_view text, std::string_view section,
                              std::string_view key, std::string_view defaultValue);
std::string ProfileTextWithValue(std::string_view text, std::string_view section,
                                 std::string_view key, std::string_view value);

// Replaces `target` by a file holding `contents`: a temporary file in the same
// folder is written and synced, then renamed over the target. False when any
// step failed; the old file is then as it was.
bool ReplaceFileAtomically(const std::filesystem::path& target, const std::string& contents);

// Whether this process may create files in `folder` (its permissions for
// this user, a read-only mount): false for a folder that is missing.
bool MayWriteFolder(const std::filesystem::path& folder);
